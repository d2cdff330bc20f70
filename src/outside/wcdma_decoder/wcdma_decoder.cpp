// WCDMA decoder exports: catalogue queries, the CM-service and GSM handover
// readers and the in-GSM state of a record.
#include "eventmanager/outside/wcdma_decoder.h"

#include "eventmanager/outside/data_access.h"
#include "nas_messages.h"
#include "rrc_messages.h"
#include "umts_catalogue.h"
#include "umts_readers.h"

namespace {

const outside::MsgCatalogue& Catalogue() {
  static const outside::MsgCatalogue catalogue(outside::UmtsGroups({}));
  return catalogue;
}

}  // namespace

int NetWCDMAL3LogMsgTypesCount() { return Catalogue().Count(); }
uint32_t NetWCDMAL3LogMsgTypeCode(int position) { return Catalogue().Code(position); }
std::string NetWCDMAL3LogMsgTypeDesc(int position) { return Catalogue().Desc(position); }
std::string NetWCDMAL3LogMsgTypeName(uint32_t code) { return Catalogue().Name(code); }
bool NetWCDMAL3LogMsgTypeHasSubTypes(uint32_t code) { return Catalogue().HasSubTypes(code); }

int GainNetWCDMAL3LogMsgSubIndex(uint32_t code, const std::string& bytes) {
  return Catalogue().SubIndex(code, bytes);
}

bool Compare_WCDMA_MsgInfo(uint8_t /*deviceType*/, uint32_t recordCode, uint32_t definedCode) {
  return recordCode == definedCode;
}

std::optional<int32_t> Gain_WCDMA_CM_Service_Type_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                             const std::string& bytes) {
  return outside::CmServiceOrCause3G(code, bytes);
}

std::optional<HandoverTarget> Gain_WCDMA_GSM_Handover_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                                 const std::string& bytes) {
  return outside::GsmHandoverTarget3G(code, bytes);
}

bool UMTSInGSMState(const RecordView& view) { return outside::InGsmState(view); }
