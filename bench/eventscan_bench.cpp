// eventscan end to end on a generated drive-test log (one million records by
// default) against reading and parsing the same log without detection, both
// the way `eventscan run` reads: a stream over the file, records parsed and
// fed as they are read. Reports records per second of each and the ratio,
// which is what detection costs on top of reading; and HostFeed, the records fed through the host
// session eventscan uses with the log already in memory (the cost of the
// passes alone). Usage: eventscan_bench [--records=N] [benchmark flags]
#include <benchmark/benchmark.h>

#include "honest.h"

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "host/host_library.h"
#include "host/host_session.h"
#include "host/large_pages.h"
#include "host/log_input.h"
#include "log/log_reader.h"
#include "log_generator.h"
#include "output/output_formats.h"

namespace fs = std::filesystem;

namespace {

size_t g_records = 1000000;
fs::path g_work, g_log;
eventscan::HostLibrary* g_library = nullptr;
double g_parseSeconds = 0, g_endToEndSeconds = 0, g_programSeconds = 0;
size_t g_parsedRecords = 0;
using LogInputPtr = std::unique_ptr<eventscan::LogInput>;

// Discards what is written, as --output /dev/null would.
class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

// CPU time (user and system) of the children that ended so far.
double childCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// Opens the log as `eventscan run` does: a stream over the file, read in
// blocks as it is fed, never held whole in memory.
LogInputPtr openLog() {
  std::optional<eventscan::LogInput> input = eventscan::OpenLogOrCapture(g_log.string(), eventscan::ReadOptions{});
  if (!input || !input->Stream) throw std::runtime_error("cannot stream " + g_log.string());
  return std::make_unique<eventscan::LogInput>(std::move(*input));
}

// The records of each benchmark are its own: counted in its own runs, so
// that any one benchmark run alone reports its rate.
void report(benchmark::State& state, double seconds, size_t records, double& keep) {
  keep = seconds / static_cast<double>(state.iterations());
  g_parsedRecords = records;
  bench::ReportRates(state, static_cast<double>(records));
  state.counters["records"] = static_cast<double>(records);
}

// What eventscan run --parse-only does: every record read and parsed
// through the stream, then the event-table entries checked.
void ParseOnly(benchmark::State& state) {
  double seconds = 0;
  size_t records = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    LogInputPtr input = openLog();
    eventscan::LogStream& log = *input->Stream;
    int64_t sum = 0;
    while (log.Next()) sum += log.Current().MessageCode;
    for (size_t i = 0; i < log.Events().size() && !log.Stopped(); ++i) log.CheckEvent(i);
    benchmark::DoNotOptimize(sum);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    records = input->Records();
    state.PauseTiming();
    input.reset();  // closing the file and freeing the stream's buffers are not timed
    state.ResumeTiming();
  }
  report(state, seconds, records, g_parseSeconds);
}

// What eventscan run does in-process: open the log as a stream, load the
// definitions, feed every record as it is read, read the results back and
// write them as CSV to a stream that discards them. The session's end (the
// library saving what changed, the results freed) is not timed.
void EndToEnd(benchmark::State& state) {
  double seconds = 0;
  size_t results = 0, records = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    LogInputPtr input = openLog();
    auto session = std::make_unique<eventscan::HostSession>(*g_library, input->Header().Network);
    session->Feed(*input->Stream);
    NullBuffer null;
    std::ostream out(&null);
    results = eventscan::WriteResults(out, session->Results(), session->Filter(), eventscan::OutputFormat::Csv);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    records = input->Records();
    state.PauseTiming();
    session.reset();
    input.reset();
    state.ResumeTiming();
  }
  state.counters["results"] = static_cast<double>(results);
  report(state, seconds, records, g_endToEndSeconds);
}

// Feeding alone: the log read once and held in memory, a fresh session per
// iteration (its set-up not timed), every record fed as eventscan feeds it.
void HostFeed(benchmark::State& state) {
  static eventscan::ParsedLog log = eventscan::ReadLog(g_log.string());
  std::vector<size_t> items;
  for (const HandsetRecord& r : log.Records) items.push_back(r.Items.size());
  size_t results = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      eventscan::HostSession session(*g_library, log.Header.Network);
      state.ResumeTiming();
      session.Feed(log);
      state.PauseTiming();
      results = static_cast<size_t>(session.Results().GetCount());
    }
    // Items the passes derived go, so that every feed sees the log as read.
    for (size_t i = 0; i < log.Records.size(); ++i)
      if (log.Records[i].Items.size() > items[i]) log.Records[i].Items.resize(items[i]);
    state.ResumeTiming();
  }
  state.counters["results"] = static_cast<double>(results);
  bench::ReportRates(state, static_cast<double>(log.Records.size()));
}

