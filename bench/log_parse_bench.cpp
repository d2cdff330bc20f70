// Parsing a generated UMTS log (one million records by default) three ways:
// a plain simdjson on-demand pass over every line that reads every key and
// value and builds nothing (the floor), eventscan's reader of record lines on
// every line, both on one thread over the log in memory, and ReadLog on the
// file as eventscan reads it (streamed in blocks). Prints the ratio of our
// reader to the plain pass, CPU and wall.
// Usage: log_parse_bench [--records=N] [--log=PATH] [benchmark flags]
//   --log=PATH  parse this log; it is generated there first when missing and
//               then kept, so that paired runs read the same file.
#include <benchmark/benchmark.h>

#include "honest.h"
#include <simdjson.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "log/log_reader.h"
#include "log/record_parser.h"
#include "log_generator.h"

namespace fs = std::filesystem;
namespace od = simdjson::ondemand;

namespace {

size_t g_records = 1000000;
fs::path g_log;
bool g_removeLog = false;
simdjson::padded_string g_text;
eventscan::LogHeader g_header;
struct Figures {
  double cpu = 0, wall = 0;
} g_plain, g_ours, g_readLog;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
double wallSeconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Calls `line` with every non-blank record line of the log in memory and its
// offset (the header line is skipped).
template <class F>
size_t forEachRecordLine(F&& line) {
  const std::string_view text(g_text.data(), g_text.size());
  size_t pos = text.find('\n') + 1, count = 0;
  while (pos < text.size()) {
    const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
    const size_t end = nl ? static_cast<size_t>(nl - text.data()) : text.size();
    size_t len = end - pos;
    if (len > 0 && text[end - 1] == '\r') --len;
    if (len > 0) {
      line(pos, len);
      ++count;
    }
    pos = end + 1;
  }
  return count;
}

// Reads every value below `v`: keys unescaped, strings unescaped, numbers
// converted, as a reader that builds records must at least do.
uint64_t touch(od::value v) {
  uint64_t sum = 0;
  switch (v.type().value_unsafe()) {
    // Objects and arrays are named before the loop: a range over the value
    // inside a temporary result would outlive it.
    case od::json_type::object: {
      od::object object = v.get_object().value_unsafe();
      for (auto field : object) {
        sum += field.unescaped_key().value_unsafe().size();
        sum += touch(field.value());
      }
      break;
    }
    case od::json_type::array: {
      od::array array = v.get_array().value_unsafe();
      for (auto element : array) sum += touch(element.value_unsafe());
      break;
    }
    case od::json_type::number:
      sum += static_cast<uint64_t>(v.get_double().value_unsafe());
      break;
    case od::json_type::string:
      sum += v.get_string().value_unsafe().size();
      break;
    case od::json_type::boolean:
      sum += v.get_bool().value_unsafe();
      break;
    case od::json_type::null:
      sum += v.is_null();
      break;
  }
  return sum;
}

template <class F>
void timed(benchmark::State& state, Figures& keep, F&& pass) {
  double cpu = 0, wall = 0;
  size_t records = 0;
  for (auto _ : state) {
    const double c = cpuSeconds(), w = wallSeconds();
    records = pass();
    cpu += cpuSeconds() - c;
    wall += wallSeconds() - w;
  }
  const double n = static_cast<double>(state.iterations());
  keep = {cpu / n, wall / n};
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * records));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * g_text.size()));
  state.counters["records"] = static_cast<double>(records);
}

void PlainSimdjson(benchmark::State& state) {
  od::parser parser;
  timed(state, g_plain, [&] {
    uint64_t sum = 0;
    size_t records = forEachRecordLine([&](size_t pos, size_t len) {
      // The rest of the padded text is the line's padding.
      od::document doc = parser.iterate(g_text.data() + pos, len, g_text.size() + simdjson::SIMDJSON_PADDING - pos)
                             .value_unsafe();
      od::object object = doc.get_object().value_unsafe();
      for (auto field : object) {
        sum += field.unescaped_key().value_unsafe().size();
        sum += touch(field.value());
      }
    });
    benchmark::DoNotOptimize(sum);
    return records;
  });
}

void RecordLines(benchmark::State& state) {
  timed(state, g_ours, [&] {
    size_t faults = 0;
    HandsetRecord record;
    eventscan::RecordFeed feed;
    std::vector<EventTableEntry> events;
    std::vector<eventscan::DeclaredEvent> origins;
    size_t records = forEachRecordLine([&](size_t pos, size_t len) {
      record = HandsetRecord();
      feed = eventscan::RecordFeed{eventscan::RecordKind::Measurement, g_header.DeviceType, 0};
      events.clear();
      origins.clear();
      eventscan::LineTarget target{record, feed, events, origins, 0};
      try {
        eventscan::ParseRecordLine(std::string_view(g_text.data() + pos, len), g_header, target);
      } catch (const eventscan::RecordError&) {
        ++faults;
      }
      benchmark::DoNotOptimize(record.Time);
    });
    if (faults != 0) state.SkipWithError("the generated log has malformed lines");
    return records;
  });
}

void ReadLogFile(benchmark::State& state) {
  timed(state, g_readLog, [&] {
    eventscan::ParsedLog log = eventscan::ReadLog(g_log.string());
    benchmark::DoNotOptimize(log.Records.data());
    return log.Records.size();
  });
}

void prepare() {
  if (g_log.empty()) {
    g_log = fs::temp_directory_path() / ("log_parse_bench_" + std::to_string(getpid()) + ".jsonl");
    g_removeLog = true;
  }
  if (!fs::exists(g_log)) {
    loggen::GenOptions options;
    options.Network = 2;  // UMTS
    options.Records = g_records;
    std::ofstream out(g_log, std::ios::binary);
    loggen::WriteDriveTest(out, options);
  }
  if (simdjson::padded_string::load(g_log.string()).get(g_text)) {
    std::fprintf(stderr, "log_parse_bench: cannot read %s\n", g_log.c_str());
    std::exit(1);
  }
  const std::string_view text(g_text.data(), g_text.size());
  g_header = eventscan::ReadLogText(text.substr(0, text.find('\n')), g_log.string()).Header;
}

}  // namespace

BENCHMARK(PlainSimdjson)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(RecordLines)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(ReadLogFile)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);

int main(int argc, char** argv) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--records=", 10) == 0) g_records = std::strtoull(argv[i] + 10, nullptr, 10);
    else if (std::strncmp(argv[i], "--log=", 6) == 0) g_log = argv[i] + 6;
    else argv[kept++] = argv[i];
  }
  argc = kept;
  benchmark::Initialize(&argc, argv);
  prepare();
  bench::BothRates reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (g_plain.cpu > 0 && g_ours.cpu > 0) {
    std::printf("log: %s, %.1f MB\n", g_log.c_str(), static_cast<double>(g_text.size()) / 1e6);
    std::printf("record lines / plain simdjson pass: %.2fx CPU, %.2fx wall (one thread each)\n",
                g_ours.cpu / g_plain.cpu, g_ours.wall / g_plain.wall);
    if (g_readLog.cpu > 0)
      std::printf("ReadLog / plain simdjson pass: %.2fx CPU, %.2fx wall\n", g_readLog.cpu / g_plain.cpu,
                  g_readLog.wall / g_plain.wall);
  }
  if (g_removeLog) {
    std::error_code ec;
    fs::remove(g_log, ec);
  }
  return 0;
}
