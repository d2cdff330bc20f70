#include "output/result_rows.h"

#include <algorithm>

namespace eventscan {

std::string KindWord(TEventResult& result) {
  if (result.IsKind(0)) return "message";
  if (result.IsKind(1)) return "test";
  if (result.IsKind(2)) return "gate";
  return "other";
}

size_t ForEachRow(TEventsResult& results, const EventFilter& filter, const std::function<void(const ResultRow&)>& each) {
  return VisitRows(results, filter, [&](ResultRow& row) { each(row); });
}

std::vector<ResultRow> CollectRows(TEventsResult& results, const EventFilter& filter) {
  std::vector<ResultRow> rows;
  rows.reserve(static_cast<size_t>(std::max(results.GetCount(), 0)));
  VisitRows(results, filter, [&](ResultRow& row) { rows.push_back(row); });
  return rows;
}

}  // namespace eventscan
