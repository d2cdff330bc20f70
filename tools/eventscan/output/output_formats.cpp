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

// Every format is written straight from the container, without a copy of
// the rows; the table's column widths take a first pass over the results.
size_t WriteResults(std::ostream& out, TEventsResult& results, const EventFilter& filter, OutputFormat format,
                    const RowAdjust& adjust) {
  RowBuffer b;
  auto stream = [&](auto&& write) {
    return VisitRows(results, filter, [&](ResultRow& row) {
      if (adjust) adjust(row);
      write(row);
      if (b.size() >= RowFlushAt) FlushRows(out, b);
    });
  };
  size_t written = 0;
  switch (format) {
    case OutputFormat::Csv:
      WriteCsvHeader(out);
      written = stream([&](const ResultRow& r) { AppendCsvRow(b, r); });
      break;
    case OutputFormat::JsonLines:
      written = stream([&](const ResultRow& r) {
        AppendJsonObject(b, r, -1);
        b.push_back('\n');
      });
      break;
    case OutputFormat::Json: {
      JsonArrayWriter json{b};
      written = stream([&](const ResultRow& r) { json.Row(r); });
      json.End();
      break;
    }
    case OutputFormat::Table: {
      TableWidths widths;
      VisitRows(results, filter, [&](ResultRow& row) { widths.Take(row); });
      AppendTableHeader(b, widths);
      written = stream([&](const ResultRow& r) { AppendTableRow(b, r, widths); });
      break;
    }
  }
  FlushRows(out, b);
  return written;
}

}  // namespace eventscan
