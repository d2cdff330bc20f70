// The streamed log: read in blocks and fed in one pass, records the library
// asks for again read back from their lines. Whatever the block size or the
// cache size, the rows and faults are those of the log read into memory
// (eventscan on a pipe: tests/eventscan/cli/standard_input_run_test.cpp).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include <fmt/format.h>

#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

const std::string Header =
    R"({"format": "eventscan-log", "version": 1, "network": "GSM", "device": 7, "start": "2026-03-14T10:00:00"})";
const std::string Good = R"({"time": "2026-03-14T10:00:00.500", "fields": {"RxLevSub": -70}})";

std::string streamToCsv(HostLibrary& library, LogStream& log) {
  HostSession session(library, log.Header().Network);
  session.Feed(log);
  std::ostringstream out;
  WriteCsv(out, CollectRows(session.Results(), session.Filter()));
  return out.str();
}

struct Outcome {
  std::vector<std::pair<int, std::string>> Records;  // line, time and fields of each record
  std::vector<std::string> Faults;
};

// What a reading gives, in a form two readings can be compared by.
Outcome outcomeOf(const ParsedLog& log) {
  Outcome o;
  for (size_t i = 0; i < log.Records.size(); ++i) {
    std::string text = std::to_string(log.Records[i].Time) + " " + std::to_string(log.Records[i].Reference);
    for (auto [id, value] : log.Records[i].Fields) text += " " + std::to_string(id) + "=" + std::to_string(value);
    o.Records.emplace_back(log.Feeds[i].Line, text);
  }
  for (const LogFault& f : log.Faults) o.Faults.push_back(f.Text());
  return o;
}

}  // namespace

// Lines cut at every place a block can end: CRLF ends, a last line without a
// line end, blank lines, malformed and over-long lines, a line longer than a
// block. Every block size gives what one read of the whole text gives.
TEST(LogStream, EveryBlockSizeReadsTheSameRecordsAndFaults) {
  struct Case {
    const char* name;
    std::string text;
    size_t records;
    std::vector<int> faultLines;
  };
  const std::string longGood = R"({"time": "2026-03-14T10:00:02", "fields": {"RxLevSub": -71})" + std::string(300, ' ') +
                               "}";
  const std::string overlong = R"({"time": "2026-03-14T10:00:03")" + std::string(600, ' ') + "}";
  const std::vector<Case> cases = {
      {"plain", Header + "\n" + Good + "\n" + Good + "\n", 2, {}},
      {"crlf", Header + "\r\n" + Good + "\r\n" + Good + "\r\n", 2, {}},
      {"no line end at the end", Header + "\n" + Good + "\n" + Good, 2, {}},
      {"blank lines", "\n  \n" + Header + "\n\n" + Good + "\n \t \n" + Good + "\n\n", 2, {}},
      {"malformed", Header + "\n" + Good + "\n{broken\n" + Good + "\n[1]", 2, {3, 5}},
      {"longer than a block", Header + "\n" + longGood + "\n" + Good + "\n", 2, {}},
      {"over-long, crlf", Header + "\r\n" + Good + "\r\n" + overlong + "\r\n" + Good + "\r\n", 2, {3}},
      {"over-long at the end", Header + "\n" + Good + "\n" + overlong, 1, {3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReadOptions options;
    options.MaxLineBytes = 500;
    const Outcome whole = outcomeOf(ReadLogText(c.text, "t.jsonl", options));
    ASSERT_EQ(whole.Records.size(), c.records);
    ASSERT_EQ(whole.Faults.size(), c.faultLines.size()) << (whole.Faults.empty() ? "" : whole.Faults[0]);
    for (size_t i = 0; i < c.faultLines.size(); ++i)
      EXPECT_EQ(whole.Faults[i].rfind("t.jsonl:" + std::to_string(c.faultLines[i]) + ": ", 0), 0u) << whole.Faults[i];
    for (size_t block : {1, 2, 3, 7, 64, 100, 499, 500, 501, 502, 640}) {
      SCOPED_TRACE("block " + std::to_string(block));
      options.BlockBytes = block;
      const Outcome got = outcomeOf(ReadLogText(c.text, "t.jsonl", options));
      EXPECT_EQ(got.Records, whole.Records);
      EXPECT_EQ(got.Faults, whole.Faults);
    }
  }
  // The size an over-long line is reported with does not depend on where blocks end.
  ReadOptions small;
  small.MaxLineBytes = 500;
  small.BlockBytes = 7;
  ParsedLog log = ReadLogText(Header + "\n" + overlong + "\r\n" + Good + "\n", "t.jsonl", small);
  ASSERT_EQ(log.Faults.size(), 1u);
  EXPECT_NE(log.Faults[0].Reason.find("the line has " + std::to_string(overlong.size()) + " bytes"), std::string::npos)
      << log.Faults[0].Reason;
  EXPECT_EQ(log.Records.size(), 1u);
}

// Records asked for again are read back from their lines when they have left
// the cache (here it holds one record), in blocks smaller than a line; the
// rows equal those of the log held in memory, for every sample log.
TEST(LogStream, ReReadRecordsGiveTheRowsOfTheLogInMemory) {
  e2e::TempHome home;
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    for (const char* name : e2e::SampleNames) {
      SCOPED_TRACE(name);
      ParsedLog parsed = ReadLog(e2e::SampleLog(name).string());
      const std::string expected = e2e::RunToCsv(*library, parsed);
      for (size_t cache : {1, 3, 4096}) {
        SCOPED_TRACE("cache " + std::to_string(cache));
        ReadOptions options;
        options.CacheRecords = cache;
        options.BlockBytes = 97;
        LogStream log(OpenLogSource(e2e::SampleLog(name).string()), name, options);
        EXPECT_EQ(streamToCsv(*library, log), expected);
        EXPECT_EQ(log.RecordsFound(), parsed.Records.size());
        EXPECT_TRUE(log.Faults().empty());
        if (cache == 1) {
          EXPECT_GT(log.Rereads(), 0u) << "nothing was read back: the test tests nothing";
        }
      }
    }
  });
}

