// eventscan's output formats as the tools it is piped into read them: CSV
// fields survive commas, quotes and line breaks (RFC 4180), and JSON Lines
// gives one complete object a line, the same rows as CSV, in the same order.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

// An RFC 4180 reader: fields separated by commas, records by line ends;
// a quoted field may hold commas, line breaks and doubled quotes.
std::vector<std::vector<std::string>> readCsv(const std::string& text) {
  std::vector<std::vector<std::string>> records;
  std::vector<std::string> record;
  std::string field;
  bool quoted = false, wasQuoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      EXPECT_TRUE(field.empty()) << "a quote inside an unquoted field at byte " << i;
      quoted = wasQuoted = true;
    } else if (c == ',') {
      record.push_back(std::move(field));
      field.clear();
      wasQuoted = false;
    } else if (c == '\n' || c == '\r') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      record.push_back(std::move(field));
      records.push_back(std::move(record));
      field.clear();
      record.clear();
      wasQuoted = false;
    } else {
      EXPECT_FALSE(wasQuoted) << "text after a closing quote at byte " << i;
      field += c;
    }
  }
  EXPECT_FALSE(quoted) << "unterminated quoted field";
  if (!field.empty() || !record.empty()) {
    record.push_back(std::move(field));
    records.push_back(std::move(record));
  }
  return records;
}

ResultRow row(std::string event, std::vector<std::string> details) {
  ResultRow r;
  r.RecordIndex = 7;
  r.Time = "2026-03-14 10:00:01.250";
  r.Event = std::move(event);
  r.Kind = "test";
  r.Network = "GSM";
  r.TestEventId = 3;
  r.Details = std::move(details);
  return r;
}

}  // namespace

TEST(OutputFormats, CsvFieldsSurviveCommasQuotesAndLineBreaks) {
  struct Case {
    const char* name;
    std::string event;
    std::vector<std::string> details;
    std::string detailsField;  // what a CSV reader must get back
  };
  const Case cases[] = {
      {"plain", "Call Setup", {"Delay: 1.590 (s)"}, "Delay: 1.590 (s)"},
      {"comma", "Call, Setup", {"Average: 595,951 (bps)"}, "Average: 595,951 (bps)"},
      {"quotes", "Say \"hi\"", {"Text: \"quoted\" and \"\""}, "Text: \"quoted\" and \"\""},
      {"line feed", "Multi", {"first\nsecond"}, "first\nsecond"},
      {"carriage return and line feed", "Multi", {"first\r\nsecond", "third"}, "first\r\nsecond | third"},
      {"lone quote and comma at the ends", "\"", {",", "\""}, ", | \""},
      {"blanks kept", "  padded  ", {"  "}, "  "},
      {"no details", "Empty", {}, ""},
      {"8-bit text", "Zelle \xC3\xBC" "ber", {"\xE2\x82\xAC 5"}, "\xE2\x82\xAC 5"},
  };
  std::vector<ResultRow> rows;
  for (const Case& c : cases) rows.push_back(row(c.event, c.details));
  std::ostringstream out;
  WriteCsv(out, rows);
  auto records = readCsv(out.str());
  ASSERT_EQ(records.size(), rows.size() + 1);
  EXPECT_EQ(records[0], (std::vector<std::string>{"record", "time", "event", "kind", "network", "details"}));
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(records[i + 1], (std::vector<std::string>{"7", "2026-03-14 10:00:01.250", cases[i].event, "test", "GSM",
                                                        cases[i].detailsField}));
  }
}

TEST(OutputFormats, JsonLinesHoldOneObjectALineWithTheRowsOfCsv) {
  e2e::InFreshProcess([] {
    e2e::TempHome home;
    e2e::LoadedLibrary library(home.Path());
    for (const char* name : e2e::SampleNames) {
      SCOPED_TRACE(name);
      ParsedLog log = ReadLog(e2e::SampleLog(name).string());
      HostSession session(*library, log.Header.Network);
      session.Feed(log);
      std::ostringstream csvOut, jsonlOut;
      const size_t csvCount = WriteResults(csvOut, session.Results(), session.Filter(), OutputFormat::Csv);
      const size_t jsonlCount = WriteResults(jsonlOut, session.Results(), session.Filter(), OutputFormat::JsonLines);
      ASSERT_EQ(jsonlCount, csvCount);
      auto csv = readCsv(csvOut.str());
      ASSERT_EQ(csv.size(), csvCount + 1);
      std::istringstream lines(jsonlOut.str());
      std::string line;
      size_t n = 0;
      while (std::getline(lines, line)) {
        ASSERT_LT(n, csvCount);
        auto object = nlohmann::json::parse(line);  // throws on a broken line
        ASSERT_TRUE(object.is_object());
        const auto& fields = csv[n + 1];
        EXPECT_EQ(std::to_string(object.at("record").get<int>()), fields[0]);
        EXPECT_EQ(object.at("time").get<std::string>(), fields[1]);
        EXPECT_EQ(object.at("event").get<std::string>(), fields[2]);
        EXPECT_EQ(object.at("kind").get<std::string>(), fields[3]);
        std::string details;
        for (const auto& d : object.at("details")) details += (details.empty() ? "" : " | ") + d.get<std::string>();
        EXPECT_EQ(details, fields[5]);
        EXPECT_EQ(object.contains("test_id"), fields[3] == "test") << line;
        ++n;
      }
      EXPECT_EQ(n, csvCount);
      EXPECT_GT(n, 0u);
    }
  });
}

