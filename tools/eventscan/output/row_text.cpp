#include "output/row_text.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include <nlohmann/json.hpp>

#include "support/text_escape.h"

namespace eventscan {
namespace {

void append(RowBuffer& b, std::string_view text) { b.append(text.data(), text.data() + text.size()); }

void indent(RowBuffer& b, int count) { append(b, std::string_view("        ", static_cast<size_t>(count))); }

// The row's details as one text, " | " between the lines.
struct Joined {
  const std::vector<std::string>& Lines;
};

// One pass over the field's bytes without an exit per byte, so that the
// compiler can take them several at a time: find_first_of with a set of four
// searches the set once for every byte of the field, which cost the writer of
// every row a library call per character of its detail text.
bool needsCsvQuotes(std::string_view text) {
  bool special = false;
  for (const char c : text) special |= (c == ',') | (c == '"') | (c == '\r') | (c == '\n');
  return special;
}

void appendCsvText(RowBuffer& b, std::string_view text) {
  for (char c : text) {
    if (c == '"') b.push_back('"');
    b.push_back(c);
  }
}

void appendCsvField(RowBuffer& b, std::string_view text) {
  if (!needsCsvQuotes(text)) return append(b, text);
  b.push_back('"');
  appendCsvText(b, text);
  b.push_back('"');
}

void appendCsvField(RowBuffer& b, Joined joined) {
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
void appendJsonString(RowBuffer& b, std::string_view text) {
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

constexpr std::string_view TableLayout = "{:>7}  {:<23}  {:<{}}  {:<{}}  {:<8}  {}\n";

}  // namespace

void AppendCsvField(RowBuffer& b, std::string_view text) { appendCsvField(b, text); }

void FlushRows(std::ostream& out, RowBuffer& b) {
  out.write(b.data(), static_cast<std::streamsize>(b.size()));
  b.clear();
}

void AppendCsvRow(RowBuffer& b, const ResultRow& r) {
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

void AppendJsonObject(RowBuffer& b, const ResultRow& r, int depth) {
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

// The table goes to a terminal: names and details from the log are shown
// with their control characters escaped.
void TableWidths::Take(const ResultRow& r) {
  Event = std::max(Event, TerminalText(r.Event).size());
  Kind = std::max(Kind, r.Kind.size());
}

void AppendTableHeader(RowBuffer& b, const TableWidths& w) {
  fmt::format_to(std::back_inserter(b), TableLayout, "record", "time", "event", w.Event, "kind", w.Kind, "network",
                 "details");
}

void AppendTableRow(RowBuffer& b, const ResultRow& r, const TableWidths& w) {
  std::string details;
  for (size_t i = 0; i < r.Details.size(); ++i) (details += i ? " | " : "") += r.Details[i];
  fmt::format_to(std::back_inserter(b), TableLayout, r.RecordIndex, r.Time, TerminalText(r.Event), w.Event, r.Kind,
                 w.Kind, r.Network, TerminalText(details));
}

void JsonArrayWriter::Row(const ResultRow& r) {
  append(B, Any ? ",\n  " : "[\n  ");
  Any = true;
  AppendJsonObject(B, r, 2);
}

void JsonArrayWriter::End() { append(B, Any ? "\n]\n" : "[]\n"); }

}  // namespace eventscan
