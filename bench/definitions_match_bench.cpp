// A message offered to 100 message events through the real message pass
// (FeedRecord with the list's code filter built, as a host feeds it): for a
// message whose code no event uses, and for one that starts an event. One
// item is one message record; ns per message is the time per item.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "detection/act_events_result.h"
#include "eventmanager/outside/data_access.h"
#include "honest.h"
#include "platform/component_registry.h"
#include "testing/definition_set.h"
#include "testing/in_memory_host.h"
#include "testing/record_builder.h"

namespace {

constexpr size_t Messages = 20000;

struct EventList : TDefinitionSet {
  EventList() {
    CoInitialize();
    SetNetwork(0);
    for (int i = 0; i < 100; ++i) {
      TMsgEvent* event = AddEvent("Event " + std::to_string(i));
      TLevelNode* first = AddLevel(event, nullptr, 0x012F0500 + i);
      AddLevel(event, first, 0x012F1300 + i, "Report " + std::to_string(i));
    }
    Link();
  }
};

struct Log {
  std::vector<HandsetRecord> records;
  explicit Log(uint32_t code) : records(Messages) {
    for (size_t i = 0; i < records.size(); ++i) {
      HandsetRecord& r = records[i];
      SetRecordTime(r, i, 0.1);
      r.MessageCode = code;
      for (int16_t field = 0; field < 10; ++field) r.SetField(field, -70 - field);
    }
  }
};

void feedAll(benchmark::State& state, uint32_t code) {
  static EventList events;
  Log log(code);
  for (auto _ : state) {
    state.PauseTiming();
    TActEventsResult results;
    results.SetNetType(0);
    results.OnGetRecord = {&bench::LoadRecord<Log>, &log};
    results.OnEventFilter = {&bench::AcceptAll, nullptr};
    state.ResumeTiming();
    for (size_t i = 0; i < log.records.size(); ++i)
      results.FeedRecord(0, static_cast<int32_t>(i), true, false, false, 0, &events.messages, &events.gates,
                         &events.tests);
    state.PauseTiming();
    state.counters["results"] = results.GetCount();
    state.ResumeTiming();
  }
  bench::ReportRates(state, static_cast<double>(log.records.size()));
}

void BM_MessagePassUnusedCode(benchmark::State& state) { feedAll(state, 0x012F0777); }
void BM_MessagePassStartingCode(benchmark::State& state) { feedAll(state, 0x012F0540); }

}  // namespace

BENCHMARK(BM_MessagePassUnusedCode)->Unit(benchmark::kMicrosecond)->Apply(bench::Honest);
BENCHMARK(BM_MessagePassStartingCode)->Unit(benchmark::kMicrosecond)->Apply(bench::Honest);
int main(int argc, char** argv) { return bench::Main(argc, argv); }
