// eventscan on inputs that are wrong in a way a person makes by accident: a
// field name the catalogue does not know, an output aimed at the input, a
// damaged definitions or properties file, a huge bad value, and a log that is
// rewritten or cut while it is read. Each keeps what can be kept and says
// what happened, naming the file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <set>
#include <sstream>

#include <fmt/format.h>

#include "cli/run_log.h"
#include "log/log_source.h"
#include "testing/capture_pcap.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

using Command = e2e::ShellResult;

// Runs eventscan with `args` (a shell command line after the program name).
Command program(const std::string& args, const e2e::fs::path& work) {
  return e2e::Shell(std::string(EVENTSCAN_PROGRAM) + " " + args, work);
}

size_t count(const std::string& text, const std::string& part) {
  size_t n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The sample GSM log with `extra` put into the "fields" of every line that
// `pick` chooses (1-based line numbers; the header is line 1).
std::string withFields(const std::string& log, const std::function<bool(int)>& pick, const std::string& extra) {
  std::string out;
  int number = 0;
  for (std::string line : linesOf(log)) {
    ++number;
    if (number > 1 && pick(number)) {
      const size_t at = line.find("\"fields\": {");
      if (at != std::string::npos)
        line.insert(at + 11, extra + ", ");
      else
        line.insert(line.size() - 1, ", \"fields\": {" + extra + "}");
    }
    out += line + "\n";
  }
  return out;
}

}  // namespace

// A field name the catalogue does not know drops nothing: the record keeps
// its message, its other fields and its test items, so the rows are those of
// the log without the unknown names. Each unknown name is reported once, with
// the first line it is on; --strict refuses the log.
TEST(LogFaults, UnknownFieldNameKeepsTheRecordAndIsReportedOnce) {
  e2e::TempHome home;
  const std::string sample = e2e::ReadFile(e2e::SampleLog("gsm"));
  const e2e::fs::path log = home.Path() / "unknown.jsonl";
  // Every line from line 20 on: message records (Outgoing Call Setup, Call
  // Established, ...) and the test record of Start Dial (line 25) among them;
  // a second unknown name on two lines only.
  std::string text = withFields(sample, [](int n) { return n >= 20; }, "\"RxLevSubb\": -70");
  text = withFields(text, [](int n) { return n == 25 || n == 40; }, "\"Handset_Temp\": 31");
  e2e::WriteFile(log, text);
  const std::string run = "run --home " + home.Path().string() + " --format csv ";
  const Command plain = program(run + e2e::SampleLog("gsm").string(), home.Path());
  ASSERT_EQ(plain.Status, 0) << plain.Err;
  ASSERT_NE(plain.Out.find("Start Dial"), std::string::npos);
  ASSERT_NE(plain.Out.find("Outgoing Call Setup"), std::string::npos);

  const Command got = program(run + log.string(), home.Path());
  EXPECT_EQ(got.Status, 0) << got.Err;
  EXPECT_TRUE(got.Out == plain.Out) << "the records with an unknown field were dropped: "
                                    << linesOf(got.Out).size() << " rows of " << linesOf(plain.Out).size();
  EXPECT_EQ(count(got.Err, "RxLevSubb"), 1u) << got.Err;
  EXPECT_NE(got.Err.find(log.string() + ":20: warning: unknown field \"RxLevSubb\""), std::string::npos) << got.Err;
  EXPECT_EQ(count(got.Err, "Handset_Temp"), 1u) << got.Err;
  EXPECT_NE(got.Err.find(log.string() + ":25: warning: unknown field \"Handset_Temp\""), std::string::npos) << got.Err;
  EXPECT_EQ(got.Err.find("malformed"), std::string::npos) << got.Err;

  const Command strict = program(run + "--strict " + log.string(), home.Path());
  EXPECT_EQ(strict.Status, 2) << strict.Err;
  EXPECT_NE(strict.Err.find(log.string() + ":20: fields: unknown field \"RxLevSubb\""), std::string::npos)
      << strict.Err;
  EXPECT_EQ(strict.Out, "");
}

