// Record feeding: how a fed record is routed to the detection passes, how
// test items and event-table entries become results, and how test events
// arm and disarm the message events of their category.
#include <memory>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "detection/internal_event_names.h"
#include "detection/test_event_ids.h"
#include "eventmanager/event_property.h"
#include "eventmanager/outside/data_access.h"

namespace {

// Categories of message events that test events arm (StartedFlag values;
// the identifiers of each are in test_event_ids.h).
constexpr int32_t CategoryCall = 1;
constexpr int32_t CategoryAttach = 2;
constexpr int32_t CategoryPdp = 3;

}  // namespace

void TActEventsResult::FeedRecord(uint32_t context, int32_t recordIndex, bool isMessage, bool hasTestItems,
                                  bool notify, uint8_t deviceType, TMsgEventList* msgEvents,
                                  TGateEventList* gateEvents, TTestEvents* testEvents) {
  DeviceType = deviceType;
  MsgEvents = msgEvents;
  TestEvents = testEvents;
  if (!hasTestItems) {
    if (recordIndex >= 1) DerivedEventsPass(context, recordIndex);
  } else {
    LoadRecord(RecordView, recordIndex);
    int count = RecordView->HasData() ? RecordView->ItemCount() : 0;
    for (int i = 0; i < count; ++i) FeedTestItem(context, recordIndex, i, msgEvents, testEvents, notify, 0);
  }
  if (isMessage) {
    MessageSequencePass(recordIndex, notify, context);
  } else if (deviceType >= 25 && deviceType <= 29) {
    VendorTracePass(context, recordIndex);
  }
  // Every record, measurements included: a gate states that something held
  // for so long or that an answer did not come in time, and a record without
  // a message moves the clock as much as one with a message does.
  GatePass(gateEvents, recordIndex, notify, context);
}

bool TActEventsResult::Recordable(int16_t eventId, TEventProperty* property) const {
  return property && OnEventFilter && OnEventFilter(eventId) && property->Display;
}

void TActEventsResult::FeedTestItem(uint32_t context, int32_t recordIndex, int32_t itemPosition,
                                    TMsgEventList* msgEvents, TTestEvents* testEvents, bool notify,
                                    uint8_t addedFlag) {
  LoadRecord(RecordView, recordIndex);
  if (RecordView->HasData() == 0 || itemPosition < 0 || itemPosition >= RecordView->ItemCount()) return;
  int16_t id = RecordView->Items()[itemPosition].EventId;
  double recordTime = RecordView->Time();
  TEventProperty* property = testEvents ? testEvents->PropertyOf(id) : nullptr;
  if (Recordable(id, property)) {
    auto result = TActEventResult::CreateForItem(this, KindTest, DeviceType, property, itemPosition, recordIndex, id);
    AddAndNotify(std::move(result), notify, context, addedFlag);
  }
  ApplyTestState(id, msgEvents, notify, context, recordTime);
}

void TActEventsResult::ApplyTestState(int16_t eventId, TMsgEventList* msgEvents, bool notify, uint32_t context,
                                      double recordTime) {
  if (!msgEvents) return;
  int32_t category = 0;
  switch (eventId) {
    case IdAttachStart: case IdAttachSuccess: case IdAttachFailure: category = CategoryAttach; break;
    case IdPdpStart: case IdPdpSuccess: case IdPdpFailure: category = CategoryPdp; break;
    case IdStartDial: case IdStartDialed: case IdVpStartDial: case IdVpStartDialed:
    case IdHangupDial: case IdVpHangupDial: category = CategoryCall; break;
    default: return;
  }
  // Only the events of the category are touched, in list order; the plain
  // way scans the whole list for them.
  TMsgCodeIndex* index = options_.PlainMessagePass ? nullptr : msgEvents->CodeIndex();
  const int count = index ? static_cast<int>(index->OfCategory(category).size()) : msgEvents->Count();
  for (int k = 0; k < count; ++k) {
    const int i = index ? index->OfCategory(category)[k] : k;
    TMsgEvent* event = msgEvents->Event(i);
    if (event->StartedFlag != category) continue;
    TCodeIndexSync sync(msgEvents, i);
    switch (eventId) {
      case IdAttachStart:
      case IdPdpStart:
        event->Armed = true;
        event->CurrentLevel = nullptr;
        break;
      case IdAttachSuccess: case IdAttachFailure: case IdPdpSuccess: case IdPdpFailure: case IdVpHangupDial:
        event->Armed = false;
        break;
      case IdHangupDial:
        event->Armed = false;
        lastHangupTime_ = recordTime;
        break;
      default:  // a new dial: the call waiting in its window is reported first
        if (event->CurrentLevel && event->InProgress) {
          event->InProgress = false;
          Emit(event, event->StartRecord, true, notify, context);
        }
        // Ended like a closed or cancelled window: the next window starts
        // from its first watch state.
        event->Armed = true;
        event->InProgress = event->WatchFirst = event->WatchSecond = false;
        event->CurrentLevel = nullptr;
        break;
    }
  }
}

