// The worker side of a campaign: one log or capture run through the library
// exactly as `eventscan run` runs it, its results written to `out` as JSON
// lines for the coordinator (a "result" line each, a "fault" line for each
// malformed line or definition fault, a "content" line with the file's hash
// and size, and an "end" line with what the log held). The worker runs in a process of its own, so a crash costs one log.
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

// A worker that runs many logs: the library is loaded once, then each log
// named on standard input (the hex of its path's bytes, a line each: a file
// name need not be text) runs in a child process
// forked for it, so that it starts with the library as loaded and nothing
// left by the logs before it, and a crash or a hang costs that log only.
// Each log's lines go to standard output as RunCampaignWorker writes them,
// followed by an empty line and the line WorkerExitLine... telling how its
// process ended and the end of what it wrote on stderr. Returns at the end
// of standard input.
inline constexpr const char* WorkerExitLine = R"({"type":"exit")";
int ServeCampaignWorker(const WorkerOptions& options);

}  // namespace eventscan