// Event-table entries: one naming a later record (read ahead, then fed when
// its line is reached as usual), one naming a record the log never reaches (a
// fault of its line, not fed), and the lines after them still run.
TEST(LogStream, EventTableEntriesAheadAndPastTheEnd) {
  const std::string text = Header + "\n" + Good + "\n" +
                           R"({"time": "2026-03-14T10:00:01", "events": [{"id": 58, "record": 3}, {"id": 58, "record": 9}]})" +
                           "\n" + Good + "\n" +
                           R"({"time": "2026-03-14T10:00:03", "items": [{"id": 54}], "events": [{"id": 163}]})" + "\n";
  e2e::TempHome home;
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    ParsedLog parsed = ReadLogText(text, "t.jsonl");
    ASSERT_EQ(parsed.Faults.size(), 1u);
    const std::string expected = e2e::RunToCsv(*library, parsed);
    EXPECT_NE(expected.find("Start Dial"), std::string::npos) << expected;
    for (size_t cache : {1, 4096}) {
      ReadOptions options;
      options.CacheRecords = cache;
      LogStream log(TextLogSource(text), "t.jsonl", options);
      EXPECT_EQ(streamToCsv(*library, log), expected);
      ASSERT_EQ(log.Faults().size(), 1u);
      EXPECT_EQ(log.Faults()[0].Text(), parsed.Faults[0].Text());
      EXPECT_EQ(log.Faults()[0].Text(), "t.jsonl:3: events: record 9 is not in the log (4 records)");
    }
  });
}

