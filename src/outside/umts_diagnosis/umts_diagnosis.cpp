// UMTS diagnosis exports: cause record and text, physical channel
// reconfiguration, active set update and handover to GSM.
#include "eventmanager/outside/umts_diagnosis.h"

#include "cause_texts.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "reconfiguration.h"
#include "umts_readers.h"

std::optional<std::string> GainUMTSMessageCauseCode(uint32_t code, const std::string& bytes) {
  return outside::CauseRecord3G(code, bytes);
}

std::string GainUMTSMessageCauseInfo(uint32_t code, const std::string& causeRecord) {
  return outside::CauseText(code, causeRecord);
}

std::optional<WcdmaReconfigurationInfo> GainWCDMAPhysicalChannelReconfigurationInfo(uint32_t code,
                                                                                   const std::string& bytes) {
  if (!outside::MayCarryNewChannel(code)) return std::nullopt;
  auto uarfcn = outside::OptionalI32(bytes, msgbytes::NewUarfcn);
  bool hasList = false;
  auto psc = outside::OptionalList(bytes, msgbytes::PscList, hasList);
  if (!uarfcn || !psc) return std::nullopt;
  if (*uarfcn == NoValue && !hasList) return std::nullopt;
  return WcdmaReconfigurationInfo{*uarfcn, std::move(*psc)};
}

std::optional<ActiveSetUpdateInfo> GainWCDMAActiveSetUpdateInfo(uint32_t code, const std::string& bytes) {
  if (code != rrc::ActiveSetUpdate) return std::nullopt;
  bool hasRemoved = false, hasAdded = false;
  auto removed = outside::OptionalList(bytes, msgbytes::PscRemoved, hasRemoved);
  auto added = outside::OptionalList(bytes, msgbytes::PscAdded, hasAdded);
  if (!removed || !added || (!hasRemoved && !hasAdded)) return std::nullopt;
  return ActiveSetUpdateInfo{std::move(*removed), std::move(*added)};
}

std::optional<HandoverTarget> GainInterRatHandoverToGSMInfo(uint32_t code, const std::string& bytes) {
  if (!outside::OneOf(code, {rrc::HandoverFromUtranCommand, rrc::CellChangeOrderFromUtran})) return std::nullopt;
  return outside::TargetCellOf(bytes);
}
