// The reader of record lines against the reference reader: every line of the
// sample logs, the format document's examples, odd and mutated lines make
// the same record, feed and event-table entries with both, or a fault with
// both; single faults read the same text with both. Lines parsed where they
// are in the stream's read buffer read as copies of them do.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <regex>

#include "log/log_reader.h"
#include "log/log_time.h"
#include "log/record_parser.h"
#include "testing/e2e_support.h"
#include "testing/record_compare.h"
#include "testing/record_json.h"

using namespace eventscan;

namespace {

struct Parsed {
  HandsetRecord Record;
  RecordFeed Feed;
  std::vector<EventTableEntry> Events;
  std::vector<DeclaredEvent> Origins;
  std::optional<std::string> Fault;
};

Parsed parse(const std::string& line, const LogHeader& header, bool fast) {
  Parsed p;
  p.Feed = RecordFeed{RecordKind::Measurement, header.DeviceType, 2};
  LineTarget target{p.Record, p.Feed, p.Events, p.Origins, 7};
  try {
    (fast ? ParseRecordLine : ParseRecordReference)(line, header, target);
  } catch (const RecordError& e) {
    p.Fault = e.what();
  }
  return p;
}

// Both readers on one line: the same record field by field, or both faults.
void expectSameReading(const std::string& line, const LogHeader& header) {
  SCOPED_TRACE(line);
  const Parsed a = parse(line, header, true), b = parse(line, header, false);
  ASSERT_EQ(a.Fault.has_value(), b.Fault.has_value())
      << "fast: " << a.Fault.value_or("no fault") << "; reference: " << b.Fault.value_or("no fault");
  if (a.Fault) return;
  ExpectSameRecord(a.Record, b.Record);
  EXPECT_EQ(a.Feed.Kind, b.Feed.Kind);
  EXPECT_EQ(a.Feed.DeviceType, b.Feed.DeviceType);
  ASSERT_EQ(a.Events.size(), b.Events.size());
  for (size_t i = 0; i < a.Events.size(); ++i) {
    EXPECT_EQ(a.Events[i].EventId, b.Events[i].EventId);
    EXPECT_EQ(a.Events[i].RecordIndex, b.Events[i].RecordIndex);
    EXPECT_EQ(a.Origins[i].ItemIndex, b.Origins[i].ItemIndex);
    EXPECT_EQ(a.Origins[i].RecordGiven, b.Origins[i].RecordGiven);
  }
}

LogHeader headerOf(uint8_t network) {
  LogHeader h;
  h.Version = 1;
  h.Network = network;
  h.DeviceType = 3;
  return h;
}

std::vector<std::string> recordLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t pos = text.find('\n') + 1, end; pos < text.size(); pos = end + 1) {
    end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    if (end > pos) lines.push_back(text.substr(pos, end - pos));
  }
  return lines;
}

