// eventscan run with the log read and parsed on a second thread (--threads 2)
// against the same run on one thread (--threads 1): the same bytes on stdout
// in every format, the same messages on stderr (the seconds aside) and the
// same exit status, on the sample logs, a generated log of many batches,
// gzip-compressed logs sound and damaged, logs with malformed lines, a log
// cut in the middle of a line and a log cut while it is read.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>

#include "cli/run_log.h"
#include "log/log_source.h"
#include "log_generator.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

// The run's summary line gives its own time.
std::string withoutSeconds(const std::string& text) {
  static const std::regex seconds(R"([0-9]+\.[0-9]{3} seconds)");
  return std::regex_replace(text, seconds, "S seconds");
}

// Runs `eventscan run <args>` once a thread count and expects the same.
// Returns the one-thread run.
e2e::ShellResult expectSameRuns(const std::string& args, const e2e::fs::path& work, const std::string& env = "") {
  e2e::ShellResult runs[2];
  for (int threads : {1, 2})
    runs[threads - 1] = e2e::Shell(env + " " + EVENTSCAN_PROGRAM + " run " + args + " --threads " +
                                       std::to_string(threads),
                                   work);
  EXPECT_EQ(runs[0].Status, runs[1].Status) << args << "\n" << runs[0].Err << "\n" << runs[1].Err;
  // (A table on stdout ends in the summary line.)
  EXPECT_TRUE(withoutSeconds(runs[0].Out) == withoutSeconds(runs[1].Out)) << args << ": stdout differs";
  EXPECT_EQ(withoutSeconds(runs[0].Err), withoutSeconds(runs[1].Err)) << args;
  return runs[0];
}

std::string generated(uint8_t network, size_t records, uint64_t seed) {
  loggen::GenOptions options;
  options.Network = network;
  options.Records = records;
  options.Seed = seed;
  std::ostringstream out;
  loggen::WriteDriveTest(out, options);
  return out.str();
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

const char* const Formats[] = {"table", "csv", "json", "jsonl"};

}  // namespace

// Every sample log and a generated log of many batches, in all four formats;
// the generated one also with every record the library asks for again read
// back from its line (a cache of one record) while the other thread reads on.
TEST(ThreadedRun, TheSameRowsInEveryFormat) {
  e2e::TempHome home;
  const std::string homeArg = " --home " + home.Path().string();
  for (const char* name : e2e::SampleNames)
    for (const char* format : Formats) {
      const e2e::ShellResult run =
          expectSameRuns(e2e::SampleLog(name).string() + homeArg + " --format " + format, home.Path());
      EXPECT_EQ(run.Status, 0) << name << " " << run.Err;
      EXPECT_GT(run.Out.size(), 200u) << name << " " << format << ": hardly any rows, the test tests little";
    }
  const e2e::fs::path log = home.Path() / "drive.jsonl";
  e2e::WriteFile(log, generated(2, 40000, 7));
  for (const char* format : Formats)
    expectSameRuns(log.string() + homeArg + " --format " + format, home.Path());
  expectSameRuns(log.string() + homeArg + " --format csv", home.Path(), "EVENTSCAN_RECORD_CACHE=1");
  const e2e::ShellResult parsed = expectSameRuns(log.string() + homeArg + " --parse-only", home.Path());
  EXPECT_TRUE(std::regex_search(parsed.Err, std::regex("^400[0-9]{2} records, 0 malformed lines skipped"))) << parsed.Err;
  // Standard input through a pipe, kept in a temporary file as it is read.
  expectSameRuns("-" + homeArg + " --format jsonl", home.Path(), "cat " + log.string() + " |");
}

