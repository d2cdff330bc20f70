// The logs of a campaign run as tasks on a Dask cluster, one task a log,
// through the Python driver `campaign_dask.py` (started with the campaign's
// Python, given the scheduler's address): the driver hands each log's worker
// to Dask and each finished task's output back; this process stays the only
// writer of the database.
#pragma once

#include "campaign/campaign_queue.h"
#include "campaign/campaign_runner.h"

namespace eventscan {

// Runs every log `queue` gives, `jobs` tasks at a time, and gives each back
// as its task ends. The driver ends with the campaign whatever way it ends.
// Raises std::runtime_error when the driver cannot be started or ends with
// logs unfinished.
void RunOnDask(const CampaignOptions& options, unsigned jobs, CampaignQueue& queue);

}  // namespace eventscan
