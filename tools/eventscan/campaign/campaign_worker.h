// The worker side of a campaign: one log or capture run through the library
// exactly as `eventscan run` runs it, its results written to `out` as JSON
// lines for the coordinator (a "result" line each, a "fault" line for each
// malformed line or definition fault, and an "end" line with what the log
// held). The worker runs in a process of its own, so a crash costs one log.
#pragma once

#include <optional>
#include <ostream>
#include <string>

namespace eventscan {

struct WorkerOptions {
  std::string Log;
  std::optional<std::string> Home, Library, Network;
};

// The exit status of the worker: 0 when the "end" line was written.
int RunCampaignWorker(const WorkerOptions& options, std::ostream& out);

}  // namespace eventscan
