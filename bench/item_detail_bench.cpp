// Cost of one test-item detail text over a mix of every identifier with a
// row, each with a block that fills its layout; reported per item.
#include <benchmark/benchmark.h>

#include "honest.h"

#include <cstring>
#include <string>
#include <vector>

#include "detection/item_detail.h"

namespace {

struct Sample {
  TestItem Item;
  std::string Block;
  TItemDetailContext Context;
};

std::vector<Sample> samples() {
  std::vector<Sample> out;
  auto add = [&](int16_t id, uint8_t net) {
    Sample s{};
    s.Item.EventId = id;
    // Plausible values: small positive numbers, a text from offset 8 on.
    s.Block.assign(200, '\0');
    for (size_t off = 0; off + 4 <= 40; off += 4) {
      int32_t v = static_cast<int32_t>(1000 + off * 37);
      std::memcpy(s.Block.data() + off, &v, 4);
    }
    s.Block[0] = 1;
    s.Item.ExtraLength = static_cast<uint16_t>(s.Block.size());
    s.Context.NetType = net;
    s.Context.RecordNetType = net;
    out.push_back(std::move(s));
  };
  for (int16_t id = 1; id <= 245; ++id) add(id, 2);
  for (int16_t n = 1; n <= 88; ++n)
    for (uint8_t net = 0; net < 4; ++net) add(static_cast<int16_t>(10000 + n), net);
  return out;
}

void BM_BuildItemDetail(benchmark::State& state) {
  std::vector<Sample> all = samples();
  size_t i = 0;
  for (auto _ : state) {
    const Sample& s = all[i];
    benchmark::DoNotOptimize(BuildItemDetail(s.Item, s.Block, s.Context));
    if (++i == all.size()) i = 0;
  }
  bench::ReportRates(state, 1);
}
BENCHMARK(BM_BuildItemDetail)->Apply(bench::Honest);

void BM_SpeedText(benchmark::State& state) {
  int64_t bytes = 1;
  for (auto _ : state) benchmark::DoNotOptimize(SpeedText(bytes++, 2000));
}
BENCHMARK(BM_SpeedText)->Apply(bench::Honest);

}  // namespace

int main(int argc, char** argv) { return bench::Main(argc, argv); }
