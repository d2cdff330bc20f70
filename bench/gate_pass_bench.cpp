// The whole gate evaluation through the real pass: FeedRecord on layer-3
// message records that no message event uses, so the time is the gate pass
// itself (record loaded, fields read, expression evaluated, state updated).
// 10, 100 and 1000 expression gates on records of ten measured fields, and
// none, which shows what FeedRecord costs around the pass.
// After the runs a summary gives records per second (CPU and wall), the cost
// of one gate evaluation, allocations per record, and the scaling exponent
// between gate counts (1.0: the cost per gate does not grow with the count).
// The log size is EVENTMANAGER_BENCH_RECORDS (default 20000 records).
#include <benchmark/benchmark.h>

#include "honest.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "detection/act_events_result.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "testing/definition_set.h"
#include "testing/in_memory_host.h"
#include "testing/record_builder.h"

// Every allocation of the process, the libraries' included, is counted.
#include "testing/counting_allocator.h"

namespace {

size_t recordCount() { return bench::RecordCount(20000); }

// GSM message records with the ten fields a GSM handset reports with them.
struct Log {
  std::vector<HandsetRecord> records;
  Log() {
    std::mt19937 random(11);
    size_t n = recordCount();
    records.resize(n);
    int bcch = 0, bsic = 0;
    for (size_t i = 0; i < n; ++i) {
      HandsetRecord& r = records[i];
      SetRecordTime(r, i, 0.5);
      r.NetType = 0;
      r.MessageCode = gsm::MeasurementReport;  // no message event waits for it
      // The serving cell stays for 100 records (50 s): drawn anew every
      // record, each record would be a cell reselection with its derived
      // item and result, and the pass's cost hidden under theirs.
      if (i % 100 == 0) {
        bcch = 60 + static_cast<int>(random() % 40);
        bsic = static_cast<int>(random() % 64);
      }
      r.SetField(0, bcch);                                    // BCCH
      r.SetField(1, bsic);                                    // BSIC
      r.SetField(2, -60 - static_cast<int>(random() % 55));   // RxLevFull
      r.SetField(3, -60 - static_cast<int>(random() % 55));   // RxLevSub
      r.SetField(4, static_cast<int>(random() % 8));          // RxQualFull
      r.SetField(5, static_cast<int>(random() % 8));          // RxQualSub
      r.SetField(6, static_cast<int>(random() % 64));         // TA
      r.SetField(8, 1000 + static_cast<int>(random() % 50));  // CellId
      r.SetField(10, 4000 + static_cast<int>(random() % 4));  // LAC
      r.SetField(11, static_cast<int>(random() % 30));        // C_I
    }
  }
};

Log& log() {
  static Log l;
  return l;
}

// Expressions of the forms users write, over different fields and thresholds,
// so that gates hold now and then and fire rarely, as real ones do.
std::string expressionFor(int i) {
  int k = i % 7;
  switch (i % 5) {
    case 0: return "RxLevSub < " + std::to_string(-100 - k) + " and RxQualSub >= " + std::to_string(4 + k % 3);
    case 1: return "RxLevFull < " + std::to_string(-104 - k) + " or C_I < " + std::to_string(1 + k % 2);
    case 2: return "TA > " + std::to_string(55 + k) + " and RxLevSub < -90.5";
    case 3: return "(RxQualFull > 5 or RxQualSub > 6) and not C_I >= " + std::to_string(3 + k);
    default: return "BCCH = " + std::to_string(60 + k) + " and RxLevSub <= " + std::to_string(-95 - k);
  }
}

struct Definitions : TDefinitionSet {
  explicit Definitions(int gateCount) {
    CoInitialize();
    SetNetwork(0);
    for (int i = 0; i < gateCount; ++i) AddExpressionGate("Gate " + std::to_string(i), expressionFor(i), 3);
    Link();
  }
};

void BM_GatePass(benchmark::State& state) {
  Log& l = log();
  const int gateCount = static_cast<int>(state.range(0));
  Definitions defs(gateCount);
  TActEventsResult results;
  results.SetNetType(0);
  results.OnGetRecord = {&bench::LoadRecord<Log>, &l};
  results.OnEventFilter = {&bench::AcceptAll, nullptr};
  auto feedAll = [&] {
    for (size_t i = 0; i < l.records.size(); ++i)
      results.FeedRecord(0, static_cast<int32_t>(i), true, false, false, 0, &defs.messages, &defs.gates,
                         &defs.tests);
  };
  feedAll();  // warm-up: every buffer sized, every cache filled
  uint64_t allocations = 0;
  int64_t fired = 0;
  for (auto _ : state) {
    state.PauseTiming();
    results.Clear();
    uint64_t before = counting_allocator::Count.load(std::memory_order_relaxed);
    state.ResumeTiming();
    feedAll();
    state.PauseTiming();
    allocations += counting_allocator::Count.load(std::memory_order_relaxed) - before;
    fired += results.GetCount();
    state.ResumeTiming();
  }
  double records = static_cast<double>(state.iterations()) * l.records.size();
  state.SetItemsProcessed(static_cast<int64_t>(records));
  // Results allocate themselves (rare); the rest is the pass's own.
  state.counters["allocs/record"] = records ? static_cast<double>(allocations) / records : 0;
  state.counters["results/record"] = records ? fired / records : 0;
  state.counters["gates"] = gateCount;
}

// Keeps every run for the summary.
class Collector : public benchmark::ConsoleReporter {
 public:
  struct Figures {
    double cpu = 0, wall = 0;  // seconds per record
    double allocs = 0;
  };
  std::map<int, std::vector<Figures>> runs;  // by gate count

