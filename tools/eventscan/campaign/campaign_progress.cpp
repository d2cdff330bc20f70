#include "campaign/campaign_progress.h"

#include <iostream>

#include <fmt/format.h>

namespace eventscan {

std::string GroupedDigits(size_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

CampaignProgress::CampaignProgress(bool shown, size_t total) : shown_(shown), total_(total), started_(Clock::now()) {}

void CampaignProgress::Draw(const CampaignTotals& t, bool force) {
  if (!shown_) return;
  Clock::time_point now = Clock::now();
  if (!force && now - drawn_ < std::chrono::milliseconds(100)) return;
  drawn_ = now;
  const double seconds = std::chrono::duration<double>(now - started_).count();
  const size_t done = t.Ok + t.Faulty + t.Skipped;
  const size_t run = t.Ok + t.Faulty;
  std::string left = "--";
  if (run > 0 && done < total_) {
    auto remaining = static_cast<long>(seconds / static_cast<double>(run) * static_cast<double>(total_ - done));
    left = fmt::format("{}:{:02}", remaining / 60, remaining % 60);
  }
  std::cerr << fmt::format("\r  {} / {} logs  {} records/s  {} results  {} faults  {} left   ", done, total_,
                           GroupedDigits(seconds > 0 ? static_cast<size_t>(static_cast<double>(t.Records) / seconds) : 0),
                           GroupedDigits(t.Results), t.Faulty, left)
            << std::flush;
  drawnOnce_ = true;
}

void CampaignProgress::End() {
  if (drawnOnce_) std::cerr << '\n';
}

double CampaignProgress::Seconds() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }

}  // namespace eventscan