// A drive still being recorded: its log grows by whole lines while it is
// read. Every record is read, those appended too, and the stream says that
// the log grew; a line still being written when the reading reaches the end
// is left out, and counted. A file rewritten to a longer one is no growth:
// the bytes read last no longer read the same, and the stream stops there.
// Whether the lines are read on the feeding thread or ahead of it.
TEST(LogStream, ALogThatGrowsWhileItIsReadIsReadToItsNewEnd) {
  e2e::TempDir work;
  const e2e::fs::path path = work.Path() / "drive.jsonl";
  auto lines = [](int from, int to, const char* level) {
    std::string text;
    for (int i = from; i < to; ++i)
      text += fmt::format(R"({{"time": "2026-03-14T10:{:02}:{:02}.500", "fields": {{"RxLevSub": {}}}}})", i / 60 % 60,
                          i % 60, level) +
              "\n";
    return text;
  };
  const std::string first = Header + "\n" + lines(0, 2000, "-70");
  enum class Append { WholeLines, AndAPartLine, Rewritten };
  for (const int threads : {1, 2}) {
    for (const Append append : {Append::WholeLines, Append::AndAPartLine, Append::Rewritten}) {
      SCOPED_TRACE(fmt::format("threads {}, case {}", threads, static_cast<int>(append)));
      e2e::WriteFile(path, first);
      // Back in time, so that the append is seen however coarse the file times are.
      e2e::fs::last_write_time(path, e2e::fs::last_write_time(path) - std::chrono::hours(1));
      ReadOptions options;
      options.BlockBytes = 1024;
      options.Threads = threads;
      LogStream log(OpenLogSource(path.string()), path.string(), options);
      for (int i = 0; i < 10; ++i) ASSERT_TRUE(log.Next());
      std::string more = lines(2000, 2500, "-71");
      if (append == Append::AndAPartLine) more += R"({"time": "2026-03-14T11:00:00.500", "fie)";
      // Into the file the stream reads: appended, or written over from its start.
      if (append == Append::Rewritten) more = Header + "\n" + lines(0, 2000, "-99") + more;
      std::FILE* file = std::fopen(path.c_str(), append == Append::Rewritten ? "r+b" : "ab");
      ASSERT_NE(file, nullptr);
      ASSERT_EQ(std::fwrite(more.data(), 1, more.size(), file), more.size());
      std::fclose(file);
      int records = 10;
      while (log.Next()) ++records;
      if (append == Append::Rewritten) {
        EXPECT_TRUE(log.Changed());
        EXPECT_LT(records, 2000);
        EXPECT_NE(log.ChangeText().find("the log changed while it was read"), std::string::npos) << log.ChangeText();
        continue;
      }
      EXPECT_FALSE(log.Changed()) << log.ChangeText();
      EXPECT_EQ(records, 2500);
      EXPECT_TRUE(log.Faults().empty());
      ASSERT_NE(log.Record(2499), nullptr);
      EXPECT_EQ(log.Record(2499)->Field(3), -71) << "RxLevSub";
      const std::string grew = fmt::format("{}: the log grew while it was read (from {} to {} bytes", path.string(),
                                           first.size(), first.size() + more.size());
      EXPECT_EQ(log.Growth().rfind(grew, 0), 0u) << log.Growth();
      EXPECT_EQ(log.Growth().find("a line still being written") != std::string::npos,
                append == Append::AndAPartLine)
          << log.Growth();
    }
  }
}

// A file rewritten in place with its modification time put back: reading in
// order cannot tell, but a record read again is checked against the bytes
// first read, and the stream stops there instead of giving the new values.
// A file cut while it is read stops the stream at the next read in order.
TEST(LogStream, ARecordReadAgainFromAChangedFileIsRefused) {
  e2e::TempDir work;
  const e2e::fs::path path = work.Path() / "drive.jsonl";
  std::string text = Header + "\n";
  for (int i = 0; i < 200; ++i)
    text += R"({"time": "2026-03-14T10:00:)" + std::to_string(10 + i / 10) + "." + std::to_string(100 + i % 10) +
            R"(", "fields": {"RxLevSub": -70}})" + "\n";
  std::string rewritten = text;
  for (size_t at = 0; (at = rewritten.find("-70", at)) != std::string::npos; at += 3) rewritten.replace(at, 3, "-99");
  ASSERT_EQ(rewritten.size(), text.size());
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut" : "rewritten");
    e2e::WriteFile(path, text);
    ReadOptions options;
    options.CacheRecords = 1;
    options.BlockBytes = 1024;
    LogStream log(OpenLogSource(path.string()), path.string(), options);
    for (int i = 0; i < 10; ++i) ASSERT_TRUE(log.Next());
    ASSERT_NE(log.Record(0), nullptr);
    EXPECT_EQ(log.Record(0)->Field(3), -70);
    const auto time = e2e::fs::last_write_time(path);
    if (cut) {
      e2e::fs::resize_file(path, text.size() / 2);
    } else {
      std::FILE* file = std::fopen(path.c_str(), "r+b");  // in place: the stream reads the same file
      ASSERT_NE(file, nullptr);
      ASSERT_EQ(std::fwrite(rewritten.data(), 1, rewritten.size(), file), rewritten.size());
      std::fclose(file);
      e2e::fs::last_write_time(path, time);
    }
    if (cut) {
      while (log.Next()) {
      }
    } else {
      EXPECT_EQ(log.Record(5), nullptr) << "a record read again from the new bytes";
    }
    EXPECT_TRUE(log.Changed());
    EXPECT_TRUE(log.Stopped());
    EXPECT_FALSE(log.Next());
    EXPECT_NE(log.ChangeText().find(path.string() + ": the log changed while it was read ("), std::string::npos)
        << log.ChangeText();
    if (!cut) {
      EXPECT_EQ(log.SoundRecords(), 9) << "the record being fed when the change was found is not sound";
      EXPECT_NE(log.ChangeText().find("the results are those of records 0 to 8 (line 10)"), std::string::npos)
          << log.ChangeText();
    }
    // What was read before stays: the records that results stand on are kept.
    EXPECT_TRUE(log.KeepSound({0, 1, 2}).size() == (cut ? 0u : 3u)) << log.ChangeText();
  }
  EXPECT_THROW(ReadLog("/nonexistent"), LogError);
}

