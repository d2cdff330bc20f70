// A tiny host linked against the installed library: loads the GSM
// definitions of the sample home and prints how many events each list holds.
#include <cstdio>
#include <cstdlib>

#include <eventmanager/exports.h>

int main() {
  InitEventManagerDllApplication(nullptr);
  TMsgEventList* msgEvents = CreateMsgEventList();
  TGateEventList* gateEvents = CreateGateEventList();
  TTestEvents* testEvents = CreateTestEvents();
  TEventsResult* results = CreateEventsResult();
  LoadMsg_Gate_TestEvents(msgEvents, gateEvents, testEvents, results, 0);
  std::vector<TEventListing> events;
  EventManagerListEvents(0, events);
  int kinds[4] = {};
  for (const TEventListing& e : events) kinds[e.Kind >= 1 && e.Kind <= 3 ? e.Kind : 0]++;
  std::printf("GSM: %d message events, %d gate events, %d test events, %d results\n", kinds[1], kinds[3], kinds[2],
              results->GetCount());
  ClearMsgEventList(msgEvents);
  ClearGateEventList(gateEvents);
  delete results;
  FreeEventObject(testEvents);
  FreeEventObject(gateEvents);
  FreeEventObject(msgEvents);
  FinalEventManagerDllApplication();
  return kinds[1] > 0 && kinds[3] > 0 && kinds[2] > 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
