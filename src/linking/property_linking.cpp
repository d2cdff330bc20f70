#include "linking/property_linking.h"

#include "definitions/all_events.h"
#include "definitions/test_events.h"
#include "properties/event_propertys.h"

namespace {

void prune(TEventPropertyList* list) {
  if (!list) return;
  list->DeleteUnmarked();
  list->Renumber();
}

void link(TAllEvents& events, TEventPropertys* registry, bool pruneUnused, bool onlyRead) {
  if (!registry) return;
  for (int net = 0; net < TAllEvents::kNetworks; ++net) {
    TEventPropertyList* messages = registry->GetList(static_cast<uint8_t>(net), 0);
    TEventPropertyList* warnings = registry->GetList(static_cast<uint8_t>(net), 1);
    events.MsgLists[net]->LinkProperties(messages);
    events.GateLists[net]->LinkProperties(warnings);
    if (pruneUnused && (!onlyRead || events.MsgRead[net])) prune(messages);
    if (pruneUnused && (!onlyRead || events.GateRead[net])) prune(warnings);
  }
  // The test events are built in, so their list is always complete.
  events.TestEvents->LinkProperties(registry->TestList.get());
  if (pruneUnused) prune(registry->TestList.get());
}

}  // namespace

void LinkAllProperties(TAllEvents& events, TEventPropertys* registry, bool prune) {
  link(events, registry, prune, false);
}

void LinkAllPropertiesPruningRead(TAllEvents& events, TEventPropertys* registry) {
  link(events, registry, true, true);
}
