// eventscan campaign: many logs into one SQLite database (campaign/), and the
// hidden worker command each log of a campaign runs in.
#include <iostream>

#include "campaign/campaign_runner.h"
#include "campaign/campaign_worker.h"
#include "cli/commands.h"
#include "host/host_library.h"
#include "log/networks.h"

namespace eventscan {

int CampaignCommand(const CampaignCommandOptions& o) {
  if (o.Network && !NetworkIndex(*o.Network)) {
    std::cerr << "--network: \"" << *o.Network << "\" is none of GSM, CDMA, UMTS, TD-SCDMA, LTE\n";
    return ExitUsage;
  }
  CampaignOptions c;
  c.Inputs = o.Inputs;
  c.Database = o.Database;
  c.Home = o.Home;
  c.Library = o.Library;
  c.Network = o.Network;
  c.Jobs = o.Jobs;
  c.LogTimeout = o.LogTimeout;
  c.Force = o.Force;
  c.Quiet = o.Quiet;
  c.Program = ProgramDirectory() + "eventscan";
  c.Scheduler = o.Scheduler;
  c.DaskDriver = ProgramDirectory() + "campaign_dask.py";
  try {
    return RunCampaign(c);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

int CampaignWorkerCommand(const CampaignWorkerCommandOptions& o) {
  WorkerOptions w;
  w.Log = o.Log;
  w.Home = o.Home;
  w.Library = o.Library;
  w.Network = o.Network;
  if (o.Serve) return ServeCampaignWorker(w);
  if (o.Log.empty()) {
    std::cerr << "campaign-worker: a log or --serve is required\n";
    return ExitUsage;
  }
  return RunCampaignWorker(w, std::cout);
}

}  // namespace eventscan
