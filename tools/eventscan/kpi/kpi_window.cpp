#include "kpi/kpi_window.h"

#include <cmath>
#include <cstdlib>

namespace eventscan {

long long MillisecondsOf(double days) { return std::llround(days * 86400000.0); }
// A day count near 46000 has a step of 0.63 us, and the product with the
// microseconds of a day rounds once more: a time written to the millisecond
// can come out a microsecond off. Within a microsecond of a whole millisecond
// it is that millisecond.
long long MicrosecondsOf(double days) {
  const long long us = std::llround(days * 86400000000.0), ms = MillisecondsOf(days);
  return std::llabs(us - ms * 1000) <= 1 ? ms * 1000 : us;
}

bool KpiWindow::Contains(double days) const {
  const long long ms = MillisecondsOf(days);
  return (!From || ms >= MillisecondsOf(*From)) && (!To || ms <= MillisecondsOf(*To));
}

}  // namespace eventscan
