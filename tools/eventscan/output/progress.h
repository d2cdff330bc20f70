// Progress of a long detection run, drawn on one terminal line:
//   "  1,245,184 / 5,000,000 records   24%   812,345 records/s"
// or, while a log is read and fed in one pass (the total is not known yet):
//   "  1,245,184 records   24%  812,345 records/s  61 / 250 MiB"
// Drawn only when the output is a terminal and the run has gone on for more
// than a second (short runs and pipes see nothing), at most ten times a
// second; the line is ended once the run is complete. Single-threaded.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace eventscan {

class ProgressMeter {
 public:
  using Clock = std::chrono::steady_clock;

  // `started`: when the run began (reading the log counts too).
  ProgressMeter(std::ostream& out, bool terminal, Clock::time_point started,
                std::function<Clock::time_point()> now = Clock::now);

  // Called with the records fed so far and the total.
  void operator()(size_t done, size_t total);

  // Called with the records read and fed so far, the bytes of the log passed
  // and its size (0 when not known, as for a pipe); `complete` at the end.
  void Reading(size_t records, uint64_t bytes, uint64_t size, bool complete);

  // The text of one progress line, without the carriage return.
  static std::string Line(size_t done, size_t total, double recordsPerSecond);
  static std::string ReadingLine(size_t records, uint64_t bytes, uint64_t size, double recordsPerSecond);

 private:
  void draw(size_t done, bool complete, const std::function<std::string(double)>& line);

  std::ostream& out_;
  bool terminal_;
  Clock::time_point started_;
  Clock::time_point fed_;  // when feeding began, for the rate
  Clock::time_point drawn_{};
  std::function<Clock::time_point()> now_;
  bool shown_ = false;
};

}  // namespace eventscan
