// The results of a run as printable rows, read back through the container's
// virtual interface (GetCount, GetResult) and each result's (GetTime,
// GetEventName, IsKind, GetTestEventId, RecordIndex, Details), in the
// container's order; the event filter decides which rows are kept.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "eventmanager/event_result.h"
#include "eventmanager/outside/utility.h"
#include "host/event_filter.h"
#include "log/networks.h"

namespace eventscan {

struct ResultRow {
  int32_t RecordIndex = 0;
  std::string Time;   // "2026-03-14 10:00:01.250"
  std::string Event;
  std::string Kind;   // "message", "test", "gate"
  std::string Network;
  int32_t TestEventId = -1;
  std::vector<std::string> Details;
};

std::vector<ResultRow> CollectRows(TEventsResult& results, const EventFilter& filter);
// Calls `row` for each result the filter accepts, in the container's order,
// without keeping the rows; returns their number.
size_t ForEachRow(TEventsResult& results, const EventFilter& filter, const std::function<void(const ResultRow&)>& row);
// The kind word of a result: "message", "test", "gate" (or "other").
std::string KindWord(TEventResult& result);

// What ForEachRow does, for writers that change the row before they write it
// (`each` takes a ResultRow&). One row is reused for every result: its strings
// keep their capacity, so millions of results allocate nothing per row.
// `keep` (TEventResult&) may leave results out before the filter reads them.
// The results from `first` to before `end` only (a run writing its rows as
// they become final); `row` is the one reused, kept by the caller between calls.
template <typename Each, typename Keep>
size_t VisitRowRange(TEventsResult& results, const EventFilter& filter, int32_t first, int32_t end, ResultRow& row,
                     Keep&& keep, Each&& each) {
  const std::string network = NetworkName(results.GetNetType());
  size_t accepted = 0;
  for (int32_t i = first; i < end; ++i) {
    TEventResult* r = results.GetResult(i);
    if (!r || !keep(*r)) continue;
    row.Event.clear();
    r->GetEventName(row.Event);
    row.TestEventId = r->GetTestEventId();
    if (!filter.AcceptsRow(row.TestEventId, row.Event)) continue;
    row.RecordIndex = r->RecordIndex;
    char time[DateTimeTextCapacity];
    row.Time.assign(time, WriteDateTimeText(r->GetTime(), time));
    // After the time, which may read the record again: a record that no
    // longer reads as it was fed is found there.
    if (!filter.AcceptsRecord(row.RecordIndex)) continue;
    row.Kind = r->IsKind(0) ? "message" : r->IsKind(1) ? "test" : r->IsKind(2) ? "gate" : "other";
    row.Network = network;
    size_t details = 0;
    if (r->HasDetails() && r->Details)
      for (const TResultDetail& d : *r->Details) {
        if (details < row.Details.size())
          row.Details[details].assign(d.Text);
        else
          row.Details.push_back(d.Text);
        ++details;
      }
    row.Details.resize(details);
    each(row);
    ++accepted;
  }
  return accepted;
}

template <typename Each, typename Keep>
size_t VisitRowsIf(TEventsResult& results, const EventFilter& filter, Keep&& keep, Each&& each) {
  ResultRow row;
  return VisitRowRange(results, filter, 0, results.GetCount(), row, std::forward<Keep>(keep), std::forward<Each>(each));
}

template <typename Each>
size_t VisitRows(TEventsResult& results, const EventFilter& filter, Each&& each) {
  return VisitRowsIf(results, filter, [](TEventResult&) { return true; }, std::forward<Each>(each));
}

}  // namespace eventscan
