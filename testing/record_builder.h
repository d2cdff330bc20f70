// Records built in memory by tests and benchmarks: their times and their
// test items, set the way a log reader sets them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "eventmanager/outside/data_access.h"

// Record `index` of a log whose records lie `secondsApart` apart from day 46000.
inline void SetRecordTime(HandsetRecord& r, size_t index, double secondsApart) {
  r.Time = r.OrderTime = 46000.0 + static_cast<double>(index) * (secondsApart / 86400.0);
}

// A test item of event `id` at `time` (days) with its extra data.
inline void AddTestItem(HandsetRecord& r, int16_t id, double time, const std::string& extra = {}) {
  TestItem item{};
  item.EventId = id;
  item.Time = time;
  r.AddItem(item, extra);
}
