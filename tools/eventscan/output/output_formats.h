// The output formats of a run's rows: an aligned table, CSV (RFC 4180
// quoting), a JSON array and JSON Lines (one object a line). Rows are written
// from a list, or streamed straight from the results container where the
// format allows (CSV and JSON Lines row by row).
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <vector>

#include "eventmanager/event_result.h"
#include "host/event_filter.h"
#include "output/result_rows.h"

namespace eventscan {

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
