// The log reader: both record readers agree, faults name their line, the
// information elements land in the message bytes, the documented examples read.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "log/log_time.h"
#include "testing/e2e_support.h"
#include "testing/record_compare.h"
#include "testing/record_json.h"

using namespace eventscan;

namespace {

const std::string Header =
    R"({"format": "eventscan-log", "version": 1, "network": "GSM", "device": 7, "start": "2026-03-14T10:00:00"})";

ParsedLog readLines(const std::vector<std::string>& lines, ReadOptions options = {}) {
  std::string text = Header + "\n";
  for (const std::string& l : lines) text += l + "\n";
  return ReadLogText(text, "test.jsonl", options);
}

void expectSameRecords(const ParsedLog& a, const ParsedLog& b) {
  ASSERT_EQ(a.Records.size(), b.Records.size());
  for (size_t i = 0; i < a.Records.size(); ++i) {
    const HandsetRecord &x = a.Records[i], &y = b.Records[i];
    SCOPED_TRACE("record " + std::to_string(i) + " (line " + std::to_string(a.Feeds[i].Line) + ")");
    ExpectSameRecord(x, y);
    EXPECT_EQ(x.ExtraPool, y.ExtraPool);
    EXPECT_EQ(a.Feeds[i].Kind, b.Feeds[i].Kind);
    EXPECT_EQ(a.Feeds[i].DeviceType, b.Feeds[i].DeviceType);
  }
  ASSERT_EQ(a.Events.size(), b.Events.size());
  for (size_t i = 0; i < a.Events.size(); ++i) {
    EXPECT_EQ(a.Events[i].EventId, b.Events[i].EventId);
    EXPECT_EQ(a.Events[i].RecordIndex, b.Events[i].RecordIndex);
    EXPECT_EQ(a.EventOrigins[i].DeclaredBy, b.EventOrigins[i].DeclaredBy);
  }
}

}  // namespace

TEST(LogReader, FastAndFullReadersAgreeOnSampleLogsAndOddLines) {
  ReadOptions full;
  full.LineReader = ParseRecordReference;
  for (const char* name : e2e::SampleNames) {
    SCOPED_TRACE(name);
    ParsedLog fast = ReadLog(e2e::SampleLog(name).string());
    ParsedLog slow = ReadLog(e2e::SampleLog(name).string(), full);
    EXPECT_TRUE(fast.Faults.empty()) << fast.Faults.front().Text();
    EXPECT_GT(fast.Records.size(), 300u);
    expectSameRecords(fast, slow);
  }
  // Lines where key order, number forms or defaults could tell the readers apart.
  std::vector<std::string> odd = {
      R"({"msg": "Setup", "net": "UMTS", "time": "2026-03-14T10:00:01.5"})",
      R"({"time": 46095.5, "code": 19862273, "kind": "message", "mode": 2, "vendor": 7, "device": 26})",
      R"({"time": "2026-03-14 10:00:02.000", "order_time": "2026-03-14T10:00:02.001", "fields": {"17": 10700, "rxlevsub": -99}})",
      R"({ "time" : "2026-03-14T10:00:03.000" , "sub_type" : 3 , "msg" : "Alerting" , "skip" : true })",
      R"({"time": "2026-03-14T10:00:04.000", "fields": {}, "kind": "trace", "vendor": 17})",
      R"({"time": "2026-03-14T10:00:05.000", "msg": "Measurement Report [RR]", "mode": "dedicated"})",
      R"({"time": "2026-03-14T10:00:06.000", "msg": "Disconnect", "ie": {"cause": [16, 3]}, "items": [{"id": 56, "extra": "00000000"}]})",
  };
  ParsedLog fast = readLines(odd), slow = readLines(odd, full);
  EXPECT_TRUE(fast.Faults.empty()) << fast.Faults.front().Text();
  expectSameRecords(fast, slow);
  EXPECT_EQ(fast.Records[0].NetType, 2);  // "net" after "msg" still decides the catalogue
  EXPECT_EQ(fast.Records[0].MessageCode, nas::Setup);
  EXPECT_EQ(fast.Records[1].MessageInfo, 0x02070000u);
  EXPECT_EQ(fast.Feeds[1].DeviceType, 26);
  EXPECT_EQ(fast.Feeds[2].DeviceType, 7);
  EXPECT_EQ(fast.Records[2].Field(3), -99);
  EXPECT_EQ(fast.Feeds[4].Kind, RecordKind::Trace);
  EXPECT_EQ(fast.Records[5].MessageCode, gsm::MeasurementReport);
}