// An output that is the input (by name, through a symbolic link, through a
// hard link, or standard input redirected from it) is refused before anything
// is read, naming both, and the input keeps its bytes.
TEST(LogFaults, AnOutputAimedAtItsInputIsRefused) {
  e2e::TempHome home;
  const e2e::fs::path log = home.Path() / "drive.jsonl";
  e2e::fs::copy_file(e2e::SampleLog("gsm"), log);
  const std::string bytes = e2e::ReadFile(log);
  e2e::fs::create_symlink(log, home.Path() / "link.jsonl");
  e2e::fs::create_hard_link(log, home.Path() / "hard.jsonl");
  const e2e::fs::path capture = home.Path() / "drive.pcap";
  e2e::WritePcap(capture, {e2e::GsmtapFrame{2, 0, true, e2e::Hex("05 08 00")}});
  const std::string captureBytes = e2e::ReadFile(capture);
  const std::string h = " --home " + home.Path().string();
  struct Case {
    std::string args;
    std::string output;  // as the command line names it
    std::string input;
  };
  const std::string l = log.string(), link = (home.Path() / "link.jsonl").string(),
                    hard = (home.Path() / "hard.jsonl").string(), cap = capture.string();
  const std::vector<Case> cases = {
      {"report " + l + " -o " + l + h, l, l},
      {"run " + l + " --output " + l + h, l, l},
      {"run " + l + " --format csv --output " + link + h, link, l},
      {"report " + l + " -o " + link + h, link, l},
      {"run " + link + " --output " + hard + h, hard, link},
      {"run - --output " + l + h + " < " + l, l, "<stdin>"},
      {"import " + cap + " -o " + cap, cap, cap},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const Command got = program(c.args, home.Path());
    EXPECT_EQ(got.Status, 1) << got.Err;
    EXPECT_NE(got.Err.find(c.output + ": the output is the input " + c.input), std::string::npos) << got.Err;
    EXPECT_TRUE(e2e::ReadFile(log) == bytes) << "the log was written over";
    EXPECT_TRUE(e2e::ReadFile(capture) == captureBytes) << "the capture was written over";
    EXPECT_TRUE(e2e::fs::is_symlink(home.Path() / "link.jsonl"));
    // Put back for the next case (a failure must not spread).
    e2e::fs::remove(home.Path() / "link.jsonl");
    e2e::fs::remove(home.Path() / "hard.jsonl");
    e2e::WriteFile(log, bytes);
    e2e::WriteFile(capture, captureBytes);
    e2e::fs::create_symlink(log, home.Path() / "link.jsonl");
    e2e::fs::create_hard_link(log, home.Path() / "hard.jsonl");
  }
  // Another file is no fault.
  const Command other = program("run " + l + " --format csv --output " + (home.Path() / "rows.csv").string() + h,
                                  home.Path());
  EXPECT_EQ(other.Status, 0) << other.Err;
}

// Every command that loads the library reports the faults of its files, as
// `check` does: `list` with a cut properties file, `run` with definitions that
// are not XML (which still runs the test items: Start Dial of the GSM log).
TEST(LogFaults, CommandsReportTheFaultsOfTheLibraryFiles) {
  {
    e2e::TempHome home;
    const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
    const std::string whole = e2e::ReadFile(file);
    e2e::WriteFile(file, whole.substr(0, whole.size() / 2));
    const Command check = program("check --home " + home.Path().string(), home.Path());
    EXPECT_EQ(check.Status, 2);
    const Command list = program("list --home " + home.Path().string(), home.Path());
    EXPECT_EQ(list.Status, 0) << list.Err;
    EXPECT_NE(list.Err.find("fault: " + (home.Path() / "EventsProperty.cfg").string()), std::string::npos)
        << list.Err;
    EXPECT_NE(list.Out.find("== GSM"), std::string::npos);
    EXPECT_EQ(e2e::ReadFile(file), whole.substr(0, whole.size() / 2)) << "a file that could not be read is kept";
  }
  for (const std::string& broken : {std::string("<?xml version=\"1.0\"?>\n<Events>\n  <Message>\n    <GSM>\n"),
                                    std::string("not xml at all\n")}) {
    SCOPED_TRACE(broken);
    e2e::TempHome home;
    const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
    e2e::WriteFile(file, broken);
    const Command run =
        program("run --format csv --home " + home.Path().string() + " " + e2e::SampleLog("gsm").string(), home.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Out.find(",Start Dial,test,GSM,"), std::string::npos) << run.Out << run.Err;
    EXPECT_NE(run.Err.find("fault: " + file.string()), std::string::npos) << run.Err;
    EXPECT_EQ(e2e::ReadFile(file), broken);
  }
}

