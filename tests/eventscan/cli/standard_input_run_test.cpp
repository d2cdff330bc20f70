// eventscan run on standard input: a pipe, a file and a named pipe give the
// rows of the file named; --parse-only counts records and faults; a strict run
// that stops leaves its output file as it was.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>

#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

const std::string Header =
    R"({"format": "eventscan-log", "version": 1, "network": "GSM", "device": 7, "start": "2026-03-14T10:00:00"})";
const std::string Good = R"({"time": "2026-03-14T10:00:00.500", "fields": {"RxLevSub": -70}})";

// Runs a shell command line; stdout and stderr kept apart.
using Command = e2e::ShellResult;

Command shell(const std::string& line, const e2e::fs::path& work) { return e2e::Shell(line, work); }

std::string program() { return EVENTSCAN_PROGRAM; }

}  // namespace

// eventscan itself: a pipe on standard input, a file on standard input, a
// named pipe and the file named give the same rows; --parse-only counts records and faults;
// a strict run that stops leaves an existing output file as it was.
TEST(LogStream, EventscanReadsStandardInputAndParsesOnly) {
  e2e::TempHome home;
  const std::string log = e2e::SampleLog("umts").string();
  const std::string run = program() + " run --home " + home.Path().string() + " --format csv ";
  Command named = shell(run + log, home.Path());
  ASSERT_EQ(named.Status, 0) << named.Err;
  EXPECT_NE(named.Out.find("UMTS"), std::string::npos);
  Command piped = shell("cat " + log + " | EVENTSCAN_RECORD_CACHE=1 " + run + "-", home.Path());
  EXPECT_EQ(piped.Status, 0) << piped.Err;
  EXPECT_EQ(piped.Out, named.Out);
  Command redirected = shell(run + "- < " + log, home.Path());
  EXPECT_EQ(redirected.Status, 0) << redirected.Err;
  EXPECT_EQ(redirected.Out, named.Out);
  // A pipe by name (a process substitution): it cannot be read at an offset either.
  Command substituted = shell("bash -c 'EVENTSCAN_RECORD_CACHE=1 " + run + "<(cat " + log + ")'", home.Path());
  EXPECT_EQ(substituted.Status, 0) << substituted.Err;
  EXPECT_EQ(substituted.Out, named.Out);

  const e2e::fs::path faulty = home.Path() / "faulty.jsonl";
  e2e::WriteFile(faulty, Header + "\n" + Good + "\n{broken\n" + Good + "\n");
  struct Case {
    std::string args;
    int status;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"run --parse-only " + log, 0, " records, 0 malformed lines skipped, "},
      {"run --parse-only " + faulty.string(), 0, "faulty.jsonl:3: not valid JSON"},
      {"run --parse-only " + faulty.string(), 0, "2 records, 1 malformed lines skipped, "},
      {"run --parse-only --strict " + faulty.string(), 2, "stopped at the first malformed line"},
      {"run --parse-only - < " + faulty.string(), 0, "<stdin>:3: not valid JSON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Command got = shell(program() + " " + c.args, home.Path());
    EXPECT_EQ(got.Status, c.status) << got.Err;
    EXPECT_NE(got.Err.find(c.err), std::string::npos) << got.Err;
    EXPECT_EQ(got.Out, "");
  }
  Command counted = shell(program() + " run --parse-only " + log, home.Path());
  EXPECT_EQ(counted.Err.rfind(std::to_string(ReadLog(log).Records.size()) + " records, ", 0), 0u) << counted.Err;

  const e2e::fs::path kept = home.Path() / "rows.csv";
  e2e::WriteFile(kept, "rows of an earlier run\n");
  Command strict = shell(run + "--strict --output " + kept.string() + " " + faulty.string(), home.Path());
  EXPECT_EQ(strict.Status, 2) << strict.Err;
  EXPECT_EQ(e2e::ReadFile(kept), "rows of an earlier run\n");
  const e2e::fs::path fresh = home.Path() / "fresh.csv";
  shell(run + "--strict --output " + fresh.string() + " " + faulty.string(), home.Path());
  EXPECT_FALSE(e2e::fs::exists(fresh)) << "a stopped run leaves no empty output behind";
}

// eventscan ends each log it feeds: a request whose only record past its
// limit is the last of the log gives its timeout there, read from a file, a
// pipe, or parsed whole and fed from memory.
TEST(LogStream, EventscanEndsTheLogSoItsLastRecordReachesTheGates) {
  e2e::TempHome home;
  const e2e::fs::path log = home.Path() / "unanswered.jsonl";
  e2e::WriteFile(log,
                 R"({"format": "eventscan-log", "version": 1, "network": "UMTS", "device": 3, "start": "2026-03-14T10:00:00"})"
                 "\n"
                 R"({"time": "2026-03-14T10:00:00.000", "kind": "message", "msg": "RRC Connection Request", "sub_type": 0, "fields": {"RSCP": -80}})"
                 "\n"
                 R"({"time": "2026-03-14T10:00:01.000", "fields": {"RSCP": -80}})"
                 "\n"
                 R"({"time": "2026-03-14T10:00:03.200", "fields": {"RSCP": -81}})"
                 "\n");
  const std::string run = program() + " run --home " + home.Path().string() + " --format csv ";
  const std::string row = "2,2026-03-14 10:00:03.200,No Answer To RRC Connection Request,gate,UMTS,\n";
  for (const std::string& line : {run + log.string(), "cat " + log.string() + " | " + run + "-"}) {
    SCOPED_TRACE(line);
    Command got = shell(line, home.Path());
    ASSERT_EQ(got.Status, 0) << got.Err;
    EXPECT_EQ(got.Out, "record,time,event,kind,network,details\n" + row);
  }
  ParsedLog parsed = ReadLog(log.string());
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary loaded(home.Path());
    EXPECT_EQ(e2e::RunToCsv(*loaded, parsed), "record,time,event,kind,network,details\n" + row);
  });
}
