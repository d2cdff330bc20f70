#include "output/output_formats.h"

#include "output/row_text.h"

namespace eventscan {

void WriteTable(std::ostream& out, const std::vector<ResultRow>& rows) {
  TableWidths widths;
  for (const ResultRow& r : rows) widths.Take(r);
  RowBuffer b;
  AppendTableHeader(b, widths);
  for (const ResultRow& r : rows) {
    AppendTableRow(b, r, widths);
    if (b.size() >= RowFlushAt) FlushRows(out, b);
  }
  FlushRows(out, b);
}

void WriteCsvHeader(std::ostream& out) { out << "record,time,event,kind,network,details\n"; }

void WriteCsvRow(std::ostream& out, const ResultRow& r) {
  RowBuffer b;
  AppendCsvRow(b, r);
  FlushRows(out, b);
}

void WriteCsv(std::ostream& out, const std::vector<ResultRow>& rows) {
  WriteCsvHeader(out);
  RowBuffer b;
  for (const ResultRow& r : rows) {
    AppendCsvRow(b, r);
    if (b.size() >= RowFlushAt) FlushRows(out, b);
  }
  FlushRows(out, b);
}

void WriteJson(std::ostream& out, const std::vector<ResultRow>& rows) {
  RowBuffer b;
  JsonArrayWriter json{b};
  for (const ResultRow& r : rows) {
    json.Row(r);
    if (b.size() >= RowFlushAt) FlushRows(out, b);
  }
  json.End();
  FlushRows(out, b);
}

void WriteJsonLine(std::ostream& out, const ResultRow& r) {
  RowBuffer b;
  AppendJsonObject(b, r, -1);
  b.push_back('\n');
  FlushRows(out, b);
}

void WriteRows(std::ostream& out, const std::vector<ResultRow>& rows, OutputFormat format) {
  switch (format) {
    case OutputFormat::Table: WriteTable(out, rows); break;
    case OutputFormat::Csv: WriteCsv(out, rows); break;
    case OutputFormat::Json: WriteJson(out, rows); break;
    case OutputFormat::JsonLines:
      for (const ResultRow& r : rows) WriteJsonLine(out, r);
      break;
  }
}

RowWriter::RowWriter(OutputFormat format, const EventFilter& filter, RowAdjust adjust)
    : format_(format), filter_(&filter), adjust_(std::move(adjust)) {}

void RowWriter::start(std::ostream& out) {
  if (started_) return;
  started_ = true;
  if (format_ == OutputFormat::Csv) WriteCsvHeader(out);
}

void RowWriter::Write(std::ostream& out, TEventsResult& results, int32_t first, int32_t end) {
  start(out);
  rows_ += VisitRowRange(results, *filter_, first, end, row_, [](TEventResult&) { return true; }, [&](ResultRow& row) {
    if (adjust_) adjust_(row);
    switch (format_) {
      case OutputFormat::Csv: AppendCsvRow(b_, row); break;
      case OutputFormat::JsonLines:
        AppendJsonObject(b_, row, -1);
        b_.push_back('\n');
        break;
      case OutputFormat::Json: json_.Row(row); break;
      case OutputFormat::Table: break;  // never streamed
    }
    if (b_.size() >= RowFlushAt) FlushRows(out, b_);
  });
}

void RowWriter::Flush(std::ostream& out) {
  FlushRows(out, b_);
  out.flush();
}

size_t RowWriter::Finish(std::ostream& out) {
  start(out);
  if (format_ == OutputFormat::Json) json_.End();
  FlushRows(out, b_);
  return rows_;
}

// Every format is written straight from the container, without a copy of
// the rows; the table's column widths take a first pass over the results.
size_t WriteResults(std::ostream& out, TEventsResult& results, const EventFilter& filter, OutputFormat format,
                    const RowAdjust& adjust) {
  if (RowWriter::Streams(format)) {
    RowWriter writer(format, filter, adjust);
    writer.Write(out, results, 0, results.GetCount());
    return writer.Finish(out);
  }
  RowBuffer b;
  TableWidths widths;
  VisitRows(results, filter, [&](ResultRow& row) { widths.Take(row); });
  AppendTableHeader(b, widths);
  const size_t written = VisitRows(results, filter, [&](ResultRow& row) {
    if (adjust) adjust(row);
    AppendTableRow(b, row, widths);
    if (b.size() >= RowFlushAt) FlushRows(out, b);
  });
  FlushRows(out, b);
  return written;
}

}  // namespace eventscan
