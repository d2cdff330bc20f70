// The exported functions of the events library.
#include "eventmanager/exports.h"

#include <fmt/format.h>

#include "core/network.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/errors.h"
#include "interface/event_listing.h"
#include "interface/host_application.h"
#include "interface/library_state.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"
#include "properties/property_queries.h"

namespace {

TEventPropertys& registry() {
  TEventPropertys* r = PropertyRegistry();
  if (!r) throw EEventManagerError("the events library is not started");
  return *r;
}

void requireNetwork(uint8_t network, const char* what) {
  if (network >= NetworkCount)
    throw EEventManagerError(fmt::format("{}: network {} is not one of 0 GSM, 1 CDMA, 2 UMTS, 3 TD-SCDMA, 4 LTE", what,
                                         static_cast<int>(network)));
}

}  // namespace

extern "C" {

void InitEventManagerDllApplication(void* hostApplication) {
  InstallHostApplication(hostApplication);
}

void FinalEventManagerDllApplication() {
  // Hosts call this while tearing down (often from a destructor), so nothing
  // may escape: a failed save becomes a fault that EventManagerFileFaults lists.
  SavePropertyRegistry();
  RestoreOwnApplication();
}

TMsgEventList* CreateMsgEventList() { return new TMsgEventList; }
TGateEventList* CreateGateEventList() { return new TGateEventList; }
TTestEvents* CreateTestEvents() { return new TTestEvents; }
TEventsResult* CreateEventsResult() {
  auto* results = new TActEventsResult;
  results->SetPublishId(HostPublishId());
  return results;
}

void ClearMsgEventList(TMsgEventList* list) {
  if (list) list->Clear();
}

void ClearGateEventList(TGateEventList* list) {
  if (list) list->Clear();
}

void LoadMsg_Gate_TestEvents(TMsgEventList* msgEvents, TGateEventList* gateEvents, TTestEvents* testEvents,
                             TEventsResult* results, uint8_t network) {
  requireNetwork(network, "LoadMsg_Gate_TestEvents");
  TEventPropertys& props = registry();
  if (msgEvents) msgEvents->SetNetType(network);
  if (gateEvents) gateEvents->SetNetType(network);
  if (results) results->SetNetType(network);
  if (msgEvents) msgEvents->LoadFromFile();
  if (gateEvents) gateEvents->LoadFromFile();
  if (msgEvents) msgEvents->LinkProperties(props.GetList(network, 0));
  if (gateEvents) gateEvents->LinkProperties(props.GetList(network, 1));
  if (testEvents) testEvents->LinkProperties(props.TestList.get());
}

void EventPropertyListKeyWord(TEventPropertyList* list, std::string& keyWord) {
  keyWord = QueryPropertyListKeyWord(list);
}

int32_t MsgPropertyListCount(uint8_t network) {
  requireNetwork(network, "MsgPropertyListCount");
  return QueryMsgPropertyListCount(registry(), network);
}

int32_t TestPropertyListCount() { return QueryTestPropertyListCount(registry()); }

const TBitmap* GetBitmapByEvent(const std::string& eventKey) {
  TEventPropertys* r = PropertyRegistry();
  return r ? QueryBitmapByEvent(*r, eventKey) : nullptr;
}

void EventManagerFileFaults(std::vector<std::string>& faults) {
  faults.clear();
  for (const TFileFault& f : FileFaults()) faults.push_back(f.Text());
}

void EventManagerListEvents(uint8_t network, std::vector<TEventListing>& events) {
  requireNetwork(network, "EventManagerListEvents");
  ListDefinedEvents(registry(), network, events);
}

}  // extern "C"
