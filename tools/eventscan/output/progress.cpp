#include "output/progress.h"

#include <algorithm>

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

std::string ProgressMeter::ReadingLine(size_t records, uint64_t bytes, uint64_t size, double recordsPerSecond) {
  std::string rate = grouped(static_cast<size_t>(recordsPerSecond + 0.5));
  if (size == 0)
    return fmt::format("{:>11} records  {} records/s  {} MiB", grouped(records), rate, grouped(bytes >> 20));
  int percent = static_cast<int>(std::min<uint64_t>(bytes, size) * 100 / size);
  return fmt::format("{:>11} records  {:3d}%  {} records/s  {} / {} MiB", grouped(records), percent, rate,
                     grouped(bytes >> 20), grouped(size >> 20));
}

void ProgressMeter::operator()(size_t done, size_t total) {
  draw(done, done >= total, [&](double rate) { return Line(done, total, rate); });
}

void ProgressMeter::Reading(size_t records, uint64_t bytes, uint64_t size, bool complete) {
  draw(records, complete, [&](double rate) { return ReadingLine(records, bytes, size, rate); });
}

void ProgressMeter::draw(size_t done, bool complete, const std::function<std::string(double)>& line) {
  if (!terminal_) return;
  const Clock::time_point now = now_();
  if (!shown_ && (complete || now - started_ < ShowAfter)) return;
  if (shown_ && !complete && now - drawn_ < RedrawEvery) return;
  double seconds = std::chrono::duration<double>(now - fed_).count();
  double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  // The padding clears what a longer previous line left.
  out_ << '\r' << fmt::format("{:<70}", line(rate));
  if (complete) out_ << '\n';
  out_.flush();
  shown_ = true;
  drawn_ = now;
}

}  // namespace eventscan
