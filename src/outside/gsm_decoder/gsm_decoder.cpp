// GSM decoder exports: catalogue queries and the CM-service and handover readers.
#include "eventmanager/outside/gsm_decoder.h"

#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "gsm_catalogue.h"
#include "cause_texts.h"
#include "nas_messages.h"
#include "umts_readers.h"

using outside::gsm::Catalogue;

int NetGSML3LogMsgTypesCount() { return Catalogue().Count(); }
uint32_t NetGSML3LogMsgTypeCode(int position) { return Catalogue().Code(position); }
std::string NetGSML3LogMsgTypeDesc(int position) { return Catalogue().Desc(position); }
std::string NetGSML3LogMsgTypeName(uint32_t code) { return Catalogue().Name(code); }
bool NetGSML3LogMsgTypeHasSubTypes(uint32_t code) { return Catalogue().HasSubTypes(code); }

int GainNetGSML3LogMsgSubIndex(uint32_t code, const std::string& bytes) {
  return Catalogue().SubIndex(code, bytes);
}

bool Compare_GSM_MsgInfo(uint8_t /*deviceType*/, uint32_t recordCode, uint32_t definedCode) {
  return recordCode == definedCode;
}

std::optional<int32_t> Gain_GSM_CM_Service_Type_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                           const std::string& bytes) {
  if ((code & 0xFFFF0000u) != gsm::Prefix) return std::nullopt;
  return outside::ServiceTypeOrCause(code == gsm::CmServiceRequest || code == gsm::CmReestablishmentRequest,
                                     outside::nas::CauseFamilyOf(code & 0xFFFFu) >= 0, bytes);
}

std::optional<HandoverTarget> Gain_GSM_Handover_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                           const std::string& bytes) {
  if (!outside::OneOf(code, {gsm::HandoverCommand, gsm::AssignmentCommand}))
    return std::nullopt;
  return outside::TargetCellOf(bytes);
}

std::optional<std::string> GainGSMMessageCauseCode(uint32_t code, const std::string& bytes) {
  if ((code & 0xFFFF0000u) != gsm::Prefix) return std::nullopt;
  return outside::CauseRecordOfFamily(outside::nas::CauseFamilyOf(code & 0xFFFFu), bytes);
}

std::string GainGSMMessageCauseInfo(uint32_t code, const std::string& causeRecord) {
  return outside::CauseText(code, causeRecord);
}
