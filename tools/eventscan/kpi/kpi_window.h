// A time window of a log for its KPI table: the records and results from
// From to To, both included. Times are compared to the millisecond, the
// precision logs write them with, so a window typed on the command line and
// the same window chosen on a report page take the same records.
#pragma once

#include <optional>

namespace eventscan {

struct KpiWindow {
  std::optional<double> From, To;  // days; none: open on that side
  bool Contains(double days) const;
  bool Whole() const { return !From && !To; }
};

// Milliseconds and microseconds of a time in days, rounded to the nearest:
// the time the log (milliseconds) or the capture (microseconds) wrote.
long long MillisecondsOf(double days);
long long MicrosecondsOf(double days);

}  // namespace eventscan