  void ReportRuns(const std::vector<Run>& reports) override {
    ConsoleReporter::ReportRuns(reports);
    for (const Run& r : reports) {
      if (r.run_type != Run::RT_Iteration || r.error_occurred) continue;
      double perIteration = static_cast<double>(log().records.size());
      Figures f;
      f.cpu = r.cpu_accumulated_time / r.iterations / perIteration;
      f.wall = r.real_accumulated_time / r.iterations / perIteration;
      auto a = r.counters.find("allocs/record");
      if (a != r.counters.end()) f.allocs = a->second.value;
      runs[static_cast<int>(r.counters.at("gates").value)].push_back(f);
    }
  }
};

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

BENCHMARK(BM_GatePass)->Arg(0)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)
    ->Apply(bench::Honest)
    ->ReportAggregatesOnly(false);  // the summary below takes the medians of the runs itself

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);
  benchmark::Shutdown();

  std::printf("\ngate pass, %zu records of 10 fields, medians of the repetitions\n", log().records.size());
  std::printf("%6s %14s %14s %12s %12s %13s\n", "gates", "records/s CPU", "records/s wall", "ns/gate CPU",
              "ns/gate wall", "allocs/record");
  std::map<int, std::pair<double, double>> perRecord;
  for (auto& [gates, figures] : collector.runs) {
    std::vector<double> cpu, wall, allocs;
    for (auto& f : figures) {
      cpu.push_back(f.cpu);
      wall.push_back(f.wall);
      allocs.push_back(f.allocs);
    }
    double c = median(cpu), w = median(wall);
    perRecord[gates] = {c, w};
    // No gates: what FeedRecord costs around the pass, for reference.
    double perGate = gates ? 1e9 / gates : 0;
    std::printf("%6d %14.0f %14.0f %12.2f %12.2f %13.3f\n", gates, 1 / c, 1 / w, c * perGate, w * perGate,
                median(allocs));
  }
  // Cost per record ~ gates^k: k = 1 when one more gate costs the same at any count.
  for (auto [from, to] : {std::pair{10, 100}, std::pair{100, 1000}}) {
    if (!perRecord.count(from) || !perRecord.count(to)) continue;
    double span = std::log(static_cast<double>(to) / from);
    std::printf("scaling exponent %d -> %d gates: %.3f CPU, %.3f wall\n", from, to,
                std::log(perRecord[to].first / perRecord[from].first) / span,
                std::log(perRecord[to].second / perRecord[from].second) / span);
  }
  return 0;
}
