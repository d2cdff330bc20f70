// eventscan run writes a log's rows while it still reads it: the bytes are
// those of the rows written once the whole log was fed (a session fed in
// this process, its rows written afterwards), in every format, for the
// sample logs and for generated logs whose results arrive out of time order;
// and a reader of a pipe has the first rows before the log has come whole.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "host/log_input.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

const std::vector<std::pair<std::string, OutputFormat>> Formats = {
    {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json}, {"jsonl", OutputFormat::JsonLines},
    {"table", OutputFormat::Table}};

std::string quote(const e2e::fs::path& p) { return "'" + p.string() + "'"; }

// The rows of each format as written once the whole log was fed; whether
// some result was inserted before one that had arrived earlier.
struct AfterFeeding {
  std::vector<std::string> Rows;
  bool OutOfOrder = false;
};

AfterFeeding afterFeeding(HostLibrary& library, const e2e::fs::path& log) {
  std::optional<LogInput> input = OpenLogOrCapture(log.string(), {});
  EXPECT_TRUE(input && input->Stream);
  AfterFeeding after;
  if (!input || !input->Stream) return after;
  const uint8_t network = input->Header().Network;
  HostSession session(library, network);
  // A log that mixes networks shows each row's own, from a byte a record.
  std::vector<uint8_t> nets;
  bool mixed = false;
  session.Feed(*input->Stream, [&](const HandsetRecord& rec) {
    nets.push_back(rec.NetType);
    mixed = mixed || rec.NetType != network;
  });
  RowAdjust own;
  if (mixed) own = [&](ResultRow& row) { ShowRecordOfRow(*input, nets, row.RecordIndex, row.Network); };
  for (const auto& format : Formats) {
    std::ostringstream out;
    WriteResults(out, session.Results(), session.Filter(), format.second, own);
    after.Rows.push_back(out.str());
  }
  const std::vector<AddedNotice>& notices = session.Notices();
  for (size_t i = 1; i < notices.size(); ++i) after.OutOfOrder |= notices[i].Position <= notices[i - 1].Position;
  return after;
}

// The table ends with the run's summary line, whose seconds change.
std::string withoutSummary(const std::string& table) {
  const size_t end = table.rfind('\n', table.size() >= 2 ? table.size() - 2 : 0);
  return end == std::string::npos ? table : table.substr(0, end + 1);
}

// Writes all of `text` to `fd`; false when the reader went away.
bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Reads from `fd` into `into` until it holds `lines` line ends; false when
// nothing came for a minute (a run that writes nothing before its log ends
// would otherwise keep the test waiting for ever) or the stream ended.
bool readLines(int fd, std::string& into, size_t lines) {
  while (static_cast<size_t>(std::count(into.begin(), into.end(), '\n')) < lines) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 60000) <= 0) return false;
    char buffer[4096];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    into.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

// A TD-SCDMA call whose end waits five seconds in its window after the
// release, reported with the time of the release.
const std::string TdCall = R"(      <MsgEvent-7 EventName="TD Call" StartedFlag="0">
        <LevelNode-0 ReportName="" DetailFlag="0" Expression="" ReasonNum="-9999">
          <MsgNodes>
            <MsgNode-0 MessageCode="1093599746" MessageName="RRC Connection Setup Complete" SubCode="0" />
          </MsgNodes>
          <LevelNode-0 ReportName="TD Call End" DetailFlag="0" Expression="" ReasonNum="-9999">
            <MsgNodes>
              <MsgNode-0 MessageCode="1093600257" MessageName="RRC Connection Release" SubCode="0" />
            </MsgNodes>
          </LevelNode-0>
        </LevelNode-0>
      </MsgEvent-7>
)";

void addTdCall(const e2e::fs::path& home) {
  std::string define = e2e::ReadFile(home / "EventsDefine.cfg");
  // The last TD-SCDMA message event; other networks' elements may follow.
  const std::string end = "      </MsgEvent-6>\n    </TD-SCDMA>\n";
  const size_t at = define.find(end);
  ASSERT_NE(at, std::string::npos);
  define.insert(at + end.find("    </TD-SCDMA>"), TdCall);
  e2e::WriteFile(home / "EventsDefine.cfg", define);
}

std::string timeText(int milliseconds) {
  return fmt::format("2026-03-14T10:{:02}:{:02}.{:03}", milliseconds / 60000, milliseconds / 1000 % 60,
                     milliseconds % 1000);
}

