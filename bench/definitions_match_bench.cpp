// A message offered to 100 message events through the real message pass
// (FeedRecord with the list's code filter built, as a host feeds it): for a
// message whose code no event uses, and for one that starts an event. One
// item is one message record; ns per message is the time per item.
#include <benchmark/benchmark.h>

#include "honest.h"

#include <string>
#include <vector>

#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "properties/event_property_list.h"

namespace {

constexpr size_t Messages = 20000;

struct EventList {
  TMsgEventList list;
  TGateEventList gates;
  TTestEvents tests;
  TEventPropertyList msgProps{1, 0, "Message"}, gateProps{2, 0, "Warning"}, testProps{0, 255, ""};
  EventList() {
    CoInitialize();
    list.SetNetType(0);
    gates.SetNetType(0);
    for (int i = 0; i < 100; ++i) {
      auto* event = new TMsgEvent(&list);
      event->EventName = "Event " + std::to_string(i);
      auto* first = new TLevelNode(event, nullptr);
      first->MsgNodes->AddNode(0, (gsm::Prefix | 0x0500) + i, 0);
      event->AddLevel(first);
      auto* second = new TLevelNode(event, first);
      second->MsgNodes->AddNode(0, (gsm::Prefix | 0x1300) + i, 0);
      second->ReportName = "Report " + std::to_string(i);
      first->AddChild(second);
      list.Add(event);
    }
    list.RebuildCodeFilter();
    list.LinkProperties(&msgProps);
    gates.LinkProperties(&gateProps);
    tests.LinkProperties(&testProps);
  }
};

struct Log {
  std::vector<HandsetRecord> records;
  explicit Log(uint32_t code) : records(Messages) {
    for (size_t i = 0; i < records.size(); ++i) {
      HandsetRecord& r = records[i];
      r.Time = r.OrderTime = 46000.0 + static_cast<double>(i) * (0.1 / 86400.0);
      r.MessageCode = code;
      for (int16_t field = 0; field < 10; ++field) r.SetField(field, -70 - field);
    }
  }
};

int32_t loadRecord(void* object, RecordView* view, int32_t index) {
  auto* l = static_cast<Log*>(object);
  if (index < 0 || static_cast<size_t>(index) >= l->records.size()) {
    view->Reset();
    return 0;
  }
  view->Load(&l->records[static_cast<size_t>(index)]);
  return 1;
}

bool acceptAll(void*, int16_t) { return true; }

void feedAll(benchmark::State& state, uint32_t code) {
  static EventList events;
  Log log(code);
  for (auto _ : state) {
    state.PauseTiming();
    TActEventsResult results;
    results.SetNetType(0);
    results.OnGetRecord = {&loadRecord, &log};
    results.OnEventFilter = {&acceptAll, nullptr};
    state.ResumeTiming();
    for (size_t i = 0; i < log.records.size(); ++i)
      results.FeedRecord(0, static_cast<int32_t>(i), true, false, false, 0, &events.list, &events.gates,
                         &events.tests);
    state.PauseTiming();
    state.counters["results"] = results.GetCount();
    state.ResumeTiming();
  }
  bench::ReportRates(state, static_cast<double>(log.records.size()));
}

void BM_MessagePassUnusedCode(benchmark::State& state) { feedAll(state, gsm::Prefix | 0x0777); }
void BM_MessagePassStartingCode(benchmark::State& state) { feedAll(state, gsm::Prefix | 0x0540); }

}  // namespace

BENCHMARK(BM_MessagePassUnusedCode)->Unit(benchmark::kMicrosecond)->Apply(bench::Honest);
BENCHMARK(BM_MessagePassStartingCode)->Unit(benchmark::kMicrosecond)->Apply(bench::Honest);
int main(int argc, char** argv) { return bench::Main(argc, argv); }