// A bad value of a megabyte is quoted in its message as other long values
// are: its first bytes and its size, so the message stays one short line.
TEST(LogFaults, AHugeBadValueIsClippedInItsMessage) {
  e2e::TempDir work;
  const std::string huge(1 << 20, 'x');
  const std::string header =
      R"({"format": "eventscan-log", "version": 1, "network": "GSM", "start": "2026-03-14T10:00:00"})";
  const std::vector<std::string> lines = {
      R"({"time": ")" + huge + R"("})",
      R"({"time": "2026-03-14T10:00:01", "kind": ")" + huge + R"("})",
      R"({"time": "2026-03-14T10:00:01", "msg": ")" + huge + R"("})",
      R"({"time": "2026-03-14T10:00:01", "net": ")" + huge + R"("})",
      R"({"time": "2026-03-14T10:00:01", "code": ")" + huge + R"("})",
      R"({"time": "2026-03-14T10:00:01", ")" + huge + R"(": 1})",
      R"({"time": "2026-03-14T10:00:01", "ie": {")" + huge + R"(": 1}})",
      R"({"time": "2026-03-14T10:00:01", "items": [{"id": 1, ")" + huge + R"(": 1}]})",
      R"({"time": "2026-03-14T10:00:01", "mode": ")" + huge + R"("})",
  };
  std::string text = header + "\n";
  for (const std::string& line : lines) text += line + "\n";
  const e2e::fs::path log = work.Path() / "huge.jsonl";
  e2e::WriteFile(log, text);
  const Command got = program("run --parse-only " + log.string(), work.Path());
  EXPECT_EQ(got.Status, 0);
  EXPECT_LT(got.Err.size(), 4000u) << got.Err.substr(0, 300);
  EXPECT_EQ(count(got.Err, "... (1048576 bytes)"), lines.size()) << got.Err.substr(0, 3000);
  EXPECT_NE(got.Err.find("0 records, " + std::to_string(lines.size()) + " malformed lines"), std::string::npos);
  // The header's values too.
  e2e::WriteFile(log, R"({"format": "eventscan-log", "version": ")" + huge + "\"}\n");
  const Command header2 = program("run --parse-only " + log.string(), work.Path());
  EXPECT_EQ(header2.Status, 2);
  EXPECT_LT(header2.Err.size(), 1000u) << header2.Err.substr(0, 300);
}