// Faults: malformed lines here and there (skipped, or the end with --strict),
// a log cut in the middle of its last line, a gzip-compressed log and the
// same compressed log cut short (the records before the damage are run). The
// messages name the same lines and the same record counts.
TEST(ThreadedRun, TheSameFaultsAtTheSameRecords) {
  e2e::TempHome home;
  const std::string homeArg = " --home " + home.Path().string();
  const std::string text = generated(0, 30000, 11);
  std::vector<std::string> lines = linesOf(text);
  for (size_t i = 1000; i < lines.size(); i += 2741) lines[i].insert(lines[i].size() / 2, "\"broken");
  lines[20000] = "{\"time\": \"2026-03-14T11:00:00\", \"fields\": {\"RxLevSubb\": -70}}";  // an unknown field name
  const e2e::fs::path malformed = home.Path() / "malformed.jsonl";
  e2e::WriteFile(malformed, joined(lines));
  for (const char* format : {"csv", "jsonl"}) {
    const e2e::ShellResult run = expectSameRuns(malformed.string() + homeArg + " --format " + format, home.Path());
    EXPECT_EQ(run.Status, 0) << run.Err;
    EXPECT_NE(run.Err.find("malformed.jsonl:1001: "), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find(", 11 malformed lines skipped"), std::string::npos) << run.Err;
  }
  const e2e::ShellResult strict = expectSameRuns(malformed.string() + homeArg + " --strict --format csv", home.Path());
  EXPECT_EQ(strict.Status, 2) << strict.Err;
  EXPECT_NE(strict.Err.find("stopped at the first malformed line"), std::string::npos) << strict.Err;

  const e2e::fs::path cut = home.Path() / "cut.jsonl";
  e2e::WriteFile(cut, text.substr(0, text.size() / 2 + 17));
  const e2e::ShellResult cutRun = expectSameRuns(cut.string() + homeArg + " --format csv", home.Path());
  EXPECT_NE(cutRun.Err.find(", 1 malformed lines skipped"), std::string::npos) << cutRun.Err;

  const e2e::fs::path packed = home.Path() / "drive.jsonl.gz";
  e2e::WriteFile(home.Path() / "drive.jsonl", text);
  ASSERT_EQ(e2e::Shell("gzip -c " + (home.Path() / "drive.jsonl").string() + " > " + packed.string(), home.Path()).Status,
            0);
  for (const char* format : {"table", "json"})
    EXPECT_EQ(expectSameRuns(packed.string() + homeArg + " --format " + format, home.Path()).Status, 0);
  const std::string bytes = e2e::ReadFile(packed);
  const e2e::fs::path damaged = home.Path() / "damaged.jsonl.gz";
  e2e::WriteFile(damaged, bytes.substr(0, bytes.size() * 2 / 3));
  const e2e::ShellResult damagedRun = expectSameRuns(damaged.string() + homeArg + " --format csv", home.Path());
  EXPECT_EQ(damagedRun.Status, 2) << damagedRun.Err;
  EXPECT_NE(damagedRun.Err.find("fault: "), std::string::npos) << damagedRun.Err;
}

namespace {

// A file that is cut once its reading in order has passed `after` bytes: the
// change is then found by the next read in order, at the same line whichever
// thread reads.
class CuttingSource : public LogSource {
 public:
  CuttingSource(const e2e::fs::path& path, uint64_t after, uint64_t to)
      : inner_(OpenLogSource(path.string())), path_(path), after_(after), to_(to) {}
  size_t Read(char* buffer, size_t size) override {
    const size_t n = inner_->Read(buffer, size);
    passed_ += n;
    if (!cut_ && passed_ > after_) {
      e2e::fs::resize_file(path_, to_);
      cut_ = true;
    }
    return n;
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override { inner_->ReadAt(offset, size, out); }
  uint64_t Size() const override { return inner_->Size(); }

 private:
  std::unique_ptr<LogSource> inner_;
  e2e::fs::path path_;
  uint64_t after_, to_, passed_ = 0;
  bool cut_ = false;
};

}  // namespace

// A log cut while it is read: the run stops at the same record with the same
// message and the same rows, whether the lines are read on the feeding
// thread or ahead of it on another.
TEST(ThreadedRun, ALogCutWhileItIsReadStopsAtTheSameRecord) {
  e2e::TempHome home;
  const std::string text = generated(2, 20000, 5);
  const e2e::fs::path log = home.Path() / "drive.jsonl";
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    std::string rows[2], err[2];
    for (int threads : {1, 2}) {
      e2e::WriteFile(log, text);
      ReadOptions read;
      read.BlockBytes = 64 << 10;
      read.Threads = threads;
      LogInput input;
      input.Stream = std::make_unique<LogStream>(
          std::make_unique<CuttingSource>(log, text.size() / 3, text.size() / 2), log.string(), read);
      std::ostringstream out;
      testing::internal::CaptureStderr();
      const int status = RunLog(*library, input, {}, OutputFormat::Csv, [&]() -> std::ostream& { return out; }, false,
                                std::chrono::steady_clock::now());
      err[threads - 1] = withoutSeconds(testing::internal::GetCapturedStderr());
      rows[threads - 1] = out.str();
      EXPECT_EQ(status, 2) << err[threads - 1];
    }
    EXPECT_NE(err[0].find(": the log changed while it was read (its size went from"), std::string::npos) << err[0];
    EXPECT_NE(err[0].find("; the results are those of records 0 to "), std::string::npos) << err[0];
    EXPECT_EQ(err[0], err[1]);
    EXPECT_GT(linesOf(rows[0]).size(), 100u);
    EXPECT_TRUE(rows[0] == rows[1]) << "the rows differ";
  });
}
