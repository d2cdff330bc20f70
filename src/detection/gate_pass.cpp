// The gate pass: every fed record, measurement or message, is evaluated
// once by every gate event, in record order: an expression gate counts how
// long and how often its expression held, a message gate waits for an
// answer. A record fed with Notify is evaluated when the next record is fed,
// or, for the last record of a log, when the host ends the log (EndLog).
//
// The record is loaded once per pass, through the host's loader into the
// view of the first gate that needs it; every later gate gets a copy of that
// view in its own HandsetFields, so each gate still holds the record it
// evaluated. The values of every field any gate reads come from one walk
// over the record (TGatePlan), and each gate picks its own by position.
#include <algorithm>
#include <array>
#include <span>
#include <memory>

#include "core/network.h"
#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "detection/act_events_result.h"
#include "detection/elapsed_time.h"
#include "detection/gate_plan.h"
#include "eventmanager/outside/data_access.h"

namespace {

bool needsRecord(const TGateEvent& gate) {
  return (gate.GateType == 1 && gate.Filter && gate.FieldCount > 0) || gate.GateType == 2;
}

// An expression gate's step once its expression is known to hold or not on
// the record of time `time`.
std::unique_ptr<TActEventResult> expressionStep(TGateEvent& gate, bool holds, double time, TEventsResult* owner,
                                                int32_t record) {
  std::unique_ptr<TActEventResult> result;
  if (!holds) {
    gate.TrueSpan = 0;
    gate.TrueCount = 0;
    gate.SpanStart = time;
  } else {
    if (gate.SpanStart != 0) gate.TrueSpan = time - gate.SpanStart;
    ++gate.TrueCount;
    if (gate.TrueCount >= gate.ExpTimes && !WholeMillisecondsBelow(gate.TrueSpan, gate.ExpDuringTime)) {
      result = TActEventResult::CreateForGate(owner, record, &gate);
      gate.TrueSpan = 0;
      gate.TrueCount = 0;
      gate.SpanStart = time;
    }
  }
  if (gate.SpanStart == 0) gate.SpanStart = time;
  return result;
}

// A message gate's step on a record of message code `code` and time `time`.
std::unique_ptr<TActEventResult> messageStep(TGateEvent& gate, uint32_t code, double time, TEventsResult* owner,
                                             int32_t record, uint8_t deviceType) {
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
  if (ElapsedMillisecondsAbove(gate.SpanStart, time, gate.MsgDuringTime)) {
    gate.WaitingForB = false;
    return TActEventResult::CreateForGate(owner, record, &gate);
  }
  return nullptr;
}

// The record already in the gate's view, its fields searched one by one.
std::unique_ptr<TActEventResult> evaluateLoaded(TGateEvent& gate, TEventsResult* owner, int32_t record,
                                                uint8_t deviceType) {
  if (gate.GateType == 2) {
    const RecordView& view = *gate.HandsetFields;
    return messageStep(gate, view.MessageCode(), view.Time(), owner, record, deviceType);
  }
  if (!gate.ReadFieldValues()) return nullptr;
  return expressionStep(gate, gate.Evaluate(gate.FieldValues), gate.HandsetFields->Time(), owner, record);
}

// One gate on one record, loading the record into the gate's own view; none
// when it does not fire.
std::unique_ptr<TActEventResult> EvaluateRecord(TGateEvent& gate, TEventsResult* owner, int32_t record,
                                                const TGetRecordEvent& loader, uint8_t deviceType) {
  if (!loader || !needsRecord(gate)) return nullptr;
  loader(gate.HandsetFields.get(), record);
  return evaluateLoaded(gate, owner, record, deviceType);
}

}  // namespace

void TGatePlan::Build(const TGateEventList& list) {
  List = &list;
  Entries.clear();
  Slots.clear();
  Ids.clear();
  for (int i = 0; i < list.Count(); ++i) {
    const TGateEvent& gate = *list.ItemAs<TGateEvent>(i);
    if (gate.FieldIds) Ids.insert(Ids.end(), gate.FieldIds, gate.FieldIds + gate.FieldCount);
  }
  std::sort(Ids.begin(), Ids.end());
  Ids.erase(std::unique(Ids.begin(), Ids.end()), Ids.end());
  Values.assign(Ids.size(), NoValue);
  for (int i = 0; i < list.Count(); ++i) {
    const TGateEvent& gate = *list.ItemAs<TGateEvent>(i);
    TEntry& e = Entries.emplace_back();
    e.Gate = &gate;
    e.ParseStamp = gate.ParseStamp;
    e.FieldIds = gate.FieldIds;
    e.FieldCount = gate.FieldIds ? gate.FieldCount : 0;
    e.FirstSlot = static_cast<uint32_t>(Slots.size());
    for (int k = 0; k < e.FieldCount; ++k)
      Slots.push_back(static_cast<uint32_t>(std::lower_bound(Ids.begin(), Ids.end(), gate.FieldIds[k]) - Ids.begin()));
  }
}

