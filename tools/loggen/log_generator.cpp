#include "log_generator.h"

#include "drive.h"
#include "log/log_time.h"
#include "log/networks.h"

namespace loggen {

size_t WriteDriveTest(std::ostream& out, const GenOptions& o) {
  static constexpr int Devices[] = {1, 2, 3, 4, 5};
  static void (*const Cycles[])(Drive&, int) = {GsmCycle, CdmaCycle, UmtsCycle, TdscdmaCycle, LteCycle};
  const uint8_t net = o.Network <= 4 ? o.Network : 0;
  LogBuilder builder(out, o.Seed * 4 + net, eventscan::ParseIsoTime(o.Start).value_or(46095.4166666667));
  builder.Header(eventscan::NetworkName(net), Devices[net], o.Start);
  Drive drive(builder, net);
  static void (*const Ends[])(Drive&) = {GsmEnd, nullptr, UmtsEnd, nullptr, LteEnd};
  for (int cycle = 0; o.Records ? builder.Records() < o.Records : cycle < o.Cycles; ++cycle) Cycles[net](drive, cycle);
  // A log of a given size (the benchmarks') stops at its size; a drive of
  // whole cycles ends as a drive does.
  if (!o.Records && Ends[net]) Ends[net](drive);
  return builder.Records();
}

}  // namespace loggen
