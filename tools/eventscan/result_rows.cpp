#include "result_rows.h"

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "log_time.h"
#include "networks.h"

namespace eventscan {
namespace {

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    if (!out.empty()) out += " | ";
    out += line;
  }
  return out;
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + '"';
}

}  // namespace

std::string KindWord(TEventResult& result) {
  if (result.IsKind(0)) return "message";
  if (result.IsKind(1)) return "test";
  if (result.IsKind(2)) return "gate";
  return "other";
}

size_t ForEachRow(TEventsResult& results, const EventFilter& filter, const std::function<void(const ResultRow&)>& each) {
  const std::string network = NetworkName(results.GetNetType());
  const int32_t count = results.GetCount();
  size_t accepted = 0;
  ResultRow row;
  for (int32_t i = 0; i < count; ++i) {
    TEventResult* r = results.GetResult(i);
    if (!r) continue;
    row.Event.clear();
    r->GetEventName(row.Event);
    row.TestEventId = r->GetTestEventId();
    if (!filter.AcceptsRow(row.TestEventId, row.Event)) continue;
    row.RecordIndex = r->RecordIndex;
    row.Time = TimeText(r->GetTime());
    row.Kind = KindWord(*r);
    row.Network = network;
    row.Details.clear();
    if (r->HasDetails() && r->Details)
      for (const TResultDetail& d : *r->Details) row.Details.push_back(d.Text);
    each(row);
    ++accepted;
  }
  return accepted;
}

std::vector<ResultRow> CollectRows(TEventsResult& results, const EventFilter& filter) {
  std::vector<ResultRow> rows;
  rows.reserve(static_cast<size_t>(std::max(results.GetCount(), 0)));
  ForEachRow(results, filter, [&](const ResultRow& row) { rows.push_back(row); });
  return rows;
}

void WriteTable(std::ostream& out, const std::vector<ResultRow>& rows) {
  size_t eventWidth = 5, kindWidth = 4;
  for (const ResultRow& r : rows) {
    eventWidth = std::max(eventWidth, r.Event.size());
    kindWidth = std::max(kindWidth, r.Kind.size());
  }
  out << fmt::format("{:>7}  {:<23}  {:<{}}  {:<{}}  {:<8}  {}\n", "record", "time", "event", eventWidth, "kind",
                     kindWidth, "network", "details");
  for (const ResultRow& r : rows)
    out << fmt::format("{:>7}  {:<23}  {:<{}}  {:<{}}  {:<8}  {}\n", r.RecordIndex, r.Time, r.Event, eventWidth,
                       r.Kind, kindWidth, r.Network, joined(r.Details));
}

void WriteCsvHeader(std::ostream& out) { out << "record,time,event,kind,network,details\n"; }

void WriteCsvRow(std::ostream& out, const ResultRow& r) {
  out << r.RecordIndex << ',' << csvField(r.Time) << ',' << csvField(r.Event) << ',' << csvField(r.Kind) << ','
      << csvField(r.Network) << ',' << csvField(joined(r.Details)) << '\n';
}

void WriteCsv(std::ostream& out, const std::vector<ResultRow>& rows) {
  WriteCsvHeader(out);
  for (const ResultRow& r : rows) WriteCsvRow(out, r);
}

namespace {

nlohmann::ordered_json jsonOf(const ResultRow& r) {
  nlohmann::ordered_json row;
  row["record"] = r.RecordIndex;
  row["time"] = r.Time;
  row["event"] = r.Event;
  row["kind"] = r.Kind;
  row["network"] = r.Network;
  if (r.TestEventId >= 0) row["test_id"] = r.TestEventId;
  row["details"] = r.Details;
  return row;
}

}  // namespace

void WriteJson(std::ostream& out, const std::vector<ResultRow>& rows) {
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  for (const ResultRow& r : rows) all.push_back(jsonOf(r));
  // Detail texts are 8-bit; bytes that are not UTF-8 are replaced, not fatal.
  out << all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

void WriteJsonLine(std::ostream& out, const ResultRow& r) {
  out << jsonOf(r).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
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

size_t WriteResults(std::ostream& out, TEventsResult& results, const EventFilter& filter, OutputFormat format,
                    const RowAdjust& adjust) {
  auto adjusted = [&](const ResultRow& r, auto&& write) {
    if (!adjust) return write(r);
    ResultRow copy = r;
    adjust(copy);
    write(copy);
  };
  switch (format) {
    case OutputFormat::Csv:
      WriteCsvHeader(out);
      return ForEachRow(results, filter,
                        [&](const ResultRow& r) { adjusted(r, [&](const ResultRow& a) { WriteCsvRow(out, a); }); });
    case OutputFormat::JsonLines:
      return ForEachRow(results, filter,
                        [&](const ResultRow& r) { adjusted(r, [&](const ResultRow& a) { WriteJsonLine(out, a); }); });
    case OutputFormat::Table:
    case OutputFormat::Json: break;
  }
  std::vector<ResultRow> rows = CollectRows(results, filter);
  if (adjust)
    for (ResultRow& r : rows) adjust(r);
  WriteRows(out, rows, format);
  return rows.size();
}

}  // namespace eventscan
