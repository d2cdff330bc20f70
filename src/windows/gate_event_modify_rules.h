// What the gate event editor does, apart from its widgets: the messages each
// network offers, the values the dialog shows for a gate event and what OK
// stores into the working copy. Host thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "windows/event_modify_rules.h"

class TGateEvent;

// The message boxes offer what the message event editor offers: every type
// of the network's decoder catalogue, and on CDMA "CDMA Access Probe Info"
// (cdma::AccessProbeInfo) once. Empty for a network outside 0..4.
using TGateMessageType = TMessageType;
inline std::vector<TGateMessageType> GateMessageTypes(uint8_t netType) { return AvailableMessages(netType); }

// What the dialog holds for one gate event.
struct TGateEditValues {
  std::string Name;
  bool Fields = false;    // an expression gate
  bool Messages = false;  // a message-pair gate
  std::string Expression;
  int32_t ExpDuringTime = 0;
  int32_t ExpTimes = 0;
  // None when the box has no selection: the stored code is then kept.
  std::optional<uint32_t> MessageCodeA;
  std::optional<uint32_t> MessageCodeB;
  int32_t MsgDuringTime = 0;
};

TGateEditValues GateEditValuesOf(const TGateEvent& gate);

// 1 for "Fields", else 2 for "Messages", else 0 (never reports).
int32_t GateTypeOf(bool fields, bool messages);

// Why OK cannot close the dialog with these values, or empty when it can: a
// missing name says nothing (the dialog simply stays open, hence an empty
// reason with `refused` set); an expression gate whose expression the
// server rejects says why, since it could never report.
struct TGateOkCheck {
  bool Refused = false;
  std::string Reason;
};
// `expressionError` is the server's rejection of values.Expression, empty
// when it parsed (or there is no server to ask).
TGateOkCheck CheckGateOk(const TGateEditValues& values, const std::string& expressionError);

// Stores the values into `copy` through its setters, in the dialog's order.
// An expression the server rejects is kept as text (the gate then has no
// fields); it never raises for the expression.
void StoreGateEditValues(TGateEvent& copy, const TGateEditValues& values);
