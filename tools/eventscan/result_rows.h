// The results of a run as printable rows, read back through the container's
// virtual interface (GetCount, GetResult) and each result's (GetTime,
// GetEventName, IsKind, GetTestEventId, RecordIndex, Details), and the three
// output formats: an aligned table, CSV and JSON.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "eventmanager/event_result.h"
#include "event_filter.h"

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
// The kind word of a result: "message", "test", "gate" (or "other").
std::string KindWord(TEventResult& result);

enum class OutputFormat { Table, Csv, Json };

void WriteTable(std::ostream& out, const std::vector<ResultRow>& rows);
void WriteCsv(std::ostream& out, const std::vector<ResultRow>& rows);
void WriteJson(std::ostream& out, const std::vector<ResultRow>& rows);
void WriteRows(std::ostream& out, const std::vector<ResultRow>& rows, OutputFormat format);

}  // namespace eventscan
