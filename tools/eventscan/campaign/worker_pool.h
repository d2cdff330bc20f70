// The logs of a campaign run on this machine by N serving workers
// (`eventscan campaign-worker --serve`), each in a process group of its own:
// a worker loads the library once and runs each log it is given in a child
// process, so that a crash or a hang costs that log only.
#pragma once

#include "campaign/campaign_queue.h"
#include "campaign/campaign_runner.h"

namespace eventscan {

// Runs every log `queue` gives on `jobs` workers and gives each back as it
// ends. A log past the time limit (its worker's time on it, less the time
// the worker waited for a core) is stopped with its worker; a new worker
// takes the next log. Raises std::runtime_error when the workers cannot be
// waited for.
void RunOnLocalWorkers(const CampaignOptions& options, unsigned jobs, CampaignQueue& queue);

}  // namespace eventscan
