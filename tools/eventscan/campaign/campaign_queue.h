// The logs of a campaign on their way through its workers: which to run
// next, and each finished one stored. A log whose bytes are done (in the
// database with these definitions, or earlier in this campaign) is skipped;
// one that cannot be read is stored as a fault at once. The runners (the
// local worker pool, the Dask driver) take logs from it and give them back.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "campaign/campaign_db.h"
#include "campaign/campaign_job.h"
#include "campaign/campaign_logs.h"
#include "campaign/campaign_progress.h"
#include "campaign/campaign_runner.h"

namespace eventscan {

class CampaignQueue {
 public:
  // `definitions`: the hash of what decides a log's rows besides its bytes.
  CampaignQueue(const CampaignOptions& options, CampaignDb& db, std::string definitions,
                std::vector<CampaignEntry> logs);

  // The next log to run, hashed and looked up when it may be one of the
  // database or of this campaign already; null when none is left.
  std::unique_ptr<CampaignJob> Next();
  // A log's worker ended (`waitStatus` as waitpid gives it): its outcome is
  // stored, unless it is a copy of a log of this campaign run before it.
  void Finish(CampaignJob& job, int waitStatus, bool timedOut);

  size_t Logs() const { return logs_.size(); }
  const CampaignTotals& Totals() const { return totals_; }
  void DrawProgress(bool force = false) { progress_.Draw(totals_, force); }
  void EndProgress() { progress_.End(); }
  double Seconds() const { return progress_.Seconds(); }

 private:
  // A log that cannot be read, stored as a fault before it is run.
  void storeUnreadable(LogOutcome& log, const std::string& why);
  // Whether a log of this size may be a copy: if so, hashes it and says
  // whether it is one to skip.
  bool isDone(LogOutcome& log, uint64_t size, bool& unreadable);
  // The content hash a worker took, or one taken here; false for a copy of
  // an earlier log of this campaign.
  bool ownContent(CampaignJob& job);

  const CampaignOptions& options_;
  CampaignDb& db_;
  std::string definitions_;
  std::vector<CampaignEntry> logs_;
  size_t next_ = 0;
  CampaignTotals totals_;
  CampaignProgress progress_;
  // The log of the campaign that each content (hash) belongs to: a second
  // log of the same bytes is skipped.
  std::unordered_map<std::string, std::string> owner_;
  // Sizes of the logs started so far, and the first of each size while its
  // hash is left to its worker: only a log of a size already seen may be a
  // copy of another, so only then is the hash needed before running.
  std::unordered_map<uint64_t, std::string> unhashed_;
  std::unordered_set<uint64_t> sizes_;
};

}  // namespace eventscan
