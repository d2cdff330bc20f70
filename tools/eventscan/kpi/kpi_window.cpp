#include "kpi/kpi_window.h"

#include <cmath>

namespace eventscan {

long long MillisecondsOf(double days) { return std::llround(days * 86400000.0); }
long long MicrosecondsOf(double days) { return std::llround(days * 86400000000.0); }

bool KpiWindow::Contains(double days) const {
  const long long ms = MillisecondsOf(days);
  return (!From || ms >= MillisecondsOf(*From)) && (!To || ms <= MillisecondsOf(*To));
}

}  // namespace eventscan
