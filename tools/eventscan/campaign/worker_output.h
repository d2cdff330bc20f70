// What a worker of a campaign wrote, turned into the outcome of its log: its
// JSON lines (results, faults, KPIs, route, the content hash and the end
// line), and how its process ended.
#pragma once

#include "campaign/campaign_job.h"

namespace eventscan {

// Reads `job.OutText` into `job.Log`; `waitStatus` is as waitpid gives it.
// A worker that was stopped at the time limit (`timeout` seconds), killed,
// or ended before the end of its log leaves its log without rows, with
// status "timeout" or "crashed" and why (the last line of `job.ErrText`).
void ReadWorkerOutput(CampaignJob& job, int waitStatus, bool timedOut, double timeout);

}  // namespace eventscan
