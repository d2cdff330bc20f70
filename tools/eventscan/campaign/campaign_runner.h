// A campaign: every log and capture named or found below the directories
// given, each run by `eventscan campaign-worker` in a process of its own, N at
// a time, their rows handed back on a pipe and written by this process alone
// into the campaign database, one transaction a log. A worker that crashes or
// passes the per-log time limit costs its log only; it is recorded with its
// fault. Logs already in the database with the same content and definitions
// and status ok are skipped. Single-threaded (the workers are processes).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace eventscan {

struct CampaignOptions {
  std::vector<std::string> Inputs;  // logs, captures, directories
  std::string Database;
  std::optional<std::string> Home, Library, Network;
  unsigned Jobs = 0;         // 0: the number of cores
  double LogTimeout = 0;     // seconds a worker may take; 0 none
  bool Force = false;        // run every log again
  bool Quiet = false;        // no progress and no summary
  std::string Program;       // the eventscan that runs the workers
  // A Dask scheduler ("tcp://HOST:8786"): the workers run as tasks on its
  // cluster through `DaskDriver` (run by `Python`), not as local processes.
  std::optional<std::string> Scheduler;
  std::string DaskDriver;    // campaign_dask.py
  std::string Python = "/usr/bin/python3";
};

// The exit status: 0 when every log ended ok or was skipped, 2 when one
// could not be run to its end (it is in the database with its fault).
int RunCampaign(const CampaignOptions& options);

}  // namespace eventscan