void TActEventsResult::FeedEvent(int32_t eventPosition, int32_t itemPosition, TMsgEventList* msgEvents,
                                 TGateEventList* gateEvents, TTestEvents* testEvents, uint8_t deviceType) {
  DeviceType = deviceType;
  EventView->SetPosition(eventPosition);
  if (!EventView->Valid()) return;
  int16_t id = EventView->EventId();
  int32_t recordIndex = EventView->RecordIndex();
  int32_t kind = KindTest;
  TEventProperty* property = nullptr;
  if (id >= 20000) {
    kind = KindGate;
    int index = gateEvents ? gateEvents->IndexOfName(InternalEventName(id)) : -1;
    if (index < 0 || InternalEventName(id).empty()) return;
    property = gateEvents->ItemAs<TGateEvent>(index)->Property;
  } else if (id >= 10000) {
    // The identifier names a message event; it is shown with the record of
    // that name in the network's message property list.
    kind = KindMessage;
    std::string name = InternalEventName(id);
    if (!msgEvents || name.empty() || !msgEvents->FindByName(name)) return;
    property = msgEvents->FindPropertyByName(name);
  } else {
    property = testEvents ? testEvents->PropertyOf(id) : nullptr;
  }
  if (!Recordable(id, property)) return;
  auto result = TActEventResult::CreateForItem(this, kind, DeviceType, property, itemPosition, recordIndex, id);
  AddAndNotify(std::move(result), false, 0, 0);
}

namespace {

// Vendor trace sub-type codes and the test events they stand for.
int16_t vendorEventId(uint32_t code) {
  switch (code) {
    case 17: return 204;
    case 18: return 205;
    case 19: return 206;
    case 33: case 34: case 35: return static_cast<int16_t>(207 + (code - 33));
    case 49: case 50: case 51: return static_cast<int16_t>(210 + (code - 49));
    case 65: case 66: case 67: return static_cast<int16_t>(213 + (code - 65));
    case 81: case 82: case 83: return static_cast<int16_t>(216 + (code - 81));
    case 97: return 219;
    case 100: return 220;
    case 113: case 114: case 115: return static_cast<int16_t>(221 + (code - 113));
    default: return 0;
  }
}

}  // namespace

void TActEventsResult::VendorTracePass(uint32_t context, int32_t recordIndex) {
  LoadRecord(RecordView, recordIndex);
  if (RecordView->HasData() == 0) return;
  uint32_t code = (RecordView->MessageInfo() >> 16) & 0xFF;
  int16_t id = vendorEventId(code);
  if (id == 0) return;
  if (code == 17) {
    if (AfterStop) {
      AfterStop = false;
      return;
    }
    ReselectionOpen = true;
  } else if (code == 18 || code == 19) {
    if (!ReselectionOpen) return;
    ReselectionOpen = false;
  } else if (code == 100) {
    AfterStop = true;
  }
  if (code != 100) AfterStop = false;
  DeriveItem(context, recordIndex, id, {});
}

void TActEventsResult::DeriveItem(uint32_t context, int32_t recordIndex, int16_t eventId, std::string_view extra) {
  LoadRecord(RecordView, recordIndex);
  if (RecordView->HasData() == 0) return;
  TestItem item{};
  item.EventId = eventId;
  item.Time = RecordView->Time();
  int position = RecordView->AddTestItem(item, extra);
  if (position >= 0) FeedTestItem(context, recordIndex, position, MsgEvents, TestEvents, true, 0);
}