// Lines where the order of keys, number forms, defaults or duplicates could
// tell the readers apart.
const std::vector<std::string> OddLines = {
    R"({"msg": "Setup", "net": "UMTS", "time": "2026-03-14T10:00:01.5"})",
    R"({"items": [{"id": 54}, {"id": 9, "time": 46095.25}], "time": "2026-03-14T10:00:01.250"})",
    R"({"time": "2026-03-14T10:00:01.250", "items": [{"text": "T", "id": 163, "extra": "0102"}]})",
    R"({"time": "2026-03-14T10:00:01.250", "items": [{"extra": [1, 2, 255], "id": 12}]})",
    R"({"time": -0, "order_time": 0.0})",
    R"({"time": -0.0, "order_time": 1e2})",
    R"({"time": 9223372036854775807, "order_time": 18446744073709551615})",
    R"({"time": 18446744073709551616, "order_time": -9223372036854775809})",
    R"({"time": 1e400})",
    R"({"time": 46095.416680000000001, "order_time": 4.6095416680e4})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 18446744073709551616})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 4294967296})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 4294967295, "sub_type": 255})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 1.0})",
    R"({"time": "2026-03-14T10:00:01.250", "vendor": 9223372036854775808})",
    R"({"t\u0069me": "2026-03-14T10:00:01.250", "fields": {"RxLev\u0053ub": -70}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"rxlevsub": -99, "RxLevSub": -70, "3": 5}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": -70, "BCCH": 1, "BSIC": 2}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSubb": "any", "RxLevSub": -70, "Zz": [1]}, "code": 5})",
    // An unknown name passed over does not make a value that is no JSON pass.
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"Lo&gitude": 121/475818, "RxLevSub": -70}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"Zz": {"a": [1, tru]}, "RxLevSub": -70}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"Zz": {"a": [1, null, "\u00e9", false, -2.5e3]}}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": -70, "BCCH": 1, "BCCH": 2}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": -70, "BCCH": 1, "BCCH": 2}})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": -70, "RxLevSub": -71}})",
    R"({"time": "2026-03-14T10:00:01.250", "time": "2026-03-14T10:00:02.250"})",
    R"({"time": "2026-03-14T10:00:01.250", "items": [{"id": 1, "id": 2}]})",
    R"({"time": "2026-03-14T10:00:01.250", "events": [{"id": 58, "item": 1, "item": 2}]})",
    R"({"time": "2026-03-14T10:00:01.250", "ie": {"cause": 1, "cause": 2}})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"psc_list": [1, 2], "cause": [16, 2], "0x02": "FF", "2": []}})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"cm_service_type": [1]}})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"baton_handover": false, "cdma_cause": 65535}})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"handoff_direction": "0011", "0x0": "00", "-1": "00"}})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"255": [1, 2, 3], "0xff": ""}, "bytes": [7, 8]})",
    R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"psc_added": [1, 2, 3, 4, 5, 6, 7, 8, 9]}})",
    R"({"time": "2026-03-14T10:00:01.250", "code": "0x412F0001", "msg": "Setup"})",
    R"({"time": "2026-03-14T10:00:01.250", "msg": ""})",
    R"({"time": "2026-03-14T10:00:01.250", "mode": "dedicated", "skip": false, "device": 255, "kind": "trace"})",
    R"({"time": "2026-03-14T10:00:01.250", "mode": true})",
    R"({"time": "2026-03-14T10:00:01.250", "net": "wcdma", "msg": "rrc connection request"})",
    R"({"time": "2026-03-14T10:00:01.250"} {"time": "2026-03-14T10:00:01.250"})",
    R"({"time": "2026-03-14T10:00:01.250"}])",
    R"({"time": "2026-03-14T10:00:01.250",})",
    R"({"time": "2026-03-14T10:00:01.250", "skip": tru})",
    R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": 01}})",
    R"({"time": "2026-03-14T10:00:01.250", "items": [{"id": 163, "text": "tab\tinside"}]})",
    R"({"time": "2026-03-14T10:00:01.250", "items": [{"id": 163, "text": "\ud800"}]})",
    R"({"time": "2026-03-14T10:00:01.250", "items": [{"id": 163, "text": "caf\u00e9 \"q\" \\"}]})",
    "{\"time\": \"2026-03-14T10:00:01.250\", \"items\": [{\"id\": 163, \"text\": \"caf\xc3\xa9\"}]}",
    "{\"time\": \"2026-03-14T10:00:01.250\", \"items\": [{\"id\": 163, \"text\": \"caf\xe9\"}]}",
    "{\"time\": \"2026-03-14T10:00:01.250\", \"items\": [{\"id\": 163, \"text\": \"\xed\xa0\x80\"}]}",
    "{\"time\": \"2026-03-14T10:00:01.250\", \xff}",
    std::string("{\"time\": \"2026-03-14T10:00:01.250\", \"items\": [{\"id\": 163, \"text\": \"a\0b\"}]}", 70),
    R"([1, 2, 3])",
    R"("text")",
    R"({})",
    "",
};

}  // namespace

