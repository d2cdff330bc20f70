#include "definitions/gate_event.h"

#include <atomic>
#include <memory>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/property_source.h"
#include "definitions/definition_attributes.h"
#include "definitions/gate_event_list.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/utility.h"

namespace {

uint64_t nextParseStamp() {
  static std::atomic<uint64_t> stamp{0};
  return stamp.fetch_add(1, std::memory_order_relaxed) + 1;
}

template <class T>
void store(T& field, T value, bool& modified) {
  if (field == value) return;
  field = value;
  modified = true;
}

}  // namespace

TGateEvent::TGateEvent(TGateEventList* owner) : TNodeItem(owner) {
  Filter = CoExpressionFilter::Create();
  HandsetFields.reset(NewHandsetFieldsInstance());
  ParseStamp = nextParseStamp();
  Construct();
}

TGateEvent::~TGateEvent() {
  Destruct();
  FieldIds = nullptr;
  Filter.reset();
  HandsetFields.reset();
}

void TGateEvent::Reset() {
  TNodeItem::Reset();
  WarnField = -1;
  WarnGate = -9999;
  WarnMode = 3;
}

void TGateEvent::AssignTo(TNodeItem* destination) {
  auto* d = static_cast<TGateEvent*>(destination);
  d->SetEventName(EventName);
  d->SetGateType(GateType);
  // The destination parses with its own filter; a text its filter rejects is
  // copied all the same, so that a copy never loses what the user wrote.
  if (!CompText(d->Expression, Expression)) d->storeExpression(Expression, false);
  d->SetExpDuringTime(ExpDuringTime);
  d->SetExpTimes(ExpTimes);
  d->SetMessageCodeA(MessageCodeA);
  d->SetMessageCodeB(MessageCodeB);
  d->SetMsgDuringTime(MsgDuringTime);
  d->SetWarnField(WarnField);
  d->SetWarnGate(WarnGate);
  d->SetWarnDelay(WarnDelay);
  d->SetWarnMode(WarnMode);
  TNodeItem::AssignTo(destination);
}

TGateEvent* TGateEvent::Clone(TGateEventList* owner) {
  // Held until the copy is complete, so a failing Assign frees it.
  auto copy = std::make_unique<TGateEvent>(owner ? owner : List());
  copy->Assign(this);
  return copy.release();
}

void TGateEvent::SetEventName(const std::string& name) {
  if (CompText(name, EventName)) return;
  EventName = name;
  Modified = true;
}

void TGateEvent::SetGateType(int32_t type) { store(GateType, type, Modified); }

void TGateEvent::SetExpression(const std::string& expression) {
  if (CompText(expression, Expression)) return;
  storeExpression(expression, true);
}

void TGateEvent::storeExpression(const std::string& expression, bool raise) {
  Expression = expression;
  Modified = true;
  ExpressionError.clear();
  // The old identifiers belong to the old parse; never keep them for a new text.
  setFields(nullptr, 0);
  const int32_t* ids = nullptr;
  uint8_t count = 0;
  int32_t reserved = 0;
  try {
    Filter->ParseExpression(ListNetType(), expression, reserved, ids, count);
  } catch (const EEventManagerError& e) {
    ExpressionError = e.what();
    if (raise) throw;
    return;
  }
  setFields(ids, count);
}

void TGateEvent::setFields(const int32_t* ids, uint8_t count) {
  FieldIds = ids;
  FieldCount = count;
  FieldValues.assign(count, NoValue);
  ParseStamp = nextParseStamp();
}

void TGateEvent::SetExpDuringTime(int32_t ms) {
  store(ExpDuringTime, ms, Modified);
  ExpDuringDays = ExpDuringTime / MillisecondsPerDay;
}

void TGateEvent::SetExpTimes(int32_t times) { store(ExpTimes, times, Modified); }

