#include "result_rows.h"

#include <algorithm>
#include <iterator>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "eventmanager/outside/utility.h"
#include "networks.h"

namespace eventscan {
namespace {

// Rows are formatted into one reused buffer and handed to the stream in
// large pieces: a run with millions of results allocates nothing per row.
using Buffer = fmt::memory_buffer;
constexpr size_t FlushAt = 64 * 1024;

void append(Buffer& b, std::string_view text) { b.append(text.data(), text.data() + text.size()); }

void indent(Buffer& b, int count) { append(b, std::string_view("        ", static_cast<size_t>(count))); }

void flush(std::ostream& out, Buffer& b) {
  out.write(b.data(), static_cast<std::streamsize>(b.size()));
  b.clear();
}

// The row's details as one text, " | " between the lines.
struct Joined {
  const std::vector<std::string>& Lines;
};

bool needsCsvQuotes(std::string_view text) { return text.find_first_of(",\"\r\n") != std::string_view::npos; }

void appendCsvText(Buffer& b, std::string_view text) {
  for (char c : text) {
    if (c == '"') b.push_back('"');
    b.push_back(c);
  }
}

void appendCsvField(Buffer& b, std::string_view text) {
  if (!needsCsvQuotes(text)) return append(b, text);
  b.push_back('"');
  appendCsvText(b, text);
  b.push_back('"');
}

void appendCsvField(Buffer& b, Joined joined) {
  // " | " itself never needs quotes: the field does when a line does.
  const bool quoted = std::any_of(joined.Lines.begin(), joined.Lines.end(),
                                  [](const std::string& l) { return needsCsvQuotes(l); });
  if (quoted) b.push_back('"');
  for (size_t i = 0; i < joined.Lines.size(); ++i) {
    if (i) append(b, " | ");
    if (quoted)
      appendCsvText(b, joined.Lines[i]);
    else
      append(b, joined.Lines[i]);
  }
  if (quoted) b.push_back('"');
}

void appendCsvRow(Buffer& b, const ResultRow& r) {
  fmt::format_to(std::back_inserter(b), "{},", r.RecordIndex);
  appendCsvField(b, r.Time);
  b.push_back(',');
  appendCsvField(b, r.Event);
  b.push_back(',');
  appendCsvField(b, r.Kind);
  b.push_back(',');
  appendCsvField(b, r.Network);
  b.push_back(',');
  appendCsvField(b, Joined{r.Details});
  b.push_back('\n');
}

// Length of the well-formed UTF-8 sequence at text[i], 0 if there is none
// (overlong forms, surrogates and code points above U+10FFFF are not).
size_t utf8Sequence(std::string_view text, size_t i) {
  auto byte = [&](size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0u; };
  const unsigned c = byte(0);
  auto tail = [&](size_t k) { return (byte(k) & 0xC0) == 0x80; };
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) return tail(1) ? 2 : 0;
  if (c >= 0xE0 && c <= 0xEF) {
    const unsigned c1 = byte(1);
    if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 > 0x9F)) return 0;
    return tail(1) && tail(2) ? 3 : 0;
  }
  if (c >= 0xF0 && c <= 0xF4) {
    const unsigned c1 = byte(1);
    if ((c == 0xF0 && c1 < 0x90) || (c == 0xF4 && c1 > 0x8F)) return 0;
    return tail(1) && tail(2) && tail(3) ? 4 : 0;
  }
  return 0;
}

// A JSON string as nlohmann's dump writes it without ASCII escaping. Text
// that is not well-formed UTF-8 goes through nlohmann itself, which
// replaces the bad bytes: rare, and the replacement must stay the same.
void appendJsonString(Buffer& b, std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t n = utf8Sequence(text, i);
    if (n == 0) {
      append(b, nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
      return;
    }
    i += n;
  }
  b.push_back('"');
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"': append(b, "\\\""); break;
      case '\\': append(b, "\\\\"); break;
      case '\b': append(b, "\\b"); break;
      case '\f': append(b, "\\f"); break;
      case '\n': append(b, "\\n"); break;
      case '\r': append(b, "\\r"); break;
      case '\t': append(b, "\\t"); break;
      default:
        if (c < 0x20)
          fmt::format_to(std::back_inserter(b), "\\u{:04x}", c);
        else
          b.push_back(ch);
    }
  }
  b.push_back('"');
}

// One row as a JSON object: on one line (`depth` < 0), or laid out as
// nlohmann's dump(2) lays out an array element (`depth` the object's own
// indentation, at most 2).
void appendJsonObject(Buffer& b, const ResultRow& r, int depth) {
  const bool lines = depth >= 0;
  const std::string_view sep = lines ? ",\n" : ",";
  auto key = [&](std::string_view name) {
    if (lines) indent(b, depth + 2);
    b.push_back('"');
    append(b, name);
    append(b, "\":");
    if (lines) b.push_back(' ');
  };
  b.push_back('{');
  if (lines) b.push_back('\n');
  key("record");
  fmt::format_to(std::back_inserter(b), "{}", r.RecordIndex);
  append(b, sep);
  key("time");
  appendJsonString(b, r.Time);
  append(b, sep);
  key("event");
  appendJsonString(b, r.Event);
  append(b, sep);
  key("kind");
  appendJsonString(b, r.Kind);
  append(b, sep);
  key("network");
  appendJsonString(b, r.Network);
  append(b, sep);
  if (r.TestEventId >= 0) {
    key("test_id");
    fmt::format_to(std::back_inserter(b), "{}", r.TestEventId);
    append(b, sep);
  }
  key("details");
  b.push_back('[');
  for (size_t i = 0; i < r.Details.size(); ++i) {
    if (i) b.push_back(',');
    if (lines) {
      b.push_back('\n');
      indent(b, depth + 4);
    }
    appendJsonString(b, r.Details[i]);
  }
  if (lines && !r.Details.empty()) {
    b.push_back('\n');
    indent(b, depth + 2);
  }
  b.push_back(']');
  if (lines) {
    b.push_back('\n');
    indent(b, depth);
  }
  b.push_back('}');
}

