// TDSCDMA layer-3 decoder component: the message catalogue of the network and the
// readers of decoded information elements carried in the message bytes
// (layout in docs/message-bytes.md). Readers return std::nullopt for a message
// that does not carry the element or whose block is short or malformed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "eventmanager/outside/decoder_types.h"
#include "eventmanager/outside/outside_export.h"

class RecordView;

EM_TDSCDMA_DECODER_API int NetTDSCDMAL3LogMsgTypesCount();
EM_TDSCDMA_DECODER_API uint32_t NetTDSCDMAL3LogMsgTypeCode(int position);      // 0 outside 0..count-1
EM_TDSCDMA_DECODER_API std::string NetTDSCDMAL3LogMsgTypeDesc(int position);   // empty outside 0..count-1
EM_TDSCDMA_DECODER_API std::string NetTDSCDMAL3LogMsgTypeName(uint32_t code);  // empty for an unknown code
EM_TDSCDMA_DECODER_API bool NetTDSCDMAL3LogMsgTypeHasSubTypes(uint32_t code);
// Sub-type index 0..31 of the message, negative when it has none.
EM_TDSCDMA_DECODER_API int GainNetTDSCDMAL3LogMsgSubIndex(uint32_t code, const std::string& bytes);
// The record's message (code of the record) is the defined one (code of the definition).
EM_TDSCDMA_DECODER_API bool Compare_TDSCDMA_MsgInfo(uint8_t deviceType, uint32_t recordCode, uint32_t definedCode);

EM_TDSCDMA_DECODER_API std::optional<int32_t> Gain_TDSCDMA_CM_Service_Type_Data_Point(uint8_t deviceType,
                                                                                      uint32_t code,
                                                                                      const std::string& bytes);
EM_TDSCDMA_DECODER_API std::optional<HandoverTarget> Gain_TDSCDMA_GSM_Handover_Data_Point(uint8_t deviceType,
                                                                                          uint32_t code,
                                                                                          const std::string& bytes);
EM_TDSCDMA_DECODER_API bool TDSCDMAInGSMState(const RecordView& view);
EM_TDSCDMA_DECODER_API bool TDSCDMADedicateState(const RecordView& view);
EM_TDSCDMA_DECODER_API bool TDSCDMAInGSMDedicateState(const RecordView& view);
// MM timer expiry: an 8-byte block, i32 timer type then i32 timeout value.
EM_TDSCDMA_DECODER_API std::optional<std::string> Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(
    uint8_t deviceType, uint32_t code, const std::string& bytes);
// Text of a timer type code ("T3210", ...); a fitting text for unknown codes.
EM_TDSCDMA_DECODER_API std::string Parse_UE_TimeOut_Type(int32_t timerType);
