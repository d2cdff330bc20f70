#include "windows/gate_event_modify_rules.h"

#include "definitions/gate_event.h"
#include "eventmanager/errors.h"

TGateEditValues GateEditValuesOf(const TGateEvent& gate) {
  TGateEditValues v;
  v.Name = gate.EventName;
  v.Fields = gate.GateType == 1;
  v.Messages = gate.GateType == 2;
  v.Expression = gate.Expression;
  v.ExpDuringTime = gate.ExpDuringTime;
  v.ExpTimes = gate.ExpTimes;
  v.MessageCodeA = gate.MessageCodeA;
  v.MessageCodeB = gate.MessageCodeB;
  v.MsgDuringTime = gate.MsgDuringTime;
  return v;
}

int32_t GateTypeOf(bool fields, bool messages) { return fields ? 1 : messages ? 2 : 0; }

TGateOkCheck CheckGateOk(const TGateEditValues& values, const std::string& expressionError) {
  if (values.Name.empty()) return {true, {}};
  if (values.Fields && !expressionError.empty()) return {true, expressionError};
  return {};
}

void StoreGateEditValues(TGateEvent& copy, const TGateEditValues& values) {
  copy.SetEventName(values.Name);
  copy.SetGateType(GateTypeOf(values.Fields, values.Messages));
  try {
    copy.SetExpression(values.Expression);
  } catch (const EEventManagerError&) {
    // The setter has kept the text; the gate has no fields until it is mended.
  }
  copy.SetExpDuringTime(values.ExpDuringTime);
  copy.SetExpTimes(values.ExpTimes);
  if (values.MessageCodeA) copy.SetMessageCodeA(*values.MessageCodeA);
  if (values.MessageCodeB) copy.SetMessageCodeB(*values.MessageCodeB);
  copy.SetMsgDuringTime(values.MsgDuringTime);
}
