// MatchStart over a list of 100 message events: for a message whose code no
// event uses, and for one that starts an event. Reports ns per message.
#include <benchmark/benchmark.h>

#include "definitions/msg_event_list.h"

namespace {

struct EventList {
  TMsgEventList list;
  EventList() {
    list.SetNetType(0);
    for (int i = 0; i < 100; ++i) {
      auto* event = new TMsgEvent(&list);
      event->EventName = "Event " + std::to_string(i);
      auto* first = new TLevelNode(event, nullptr);
      first->MsgNodes->AddNode(0, 0x012F0500 + i, 0);
      event->AddLevel(first);
      auto* second = new TLevelNode(event, first);
      second->MsgNodes->AddNode(0, 0x012F1300 + i, 0);
      second->ReportName = "Report " + std::to_string(i);
      first->AddChild(second);
      list.Add(event);
    }
    list.RebuildCodeFilter();
  }
};

void matchAll(benchmark::State& state, uint32_t code) {
  static EventList events;
  std::string bytes;
  TMatchInput in;
  in.MessageCode = code;
  in.SubIndex = 0;
  in.Data = &bytes;
  for (auto _ : state) {
    bool any = false;
    for (int i = 0; i < events.list.Count(); ++i) any |= events.list.Event(i)->MatchStart(in);
    benchmark::DoNotOptimize(any);
  }
  // One iteration is one message offered to all 100 events: the time per
  // iteration is the time per message.
  state.SetItemsProcessed(state.iterations());
}

void BM_MatchStartUnusedCode(benchmark::State& state) { matchAll(state, 0x012F0777); }
void BM_MatchStartStartingCode(benchmark::State& state) { matchAll(state, 0x012F0540); }

}  // namespace

BENCHMARK(BM_MatchStartUnusedCode);
BENCHMARK(BM_MatchStartStartingCode);
BENCHMARK_MAIN();
