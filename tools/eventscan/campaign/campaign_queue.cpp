#include "campaign/campaign_queue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include <fmt/format.h>

#include "campaign/content_hash.h"
#include "campaign/worker_output.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

void markUnreadable(LogOutcome& log) {
  log.ContentHash = "unreadable:" + log.Path;
  log.Status = "fault";
  log.Fault = fmt::format("{}: cannot read the log: {}", log.Path, strerror(errno));
  log.DropRows();
}

}  // namespace

CampaignQueue::CampaignQueue(const CampaignOptions& options, CampaignDb& db, std::string definitions,
                             std::vector<CampaignEntry> logs)
    : options_(options), db_(db), definitions_(std::move(definitions)), logs_(std::move(logs)),
      progress_(!options.Quiet && isatty(STDERR_FILENO) != 0, logs_.size()) {}

void CampaignQueue::storeUnreadable(LogOutcome& log, const std::string& why) {
  markUnreadable(log);
  if (!why.empty()) log.Fault = why;
  db_.Store(log);
  ++totals_.Faulty;
  if (!options_.Quiet) std::cerr << TerminalText(log.Fault) << '\n';
}

std::unique_ptr<CampaignJob> CampaignQueue::Next() {
  while (next_ < logs_.size()) {
    const CampaignEntry& entry = logs_[next_++];
    auto job = std::make_unique<CampaignJob>();
    LogOutcome& log = job->Log;
    log.Path = entry.Path;
    log.DefinitionsHash = definitions_;
    if (!entry.Fault.empty()) {
      // Found below a folder, but the user may not read it: a fault of its own, as a log named would be.
      storeUnreadable(log, entry.Fault);
      continue;
    }
    struct stat st {};
    if (::stat(log.Path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
      // A pipe or a device cannot be read ahead for its hash: it is run every time.
      log.ContentHash = "not-a-file:" + log.Path;
      return job;
    }
    bool unreadable = false;
    if (isDone(log, static_cast<uint64_t>(st.st_size), unreadable)) {
      if (unreadable) storeUnreadable(log, {});
      else ++totals_.Skipped;
      continue;
    }
    return job;
  }
  return nullptr;
}

bool CampaignQueue::isDone(LogOutcome& log, uint64_t size, bool& unreadable) {
  const bool sizeSeen = !sizes_.insert(size).second;
  if (!sizeSeen && (options_.Force || !db_.HasCompletedOfSize(size, definitions_))) {
    // No log of this size is done: this one is run whatever its hash,
    // which its worker takes as it reads the file.
    unhashed_.emplace(size, log.Path);
    return false;
  }
  if (auto first = unhashed_.find(size); first != unhashed_.end()) {
    // The first log of this size claims its bytes before this one is compared.
    Sha256 hash;
    if (HashFile(first->second, hash)) owner_.emplace(hash.Hex(), first->second);
    unhashed_.erase(first);
  }
  Sha256 hash;
  if (!HashFile(log.Path, hash, &log.Size)) {
    unreadable = true;
    return true;
  }
  log.ContentHash = hash.Hex();
  auto [it, fresh] = owner_.emplace(log.ContentHash, log.Path);
  return (!fresh && it->second != log.Path) || (!options_.Force && db_.HasCompleted(log.ContentHash, definitions_));
}

bool CampaignQueue::ownContent(CampaignJob& job) {
  LogOutcome& log = job.Log;
  if (!log.ContentHash.empty()) return true;
  if (!job.WorkerHash.empty()) {
    log.ContentHash = job.WorkerHash;
    log.Size = job.WorkerSize;
  } else {
    // The worker ended before it read the file: hashed here.
    Sha256 hash;
    if (HashFile(log.Path, hash, &log.Size)) log.ContentHash = hash.Hex();
    else markUnreadable(log);
  }
  // The same bytes as an earlier log of this campaign (both were run):
  // the earlier one is kept.
  auto [it, fresh] = owner_.emplace(log.ContentHash, log.Path);
  return fresh || it->second == log.Path;
}

void CampaignQueue::Finish(CampaignJob& job, int waitStatus, bool timedOut) {
  job.Log.RunSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - job.Started).count();
  ReadWorkerOutput(job, waitStatus, timedOut, options_.LogTimeout);
  if (!ownContent(job)) {
    ++totals_.Skipped;
    return;
  }
  const LogOutcome& log = job.Log;
  db_.Store(log);
  if (log.Status == "ok") ++totals_.Ok;
  else ++totals_.Faulty;
  totals_.Records += static_cast<size_t>(log.Records);
  totals_.Results += log.Results.size();
  if (!options_.Quiet && log.Status != "ok") {
    progress_.End();
    std::cerr << fmt::format("{}: {}: {}\n", log.Path, log.Status, log.Fault);
  }
}

}  // namespace eventscan
