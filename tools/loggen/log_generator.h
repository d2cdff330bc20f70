// loggen: writes deterministic drive-test logs in the eventscan log format,
// one network at a time: measurements every half second, calls set up,
// dropped and blocked, handovers, location updates, signal dips that make
// the sample gates fire, data and messaging tests with their extra data, and
// event-table entries. The same seed always gives the same bytes.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace loggen {

struct GenOptions {
  uint8_t Network = 0;        // 0 GSM, 1 CDMA, 2 UMTS, 3 TD-SCDMA, 4 LTE
  uint64_t Seed = 20260314;
  int Cycles = 4;             // drive cycles of about a minute each
  size_t Records = 0;         // when not 0: cycles until this many records, then stop
  std::string Start = "2026-03-14T10:00:00.000";
};

// Writes the header and the records; returns the number of records.
size_t WriteDriveTest(std::ostream& out, const GenOptions& options);

}  // namespace loggen
