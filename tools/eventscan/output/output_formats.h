// The output formats of a run's rows: an aligned table, CSV (RFC 4180
// quoting), a JSON array and JSON Lines (one object a line). Rows are written
// from a list, or streamed straight from the results container, also while
// the log is still fed (RowWriter).
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <vector>

#include "eventmanager/event_result.h"
#include "host/event_filter.h"
#include "output/result_rows.h"
#include "output/row_text.h"

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

// Rows written a few at a time while a log is fed, as its results become
// final: the bytes are those WriteResults gives for all the results at once.
// Every format but the table, whose column widths need every row first.
class RowWriter {
 public:
  RowWriter(OutputFormat format, const EventFilter& filter, RowAdjust adjust = {});
  static bool Streams(OutputFormat format) { return format != OutputFormat::Table; }
  // Writes the rows of results `first` to before `end`, which follow those
  // written before (a container that freed them counts from 0 again).
  void Write(std::ostream& out, TEventsResult& results, int32_t first, int32_t end);
  // The filter of the rows from here on.
  void UseFilter(const EventFilter& filter) { filter_ = &filter; }
  // Hands what is buffered to the stream and flushes it, so that a reader
  // at the other end of a pipe has the rows now.
  void Flush(std::ostream& out);
  // Ends the output (the CSV header of a run without rows, the end of the
  // JSON array) and hands it over; returns the number of rows written.
  size_t Finish(std::ostream& out);

 private:
  void start(std::ostream& out);

  OutputFormat format_;
  const EventFilter* filter_;
  RowAdjust adjust_;
  RowBuffer b_;
  JsonArrayWriter json_{b_};
  ResultRow row_;
  bool started_ = false;
  size_t rows_ = 0;
};

}  // namespace eventscan