TEST(RecordParser, AgreesWithTheReferenceOnSampleDocumentOddAndMutatedLines) {
  std::vector<std::pair<uint8_t, std::string>> lines;  // network, line
  const std::pair<const char*, uint8_t> samples[] = {{"gsm", 0}, {"cdma", 1}, {"umts", 2}, {"tdscdma", 3}};
  for (const auto& [name, network] : samples)
    for (std::string& line : recordLines(e2e::ReadFile(e2e::SampleLog(name)))) lines.emplace_back(network, line);
  const size_t sampleLines = lines.size();
  ASSERT_GT(sampleLines, 1000u);

  std::string doc = e2e::ReadFile(e2e::SourceDir() / "docs" / "log-format.md");
  std::regex block("```json\\n([^`]*)```");
  for (auto it = std::sregex_iterator(doc.begin(), doc.end(), block); it != std::sregex_iterator(); ++it) {
    std::string body = (*it)[1];
    for (size_t pos = 0, end; pos < body.size(); pos = end + 1) {
      end = body.find('\n', pos);
      std::string line = body.substr(pos, end - pos);
      if (line.rfind("{\"time\"", 0) == 0) lines.emplace_back(0, line);
    }
  }
  for (const std::string& line : OddLines) lines.emplace_back(0, line);

  // Mutations of sample lines: a byte dropped, doubled, replaced by one that
  // matters to JSON or to our keys, or the line cut short.
  std::mt19937 random(20260314);
  const std::string bytes = "{}[]\",:-.e0159 \\xtT\xff\xc3";
  for (int i = 0; i < 600; ++i) {
    auto [network, line] = lines[random() % sampleLines];
    const size_t at = random() % line.size();
    switch (random() % 4) {
      case 0: line.erase(at, 1); break;
      case 1: line.insert(at, 1, line[at]); break;
      case 2: line[at] = bytes[random() % bytes.size()]; break;
      default: line.resize(at); break;
    }
    lines.emplace_back(network, line);
  }

  size_t faults = 0;
  for (const auto& [network, line] : lines) {
    expectSameReading(line, headerOf(network));
    if (parse(line, headerOf(network), true).Fault) ++faults;
    if (HasFatalFailure()) return;
  }
  EXPECT_GT(faults, 100u) << "the mutations should break many lines";
  EXPECT_LT(faults, lines.size() - sampleLines) << "and leave many readable";
}

// Integers of every length and shape, as values of fields, list elements and
// item identifiers, with and without white space after them: the same record
// or fault as the reference reader, and the values the text gives.
TEST(RecordParser, IntegersOfEveryShapeReadAsTheReferenceReadsThem) {
  const std::vector<std::pair<std::string, std::optional<int32_t>>> values = {
      {"0", 0}, {"-0", 0}, {"7", 7}, {"-7", -7}, {"10", 10}, {"-83", -83}, {"10750", 10750},
      {"1234567", 1234567}, {"12345678", 12345678}, {"-12345678", -12345678}, {"31230487", 31230487},
      {"123456789", 123456789}, {"121473698", 121473698}, {"1000000000", 1000000000},
      {"2147483647", 2147483647}, {"-2147483648", INT32_MIN}, {"2147483648", std::nullopt},
      {"-2147483649", std::nullopt}, {"9999999999999999", std::nullopt}, {"99999999999999999", std::nullopt},
      {"-12345678901234567890", std::nullopt}, {"007", std::nullopt}, {"-01", std::nullopt}, {"00", std::nullopt},
      {"-", std::nullopt}, {"--1", std::nullopt}, {"+1", std::nullopt}, {"1.5", std::nullopt}, {"1e2", std::nullopt},
      {"1E2", std::nullopt}, {"2.0", std::nullopt}, {"5x", std::nullopt}, {"12a4", std::nullopt},
      {"1 2", std::nullopt}, {"0x10", std::nullopt}, {"1/2", std::nullopt}, {"true", std::nullopt},
      {"\"12\"", std::nullopt}};
  const LogHeader header = headerOf(0);
  for (const auto& [text, expected] : values)
    for (const std::string after : {"", " ", "\t", "  "}) {
      const std::string field = R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": )" + text + after +
                                R"(, "BCCH": )" + text + after + "}}";
      expectSameReading(field, header);
      const Parsed got = parse(field, header, true);
      EXPECT_EQ(got.Fault.has_value(), !expected.has_value()) << field;
      if (expected && !got.Fault) {
        ASSERT_EQ(got.Record.Fields.size(), 2u) << field;
        EXPECT_EQ(got.Record.Fields[0].second, *expected) << field;
        EXPECT_EQ(got.Record.Fields[1].second, *expected) << field;
      }
      expectSameReading(R"({"time": "2026-03-14T10:00:01.250", "code": 5, "ie": {"psc_list": [)" + text + after +
                            ", " + text + after + "]}}",
                        header);
      expectSameReading(R"({"time": "2026-03-14T10:00:01.250", "items": [{"id": )" + text + after + "}]}", header);
      expectSameReading(R"({"time": "2026-03-14T10:00:01.250", "device": )" + text + after + "}", header);
      if (HasFatalFailure()) return;
    }
}

