// The host side of the benchmarks that feed records held in memory: how many
// records to make, and the two callbacks a results container needs. A log
// type is anything with a `records` vector of HandsetRecord.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "eventmanager/outside/data_access.h"

namespace bench {

// EVENTMANAGER_BENCH_RECORDS, else `fallback`.
inline size_t RecordCount(size_t fallback) {
  const char* n = std::getenv("EVENTMANAGER_BENCH_RECORDS");
  return n ? std::strtoul(n, nullptr, 10) : fallback;
}

// OnGetRecord over `object`, a Log*: loads the record by pointer; none and 0
// outside the log.
template <class Log>
int32_t LoadRecord(void* object, RecordView* view, int32_t index) {
  auto* log = static_cast<Log*>(object);
  if (index < 0 || static_cast<size_t>(index) >= log->records.size()) {
    view->Reset();
    return 0;
  }
  view->Load(&log->records[static_cast<size_t>(index)]);
  return 1;
}

inline bool AcceptAll(void*, int16_t) { return true; }

}  // namespace bench
