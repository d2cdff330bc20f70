// One log of a campaign on its way through a worker: its outcome as it is
// filled in, what its worker wrote, and when it was handed over.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "campaign/campaign_db.h"
#include "campaign/campaign_runner.h"

namespace eventscan {

struct CampaignJob {
  LogOutcome Log;
  std::string OutText, ErrText;
  std::chrono::steady_clock::time_point Started;
  // The worker's wait for a core when the log was handed to it.
  int64_t RunQueueWaitAtStart = 0;
  // The file's hash and size as the worker read it (its "content" line).
  std::string WorkerHash;
  uint64_t WorkerSize = 0;
};

// The command line of a worker for `log`, or of a serving worker (one that
// is given its logs on stdin) when `log` is empty.
inline std::vector<std::string> WorkerArgs(const CampaignOptions& o, const std::string& log) {
  std::vector<std::string> args{o.Program, "campaign-worker"};
  if (!log.empty()) args.push_back(log);
  else args.push_back("--serve");
  if (o.Home) args.insert(args.end(), {"--home", *o.Home});
  if (o.Library) args.insert(args.end(), {"--library", *o.Library});
  if (o.Network) args.insert(args.end(), {"--network", *o.Network});
  return args;
}

}  // namespace eventscan