TEST(RecordParser, BothReadersWordSingleFaultsAlike) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {R"({"time": "2026-03-14T10:00:01", "time": "2026-03-14T10:00:02"})", "\"time\" is given twice"},
      {R"({"time": "2026-03-14T10:00:01", "fields": {"BCCH": 1, "BCCH": 2}})", "fields: \"BCCH\" is given twice"},
      {R"({"time": "2026-03-14T10:00:01", "fields": {"RxLevSub": -70, "rxlevsub": -99}})",
       "fields: \"RxLevSub\" and \"rxlevsub\" are the same field"},
      {R"({"time": "2026-03-14T10:00:01", "fields": {"3": -70, "BCCH": 1, "RXLEVSUB": -99}})",
       "fields: \"3\" and \"RXLEVSUB\" are the same field"},
      {R"({"time": "2026-03-14T10:00:01", "items": [{"id": 1, "id": 2}]})", "items: \"id\" is given twice"},
      {R"({"time": "2026-03-14T10:00:01", "events": [{"id": 58, "record": 1, "record": 2}]})",
       "events: \"record\" is given twice"},
      {R"({"time": "2026-03-14T10:00:01", "ie": {"cause": 1, "cause": 2}})", "ie: \"cause\" is given twice"},
      {"{\"time\": \"2026-03-14T10:00:01\", \"items\": [{\"id\": 163, \"text\": \"caf\xe9\"}]}",
       "invalid UTF-8 in a string at column 67"},
      {"{\"time\": \"2026-03-14T10:00:01\"\xff}", "invalid UTF-8 in the line at column 31"},
      {R"({"time": 1.5e999})", "not valid JSON"},
      {std::string("{\"time\": \"2026-03-14T10:00:01\"}\0\0 \"kind\"", 36), "a NUL byte at column 32"},
      {R"({"time": "2026-03-14T10:00:01", "code": "0x412F0001" oops})", "not valid JSON"},
      {R"({"time": "2026-03-14T10:00:01"} 5)", "not valid JSON"},
      {R"({"time": "2026-03-14T10:00:01", "code": 4294967296})", "code: 4294967296 is outside 0..4294967295"},
      {R"({"time": "2026-03-14T10:00:01", "code": 1.5})", "code: expected text"},
      {R"({"time": "2026-03-14T10:00:01", "vendor": 18446744073709551615})",
       "vendor: 9223372036854775807 is outside 0..255"},
      {R"({"time": "2026-03-14T10:00:01", "ie": {"new_uarfcn": [1]}})", "ie.new_uarfcn: expected an integer"},
      {R"({"time": "2026-03-14T10:00:01", "ie": {"psc_list": [1, 2, 3, 4, 5, 6, 7, 8, 9]}})",
       "ie.psc_list: expected 0 to 8 values, got 9"},
      {R"({"time": "2026-03-14T10:00:01", "ie": {"0x100": "00"}})", "ie: unknown element \"0x100\""},
      {R"({"time": "2026-03-14T10:00:01", "items": [{"id": 1, "text": 5}]})", "items: unknown key \"text\""},
      {R"({"time": "2026-03-14T10:00:01", "items": [{"time": "2026-03-14T10:00:01"}]})",
       "items: every item needs an \"id\""},
      {R"({"time": "2026-03-14T10:00:01", "events": [{"id": 1, "item": 255}]})", "events.item: 255 is outside -1..254"},
      {R"({"time": "2026-03-14T10:00:01", "skip": 1})", "skip: expected true or false"},
      {R"({"time": null})", "time: expected ISO 8601 text or a day count"},
      {R"({"time": "2026-03-14T10:00:01", "order_time": "2026-03-14T25:00:01.000"})",
       "order_time: \"2026-03-14T25:00:01.000\" is not an ISO 8601 time"},
      {R"({"time": "2026-03-14T10:00:01", "net": "NR"})", "net: unknown network \"NR\""},
      {R"({"time": "2026-03-14T10:00:01", "kind": "message", "net": "UMTS"})", "needs a \"code\" or a \"msg\""},
      {R"({"time": "2026-03-14T10:00:01", "msg": "Setup", "net": "CDMA"})", "no message \"Setup\" in the CDMA catalogue"},
  };
  for (const auto& [line, reason] : cases) {
    SCOPED_TRACE(line);
    for (bool fast : {true, false}) {
      const Parsed p = parse(line, headerOf(0), fast);
      ASSERT_TRUE(p.Fault) << (fast ? "fast" : "reference") << " reader took the line";
      EXPECT_NE(p.Fault->find(reason), std::string::npos) << (fast ? "fast: " : "reference: ") << *p.Fault;
    }
  }
}

