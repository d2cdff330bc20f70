#include "campaign/campaign_runner.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>

#include <fmt/format.h>

#include "campaign/campaign_db.h"
#include "campaign/campaign_logs.h"
#include "campaign/campaign_queue.h"
#include "campaign/content_hash.h"
#include "campaign/dask_driver.h"
#include "campaign/worker_pool.h"
#include "host/host_layout.h"
#include "host/host_library.h"
#include "kpi/kpi_file.h"
#include "log/exit_codes.h"

namespace eventscan {
namespace {

// What decides a log's rows besides its content: both definition files
// (which events exist, which are displayed), the KPI file (its table) and the
// network a run imposes.
std::string definitionsHash(const std::optional<std::string>& network) {
  const std::string home = EffectiveHomeDirectory();
  Sha256 hash;
  for (const std::string& path : {home + "EventsDefine.cfg", home + "EventsProperty.cfg", KpiFilePath(home)}) {
    HashFile(path, hash);
    hash.Add("\0", 1);
  }
  hash.Add(network ? network->data() : "", network ? network->size() : 0);
  return hash.Hex();
}

// The query indices are there when the campaign ends, also when it ends by
// an error (the next run retries a failure).
struct SearchIndices {
  CampaignDb& Db;
  ~SearchIndices() {
    try {
      Db.BuildSearchIndices();
    } catch (...) {
    }
  }
};

}  // namespace

int RunCampaign(const CampaignOptions& o) {
  ChooseHomeDirectory(o.Home);
  CampaignDb db(o.Database);
  CampaignQueue queue(o, db, definitionsHash(o.Network), FindCampaignLogs(o.Inputs));
  // A campaign mostly of new logs builds the query indices once at its end;
  // a few logs added to a large database update them as they are stored.
  // Either way they are there when it ends (or after the next run of one
  // that was killed).
  if (static_cast<int64_t>(queue.Logs()) > 2 * db.StoredLogs()) db.DeferSearchIndices();
  SearchIndices indices{db};
  const unsigned cores = std::max(1u, static_cast<unsigned>(sysconf(_SC_NPROCESSORS_ONLN)));
  const unsigned jobs = o.Jobs ? o.Jobs : o.Scheduler ? 64 : cores;
  // A worker that dies shows as a closed pipe, reported with its log, not as
  // a signal that ends the campaign.
  signal(SIGPIPE, SIG_IGN);
  if (o.Scheduler) RunOnDask(o, jobs, queue);
  else RunOnLocalWorkers(o, jobs, queue);
  db.BuildSearchIndices();
  queue.DrawProgress(true);
  queue.EndProgress();
  const CampaignTotals& totals = queue.Totals();
  if (!o.Quiet)
    std::cerr << fmt::format("{} logs: {} ok, {} faulty, {} skipped; {} records, {} results, {:.3f} seconds\n",
                             queue.Logs(), totals.Ok, totals.Faulty, totals.Skipped, GroupedDigits(totals.Records),
                             GroupedDigits(totals.Results), queue.Seconds());
  return totals.Faulty ? ExitInput : ExitOk;
}

}  // namespace eventscan
