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
// over the record (TGatePlan), and each gate picks its own by position: a
// gate missing one of them is passed over by one mask test, and the common
// expression is decided on the plan's ranges without calling its filter.
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

// The same step, for the pass that runs it on every gate of every record
// with all of the gate's fields: whether an expression holds changes from
// record to record as the radio does, so the step's state moves by selects
// rather than branches on it, and the one branch left (it fires) is rarely
// taken.
inline std::unique_ptr<TActEventResult> expressionStepSelected(TGateEvent& gate, bool holds, double time,
                                                               TEventsResult* owner, int32_t record) {
  const double start = gate.SpanStart;
  const double span = start != 0 ? time - start : gate.TrueSpan;
  const double trueSpan = holds ? span : 0;
  const int32_t trueCount = holds ? gate.TrueCount + 1 : 0;
  const double spanStart = holds ? start : time;
  gate.TrueSpan = trueSpan;
  gate.TrueCount = trueCount;
  gate.SpanStart = spanStart == 0 ? time : spanStart;
  // All tests are made; only their joint answer branches.
  const bool often = holds & (trueCount >= gate.ExpTimes);
  if (often && !WholeMillisecondsBelow(trueSpan, gate.ExpDuringTime)) [[unlikely]] {
    gate.TrueSpan = 0;
    gate.TrueCount = 0;
    gate.SpanStart = time;
    return TActEventResult::CreateForGate(owner, record, &gate);
  }
  return nullptr;
}