// The reader keeps one buffer per thread: a short line after a long one must
// not read the long one's leftovers, and a line needs no slack after it.
TEST(RecordParser, LinesNeedNoPaddingAndLeaveNothingBehind) {
  const std::string longLine = R"({"time": "2026-03-14T10:00:01.250", "items": [{"id": 163, "text": ")" +
                               std::string(5000, 'x') + R"("}], "fields": {"RxLevSub": -70}})";
  EXPECT_FALSE(parse(longLine, headerOf(0), true).Fault);
  // A line that is a prefix of the long one, cut inside a string: the bytes
  // after it in the buffer would close the string and the object.
  const std::string cut = longLine.substr(0, 80);
  const Parsed p = parse(cut, headerOf(0), true);
  ASSERT_TRUE(p.Fault);
  EXPECT_NE(p.Fault->find("not valid JSON"), std::string::npos) << *p.Fault;
  // A line at the very end of a block of memory (no bytes after it).
  const std::string line = R"({"time": "2026-03-14T10:00:01.250", "fields": {"RxLevSub": -70}})";
  std::vector<char> exact(line.begin(), line.end());
  Parsed q;
  LineTarget target{q.Record, q.Feed, q.Events, q.Origins, 0};
  ParseRecordLine(std::string_view(exact.data(), exact.size()), headerOf(0), target);
  EXPECT_EQ(q.Record.Field(3), -70);
}

// Times in the usual layout take a reader of fixed positions that remembers
// the last date; written with fewer decimals they take the general reader.
// Both must give the same days to the bit, and a bad date must not slip
// through the remembered one.
TEST(RecordParser, FixedLayoutTimesGiveTheDaysOfTheGeneralReader) {
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    const int year = 1900 + static_cast<int>(random() % 300), month = 1 + static_cast<int>(random() % 12);
    const int day = 1 + static_cast<int>(random() % 28), hour = static_cast<int>(random() % 24);
    const int minute = static_cast<int>(random() % 60), second = static_cast<int>(random() % 60);
    const int tenths = static_cast<int>(random() % 10);
    char fixed[40], general[40];
    std::snprintf(fixed, sizeof fixed, "%04d-%02d-%02dT%02d:%02d:%02d.%d00", year, month, day, hour, minute, second,
                  tenths);
    std::snprintf(general, sizeof general, "%04d-%02d-%02d %02d:%02d:%02d.%d", year, month, day, hour, minute, second,
                  tenths);
    const auto a = ParseIsoTime(fixed), b = ParseIsoTime(general);
    ASSERT_TRUE(a && b) << fixed;
    ASSERT_TRUE(SameBits(*a, *b)) << fixed << " " << *a << " " << *b;
  }
  const std::pair<const char*, bool> sequence[] = {
      {"2024-02-29T10:00:00.000", true},  {"2024-02-29T23:59:59.999", true}, {"2025-02-29T10:00:00.000", false},
      {"2026-02-28T10:00:00.000", true},  {"2026-02-30T10:00:00.000", false}, {"2026-02-28T24:00:00.000", false},
      {"2026-02-28T10:60:00.000", false}, {"2026-02-28T10:00:00.0a0", false}, {"2026-02-28X10:00:00.000", false},
      {"2026-02-28 10:00:00.000", true},  {"2026-13-28T10:00:00.000", false}, {"2026-02-28T10:00:00.000Z", false},
  };
  for (const auto& [text, valid] : sequence) EXPECT_EQ(ParseIsoTime(text).has_value(), valid) << text;
}

