// TD-SCDMA decoder exports: catalogue queries, the CM-service, GSM handover
// and MM timer readers, and the state of a record.
#include "eventmanager/outside/tdscdma_decoder.h"

#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "nas_messages.h"
#include "rrc_messages.h"
#include "umts_catalogue.h"
#include "umts_readers.h"

namespace {

// The network's own group: one message, whose code is the group's prefix.
constexpr outside::MsgRow kUeMm[] = {{0x0000, "MM Timer Expiry Indication"}};

const outside::MsgCatalogue& Catalogue() {
  static const outside::MsgGroup own[] = {{tdscdma::MmTimerExpiryIndication, "UE MM", kUeMm}};
  static const outside::MsgCatalogue catalogue(outside::UmtsGroups(own));
  return catalogue;
}

}  // namespace

int NetTDSCDMAL3LogMsgTypesCount() { return Catalogue().Count(); }
uint32_t NetTDSCDMAL3LogMsgTypeCode(int position) { return Catalogue().Code(position); }
std::string NetTDSCDMAL3LogMsgTypeDesc(int position) { return Catalogue().Desc(position); }
std::string NetTDSCDMAL3LogMsgTypeName(uint32_t code) { return Catalogue().Name(code); }
bool NetTDSCDMAL3LogMsgTypeHasSubTypes(uint32_t code) { return Catalogue().HasSubTypes(code); }

int GainNetTDSCDMAL3LogMsgSubIndex(uint32_t code, const std::string& bytes) {
  return Catalogue().SubIndex(code, bytes);
}

bool Compare_TDSCDMA_MsgInfo(uint8_t /*deviceType*/, uint32_t recordCode, uint32_t definedCode) {
  return recordCode == definedCode;
}

std::optional<int32_t> Gain_TDSCDMA_CM_Service_Type_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                               const std::string& bytes) {
  return outside::CmServiceOrCause3G(code, bytes);
}

std::optional<HandoverTarget> Gain_TDSCDMA_GSM_Handover_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                                   const std::string& bytes) {
  return outside::GsmHandoverTarget3G(code, bytes);
}

// In GSM state: the record was taken while the handset camped on or talked
// in GSM (the record's network is GSM). Dedicated: the record's mode is 2.
bool TDSCDMAInGSMState(const RecordView& view) { return outside::InGsmState(view); }

bool TDSCDMADedicateState(const RecordView& view) {
  return view.HasData() && view.NetType() == 3 && outside::ModeOf(view) == outside::ModeDedicated;
}

bool TDSCDMAInGSMDedicateState(const RecordView& view) {
  return outside::InGsmState(view) && outside::ModeOf(view) == outside::ModeDedicated;
}

std::optional<std::string> Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(uint8_t /*deviceType*/, uint32_t code,
                                                                         const std::string& bytes) {
  if (code != tdscdma::MmTimerExpiryIndication) return std::nullopt;
  auto value = msgbytes::FindChecked(bytes, msgbytes::TimerExpiry);
  if (!value || value->size() < 8) return std::nullopt;
  return std::string(value->substr(0, 8));
}
