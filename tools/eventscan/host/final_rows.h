// When a host that writes rows while it feeds a log takes them to be final:
// what `eventscan run` does, and what the benchmarks that measure its way of
// feeding must do alike.
#pragma once

#include <cstdint>

namespace eventscan {

// Handsets stamp some records a little out of order (by up to a second, a
// diagnostic frame written after the measurement that followed it): rows
// are held until the log has gone this far past them.
inline constexpr double ClockSlackDays = 2.0 / 86400.0;
// Rows are looked for every this many records (a power of two).
inline constexpr int32_t RowStep = 256;

}  // namespace eventscan
