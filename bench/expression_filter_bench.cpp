// The expression library alone: a two-comparison expression evaluated on
// fresh values, in ns per evaluation. A whole gate evaluation (record load,
// field lookup, gate state) costs more; see the gate pass benchmark.
#include <cstdint>

#include <benchmark/benchmark.h>

#include "honest.h"

#include "eventmanager/outside/expression_filter.h"
#include "platform/component_registry.h"

static void BM_EvaluateTwoComparisons(benchmark::State& state) {
  CoInitialize();
  {
    auto filter = CoExpressionFilter::Create();
    const int32_t* ids = nullptr;
    uint8_t count = 0;
    int32_t reserved = 0;
    filter->ParseExpression(0, "RxLevSub < -100 and RxQualSub >= 5", reserved, ids, count);
    int32_t values[2] = {-90, 3};
    int64_t holds = 0;
    for (auto _ : state) {
      values[0] = -95 - static_cast<int32_t>(state.iterations() & 15);
      holds += filter->EvaluateValues(values);
    }
    benchmark::DoNotOptimize(holds);
    bench::ReportRates(state, 1);
  }
  CoUninitialize();
}
BENCHMARK(BM_EvaluateTwoComparisons)->Apply(bench::Honest);

int main(int argc, char** argv) { return bench::Main(argc, argv); }
