// TD-SCDMA diagnosis exports: cause record and text, physical channel
// reconfiguration (baton handover, new frequency and cell) and handover to GSM.
#include "eventmanager/outside/tdscdma_diagnosis.h"

#include "cause_texts.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "reconfiguration.h"
#include "umts_readers.h"

std::optional<std::string> GainTDSCDMAMessageCauseCode(uint32_t code, const std::string& bytes) {
  return outside::CauseRecord3G(code, bytes);
}

std::string GainTDSCDMAMessageCauseInfo(uint32_t code, const std::string& causeRecord) {
  return outside::CauseText(code, causeRecord);
}

std::optional<TdscdmaReconfigurationInfo> GainTDSCDMAPhysicalChannelReconfigurationInfo(uint32_t code,
                                                                                       const std::string& bytes) {
  if (!outside::MayCarryNewChannel(code) || !msgbytes::WellFormed(bytes)) return std::nullopt;
  auto uarfcn = outside::OptionalI32(bytes, msgbytes::NewUarfcn);
  auto cell = outside::OptionalI32(bytes, msgbytes::NewCellParamId);
  auto baton = msgbytes::Find(bytes, msgbytes::BatonHandover);
  if (!uarfcn || !cell || (baton && baton->size() != 1)) return std::nullopt;
  if (*uarfcn == NoValue && *cell == NoValue && !baton) return std::nullopt;
  uint8_t flag = baton ? static_cast<uint8_t>((*baton)[0]) : 0;
  return TdscdmaReconfigurationInfo{flag, *uarfcn, *cell};
}

std::optional<HandoverTarget> GainTDSCDMAInterRatHandoverToGSMInfo(uint32_t code, const std::string& bytes) {
  if (!outside::OneOf(code, {rrc::HandoverFromUtranCommand, rrc::CellChangeOrderFromUtran})) return std::nullopt;
  return outside::TargetCellOf(bytes);
}