namespace {

// A line parsed from a copy of it, as lines read again and lines of other
// sources are: the stream's own lines are parsed in its read buffer.
void copiedLine(std::string_view line, const LogHeader& header, LineTarget& target) {
  target.Padded = false;
  ParseRecordLine(line, header, target);
}

// A random log of record lines such as writers make them: odd spacing, keys
// in any order, escapes in keys and texts, missing and unknown keys and
// fields, values at their limits, long lines, CRLF and LF, blank lines, lines
// damaged at a random byte, and sometimes no line end at the end.
std::string randomLog(std::mt19937& random, int lines) {
  auto pick = [&](std::initializer_list<const char*> options) {
    return std::string(options.begin()[random() % options.size()]);
  };
  auto space = [&] { return pick({"", "", "", " ", "  ", "\t", " \t "}); };
  auto member = [&](const std::string& key, const std::string& value) {
    return "\"" + key + "\"" + space() + ":" + space() + value;
  };
  auto object = [&](std::vector<std::string> members) {
    std::shuffle(members.begin(), members.end(), random);
    std::string out = "{" + space();
    for (size_t i = 0; i < members.size(); ++i) out += (i ? space() + "," + space() : "") + members[i];
    return out + space() + "}";
  };
  std::string log = R"({"format": "eventscan-log", "version": 1, "network": "GSM", "device": 7, "start": "2026-03-14T10:00:00"})";
  for (int n = 0; n < lines; ++n) {
    log += random() % 3 ? "\n" : "\r\n";
    if (random() % 20 == 0) log += pick({"", " ", "\t \t"}) + "\n";
    std::vector<std::string> top;
    if (random() % 30) {
      char time[40];
      std::snprintf(time, sizeof time, "\"2026-03-14T%02u:%02u:%02u.%03u\"", unsigned(random() % 24),
                    unsigned(random() % 60), unsigned(random() % 60), unsigned(random() % 1000));
      top.push_back(member(random() % 15 ? "time" : "t\\u0069me",
                           random() % 10 ? std::string(time) : pick({"46095.25", "\"2026-03-14T10:00:01\"", "-0"})));
    }
    std::vector<std::string> fields;
    for (const char* name : {"RxLevSub", "BCCH", "BSIC"})
      if (random() % 5)
        fields.push_back(member(name, random() % 30 ? std::to_string(static_cast<int>(random() % 200) - 120)
                                                    : pick({"2147483647", "-2147483648", "2147483648", "1.5", "\"x\"", "-0", "007",
                                                            "0", "-", "1e2", "12345678", "-123456789", "31230487",
                                                            "9999999999999999", "-12345678901234567", "2147483647.0",
                                                            "121473698 ", "5x"})));
    // Other names of RxLevSub (one field given twice), and names no catalogue has.
    for (const char* name : {"rxlevsub", "RxLev\\u0053ub", "3"})
      if (random() % 40 == 0) fields.push_back(member(name, "-70"));
    for (const char* name : {"Zz", "RxLevSubb"})
      if (random() % 6 == 0) fields.push_back(member(name, pick({"-70", "1.5", "\"x\"", "[1, 2]", "{\"a\": null}", "true"})));
    if (random() % 8) top.push_back(member("fields", object(fields)));
    if (random() % 4 == 0) top.push_back(member("kind", pick({"\"measurement\"", "\"message\"", "\"test\"", "\"x\""})));
    if (random() % 4 == 0) top.push_back(member("code", pick({"\"0x412F0001\"", "1093599233", "1093599233", "4294967296"})));
    if (random() % 6 == 0) {
      std::string text = pick({"caf\\u00e9 \\\"q\\\" \\\\", "tab\\tinside", "plain", "\\ud800"});
      if (random() % 10 == 0) text += std::string(3000 + random() % 3000, 'x');
      top.push_back(member("items", "[" + space() + object({member("id", pick({"163", "54", "70000"})),
                                                             member("text", "\"" + text + "\"")}) + space() + "]"));
    }
    if (random() % 10 == 0) top.push_back(member("skip", pick({"true", "false", "1"})));
    if (random() % 10 == 0) top.push_back(member("device", pick({"0", "255", "256"})));
    if (random() % 25 == 0) top.push_back(member("colour", "\"red\""));
    std::string line = object(top);
    if (random() % 12 == 0) {
      const size_t at = random() % line.size();
      switch (random() % 3) {
        case 0: line.erase(at, 1); break;
        case 1: line[at] = "{}[]\",:-.e05 \\tx"[random() % 16]; break;
        default: line.resize(at); break;
      }
    }
    log += line;
  }
  if (random() % 2) log += "\n";
  return log;
}

std::vector<std::string> faultTexts(const ParsedLog& log) {
  std::vector<std::string> texts;
  for (const LogFault& f : log.Faults) texts.push_back(f.Text());
  for (const LogFault& f : log.Warnings) texts.push_back(f.Text());
  return texts;
}

std::vector<int> faultLines(const ParsedLog& log) {
  std::vector<int> lines;
  for (const LogFault& f : log.Faults) lines.push_back(f.Line);
  return lines;
}

}  // namespace