// The call released at 10:00:01, a test item at 10:00:02, then records
// every 10 ms until 10:00:06 (the window still open: rows are looked for
// among them), and the message at 10:00:07 that closes the window. The
// call's end arrives last and is the first row.
std::string windowLog() {
  std::string log =
      R"({"format": "eventscan-log", "version": 1, "network": "TD-SCDMA", "device": 2, "start": "2026-03-14T10:00:00.000"})"
      "\n";
  auto line = [&](int ms, const std::string& rest) { log += "{\"time\": \"" + timeText(ms) + "\", " + rest + "}\n"; };
  line(0, R"("kind": "message", "msg": "RRC Connection Setup Complete")");
  line(1000, R"("kind": "message", "msg": "RRC Connection Release")");
  line(2000, R"("kind": "test", "items": [{"id": 1}])");
  for (int i = 0; i < 297; ++i) line(3000 + 10 * i, R"("kind": "measurement", "fields": {})");
  line(7000, R"("kind": "message", "msg": "Measurement Report")");
  for (int i = 0; i < 5; ++i) line(8000 + 1000 * i, R"("kind": "measurement", "fields": {})");
  return log;
}

}  // namespace

TEST(EarlyRows, RowsWrittenWhileFeedingAreThoseWrittenAfterIt) {
  e2e::InFreshProcess([] {
    e2e::TempHome home;
    addTdCall(home.Path());
    std::vector<e2e::fs::path> logs = {home.Path() / "window.jsonl"};
    e2e::WriteFile(logs[0], windowLog());
    for (const char* name : e2e::SampleNames) logs.push_back(e2e::SampleLog(name));
    // The UMTS sample with records 300 to 420 on GSM: rows are written
    // before the log is known to mix networks.
    {
      std::istringstream sample(e2e::ReadFile(e2e::SampleLog("umts")));
      std::string mixed, line;
      for (int i = -1; std::getline(sample, line); ++i)
        mixed += (i >= 300 && i <= 420 ? "{\"net\": \"GSM\", " + line.substr(1) : line) + "\n";
      logs.push_back(home.Path() / "mixed.jsonl");
      e2e::WriteFile(logs.back(), mixed);
    }
    // Generated drive tests long enough for many rows to be written early.
    for (const char* seed : {"3", "11"}) {
      logs.push_back(home.Path() / (std::string("umts-") + seed + ".jsonl"));
      e2e::ShellResult made = e2e::Shell(std::string(LOGGEN_PROGRAM) + " --network UMTS --records 6000 --seed " +
                                             seed + " -o " + quote(logs.back()),
                                         home.Path());
      ASSERT_EQ(made.Status, 0) << made.Err;
    }
    bool outOfOrder = false;
    {
      e2e::LoadedLibrary library(home.Path());
      for (const e2e::fs::path& log : logs) {
        SCOPED_TRACE(log.filename().string());
        AfterFeeding after = afterFeeding(*library, log);
        if (log.filename() == "mixed.jsonl") {
          EXPECT_NE(after.Rows[0].find(",GSM,"), std::string::npos);
        }
        if (log == logs[0]) {  // by hand: the call's end has the time of the release
          EXPECT_EQ(after.Rows[0],
                    "record,time,event,kind,network,details\n1,2026-03-14 10:00:01.000,TD Call End,message,TD-SCDMA,\n"
                    "2,2026-03-14 10:00:02.000,PPP Dial Start,test,TD-SCDMA,\n");
        }
        outOfOrder |= after.OutOfOrder;
        for (size_t f = 0; f < Formats.size(); ++f) {
          SCOPED_TRACE(Formats[f].first);
          // Once with every record read again from its line when asked for
          // (one record kept parsed): writing rows must not disturb what the
          // library reads while it is fed.
          for (const char* cache : {"", "EVENTSCAN_RECORD_CACHE=1 "}) {
            e2e::ShellResult run = e2e::Shell(std::string(cache) + EVENTSCAN_PROGRAM + " run " + quote(log) +
                                                  " --home " + quote(home.Path()) + " --format " + Formats[f].first,
                                              home.Path());
            ASSERT_EQ(run.Status, 0) << run.Err;
            ASSERT_FALSE(after.Rows[f].empty());
            EXPECT_EQ(Formats[f].second == OutputFormat::Table ? withoutSummary(run.Out) : run.Out, after.Rows[f]);
          }
        }
      }
    }
    EXPECT_TRUE(outOfOrder) << "no log here has results that arrive out of time order";
  });
}

