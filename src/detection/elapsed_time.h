// Time spans between records, in the whole milliseconds that users give
// their limits in. Record times are day counts, and the difference of two of
// them carries rounding noise of about a microsecond either side of the true
// span, so limits are never compared in days.
#pragma once

#include <cmath>
#include <cstdint>

inline int64_t WholeMilliseconds(double days) { return std::llround(days * 86400000.0); }

inline int64_t ElapsedMilliseconds(double fromDays, double toDays) { return WholeMilliseconds(toDays - fromDays); }