// Whole logs through the stream, in blocks of several sizes (lines cut by a
// block's end are moved, long lines grow the buffer) and read on one thread
// or two: the records, faults and warnings of lines parsed in the read buffer
// are those of the same lines parsed from copies, and the records and fault
// lines are those of the reference reader.
TEST(RecordParser, LinesParsedInTheReadBufferReadAsCopiesAndAsTheReference) {
  std::mt19937 random(20261208);
  size_t records = 0, faults = 0;
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const std::string text = randomLog(random, 150);
    ReadOptions copied;
    copied.LineReader = copiedLine;
    const ParsedLog expected = ReadLogText(text, "r.jsonl", copied);
    ReadOptions reference;
    reference.LineReader = ParseRecordReference;
    const ParsedLog other = ReadLogText(text, "r.jsonl", reference);
    ASSERT_EQ(expected.Records.size(), other.Records.size());
    EXPECT_EQ(faultLines(expected), faultLines(other));
    for (size_t i = 0; i < expected.Records.size(); ++i) ExpectSameRecord(expected.Records[i], other.Records[i]);
    records += expected.Records.size();
    faults += expected.Faults.size();
    for (size_t block : {size_t(4) << 20, size_t(61), size_t(700), size_t(4096)})
      for (int threads : {1, 2}) {
        SCOPED_TRACE("block " + std::to_string(block) + ", threads " + std::to_string(threads));
        ReadOptions options;
        options.BlockBytes = block;
        options.Threads = threads;
        const ParsedLog got = ReadLogText(text, "r.jsonl", options);
        EXPECT_EQ(faultTexts(got), faultTexts(expected));
        ASSERT_EQ(got.Records.size(), expected.Records.size());
        for (size_t i = 0; i < got.Records.size(); ++i) {
          ExpectSameRecord(got.Records[i], expected.Records[i]);
          EXPECT_EQ(got.Feeds[i].Line, expected.Feeds[i].Line);
          EXPECT_EQ(got.Feeds[i].Kind, expected.Feeds[i].Kind);
          EXPECT_EQ(got.Feeds[i].DeviceType, expected.Feeds[i].DeviceType);
        }
        if (HasFailure()) return;
      }
  }
  // The logs hold both: many records and many kinds of fault.
  EXPECT_GT(records, 800u);
  EXPECT_GT(faults, 100u);
}