// A message gate's step on a record of message code `code` and time `time`.
std::unique_ptr<TActEventResult> messageStep(TGateEvent& gate, uint32_t code, double time, TEventsResult* owner,
                                             int32_t record, uint8_t deviceType, uint8_t net) {
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
    return messageStep(gate, view.MessageCode(), view.Time(), owner, record, deviceType, gate.ListNetType());
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
  NetType = list.NetType;
  Entries.clear();
  Slots.clear();
  Ids.clear();
  RangeLow.clear();
  RangeSpan.clear();
  RangeValue.clear();
  RangeOutside.clear();
  auto readsFields = [](const TGateEvent& gate) {
    return gate.GateType == 1 && gate.Filter && gate.FieldCount > 0 && gate.FieldIds;
  };
  for (int i = 0; i < list.Count(); ++i) {
    const TGateEvent& gate = *list.ItemAs<TGateEvent>(i);
    if (readsFields(gate)) Ids.insert(Ids.end(), gate.FieldIds, gate.FieldIds + gate.FieldCount);
  }
  std::sort(Ids.begin(), Ids.end());
  Ids.erase(std::unique(Ids.begin(), Ids.end()), Ids.end());
  Values.assign(Ids.size(), NoValue);
  MaskedMissing = Ids.size() <= 64;
  for (int i = 0; i < list.Count(); ++i) {
    const TGateEvent& gate = *list.ItemAs<TGateEvent>(i);
    TEntry& e = Entries.emplace_back();
    e.ParseStamp = gate.ParseStamp;
    e.GateType = gate.GateType;
    e.OwnList = gate.Owner == static_cast<const TObject*>(&list);
    e.FirstSlot = static_cast<uint32_t>(Slots.size());
    e.FirstRange = static_cast<uint32_t>(RangeLow.size());
    if (gate.GateType == 2) {
      e.Kind = Message;
      continue;
    }
    if (!needsRecord(gate)) continue;
    // An expression whose field list was set by hand without identifiers
    // reads nothing and is left to its filter, as the plain pass does.
    e.Kind = Expression;
    if (!readsFields(gate)) continue;
    for (int k = 0; k < gate.FieldCount; ++k) {
      const auto slot =
          static_cast<uint32_t>(std::lower_bound(Ids.begin(), Ids.end(), gate.FieldIds[k]) - Ids.begin());
      Slots.push_back(slot);
      if (MaskedMissing) e.Missing |= uint64_t{1} << slot;
    }
    e.SlotCount = gate.FieldCount;
    std::array<TValueRange, 8> ranges;
    const size_t count = gate.Filter->ValueRanges(ranges);
    bool usable = count > 0 && count <= ranges.size();
    for (size_t k = 0; usable && k < count; ++k) usable = ranges[k].Field < gate.FieldCount;
    if (!usable) continue;
    e.Kind = Ranges;
    e.RangeCount = static_cast<uint8_t>(count);
    for (size_t k = 0; k < count; ++k) {
      RangeLow.push_back(ranges[k].Low);
      RangeSpan.push_back(ranges[k].Span);
      RangeValue.push_back(Slots[e.FirstSlot + ranges[k].Field]);
      RangeOutside.push_back(ranges[k].Outside ? 1 : 0);
    }
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

void TActEventsResult::StartLogFor(TGateEventList* gates) {
  for (const TGateEventList* seen : gatesThisLog_)
    if (seen == gates) return;
  gatesThisLog_.push_back(gates);
  for (auto it = gates->begin(), end = gates->end(); it != end; ++it) static_cast<TGateEvent*>(*it)->ResetRunState();
}

void TActEventsResult::EvaluateGates(TGateEventList* gates, int32_t record, bool notify, uint32_t context) {
  if (!gates || !OnGetRecord || record < 0) return;
  StartLogFor(gates);
  if (options_.PlainGatePass) return PlainGates(gates, record, notify, context);

  TGatePlan& plan = gatePlan_;
  if (!plan.Fits(*gates, static_cast<size_t>(gates->Count()), gates->NetType)) plan.Build(*gates);
  const ::RecordView* loaded = nullptr;  // the view holding the record, once the host loaded it
  // What every gate reads of the loaded record, read once per load.
  double loadedTime = 0;
  uint32_t loadedCode = 0;
  bool valuesRead = false;             // plan.Values are those of `loaded`
  uint64_t missing = 0;                // bits of the slots without a value, when masked
  bool eachLoads = false;              // the host refused the shared load
  std::array<int32_t, 255> values;     // one gate's values; FieldCount is 8 bits
  // The plan's arrays, read for every gate of every record: taken once here
  // (and again when the plan is rebuilt) rather than through each vector.
  const TGatePlan::TEntry* entries = nullptr;
  const uint32_t* planSlots = nullptr;
  int32_t* planValues = nullptr;
  const int64_t* rangeLow = nullptr;
  const uint64_t* rangeSpan = nullptr;
  const uint32_t* rangeValue = nullptr;
  const uint8_t* rangeOutside = nullptr;
  auto takeArrays = [&] {
    entries = plan.Entries.data();
    planSlots = plan.Slots.data();
    planValues = plan.Values.data();
    rangeLow = plan.RangeLow.data();
    rangeSpan = plan.RangeSpan.data();
    rangeValue = plan.RangeValue.data();
    rangeOutside = plan.RangeOutside.data();
  };
  takeArrays();
  // Walked by iterator: the list does not change during the pass (a host
  // callback must not call back into the library), so no index is checked.
  size_t i = 0;
  for (auto it = gates->begin(), end = gates->end(); it != end; ++it, ++i) {
    TGateEvent& gate = *static_cast<TGateEvent*>(*it);
    const TGatePlan::TEntry* entry = entries + i;
    if (!entry->Describes(gate)) [[unlikely]] {
      plan.Build(*gates);
      takeArrays();
      valuesRead = false;
      entry = entries + i;
    }
    if (entry->Kind == TGatePlan::Idle) continue;
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
      ::RecordView& own = *gate.HandsetFields;
      if (&own != loaded) own = *loaded;
      if (entry->Kind == TGatePlan::Message) {
        const uint8_t net = entry->OwnList ? plan.NetType : gate.ListNetType();
        result = messageStep(gate, loadedCode, loadedTime, this, record, DeviceType, net);
      } else {
        if (!valuesRead) {
          loaded->FieldValues(plan.Ids, plan.Values);
          valuesRead = true;
          if (plan.MaskedMissing) {
            missing = 0;
            for (size_t k = 0; k < plan.Values.size(); ++k)
              missing |= static_cast<uint64_t>(planValues[k] == NoValue) << k;
          }
        }
        const uint32_t* slots = planSlots + entry->FirstSlot;
        // A field without a value skips the record, counters untouched.
        bool complete = true;
        if (plan.MaskedMissing) {
          complete = (missing & entry->Missing) == 0;
        } else {
          for (int k = 0; k < entry->SlotCount; ++k) complete &= planValues[slots[k]] != NoValue;
        }
        if (!complete) {
          // A field without a value: the gate keeps its state. Records
          // without the measured fields (messages, most often) come in runs,
          // so this branch is well predicted and saves the gate's ranges.
        } else if (entry->Kind == TGatePlan::Ranges) {
          // The filter's own decision for this form, on the shared values.
          bool holds = true;
          for (uint32_t k = entry->FirstRange, stop = k + entry->RangeCount; k < stop; ++k) {
            const int64_t value = planValues[rangeValue[k]];
            const bool in = static_cast<uint64_t>(value - rangeLow[k]) <= rangeSpan[k];
            holds &= in != (rangeOutside[k] != 0);
          }
          result = expressionStepSelected(gate, holds, loadedTime, this, record);
        } else {
          for (int k = 0; k < entry->SlotCount; ++k) values[static_cast<size_t>(k)] = planValues[slots[k]];
          const bool holds = gate.Evaluate(std::span<const int32_t>(values.data(), entry->SlotCount));
          result = expressionStepSelected(gate, holds, loadedTime, this, record);
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
