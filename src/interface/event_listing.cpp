#include "interface/event_listing.h"

#include <string>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "properties/event_propertys.h"

namespace {

void listLevels(TLevelNode* level, const std::string& eventName, std::vector<TEventListing>& out) {
  if (level->HasReportName() && level->Property)
    out.push_back({1, 0, level->ReportName, eventName, level->Property});
  for (int i = 0; i < level->ChildCount(); ++i) listLevels(level->Child(i), eventName, out);
}

}  // namespace

void ListDefinedEvents(TEventPropertys& registry, uint8_t network, std::vector<TEventListing>& events) {
  events.clear();
  TMsgEventList messages;
  messages.SetNetType(network);
  messages.LoadFromFile();
  messages.LinkProperties(registry.GetList(network, 0));
  for (int i = 0; i < messages.Count(); ++i) {
    TMsgEvent* event = messages.Event(i);
    for (int l = 0; l < event->LevelCount(); ++l) listLevels(event->Level(l), event->EventName, events);
  }
  TGateEventList gates;
  gates.SetNetType(network);
  gates.LoadFromFile();
  gates.LinkProperties(registry.GetList(network, 1));
  for (int i = 0; i < gates.Count(); ++i) {
    TGateEvent* gate = gates.ItemAs<TGateEvent>(i);
    if (gate->Property) events.push_back({3, 0, gate->EventName, {}, gate->Property});
  }
  TTestEvents tests;
  tests.LinkProperties(registry.TestList.get());
  for (int i = 0; i < tests.Count(); ++i)
    if (TEventProperty* p = tests.PropertyAt(i)) {
      int32_t id = tests.Ids[i];
      events.push_back({2, id, TTestEvents::NameOf(static_cast<int16_t>(id)), {}, p});
    }
}
