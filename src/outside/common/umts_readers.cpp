#include "umts_readers.h"

#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_bytes.h"
#include "nas_messages.h"
#include "rrc_messages.h"

namespace outside {

int32_t CauseFamily3G(uint32_t code) {
  if (rrc::CauseKindOf(code) != rrc::CauseKind::None) return nas::FamilyRrc;
  if ((code & 0xFFFF0000u) == nas::Prefix) return nas::CauseFamilyOf(code & 0xFFFFu);
  return -1;
}

static bool IsCmServiceRequest3G(uint32_t code) {
  return code == nas::CmServiceRequest || code == nas::CmReestablishmentRequest;
}

std::optional<int32_t> ServiceTypeOrCause(bool serviceRequest, bool carriesCause, std::string_view bytes) {
  uint8_t tag;
  if (serviceRequest)
    tag = msgbytes::CmServiceType;
  else if (carriesCause)
    tag = msgbytes::Cause;
  else
    return std::nullopt;
  auto value = msgbytes::FindChecked(bytes, tag);
  if (!value) return std::nullopt;
  return msgbytes::I32At(*value, 0);
}

std::optional<int32_t> CmServiceOrCause3G(uint32_t code, std::string_view bytes) {
  return ServiceTypeOrCause(IsCmServiceRequest3G(code), CauseFamily3G(code) >= 0, bytes);
}

std::optional<std::string> CauseRecord3G(uint32_t code, std::string_view bytes) {
  return CauseRecordOfFamily(CauseFamily3G(code), bytes);
}

std::optional<std::string> CauseRecordOfFamily(int32_t family, std::string_view bytes) {
  if (family < 0) return std::nullopt;
  auto value = msgbytes::FindChecked(bytes, msgbytes::Cause);
  if (!value) return std::nullopt;
  auto cause = msgbytes::I32At(*value, 0);
  if (!cause) return std::nullopt;
  if (value->size() >= 8) family = msgbytes::ReadI32(*value, 4);
  return msgbytes::Writer().I32s(0, {*cause, family}).Bytes().substr(2);
}

std::optional<HandoverTarget> TargetCellOf(std::string_view bytes) {
  auto value = msgbytes::FindChecked(bytes, msgbytes::TargetCell);
  if (!value || value->size() < 8) return std::nullopt;
  return HandoverTarget{msgbytes::ReadI32(*value, 0), msgbytes::ReadI32(*value, 4)};
}

std::optional<std::vector<int32_t>> I32ListOf(std::string_view bytes, uint8_t tag, size_t limit) {
  auto value = msgbytes::FindChecked(bytes, tag);
  if (!value || value->size() % 4 != 0) return std::nullopt;
  return msgbytes::I32List(*value, limit);
}

std::optional<int32_t> OptionalI32(std::string_view bytes, uint8_t tag) {
  if (!msgbytes::WellFormed(bytes)) return std::nullopt;
  auto value = msgbytes::Find(bytes, tag);
  if (!value) return NoValue;
  return msgbytes::I32At(*value, 0);
}

uint32_t ModeOf(const RecordView& view) { return (view.MessageInfo() >> 24) & 0xFu; }

// Field identifiers of the serving 3G channel and of the measured GSM BCCH.
static bool ServingOnGsmOnly(const RecordView& view, int32_t channel3g, int32_t gsmBcch) {
  int32_t serving = view.FieldValue(channel3g);
  return (serving == NoValue || serving <= 0) && view.FieldValue(gsmBcch) > 0;
}

std::optional<HandoverTarget> GsmHandoverTarget3G(uint32_t code, std::string_view bytes) {
  if (!OneOf(code, {nas::HandoverCommand, rrc::HandoverFromUtranCommand, rrc::CellChangeOrderFromUtran}))
    return std::nullopt;
  return TargetCellOf(bytes);
}

bool InGsmState(const RecordView& view) {
  if (!view.HasData()) return false;
  switch (view.NetType()) {
    case 0: return true;
    case 2: return ServingOnGsmOnly(view, 98, 17);
    case 3: return ServingOnGsmOnly(view, 203, 37);
    default: return false;
  }
}

}  // namespace outside