void TGateEvent::SetMsgDuringTime(int32_t ms) {
  store(MsgDuringTime, ms, Modified);
  MsgDuringDays = MsgDuringTime / MillisecondsPerDay;
}

void TGateEvent::SetMessageCodeA(uint32_t code) { store(MessageCodeA, code, Modified); }
void TGateEvent::SetMessageCodeB(uint32_t code) { store(MessageCodeB, code, Modified); }
void TGateEvent::SetWarnField(int32_t value) { store(WarnField, value, Modified); }
void TGateEvent::SetWarnGate(int32_t value) { store(WarnGate, value, Modified); }
void TGateEvent::SetWarnDelay(int32_t value) { store(WarnDelay, value, Modified); }
void TGateEvent::SetWarnMode(uint8_t value) { store(WarnMode, value, Modified); }

TGateEventList* TGateEvent::List() const { return static_cast<TGateEventList*>(Owner); }

uint8_t TGateEvent::ListNetType() const { return List() ? List()->NetType : 255; }

void TGateEvent::LoadFromNode(pugi::xml_node e) {
  if (!e) return;
  SetEventName(ReadText(e, "EventName"));
  SetGateType(ReadInt32(e, "GateType", 0));
  std::string expression = ReadText(e, "Expression");
  if (!CompText(expression, Expression)) storeExpression(expression, false);
  // The text is kept as written (the user can mend it in the editor); the gate
  // cannot fire until then, which the host must learn rather than see nothing.
  if (!ExpressionError.empty()) RecordElementFault(e, fmt::format("'{}': {}", EventName, ExpressionError));
  SetExpDuringTime(ReadInt32(e, "ExpDuringTime", 0));
  SetExpTimes(ReadInt32(e, "ExpTimes", 0));
  SetMessageCodeA(ReadCode(e, "MessageCodeA", 0));
  SetMessageCodeB(ReadCode(e, "MessageCodeB", 0));
  SetMsgDuringTime(ReadInt32(e, "MsgDuringTime", 0));
  SetWarnField(ReadInt32(e, "WarnField", WarnField));
  SetWarnGate(ReadInt32(e, "WarnGate", WarnGate));
  SetWarnDelay(ReadInt32(e, "WarnDelay", WarnDelay));
  SetWarnMode(static_cast<uint8_t>(ReadInt32(e, "WarnMode", WarnMode)));
  Modified = false;
}

void TGateEvent::SaveToNode(pugi::xml_node e) {
  if (!e) return;
  RemoveChildren(e);
  WriteText(e, "EventName", EventName);
  WriteInt(e, "GateType", GateType);
  WriteText(e, "Expression", Expression);
  WriteInt(e, "ExpDuringTime", ExpDuringTime);
  WriteInt(e, "ExpTimes", ExpTimes);
  WriteCode(e, "MessageCodeA", MessageCodeA);
  WriteCode(e, "MessageCodeB", MessageCodeB);
  WriteInt(e, "MsgDuringTime", MsgDuringTime);
  WriteInt(e, "WarnField", WarnField);
  WriteInt(e, "WarnGate", WarnGate);
  WriteInt(e, "WarnDelay", WarnDelay);
  WriteInt(e, "WarnMode", WarnMode);
  Modified = false;
}

void TGateEvent::LinkProperty(TPropertySource* list) {
  Property = EventName.empty() || !list ? nullptr : LinkPropertyByName(list, EventName);
}

bool TGateEvent::ReadFieldValues() {
  FieldValues.resize(FieldCount);  // no-op unless FieldCount was set by hand
  for (int i = 0; i < FieldCount; ++i) {
    FieldValues[i] = HandsetFields->FieldValue(FieldIds[i]);
    if (FieldValues[i] == NoValue) return false;
  }
  return true;
}

bool TGateEvent::Evaluate(std::span<const int32_t> values) {
  if (FieldCount == 0) return false;
  return Filter->EvaluateValues(values);
}
