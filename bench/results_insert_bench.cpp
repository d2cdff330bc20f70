// AddResult of n results whose records arrive in time order, in reverse time
// order and shuffled. With cached sort keys and a binary search, out-of-order
// arrivals cost one record load and log n key comparisons each instead of a
// record load per listed result; what stays linear per insertion is moving
// the list's pointers (a memmove), which is cheap next to loading records.
// Google Benchmark fits the complexity it sees.
#include <benchmark/benchmark.h>

#include "honest.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "detection/act_events_result.h"
#include "eventmanager/outside/data_access.h"

namespace {

struct Host {
  std::vector<HandsetRecord> records;
  explicit Host(int64_t n) : records(static_cast<size_t>(n)) {
    for (size_t i = 0; i < records.size(); ++i) records[i].Time = records[i].OrderTime = 46000.0 + i / 86400.0;
  }
  static int32_t load(void* self, RecordView* view, int32_t index) {
    auto& records = static_cast<Host*>(self)->records;
    if (index < 0 || static_cast<size_t>(index) >= records.size()) {
      view->Reset();
      return 0;
    }
    view->Load(&records[static_cast<size_t>(index)]);
    return 1;
  }
};

enum Order { InOrder, Reversed, Shuffled };

void insert(benchmark::State& state, Order order) {
  const int64_t n = state.range(0);
  Host host(n);
  std::vector<int32_t> arrival(static_cast<size_t>(n));
  std::iota(arrival.begin(), arrival.end(), 0);
  if (order == Reversed) std::reverse(arrival.begin(), arrival.end());
  if (order == Shuffled) std::shuffle(arrival.begin(), arrival.end(), std::mt19937(7));
  for (auto _ : state) {
    TActEventsResult results;
    results.OnGetRecord = {&Host::load, &host};
    for (int32_t record : arrival) {
      auto r = TActEventResult::CreateForGate(&results, record, nullptr);
      if (results.AddResult(r.get()) >= 0) r.release();
    }
    benchmark::DoNotOptimize(results.GetCount());
  }
  state.SetComplexityN(n);
  bench::ReportRates(state, static_cast<double>(n));
}

void BM_AddResultInOrder(benchmark::State& state) { insert(state, InOrder); }
void BM_AddResultReversed(benchmark::State& state) { insert(state, Reversed); }
void BM_AddResultShuffled(benchmark::State& state) { insert(state, Shuffled); }

BENCHMARK(BM_AddResultInOrder)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity()
    ->Apply(bench::Honest);
BENCHMARK(BM_AddResultReversed)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity(benchmark::oNLogN)
    ->Apply(bench::Honest);
BENCHMARK(BM_AddResultShuffled)->RangeMultiplier(4)->Range(1 << 10, 1 << 16)->Complexity(benchmark::oNLogN)
    ->Apply(bench::Honest);

}  // namespace

int main(int argc, char** argv) { return bench::Main(argc, argv); }
