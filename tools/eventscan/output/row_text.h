// One result row as the output formats write it: a CSV line (RFC 4180
// quoting), a JSON object as nlohmann's dump writes it, a line of the aligned
// table. Rows are formatted into one reused buffer and handed to the stream
// in large pieces, so a run with millions of results allocates nothing per row.
#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

#include <fmt/format.h>

#include "output/result_rows.h"

namespace eventscan {

using RowBuffer = fmt::memory_buffer;
// A buffer this full is handed to the stream.
inline constexpr size_t RowFlushAt = 64 * 1024;

// Writes the buffer to the stream and empties it.
void FlushRows(std::ostream& out, RowBuffer& b);

// One CSV field: as it is, or quoted with its quotes doubled when it holds a
// comma, a quote or a line break (RFC 4180).
void AppendCsvField(RowBuffer& b, std::string_view text);
// "record,time,event,kind,network,details": the details joined by " | ".
void AppendCsvRow(RowBuffer& b, const ResultRow& r);
// One row as a JSON object: on one line (`depth` < 0), or laid out as
// nlohmann's dump(2) lays out an array element (`depth` the object's own
// indentation, at most 2).
void AppendJsonObject(RowBuffer& b, const ResultRow& r, int depth);

// The table's column widths, taken from every row before the first is written.
struct TableWidths {
  size_t Event = 5, Kind = 4;
  void Take(const ResultRow& r);
};
void AppendTableHeader(RowBuffer& b, const TableWidths& w);
void AppendTableRow(RowBuffer& b, const ResultRow& r, const TableWidths& w);

// The JSON array is written element by element; its text is what
// nlohmann's dump(2) gives for the whole array.
struct JsonArrayWriter {
  RowBuffer& B;
  bool Any = false;
  void Row(const ResultRow& r);
  void End();
};

}  // namespace eventscan
