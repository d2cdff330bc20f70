// CDMA decoder exports: catalogue queries, the cause and the handoff readers.
#include "eventmanager/outside/cdma_decoder.h"

#include "cdma_catalogue.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"

using outside::cdma::Catalogue;

int NetCDMAL3LogMsgTypesCount() { return Catalogue().Count(); }
uint32_t NetCDMAL3LogMsgTypeCode(int position) { return Catalogue().Code(position); }
std::string NetCDMAL3LogMsgTypeDesc(int position) { return Catalogue().Desc(position); }
std::string NetCDMAL3LogMsgTypeName(uint32_t code) { return Catalogue().Name(code); }
bool NetCDMAL3LogMsgTypeHasSubTypes(uint32_t code) { return Catalogue().HasSubTypes(code); }

int GainNetCDMAL3LogMsgSubIndex(uint32_t code, const std::string& bytes) {
  return Catalogue().SubIndex(code, bytes);
}

bool Compare_CDMA_MsgInfo(uint8_t /*deviceType*/, uint32_t recordCode, uint32_t definedCode) {
  return recordCode == definedCode;
}

// A message that carries its own cause answers with it. One that can carry a
// cause but has none (a handset's release answering the base station's)
// answers with the cause state carried over from the previous message, when
// there is one (not 0).
std::optional<uint16_t> Gain_cdma_Cause_code_Data_Point_With_Prev(uint8_t previous, uint8_t /*deviceType*/,
                                                                 uint32_t code, const std::string& bytes) {
  if (!outside::cdma::CarriesCause(code) || !msgbytes::WellFormed(bytes)) return std::nullopt;
  if (auto value = msgbytes::Find(bytes, msgbytes::CdmaCause)) return msgbytes::U16At(*value, 0);
  if (previous != 0) return previous;
  return std::nullopt;
}

std::optional<std::string> Gain_CDMA_Handoff_Dir_Param_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                                  const std::string& bytes) {
  if (!outside::OneOf(code, {cdma::HandoffDirection, cdma::ExtendedHandoffDirection, cdma::GeneralHandoffDirection,
                             cdma::UniversalHandoffDirection}))
    return std::nullopt;
  auto value = msgbytes::FindChecked(bytes, msgbytes::HandoffDirection);
  if (!value || value->size() < 2) return std::nullopt;
  return std::string(*value);
}