TEST(LogReader, MalformedLinesAreReportedWithTheirLineAndSkipped) {
  struct Case {
    std::string line;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {R"({"time": "2026-03-14T10:00:01.000", "code": "0x012F1305" oops})", "not valid JSON"},
      {R"({"code": "0x012F1305"})", "no \"time\""},
      {R"({"time": "2026-02-30T10:00:00"})", "not an ISO 8601 time"},
      {R"({"time": "2026-03-14T10:00:01", "msg": "No Such Message"})", "no message \"No Such Message\" in the GSM"},
      {R"({"time": "2026-03-14T10:00:01", "code": "0xZZ"})", "not a 32-bit message code"},
      {R"({"time": "2026-03-14T10:00:01", "feilds": {"RxLevSub": -70}})", "unknown key \"feilds\""},
      {R"({"time": "2026-03-14T10:00:01", "fields": {"RxLevSub": -70, "rxlevsub": -71}})", "are the same field"},
      {R"({"time": "2026-03-14T10:00:01", "fields": {"RxLevSub": -70.5}})", "expected an integer"},
      {R"({"time": "2026-03-14T10:00:01", "items": [{"id": 12, "extra": "ABC"}]})", "expected hex text"},
      {R"({"time": "2026-03-14T10:00:01", "kind": "message"})", "needs a \"code\" or a \"msg\""},
      {R"({"time": "2026-03-14T10:00:01", "ie": {"target_cell": [1]}})", "expected 2 to 2 values"},
      {R"({"time": "2026-03-14T10:00:01", "ie": {"colour": 1}})", "unknown element \"colour\""},
      {R"({"time": "2026-03-14T10:00:01", "events": [{"id": 58, "record": 99}]})", "record 99 is not in the log"},
      {R"([1, 2, 3])", "must be a JSON object"},
  };
  const std::string good = R"({"time": "2026-03-14T10:00:00.500", "fields": {"RxLevSub": -70}})";
  std::vector<std::string> lines;
  for (const Case& c : cases) {
    lines.push_back(good);
    lines.push_back(c.line);
  }
  ParsedLog log = readLines(lines);
  EXPECT_EQ(log.Records.size(), cases.size() + 1);  // the entry's own record stays, without the entry
  ASSERT_EQ(log.Faults.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].line);
    EXPECT_EQ(log.Faults[i].Line, static_cast<int>(2 * i + 3));
    EXPECT_EQ(log.Faults[i].File, "test.jsonl");
    EXPECT_NE(log.Faults[i].Reason.find(cases[i].reason), std::string::npos) << log.Faults[i].Reason;
  }
  EXPECT_TRUE(log.Events.empty());

  ReadOptions strict;
  strict.Strict = true;
  ParsedLog stopped = readLines(lines, strict);
  EXPECT_TRUE(stopped.Stopped);
  EXPECT_EQ(stopped.Records.size(), 1u);
  ASSERT_EQ(stopped.Faults.size(), 1u);
  EXPECT_EQ(stopped.Faults[0].Line, 3);
}