// A record earlier than rows already written (the handset's clock set
// back), and an entry that names an early record on a late line: their rows
// follow those written, nothing is lost, and a warning names the line.
TEST(EarlyRows, ResultsEarlierThanWrittenRowsAreWrittenAfterThem) {
  e2e::TempHome home;
  struct Case {
    std::string last;  // record 300, line 302
    std::string rows;
  };
  const std::vector<Case> cases = {
      {R"("kind": "test", "items": [{"id": 1}])", "300,2026-03-14 10:00:00.500,PPP Dial Start,test,GSM,\n"},
      {R"("kind": "measurement", "fields": {}, "events": [{"id": 1, "record": 5}])",
       "5,2026-03-14 10:00:00.500,PPP Dial Start,test,GSM,\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.last);
    std::string log =
        R"({"format": "eventscan-log", "version": 1, "network": "GSM", "device": 2, "start": "2026-03-14T10:00:00.000"})"
        "\n";
    auto line = [&](int ms, const std::string& rest) { log += "{\"time\": \"" + timeText(ms) + "\", " + rest + "}\n"; };
    for (int i = 0; i < 300; ++i)
      line(100 * i, i == 10 ? R"("kind": "test", "items": [{"id": 1}])" : R"("kind": "measurement", "fields": {})");
    line(c.last.find("items") != std::string::npos ? 500 : 29999, c.last);
    const e2e::fs::path path = home.Path() / "back.jsonl";
    e2e::WriteFile(path, log);
    e2e::ShellResult run = e2e::Shell(std::string(EVENTSCAN_PROGRAM) + " run " + quote(path) + " --home " +
                                          quote(home.Path()) + " --format csv",
                                      home.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    // Record 10's row was written once the log reached 10:00:25.5.
    EXPECT_EQ(run.Out, "record,time,event,kind,network,details\n10,2026-03-14 10:00:01.000,PPP Dial Start,test,GSM,\n" +
                           c.rows);
    EXPECT_NE(run.Err.find("warning: " + path.string() +
                           ":302: the line gives a time 23.000 s earlier than rows already written"),
              std::string::npos)
        << run.Err;
  }
}

// The log comes through a pipe in two parts: the first rows are read from
// eventscan's output before the second part is written.
TEST(EarlyRows, FirstRowsReachThePipeBeforeTheLogEnds) {
  e2e::InFreshProcess([] {
    e2e::TempHome home;
    const e2e::fs::path log = e2e::SampleLog("umts");
    const std::string text = e2e::ReadFile(log);
    std::string expected;
    {
      e2e::LoadedLibrary library(home.Path());
      expected = afterFeeding(*library, log).Rows[0];
    }
    // The header and 300 records, then the rest.
    size_t cut = 0;
    for (int line = 0; line < 301; ++line) cut = text.find('\n', cut) + 1;
    ASSERT_LT(cut, text.size());

    // Also with one record kept parsed: the rows then read their records
    // again from the log while it waits for the rest of the pipe.
    for (const char* cache : {"", "1"}) {
      SCOPED_TRACE(std::string("record cache ") + cache);
      int in[2], out[2];
      ASSERT_EQ(::pipe(in), 0);
      ASSERT_EQ(::pipe(out), 0);
      const std::string homeText = home.Path().string();
      const pid_t child = ::fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1]}) ::close(fd);
        if (*cache) ::setenv("EVENTSCAN_RECORD_CACHE", cache, 1);
        ::execl(EVENTSCAN_PROGRAM, EVENTSCAN_PROGRAM, "run", "-", "--home", homeText.c_str(), "--format", "csv",
                static_cast<char*>(nullptr));
        ::_exit(127);
      }
      ::close(in[0]);
      ::close(out[1]);
      std::signal(SIGPIPE, SIG_IGN);
      ASSERT_TRUE(writeAll(in[1], std::string_view(text).substr(0, cut)));
      std::string rows;
      const bool early = readLines(out[0], rows, 2);  // the CSV header and the first row
      EXPECT_TRUE(early) << "no row before the end of the log";
      EXPECT_TRUE(writeAll(in[1], std::string_view(text).substr(cut)));
      ::close(in[1]);
      readLines(out[0], rows, SIZE_MAX);  // to its end
      ::close(out[0]);
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      EXPECT_EQ(rows, expected);
    }
  });
}
