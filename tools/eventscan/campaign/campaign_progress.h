// How far a campaign is: the logs done by outcome, with their records and
// results, and the progress line drawn from them on a terminal.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace eventscan {

struct CampaignTotals {
  size_t Ok = 0, Faulty = 0, Skipped = 0, Records = 0, Results = 0;
};

// `n` with its thousands grouped ("1,234,567").
std::string GroupedDigits(size_t n);

// The progress line on stderr: logs done of all, records a second, results,
// faults and the time left; drawn at most ten times a second, not at all
// when not shown.
class CampaignProgress {
 public:
  CampaignProgress(bool shown, size_t total);
  void Draw(const CampaignTotals& t, bool force = false);
  // Ends the line, so that a message can follow it.
  void End();
  double Seconds() const;

 private:
  using Clock = std::chrono::steady_clock;
  bool shown_;
  size_t total_;
  Clock::time_point started_, drawn_{};
  bool drawnOnce_ = false;
};

}  // namespace eventscan