namespace {

// A log source that lets the test change the file once, when the run has
// read `after` bytes of it: deterministic, with no second process and no
// waiting.
class ChangingSource : public LogSource {
 public:
  ChangingSource(const e2e::fs::path& path, uint64_t after, std::function<void()> change)
      : inner_(OpenLogSource(path.string())), after_(after), change_(std::move(change)) {}
  size_t Read(char* buffer, size_t size) override {
    if (change_ && passed_ >= after_) {
      change_();
      change_ = nullptr;
    }
    const size_t n = inner_->Read(buffer, size);
    passed_ += n;
    return n;
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override { inner_->ReadAt(offset, size, out); }
  uint64_t Size() const override { return inner_->Size(); }
  std::string Growth() const override { return inner_->Growth(); }

 private:
  std::unique_ptr<LogSource> inner_;
  uint64_t passed_ = 0, after_;
  std::function<void()> change_;
};

// The same bytes at the same place with other values: every RSCP of the log
// one dB lower where that keeps its length.
std::string rewritten(std::string text) {
  static const std::regex level(R"("RSCP": -([0-9]+))");
  std::string out;
  auto begin = std::sregex_iterator(text.begin(), text.end(), level);
  size_t last = 0;
  for (auto it = begin; it != std::sregex_iterator(); ++it) {
    out.append(text, last, static_cast<size_t>(it->position()) - last);
    int v = std::stoi((*it)[1]);
    std::string digits = std::to_string(v + 1);
    if (digits.size() != static_cast<size_t>((*it)[1].length())) digits = std::to_string(v - 1);
    out += "\"RSCP\": -" + digits;
    last = static_cast<size_t>(it->position() + it->length());
  }
  out.append(text, last, std::string::npos);
  return out;
}

void overwriteInPlace(const e2e::fs::path& path, const std::string& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
  ::close(fd);
}

}  // namespace

// A log rewritten in place (same length) or cut while a run reads it: the run
// ends with exit status 2 and a message that names the log and the last
// record read before the change. The rows written are rows of those records
// as a run of the unchanged log gives them; those of records whose lines no
// longer read as they were read are left out, and counted.
TEST(LogFaults, ALogChangedWhileItIsReadIsAFaultOfThatLog) {
  e2e::TempHome home;
  const std::string original = e2e::ReadFile(e2e::SampleLog("umts"));
  const std::string changed = rewritten(original);
  ASSERT_EQ(changed.size(), original.size());
  ASSERT_NE(changed, original);
  struct Case {
    const char* name;
    std::function<void(const e2e::fs::path&)> change;
    bool mostRowsKept;
  };
  const std::vector<Case> cases = {
      {"rewritten in place", [&](const e2e::fs::path& p) { overwriteInPlace(p, changed); }, false},
      // Reading in order cannot tell; the records read again can, while the
      // log is fed or while the rows are written.
      {"rewritten, its time put back",
       [&](const e2e::fs::path& p) {
         const auto time = e2e::fs::last_write_time(p);
         overwriteInPlace(p, changed);
         e2e::fs::last_write_time(p, time);
       },
       false},
      {"cut", [&](const e2e::fs::path& p) { e2e::fs::resize_file(p, original.size() / 2); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const e2e::fs::path log = home.Path() / "drive.jsonl";
    e2e::WriteFile(log, original);
    // Back in time, so that a rewrite is seen however coarse the file times are.
    e2e::fs::last_write_time(log, e2e::fs::last_write_time(log) - std::chrono::hours(1));
    e2e::InFreshProcess([&] {
      e2e::LoadedLibrary library(home.Path());
      ReadOptions read;
      read.BlockBytes = 4096;
      read.CacheRecords = 1;  // every record the library asks for again is read again
      LogInput input;
      input.Stream = std::make_unique<LogStream>(
          std::make_unique<ChangingSource>(log, original.size() / 3, [&] { c.change(log); }), log.string(), read);
      std::ostringstream rows;
      testing::internal::CaptureStderr();
      const int status = RunLog(*library, input, {}, OutputFormat::Csv, [&]() -> std::ostream& { return rows; }, false,
                                std::chrono::steady_clock::now());
      const std::string err = testing::internal::GetCapturedStderr();
      EXPECT_EQ(status, 2) << err;
      std::smatch m;
      ASSERT_NE(err.find(log.string() + ": the log changed while it was read ("), std::string::npos) << err;
      int last = INT32_MAX;  // found as the rows were written: the rows written stand on what was fed
      size_t left = 0;
      if (std::regex_search(err, m, std::regex(R"(; the results are those of records 0 to (\d+) \(line (\d+)\))"))) {
        last = std::stoi(m[1]);
        EXPECT_GT(last, 10);
        EXPECT_EQ(std::stoi(m[2]), last + 2) << "the line of that record (after the header)";
        if (std::regex_search(err, m, std::regex(R"(the results of (\d+) of those records are left out)")))
          left = std::stoul(m[1]);
      } else {
        EXPECT_NE(err.find("found after the whole log was fed"), std::string::npos) << err;
      }
      // The rows of those records as the unchanged log gives them.
      ParsedLog whole = ReadLogText(original, log.string());
      std::vector<std::string> expected;
      for (const std::string& line : linesOf(e2e::RunToCsv(*library, whole)))
        if (line.rfind("record,", 0) != 0 && std::stoi(line) <= last) expected.push_back(line);
      std::vector<std::string> got = linesOf(rows.str());
      ASSERT_FALSE(got.empty());
      EXPECT_EQ(got.front().rfind("record,", 0), 0u);
      got.erase(got.begin());
      std::set<int> records;  // of the rows left out
      size_t at = 0;
      for (const std::string& row : got) {
        while (at < expected.size() && expected[at] != row) records.insert(std::stoi(expected[at++]));
        EXPECT_LT(at, expected.size()) << "a row the unchanged log does not give: " << row;
        ++at;
      }
      for (; at < expected.size(); ++at) records.insert(std::stoi(expected[at]));
      if (last != INT32_MAX) {
        EXPECT_EQ(records.size(), left) << rows.str();
      }
      if (c.mostRowsKept) {
        EXPECT_LE(left, 2u);
        EXPECT_GT(got.size(), 10u);
      }
    });
  }
}

// A drive still being recorded: the log grows by whole lines while a run
// reads it. The run gives the rows of the whole log as it stands once read,
// those of the lines appended too, says on stderr that the log grew, and
// ends with status 0; whether the lines are read ahead on a thread or not.
TEST(LogFaults, ALogThatGrowsWhileARunReadsItIsRunWhole) {
  e2e::TempHome home;
  const std::string whole = e2e::ReadFile(e2e::SampleLog("umts"));
  const size_t cut = whole.find('\n', whole.size() * 2 / 3) + 1;
  const std::string first = whole.substr(0, cut), appended = whole.substr(cut);
  ASSERT_FALSE(appended.empty());
  for (const int threads : {1, 2}) {
    SCOPED_TRACE(threads);
    const e2e::fs::path log = home.Path() / "drive.jsonl";
    e2e::WriteFile(log, first);
    e2e::fs::last_write_time(log, e2e::fs::last_write_time(log) - std::chrono::hours(1));
    e2e::InFreshProcess([&] {
      e2e::LoadedLibrary library(home.Path());
      ReadOptions read;
      read.BlockBytes = 4096;
      read.Threads = threads;
      LogInput input;
      input.Stream = std::make_unique<LogStream>(std::make_unique<ChangingSource>(log, first.size() / 3, [&] {
                                                   std::FILE* file = std::fopen(log.c_str(), "ab");
                                                   ASSERT_NE(file, nullptr);
                                                   std::fwrite(appended.data(), 1, appended.size(), file);
                                                   std::fclose(file);
                                                 }),
                                                 log.string(), read);
      std::ostringstream rows;
      testing::internal::CaptureStderr();
      const int status = RunLog(*library, input, {}, OutputFormat::Csv, [&]() -> std::ostream& { return rows; }, false,
                                std::chrono::steady_clock::now());
      const std::string err = testing::internal::GetCapturedStderr();
      EXPECT_EQ(status, 0) << err;
      EXPECT_NE(err.find(fmt::format("{}: the log grew while it was read (from {} to {} bytes", log.string(),
                                     first.size(), whole.size())),
                std::string::npos)
          << err;
      EXPECT_EQ(err.find("changed while it was read"), std::string::npos) << err;
      ParsedLog all = ReadLogText(whole, log.string());
      EXPECT_EQ(linesOf(rows.str()), linesOf(e2e::RunToCsv(*library, all)));
    });
  }
}