TEST(LogReader, HeaderFaultsMakeTheLogUnreadable) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "the log is empty"},
      {R"({"time": "2026-03-14T10:00:00"})", "not an eventscan-log header"},
      {R"({"format": "eventscan-log", "version": 2, "network": "GSM"})", "unsupported log version 2"},
      {R"({"format": "eventscan-log", "version": 1})", "names no \"network\""},
      {R"({"format": "eventscan-log", "version": 1, "network": "GSM", "device": 300})", "device type 0..255"},
      // One of two values would be lost: the one the reader looks up, or the
      // one a person reads first.
      {R"({"format": "eventscan-log", "version": 1, "network": "GSM", "network": "UMTS"})", "\"network\" is given twice"},
      {R"({"format": "eventscan-log", "version": 1, "network": "GSM", "Network": "UMTS"})",
       "\"Network\" is given twice (also as \"network\")"},
      {R"({"format": "eventscan-log", "Version": 2, "version": 1, "network": "GSM"})", "given twice"},
  };
  for (const auto& [header, reason] : cases) {
    SCOPED_TRACE(header);
    try {
      ReadLogText(header + "\n", "h.jsonl");
      ADD_FAILURE() << "no error";
    } catch (const LogError& e) {
      EXPECT_NE(std::string(e.what()).find("h.jsonl:1:"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ReadLog("/nonexistent/log.jsonl"), LogError);
  // A network without definitions is kept by its name.
  ParsedLog nr = ReadLogText(R"({"format": "eventscan-log", "version": 1, "network": "NR"})", "nr.jsonl");
  EXPECT_EQ(nr.Header.Network, 255);
  EXPECT_EQ(nr.Header.NetworkName, "NR");
  ReadOptions umts;
  umts.Network = 2;
  EXPECT_EQ(ReadLogText(Header, "x", umts).Header.Network, 2);
}

TEST(LogReader, InformationElementsAreEncodedByTagInKeyOrder) {
  ParsedLog log = readLines({std::string(R"({"time": "2026-03-14T10:00:01", "code": "0x412F0103", "sub_type": 2, )") +
                             R"("bytes": "8101FF", "ie": {"timer_expiry": [3, 12000], "target_cell": [62, 33], )" +
                             R"("psc_removed": [7], "psc_added": [100, 200], "new_uarfcn": 10700, "cause": [16, 2], )" +
                             R"("cm_service_type": 1, "baton_handover": true, "new_cell_param_id": 77, "psc_list": [], )" +
                             R"("handoff_direction": [1, 255], "cdma_cause": 513, "0x90": "0A0B"}})"});
  ASSERT_TRUE(log.Faults.empty()) << log.Faults.front().Text();
  msgbytes::Writer w;
  w.U8(msgbytes::SubType, 2);
  w.Raw(0x90, "\x0A\x0B");
  w.U8(msgbytes::BatonHandover, 1);
  w.I32s(msgbytes::Cause, {16, 2});
  w.U16(msgbytes::CdmaCause, 513);
  w.I32(msgbytes::CmServiceType, 1);
  w.Raw(msgbytes::HandoffDirection, std::string("\x01\xFF", 2));
  w.I32(msgbytes::NewCellParamId, 77);
  w.I32(msgbytes::NewUarfcn, 10700);
  w.I32s(msgbytes::PscAdded, {100, 200});
  w.I32s(msgbytes::PscList, {});
  w.I32s(msgbytes::PscRemoved, {7});
  w.I32s(msgbytes::TargetCell, {62, 33});
  w.I32s(msgbytes::TimerExpiry, {3, 12000});
  EXPECT_EQ(log.Records[0].MessageBytes, w.Bytes() + "\x81\x01\xFF");
}

TEST(LogReader, EventTableEntriesAndItemsKeepTheirRecords) {
  ParsedLog log = readLines({
      R"({"time": "2026-03-14T10:00:01", "items": [{"id": 54}, {"id": 60, "time": "2026-03-14T10:00:01.5", "extra": "00000000e8030000"}]})",
      R"({"time": "2026-03-14T10:00:02", "events": [{"id": 58}, {"id": 10017, "record": 0, "item": 1}]})",
  });
  ASSERT_TRUE(log.Faults.empty()) << log.Faults.front().Text();
  const HandsetRecord& r = log.Records[0];
  ASSERT_EQ(r.Items.size(), 2u);
  EXPECT_EQ(double(r.Items[0].Time), r.Time);
  EXPECT_EQ(double(r.Items[1].Time), *ParseIsoTime("2026-03-14T10:00:01.500"));
  EXPECT_EQ(r.Extra(r.Items[1]), std::string("\0\0\0\0\xE8\x03\0\0", 8));
  EXPECT_EQ(log.Feeds[0].Kind, RecordKind::Test);
  ASSERT_EQ(log.Events.size(), 2u);
  EXPECT_EQ(log.Events[0].RecordIndex, 1);
  EXPECT_EQ(log.Events[1].RecordIndex, 0);
  EXPECT_EQ(log.EventOrigins[1].ItemIndex, 1);
  EXPECT_EQ(log.EventOrigins[1].DeclaredBy, 1);
}

TEST(LogReader, IsoTimesRoundTripAndBadOnesAreRefused) {
  EXPECT_EQ(IsoTimeText(*ParseIsoTime("2026-03-14T10:00:01.250")), "2026-03-14T10:00:01.250");
  EXPECT_EQ(IsoTimeText(*ParseIsoTime("2024-02-29 23:59:59.9")), "2024-02-29T23:59:59.900");
  EXPECT_DOUBLE_EQ(*ParseIsoTime("1899-12-30T12:00:00"), 0.5);
  for (const char* bad : {"2026-03-14", "2026-13-01T00:00:00", "2025-02-29T00:00:00", "2026-03-14T24:00:00",
                          "2026-03-14T10:00:01.2500", "2026-03-14T10:00:01Z", "2026-03-14T10:0a:01"})
    EXPECT_FALSE(ParseIsoTime(bad)) << bad;
}

TEST(LogReader, EveryExampleOfTheFormatDocumentReads) {
  std::string doc = e2e::ReadFile(e2e::SourceDir() / "docs" / "log-format.md");
  std::regex block("```json\\n([^`]*)```");
  std::vector<std::string> records;
  std::string header;
  for (auto it = std::sregex_iterator(doc.begin(), doc.end(), block); it != std::sregex_iterator(); ++it) {
    std::string body = (*it)[1];
    for (size_t pos = 0, end; pos < body.size(); pos = end + 1) {
      end = body.find('\n', pos);
      std::string line = body.substr(pos, end - pos);
      if (line.rfind("{\"format\"", 0) == 0) header = line;
      else if (line.rfind("{", 0) == 0) records.push_back(line);
    }
  }
  ASSERT_FALSE(header.empty());
  ASSERT_GE(records.size(), 10u);
  std::string text = header + "\n";
  for (const std::string& r : records) text += r + "\n";
  ParsedLog log = ReadLogText(text, "log-format.md");
  EXPECT_TRUE(log.Faults.empty()) << log.Faults.front().Text();
  EXPECT_EQ(log.Records.size(), records.size());
}

TEST(LogReader, ALargeLogReadInTwoHalvesEqualsOneRead) {
  std::string sample = e2e::ReadFile(e2e::SampleLog("gsm"));
  std::string header = sample.substr(0, sample.find('\n') + 1), body = sample.substr(header.size());
  std::string text = header;
  while (text.size() < (10u << 20)) text += body;
  // Entries with and without their own record, late in the log.
  text += R"({"time": "2026-03-14T11:00:00", "events": [{"id": 58}, {"id": 163, "record": 5}]})" "\n";
  ParsedLog halves = ReadLogText(text, "big.jsonl");
  ReadOptions oneGo;
  oneGo.Strict = true;  // strict reading is never split
  ParsedLog whole = ReadLogText(text, "big.jsonl", oneGo);
  ASSERT_TRUE(halves.Faults.empty()) << halves.Faults.front().Text();
  expectSameRecords(halves, whole);
  for (size_t i = 0; i < halves.Records.size(); ++i) {
    ASSERT_EQ(halves.Records[i].Reference, i);
    ASSERT_EQ(halves.Feeds[i].Line, whole.Feeds[i].Line);
  }
  EXPECT_EQ(halves.Events.back().RecordIndex, 5);
  EXPECT_EQ(halves.Events[halves.Events.size() - 2].RecordIndex, static_cast<int32_t>(halves.Records.size() - 1));

  text += "{broken\n";
  ParsedLog faulty = ReadLogText(text, "big.jsonl");
  ASSERT_EQ(faulty.Faults.size(), 1u);
  EXPECT_EQ(faulty.Faults[0].Line, static_cast<int>(std::count(text.begin(), text.end(), '\n')));
}

// A line longer than the limit (16 MiB unless raised) is a fault of that
// line, skipped without being parsed; the rest of the log is kept.
TEST(LogReader, OverlongLinesAreSkippedNamingTheLine) {
  const std::string good = R"({"time": "2026-03-14T10:00:00.500", "fields": {"RxLevSub": -70}})";
  // Valid JSON, padded with blanks to just over 16 MiB.
  const std::string huge = R"({"time": "2026-03-14T10:00:01")" + std::string(DefaultMaxLineBytes, ' ') + "}";
  ParsedLog log = readLines({good, huge, good});
  EXPECT_EQ(log.Records.size(), 2u);
  ASSERT_EQ(log.Faults.size(), 1u);
  EXPECT_EQ(log.Faults[0].Line, 3);
  EXPECT_NE(log.Faults[0].Reason.find("more than the limit of 16777216 bytes"), std::string::npos)
      << log.Faults[0].Reason;

  ReadOptions raised;
  raised.MaxLineBytes = 2 * DefaultMaxLineBytes;
  EXPECT_EQ(readLines({good, huge, good}, raised).Records.size(), 3u);

  ReadOptions small;
  small.MaxLineBytes = 150;  // the header fits, a padded record does not
  small.Strict = true;
  ParsedLog stopped = readLines({good + std::string(100, ' ')}, small);
  EXPECT_TRUE(stopped.Stopped);
  ASSERT_EQ(stopped.Faults.size(), 1u);
  EXPECT_EQ(stopped.Faults[0].Line, 2);
  small.MaxLineBytes = 10;
  EXPECT_THROW(readLines({good}, small), LogError) << "a header longer than the limit";
}
