#include "windows/gate_event_modify_rules.h"

#include "definitions/gate_event.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"

namespace {

constexpr uint32_t AccessProbeInfo = 0x10130000;

template <class Count, class Code, class Desc>
std::vector<TGateMessageType> catalogue(Count count, Code code, Desc desc) {
  std::vector<TGateMessageType> types;
  const int n = count();
  types.reserve(n > 0 ? n + 1 : 1);
  for (int i = 0; i < n; ++i) types.push_back({desc(i), code(i)});
  return types;
}

}  // namespace

std::vector<TGateMessageType> GateMessageTypes(uint8_t netType) {
  switch (netType) {
    case 0:
      return catalogue(NetGSML3LogMsgTypesCount, NetGSML3LogMsgTypeCode, NetGSML3LogMsgTypeDesc);
    case 1: {
      // Added under its own name even where the decoder catalogues the code
      // (as "... [Handset]"): users look for this name. Sorted, it comes
      // first, so a stored code selects it.
      auto types = catalogue(NetCDMAL3LogMsgTypesCount, NetCDMAL3LogMsgTypeCode, NetCDMAL3LogMsgTypeDesc);
      types.push_back({"CDMA Access Probe Info", AccessProbeInfo});
      return types;
    }
    case 2:
      return catalogue(NetWCDMAL3LogMsgTypesCount, NetWCDMAL3LogMsgTypeCode, NetWCDMAL3LogMsgTypeDesc);
    case 3:
      return catalogue(NetTDSCDMAL3LogMsgTypesCount, NetTDSCDMAL3LogMsgTypeCode, NetTDSCDMAL3LogMsgTypeDesc);
    default:
      return {};
  }
}

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