constexpr std::string_view TableLayout = "{:>7}  {:<23}  {:<{}}  {:<{}}  {:<8}  {}\n";

struct TableWidths {
  size_t Event = 5, Kind = 4;
  void Take(const ResultRow& r) {
    Event = std::max(Event, r.Event.size());
    Kind = std::max(Kind, r.Kind.size());
  }
};

void appendTableHeader(Buffer& b, const TableWidths& w) {
  fmt::format_to(std::back_inserter(b), TableLayout, "record", "time", "event", w.Event, "kind", w.Kind, "network",
                 "details");
}

void appendTableRow(Buffer& b, const ResultRow& r, const TableWidths& w) {
  fmt::format_to(std::back_inserter(b), TableLayout, r.RecordIndex, r.Time, r.Event, w.Event, r.Kind, w.Kind,
                 r.Network, fmt::join(r.Details, " | "));
}

// The JSON array is written element by element; its text is what
// nlohmann's dump(2) gives for the whole array.
struct JsonArrayWriter {
  Buffer& B;
  bool Any = false;
  void Row(const ResultRow& r) {
    append(B, Any ? ",\n  " : "[\n  ");
    Any = true;
    appendJsonObject(B, r, 2);
  }
  void End() { append(B, Any ? "\n]\n" : "[]\n"); }
};

template <typename Each>
size_t forEachRow(TEventsResult& results, const EventFilter& filter, Each&& each) {
  const std::string network = NetworkName(results.GetNetType());
  const int32_t count = results.GetCount();
  size_t accepted = 0;
  // One row reused for every result: its strings keep their capacity.
  ResultRow row;
  for (int32_t i = 0; i < count; ++i) {
    TEventResult* r = results.GetResult(i);
    if (!r) continue;
    row.Event.clear();
    r->GetEventName(row.Event);
    row.TestEventId = r->GetTestEventId();
    if (!filter.AcceptsRow(row.TestEventId, row.Event)) continue;
    row.RecordIndex = r->RecordIndex;
    char time[DateTimeTextCapacity];
    row.Time.assign(time, WriteDateTimeText(r->GetTime(), time));
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

}  // namespace

std::string KindWord(TEventResult& result) {
  if (result.IsKind(0)) return "message";
  if (result.IsKind(1)) return "test";
  if (result.IsKind(2)) return "gate";
  return "other";
}

size_t ForEachRow(TEventsResult& results, const EventFilter& filter, const std::function<void(const ResultRow&)>& each) {
  return forEachRow(results, filter, [&](ResultRow& row) { each(row); });
}

std::vector<ResultRow> CollectRows(TEventsResult& results, const EventFilter& filter) {
  std::vector<ResultRow> rows;
  rows.reserve(static_cast<size_t>(std::max(results.GetCount(), 0)));
  forEachRow(results, filter, [&](ResultRow& row) { rows.push_back(row); });
  return rows;
}

void WriteTable(std::ostream& out, const std::vector<ResultRow>& rows) {
  TableWidths widths;
  for (const ResultRow& r : rows) widths.Take(r);
  Buffer b;
  appendTableHeader(b, widths);
  for (const ResultRow& r : rows) {
    appendTableRow(b, r, widths);
    if (b.size() >= FlushAt) flush(out, b);
  }
  flush(out, b);
}

void WriteCsvHeader(std::ostream& out) { out << "record,time,event,kind,network,details\n"; }

void WriteCsvRow(std::ostream& out, const ResultRow& r) {
  Buffer b;
  appendCsvRow(b, r);
  flush(out, b);
}

void WriteCsv(std::ostream& out, const std::vector<ResultRow>& rows) {
  WriteCsvHeader(out);
  Buffer b;
  for (const ResultRow& r : rows) {
    appendCsvRow(b, r);
    if (b.size() >= FlushAt) flush(out, b);
  }
  flush(out, b);
}

void WriteJson(std::ostream& out, const std::vector<ResultRow>& rows) {
  Buffer b;
  JsonArrayWriter json{b};
  for (const ResultRow& r : rows) {
    json.Row(r);
    if (b.size() >= FlushAt) flush(out, b);
  }
  json.End();
  flush(out, b);
}

void WriteJsonLine(std::ostream& out, const ResultRow& r) {
  Buffer b;
  appendJsonObject(b, r, -1);
  b.push_back('\n');
  flush(out, b);
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
  Buffer b;
  auto stream = [&](auto&& write) {
    return forEachRow(results, filter, [&](ResultRow& row) {
      if (adjust) adjust(row);
      write(row);
      if (b.size() >= FlushAt) flush(out, b);
    });
  };
  size_t written = 0;
  switch (format) {
    case OutputFormat::Csv:
      WriteCsvHeader(out);
      written = stream([&](const ResultRow& r) { appendCsvRow(b, r); });
      break;
    case OutputFormat::JsonLines:
      written = stream([&](const ResultRow& r) {
        appendJsonObject(b, r, -1);
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
      forEachRow(results, filter, [&](ResultRow& row) { widths.Take(row); });
      appendTableHeader(b, widths);
      written = stream([&](const ResultRow& r) { appendTableRow(b, r, widths); });
      break;
    }
  }
  flush(out, b);
  return written;
}

}  // namespace eventscan
