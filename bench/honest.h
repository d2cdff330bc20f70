// The settings every benchmark here runs with: a warm-up before measuring,
// five repetitions reported as mean, median and spread, and the rate given
// by both clocks (items_per_second by wall time, cpu_items_per_second by CPU
// time). The ctest smoke run (EVENTMANAGER_BENCH_SMOKE set) does one short
// repetition without warm-up: it checks that the benchmark runs, not speed.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <vector>

#include <benchmark/benchmark.h>

namespace bench {

inline bool SmokeRun() { return std::getenv("EVENTMANAGER_BENCH_SMOKE") != nullptr; }

// BENCHMARK(Name)->Apply(bench::Honest)
inline void Honest(benchmark::internal::Benchmark* b) {
  const bool smoke = SmokeRun();
  b->MinWarmUpTime(smoke ? 0.0 : 0.5)->Repetitions(smoke ? 1 : 5)->ReportAggregatesOnly(!smoke)->UseRealTime();
}

// For a benchmark whose iteration is a whole program run: one iteration a
// repetition; the benchmark runs the program once untimed to warm up (the
// library cannot warm up fixed iterations itself).
inline void HonestOnce(benchmark::internal::Benchmark* b) {
  const bool smoke = SmokeRun();
  b->Iterations(1)->Repetitions(smoke ? 1 : 5)->ReportAggregatesOnly(!smoke)->UseRealTime();
}

// Records the items processed: items_per_second comes out by wall time, and
// the reporter below adds the same rate by CPU time.
inline void ReportRates(benchmark::State& state, double itemsPerIteration) {
  state.SetItemsProcessed(static_cast<int64_t>(itemsPerIteration * static_cast<double>(state.iterations())));
}

// The console reporter with cpu_items_per_second beside items_per_second
// (the library divides every rate by one clock only, wall time here).
class BothRates : public benchmark::ConsoleReporter {
 public:
  BothRates() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> copy = runs;
    for (Run& r : copy) {
      auto items = r.counters.find("items_per_second");
      if (items == r.counters.end() || r.cpu_accumulated_time <= 0 || r.real_accumulated_time <= 0) continue;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name != "mean" && r.aggregate_name != "median") continue;
      const bool byWall = r.run_name.time_type == "real_time";
      const double rate = byWall ? items->second.value * r.real_accumulated_time / r.cpu_accumulated_time
                                 : items->second.value;
      r.counters["cpu_items_per_second"] = benchmark::Counter(rate);
    }
    ConsoleReporter::ReportRuns(copy);
  }
};

// main() of a benchmark program.
inline int Main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  BothRates reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

}  // namespace bench