void TActEventsResult::PlainGates(TGateEventList* gates, int32_t record, bool notify, uint32_t context) {
  for (int i = 0; i < gates->Count(); ++i) {
    auto result = EvaluateRecord(*gates->ItemAs<TGateEvent>(i), this, record, OnGetRecord, DeviceType);
    if (result) AddAndNotify(std::move(result), notify, context, 1);
  }
}

void TActEventsResult::GatePass(TGateEventList* gates, int32_t recordIndex, bool notify, uint32_t context) {
  // The record waiting from the last feed goes first, so that records reach
  // the gates in the order they were fed whatever the Notify of each feed.
  // One fed again (the same index twice in a row) is not evaluated twice.
  const int32_t waiting = gatePending_;
  gatePending_ = -1;
  if (waiting >= 0 && waiting != recordIndex) EvaluateGates(gates, waiting, true, context);
  if (notify)
    gatePending_ = recordIndex;
  else
    EvaluateGates(gates, recordIndex, false, context);
}

void TActEventsResult::EndLog(uint32_t context, TGateEventList* gateEvents) {
  const int32_t waiting = gatePending_;
  gatePending_ = -1;
  if (waiting >= 0) EvaluateGates(gateEvents, waiting, true, context);
}

void TActEventsResult::EvaluateGates(TGateEventList* gates, int32_t record, bool notify, uint32_t context) {
  if (!gates || !OnGetRecord || record < 0) return;
  if (PlainGatePass) return PlainGates(gates, record, notify, context);

  TGatePlan& plan = gatePlan_;
  if (plan.List != gates || plan.Entries.size() != static_cast<size_t>(gates->Count())) plan.Build(*gates);
  const ::RecordView* loaded = nullptr;  // the view holding the record, once the host loaded it
  // What every gate reads of the loaded record, read once per load.
  double loadedTime = 0;
  uint32_t loadedCode = 0;
  bool valuesRead = false;             // plan.Values are those of `loaded`
  bool eachLoads = false;              // the host refused the shared load
  std::array<int32_t, 255> values;     // one gate's values; FieldCount is 8 bits
  // Walked by iterator: the list does not change during the pass (a host
  // callback must not call back into the library), so no index is checked.
  int i = 0;
  for (auto it = gates->begin(), end = gates->end(); it != end; ++it, ++i) {
    TGateEvent& gate = *static_cast<TGateEvent*>(*it);
    if (!needsRecord(gate)) continue;
    std::unique_ptr<TActEventResult> result;
    if (eachLoads) {
      result = EvaluateRecord(gate, this, record, OnGetRecord, DeviceType);
    } else if (!loaded) {
      // A host that reports it could not load the record may answer each
      // gate differently (or not at all): from here on every gate asks it,
      // as each did before the load was shared.
      if (OnGetRecord(gate.HandsetFields.get(), record) == 0) {
        eachLoads = true;
        result = evaluateLoaded(gate, this, record, DeviceType);
      } else {
        loaded = gate.HandsetFields.get();
        loadedTime = loaded->Time();
        loadedCode = loaded->MessageCode();
        valuesRead = false;
      }
    }
    if (loaded) {
      // Its own view holds the record it evaluated (a pointer copied).
      if (gate.HandsetFields.get() != loaded) *gate.HandsetFields = *loaded;
      if (gate.GateType == 2) {
        result = messageStep(gate, loadedCode, loadedTime, this, record, DeviceType);
      } else {
        if (!plan.Current(i, gate)) {
          plan.Build(*gates);
          valuesRead = false;
        }
        if (!valuesRead) {
          loaded->FieldValues(plan.Ids, plan.Values);
          valuesRead = true;
        }
        const TGatePlan::TEntry& entry = plan.Entries[i];
        const uint32_t* slots = plan.Slots.data() + entry.FirstSlot;
        bool complete = true;
        for (int k = 0; k < entry.FieldCount; ++k) {
          values[k] = plan.Values[slots[k]];
          complete &= values[k] != NoValue;
        }
        // A field without a value skips the record, counters untouched.
        if (complete) {
          bool holds = gate.Evaluate(std::span<const int32_t>(values.data(), entry.FieldCount));
          result = expressionStep(gate, holds, loadedTime, this, record);
        }
      }
    }
    if (result) {
      AddAndNotify(std::move(result), notify, context, 1);
      // Adding loads records for its order, and the host's callbacks ran:
      // what the view pointed at may be gone, so the next gate loads afresh.
      loaded = nullptr;
    }
  }
}