namespace {

// A source that notes whether it was read in order from a thread other than
// the one that made it.
class ThreadNotingSource : public LogSource {
 public:
  ThreadNotingSource(std::unique_ptr<LogSource> inner, bool& elsewhere)
      : inner_(std::move(inner)), maker_(std::this_thread::get_id()), elsewhere_(elsewhere) {}
  size_t Read(char* buffer, size_t size) override {
    if (std::this_thread::get_id() != maker_) elsewhere_ = true;
    return inner_->Read(buffer, size);
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override { inner_->ReadAt(offset, size, out); }
  uint64_t Size() const override { return inner_->Size(); }

 private:
  std::unique_ptr<LogSource> inner_;
  std::thread::id maker_;
  bool& elsewhere_;
};

std::string describe(const HandsetRecord* r) {
  if (!r) return "none";
  std::string text = fmt::format("{} {} {} {} {} {} {} [", r->Time, r->OrderTime, r->MessageCode, r->MessageInfo,
                                 r->NetType, r->Skip, r->Reference);
  for (unsigned char c : r->MessageBytes) text += fmt::format("{:02x}", c);
  text += "]";
  for (auto [id, value] : r->Fields) text += fmt::format(" {}={}", id, value);
  for (const TestItem& item : r->Items) text += fmt::format(" item {} {} '{}'", int{item.EventId}, double{item.Time}, r->Extra(item));
  return text;
}

}  // namespace

// Lines read and parsed ahead on a second thread give, step by step, what one
// thread gives: the same records at the same indexes, the same progress in
// bytes, the same faults, warnings and event-table entries as they are
// found, records asked for again (read back from their lines while the other
// thread reads on) and read ahead; with strict reading the same stop. The
// log spans many batches, full ones among them, and has every kind of line
// a stream must handle (item texts long enough that a record gives up its
// buffers among them).
TEST(LogStream, ReadAheadOnASecondThreadGivesWhatOneThreadGives) {
  std::string text = Header + "\n";
  for (int i = 0; i < 12000; ++i) {
    const std::string time = fmt::format("\"2026-03-14T10:{:02}:{:02}.{:03}\"", i / 600, i / 10 % 60, i % 10 * 100);
    if (i % 401 == 400) text += "{broken\n";
    else if (i % 577 == 300) text += "\n \t \n";
    else if (i % 733 == 700) text += "{\"time\": " + time + std::string(1600, ' ') + "}\n";  // over the line limit
    else if (i % 97 == 0) text += "{\"time\": " + time + ", \"items\": [{\"id\": 54, \"text\": \"dial " +
                                  std::to_string(i) + std::string(i % 3 ? 0 : 1100, 'x') + "\"}], \"events\": [{\"id\": 163}, {\"id\": 58, \"record\": " +
                                  std::to_string(i % 2 ? i + 5 : 99999) + "}]}\n";
    else if (i % 13 == 0) text += "{\"time\": " + time + ", \"msg\": \"Channel Release\", \"ie\": {\"cause\": " +
                                  std::to_string(i % 64) + "}, \"fields\": {\"RxLevSub\": " + std::to_string(-40 - i % 50) + "}}\n";
    else text += "{\"time\": " + time + ", \"fields\": {\"RxLevSub\": " + std::to_string(-40 - i % 50) +
                 (i % 250 == 7 ? ", \"Unknown_" + std::to_string(i) + "\": 1" : "") + ", \"BCCH\": " +
                 std::to_string(i / 100) + "}}\n";
  }
  for (const bool strict : {false, true})
    for (const size_t cache : {size_t(1), size_t(4096)})
      for (const size_t block : {size_t(61), size_t(4096), size_t(4) << 20}) {
        SCOPED_TRACE(fmt::format("strict {} cache {} block {}", strict, cache, block));
        ReadOptions options;
        options.Strict = strict;
        options.CacheRecords = cache;
        options.BlockBytes = block;
        options.MaxLineBytes = 1500;
        LogStream one(TextLogSource(text), "t.jsonl", options);
        bool elsewhere = false;
        options.Threads = 2;
        LogStream two(std::make_unique<ThreadNotingSource>(TextLogSource(text), elsewhere), "t.jsonl", options);
        for (int step = 0;; ++step) {
          const bool a = one.Next(), b = two.Next();
          ASSERT_EQ(a, b) << "step " << step;
          EXPECT_EQ(one.BytesRead(), two.BytesRead()) << "step " << step;
          EXPECT_EQ(one.RecordsFound(), two.RecordsFound()) << "step " << step;
          ASSERT_EQ(one.Faults().size(), two.Faults().size()) << "step " << step;
          EXPECT_EQ(one.Warnings().size(), two.Warnings().size()) << "step " << step;
          EXPECT_EQ(one.Events().size(), two.Events().size()) << "step " << step;
          if (!a) break;
          const int32_t index = one.CurrentIndex();
          ASSERT_EQ(index, two.CurrentIndex());
          EXPECT_EQ(one.CurrentFeed().Line, two.CurrentFeed().Line);
          EXPECT_EQ(one.CurrentFeed().Kind, two.CurrentFeed().Kind);
          ASSERT_EQ(describe(&one.Current()), describe(&two.Current())) << "record " << index;
          if (index % 7 == 3) {
            EXPECT_EQ(describe(one.Record(index - 50)), describe(two.Record(index - 50))) << "record " << index - 50;
            EXPECT_EQ(describe(one.Record(index + 3)), describe(two.Record(index + 3))) << "record " << index + 3;
          }
          for (size_t e = 0; e < one.Events().size() && e < two.Events().size(); ++e)
            if (one.EventOrigins()[e].DeclaredBy == index) {
              EXPECT_EQ(one.CheckEvent(e), two.CheckEvent(e));
            }
        }
        // (Strict reading stops within the first block, which the header's read took.)
        if (!strict) {
          EXPECT_TRUE(elsewhere) << "the lines were not read on a second thread: the test tests nothing";
        }
        ASSERT_GT(one.RecordsFound(), strict ? 5u : 11900u);
        std::vector<std::string> faultsOne, faultsTwo;
        for (const LogFault& f : one.Faults()) faultsOne.push_back(f.Text());
        for (const LogFault& f : two.Faults()) faultsTwo.push_back(f.Text());
        EXPECT_EQ(faultsOne, faultsTwo);
        EXPECT_GE(faultsOne.size(), strict ? 1u : 10u);
        for (size_t w = 0; w < one.Warnings().size(); ++w) EXPECT_EQ(one.Warnings()[w].Text(), two.Warnings()[w].Text());
        for (size_t e = 0; e < one.Events().size(); ++e) {
          EXPECT_EQ(one.Events()[e].EventId, two.Events()[e].EventId);
          EXPECT_EQ(one.Events()[e].RecordIndex, two.Events()[e].RecordIndex);
          EXPECT_EQ(one.EventOrigins()[e].DeclaredBy, two.EventOrigins()[e].DeclaredBy);
        }
        EXPECT_EQ(one.Stopped(), two.Stopped());
        EXPECT_EQ(one.Stopped(), strict);
        if (cache == 1 && !strict) {
          EXPECT_GT(two.Rereads(), 1000u);
        }
      }
}

// A stream read ahead that is dropped before its end stops its reading
// thread, whether that thread waits for room or is still reading.
TEST(LogStream, AStreamReadAheadEndsEarly) {
  std::string text = Header + "\n";
  for (int i = 0; i < 20000; ++i) text += Good + "\n";
  ReadOptions options;
  options.Threads = 2;
  for (int taken : {0, 1, 600, 5000}) {
    LogStream log(TextLogSource(text), "t.jsonl", options);
    for (int i = 0; i < taken; ++i) ASSERT_TRUE(log.Next());
  }
}

// A log on a pipe whose writer stays open, dropped after its first record (a
// run that ends early: strict reading stopped by an event-table entry, an
// error while feeding): dropping it does not wait for the writer to say more,
// which the reading thread was waiting for.
TEST(LogStream, AStreamReadAheadFromAPipeThatStaysOpenEnds) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const std::string text = Header + "\n" + Good + "\n" + Good + "\n";
  ASSERT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  {
    ReadOptions options;
    options.Threads = 2;
    LogStream log(OpenLogSource("/dev/fd/" + std::to_string(ends[0])), "pipe", options);
    EXPECT_TRUE(log.Next());
    EXPECT_EQ(log.Current().Field(3), -70);
  }  // would wait here for the writer, which still holds its end
  ::close(ends[1]);
  ::close(ends[0]);
}
