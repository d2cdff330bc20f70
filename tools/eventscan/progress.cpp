#include "progress.h"

#include <fmt/format.h>

namespace eventscan {
namespace {

constexpr std::chrono::milliseconds ShowAfter{1000};
constexpr std::chrono::milliseconds RedrawEvery{100};

std::string grouped(size_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

}  // namespace

ProgressMeter::ProgressMeter(std::ostream& out, bool terminal, Clock::time_point started,
                             std::function<Clock::time_point()> now)
    : out_(out), terminal_(terminal), started_(started), now_(std::move(now)) {
  fed_ = now_();
}

std::string ProgressMeter::Line(size_t done, size_t total, double recordsPerSecond) {
  int percent = total ? static_cast<int>(done * 100 / total) : 100;
  return fmt::format("{:>11} / {} records  {:3d}%  {} records/s", grouped(done), grouped(total), percent,
                     grouped(static_cast<size_t>(recordsPerSecond + 0.5)));
}

void ProgressMeter::operator()(size_t done, size_t total) {
  if (!terminal_) return;
  const Clock::time_point now = now_();
  const bool complete = done >= total;
  if (!shown_ && (complete || now - started_ < ShowAfter)) return;
  if (shown_ && !complete && now - drawn_ < RedrawEvery) return;
  double seconds = std::chrono::duration<double>(now - fed_).count();
  double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  // The padding clears what a longer previous line left.
  out_ << '\r' << fmt::format("{:<70}", Line(done, total, rate));
  if (complete) out_ << '\n';
  out_.flush();
  shown_ = true;
  drawn_ = now;
}

}  // namespace eventscan