TEST(OutputFormats, JsonLinesReplaceBytesThatAreNotUtf8) {
  std::ostringstream out;
  WriteJsonLine(out, row("Bad \xFF byte", {"line\nbreak", "\xC3"}));
  const std::string text = out.str();
  ASSERT_EQ(text.back(), '\n');
  EXPECT_EQ(text.find('\n'), text.size() - 1) << "a line break inside the object splits the line";
  auto object = nlohmann::json::parse(text);
  EXPECT_EQ(object.at("event").get<std::string>(), "Bad \xEF\xBF\xBD byte");
  EXPECT_EQ(object.at("details")[0].get<std::string>(), "line\nbreak");
}

namespace {

// The JSON texts as nlohmann's dump writes them for these rows: what the
// json and jsonl formats have always written.
nlohmann::ordered_json referenceObject(const ResultRow& r) {
  nlohmann::ordered_json o;
  o["record"] = r.RecordIndex;
  o["time"] = r.Time;
  o["event"] = r.Event;
  o["kind"] = r.Kind;
  o["network"] = r.Network;
  if (r.TestEventId >= 0) o["test_id"] = r.TestEventId;
  o["details"] = r.Details;
  return o;
}

std::string referenceDump(const nlohmann::ordered_json& j, int indent) {
  return j.dump(indent, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

}  // namespace

// Escapes, control bytes, well-formed and broken UTF-8 (overlong forms,
// surrogates, code points past U+10FFFF, cut sequences) and random bytes:
// the rows' JSON must stay byte for byte what the reference writer gives.
TEST(OutputFormats, JsonTextsAreTheReferenceWritersBytes) {
  const std::string texts[] = {
      "",
      "Call Setup",
      "quote \" backslash \\ slash /",
      std::string("nul \0 bell \a bs \b ff \f nl \n cr \r tab \t esc \x1b del \x7f", 40),
      "\xC3\xBC \xE2\x82\xAC \xF0\x9F\x93\xB6 \xF4\x8F\xBF\xBF",
      "overlong \xC0\x80 \xC1\xBF \xE0\x80\x80 \xF0\x80\x80\x80",
      "surrogate \xED\xA0\x80 above \xF4\x90\x80\x80 \xF5\x80\x80\x80",
      "cut \xE2\x82",
      "\xC3",
      "lone \x80\xBF continuation",
      "\xFF\xFE",
  };
  std::mt19937 random(11);
  std::vector<std::string> all(std::begin(texts), std::end(texts));
  for (int i = 0; i < 300; ++i) {
    std::string t(random() % 12, ' ');
    for (char& c : t) c = static_cast<char>(random() % 4 == 0 ? 0x80 + random() % 0x80 : random() % 0x80);
    all.push_back(t);
  }
  std::vector<ResultRow> rows;
  for (size_t i = 0; i < all.size(); ++i) {
    ResultRow r = row(all[i], {});
    if (i % 3 == 0) r.Details = {all[(i + 1) % all.size()], all[(i + 2) % all.size()]};
    if (i % 4 == 1) r.Details = {all[(i + 5) % all.size()]};
    r.TestEventId = i % 2 ? -1 : static_cast<int32_t>(i);
    r.RecordIndex = static_cast<int32_t>(i) - 3;
    rows.push_back(r);
  }
  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    std::ostringstream line;
    WriteJsonLine(line, rows[i]);
    ASSERT_EQ(line.str(), referenceDump(referenceObject(rows[i]), -1));
    array.push_back(referenceObject(rows[i]));
  }
  for (size_t count : {size_t{0}, size_t{1}, rows.size()}) {
    SCOPED_TRACE(count);
    std::ostringstream json;
    WriteJson(json, std::vector<ResultRow>(rows.begin(), rows.begin() + static_cast<ptrdiff_t>(count)));
    nlohmann::ordered_json part = nlohmann::ordered_json::array();
    for (size_t i = 0; i < count; ++i) part.push_back(array[i]);
    EXPECT_EQ(json.str(), referenceDump(part, 2));
  }
}

// Every format written straight from the container gives the bytes of the
// rows collected first and written afterwards, the table's column widths
// included, with and without a row adjustment.
TEST(OutputFormats, StreamedResultsMatchCollectedRows) {
  e2e::InFreshProcess([] {
    e2e::TempHome home;
    e2e::LoadedLibrary library(home.Path());
    const RowAdjust shift = [](ResultRow& r) { r.RecordIndex += 1000000; };
    for (const char* name : e2e::SampleNames) {
      ParsedLog log = ReadLog(e2e::SampleLog(name).string());
      HostSession session(*library, log.Header.Network);
      session.Feed(log);
      for (OutputFormat format : {OutputFormat::Table, OutputFormat::Csv, OutputFormat::Json, OutputFormat::JsonLines})
        for (bool adjusted : {false, true}) {
          SCOPED_TRACE(std::string(name) + " format " + std::to_string(static_cast<int>(format)) +
                       (adjusted ? " adjusted" : ""));
          std::vector<ResultRow> rows = CollectRows(session.Results(), session.Filter());
          if (adjusted)
            for (ResultRow& r : rows) shift(r);
          std::ostringstream collected, streamed;
          WriteRows(collected, rows, format);
          EXPECT_EQ(WriteResults(streamed, session.Results(), session.Filter(), format, adjusted ? shift : RowAdjust{}),
                    rows.size());
          EXPECT_EQ(streamed.str(), collected.str());
          EXPECT_GT(rows.size(), 0u);
        }
    }
  });
}
