// The gate pass: after the message-sequence pass of a layer-3 message record
// every gate event evaluates one record: an expression gate counts how long
// and how often its expression held, a message gate waits for an answer.
#include <memory>
#include <vector>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/network.h"
#include "detection/act_events_result.h"
#include "detection/elapsed_time.h"
#include "eventmanager/outside/data_access.h"

namespace {

std::unique_ptr<TActEventResult> evaluateExpressionGate(TGateEvent& gate, TEventsResult* owner, int32_t record,
                                                        const TGetRecordEvent& loader) {
  if (!gate.Filter || gate.FieldCount == 0) return nullptr;
  loader(gate.HandsetFields, record);
  std::vector<int32_t> values;
  if (!gate.ReadFieldValues(values)) return nullptr;
  double time = gate.HandsetFields->Time();
  std::unique_ptr<TActEventResult> result;
  if (!gate.Evaluate(values)) {
    gate.TrueSpan = 0;
    gate.TrueCount = 0;
    gate.SpanStart = time;
  } else {
    if (gate.SpanStart != 0) gate.TrueSpan = time - gate.SpanStart;
    ++gate.TrueCount;
    if (WholeMilliseconds(gate.TrueSpan) >= gate.ExpDuringTime && gate.TrueCount >= gate.ExpTimes) {
      result = TActEventResult::CreateForGate(owner, record, &gate);
      gate.TrueSpan = 0;
      gate.TrueCount = 0;
      gate.SpanStart = time;
    }
  }
  if (gate.SpanStart == 0) gate.SpanStart = time;
  return result;
}

std::unique_ptr<TActEventResult> evaluateMessageGate(TGateEvent& gate, TEventsResult* owner, int32_t record,
                                                     const TGetRecordEvent& loader, uint8_t deviceType) {
  loader(gate.HandsetFields, record);
  uint32_t code = gate.HandsetFields->MessageCode();
  double time = gate.HandsetFields->Time();
  uint8_t net = gate.ListNetType();
  if (!gate.WaitingForB) {
    if (CompareMsgInfo(deviceType, net, code, gate.MessageCodeA)) {
      gate.WaitingForB = true;
      gate.SpanStart = time;
    }
    return nullptr;
  }
  if (CompareMsgInfo(deviceType, net, code, gate.MessageCodeB)) {
    gate.WaitingForB = false;
    return nullptr;
  }
  if (ElapsedMilliseconds(gate.SpanStart, time) > gate.MsgDuringTime) {
    gate.WaitingForB = false;
    return TActEventResult::CreateForGate(owner, record, &gate);
  }
  return nullptr;
}

}  // namespace

// One gate on one record; none when it does not fire.
std::unique_ptr<TActEventResult> EvaluateRecord(TGateEvent& gate, TEventsResult* owner, int32_t record,
                                                const TGetRecordEvent& loader, uint8_t deviceType) {
  if (!loader) return nullptr;
  switch (gate.GateType) {
    case 1: return evaluateExpressionGate(gate, owner, record, loader);
    case 2: return evaluateMessageGate(gate, owner, record, loader, deviceType);
    default: return nullptr;
  }
}

void TActEventsResult::GatePass(TGateEventList* gates, int32_t recordIndex, bool notify, uint32_t context) {
  if (!gates || !OnGetRecord) return;
  // With Notify each fed record has the one before it evaluated. The first
  // record has none before it; it is evaluated when the second is fed, and
  // evaluating it now as well would count it twice.
  if (notify && recordIndex <= 0) return;
  int32_t record = notify ? recordIndex - 1 : recordIndex;
  for (int i = 0; i < gates->Count(); ++i) {
    auto result = EvaluateRecord(*gates->ItemAs<TGateEvent>(i), this, record, OnGetRecord, DeviceType);
    if (result) AddAndNotify(std::move(result), notify, context, 1);
  }
}
