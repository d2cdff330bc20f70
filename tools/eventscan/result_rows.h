// The results of a run as printable rows, read back through the container's
// virtual interface (GetCount, GetResult) and each result's (GetTime,
// GetEventName, IsKind, GetTestEventId, RecordIndex, Details), and the output
// formats: an aligned table, CSV (RFC 4180 quoting), a JSON array and JSON
// Lines (one object a line). CSV and JSON Lines are written row by row.
#pragma once

#include <cstdint>
#include <functional>
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
// Calls `row` for each result the filter accepts, in the container's order,
// without keeping the rows; returns their number.
size_t ForEachRow(TEventsResult& results, const EventFilter& filter, const std::function<void(const ResultRow&)>& row);
// The kind word of a result: "message", "test", "gate" (or "other").
std::string KindWord(TEventResult& result);

enum class OutputFormat { Table, Csv, Json, JsonLines };

void WriteTable(std::ostream& out, const std::vector<ResultRow>& rows);
void WriteCsv(std::ostream& out, const std::vector<ResultRow>& rows);
void WriteJson(std::ostream& out, const std::vector<ResultRow>& rows);
void WriteCsvHeader(std::ostream& out);
void WriteCsvRow(std::ostream& out, const ResultRow& row);
void WriteJsonLine(std::ostream& out, const ResultRow& row);
void WriteRows(std::ostream& out, const std::vector<ResultRow>& rows, OutputFormat format);
// Changes a row before it is written (a capture numbers rows by frame).
using RowAdjust = std::function<void(ResultRow&)>;
// Writes the results in `format`, streaming where the format allows; returns
// the number of rows written.
size_t WriteResults(std::ostream& out, TEventsResult& results, const EventFilter& filter, OutputFormat format,
                    const RowAdjust& adjust = {});

}  // namespace eventscan