// Writing the results of a run in each output format to a stream that
// discards them: rows per second of the writer alone.
void WriteRows(benchmark::State& state) {
  static eventscan::ParsedLog log = eventscan::ReadLog(g_log.string());
  static eventscan::HostSession* session = [] {
    auto* s = new eventscan::HostSession(*g_library, log.Header.Network);
    s->Feed(log);
    return s;
  }();
  const auto format = static_cast<eventscan::OutputFormat>(state.range(0));
  NullBuffer null;
  std::ostream out(&null);
  size_t rows = 0;
  for (auto _ : state) rows = eventscan::WriteResults(out, session->Results(), session->Filter(), format);
  state.counters["rows"] = static_cast<double>(rows);
  bench::ReportRates(state, static_cast<double>(rows));
}

// The eventscan program itself, start-up and library load included.
void Program(benchmark::State& state) {
  std::string command = std::string(EVENTSCAN_PROGRAM) + " run " + g_log.string() + " --home " +
                        (g_work / "home").string() + " --format csv --output /dev/null 2>/dev/null";
  double seconds = 0, childCpu = 0;
  if (std::system(command.c_str()) != 0) state.SkipWithError("eventscan run failed");  // warm-up, untimed
  for (auto _ : state) {
    const double cpuBefore = childCpuSeconds();
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) state.SkipWithError("eventscan run failed");
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    childCpu += childCpuSeconds() - cpuBefore;
  }
  // The work is the child's: this process's CPU time says nothing, so the
  // rates are given here from the child's times, not by items_per_second.
  g_programSeconds = seconds / static_cast<double>(state.iterations());
  const double records = static_cast<double>(g_parsedRecords * state.iterations());
  state.counters["records"] = static_cast<double>(g_parsedRecords);
  state.counters["eventscan_records_per_second"] = records / seconds;
  state.counters["eventscan_cpu_records_per_second"] = records / childCpu;
}

void prepare() {
  g_work = fs::temp_directory_path() / ("eventscan_bench_" + std::to_string(getpid()));
  fs::create_directories(g_work / "home");
  const fs::path sample = fs::path(EVENTMANAGER_SOURCE_DIR) / "data" / "sample";
  for (const char* f : {"EventsDefine.cfg", "EventsProperty.cfg"}) fs::copy_file(sample / f, g_work / "home" / f);
  g_log = g_work / "drive.jsonl";
  loggen::GenOptions options;
  options.Network = 2;  // UMTS: the largest sample definitions
  options.Records = g_records;
  std::ofstream out(g_log, std::ios::binary);
  loggen::WriteDriveTest(out, options);
  setenv("EVENTMANAGER_HOME", (g_work / "home").c_str(), 1);
  g_library = new eventscan::HostLibrary(EVENTMANAGER_LIBRARY);
}

}  // namespace

BENCHMARK(ParseOnly)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(EndToEnd)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(HostFeed)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(WriteRows)
    ->ArgName("format")
    ->Arg(static_cast<int>(eventscan::OutputFormat::Table))
    ->Arg(static_cast<int>(eventscan::OutputFormat::Csv))
    ->Arg(static_cast<int>(eventscan::OutputFormat::Json))
    ->Arg(static_cast<int>(eventscan::OutputFormat::JsonLines))
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::Honest);
BENCHMARK(Program)->Unit(benchmark::kMillisecond)->Apply(bench::HonestOnce);

int main(int argc, char** argv) {
  eventscan::UseLargeHeapPages(argv);  // as eventscan itself runs
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--records=", 10) == 0) {
      g_records = std::strtoull(argv[i] + 10, nullptr, 10);
      for (int j = i; j + 1 < argc; ++j) argv[j] = argv[j + 1];
      --argc;
      break;
    }
  benchmark::Initialize(&argc, argv);
  prepare();
  bench::BothRates reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (g_parseSeconds > 0 && g_endToEndSeconds > 0) {
    double n = static_cast<double>(g_parsedRecords);
    std::printf("log: %zu records (%.1f MB)\n", g_parsedRecords, static_cast<double>(fs::file_size(g_log)) / 1e6);
    std::printf("parse only:  %.0f records/s\n", n / g_parseSeconds);
    std::printf("end to end:  %.0f records/s (in-process)\n", n / g_endToEndSeconds);
    if (g_programSeconds > 0) std::printf("eventscan:   %.0f records/s (the program)\n", n / g_programSeconds);
    std::printf("ratio end to end / parse only: %.2f\n", g_endToEndSeconds / g_parseSeconds);
  }
  // The library stays loaded: unloading it is the process's last act anyway.
  std::error_code ec;
  fs::remove_all(g_work, ec);
  return 0;
}
