// Time spans between records, in the whole milliseconds that users give
// their limits in. Record times are day counts, and the difference of two of
// them carries rounding noise of about a microsecond either side of the true
// span, so limits are never compared in days.
#pragma once

#include <cmath>
#include <cstdint>

inline int64_t WholeMilliseconds(double days) { return std::llround(days * 86400000.0); }

inline int64_t ElapsedMilliseconds(double fromDays, double toDays) { return WholeMilliseconds(toDays - fromDays); }

// WholeMilliseconds(days) < limit and ElapsedMilliseconds(from, to) > limit,
// the same answers, with the rounding (a library call) left for the spans
// within a millisecond of the limit: a gate asks on every record.
inline bool WholeMillisecondsBelow(double days, int64_t limit) {
  const double ms = days * 86400000.0;
  if (ms < static_cast<double>(limit) - 1) return true;
  if (ms > static_cast<double>(limit)) return false;
  return WholeMilliseconds(days) < limit;
}

inline bool ElapsedMillisecondsAbove(double fromDays, double toDays, int64_t limit) {
  const double ms = (toDays - fromDays) * 86400000.0;
  if (ms > static_cast<double>(limit) + 1) return true;
  if (ms < static_cast<double>(limit)) return false;
  return ElapsedMilliseconds(fromDays, toDays) > limit;
}
