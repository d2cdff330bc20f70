// WCDMA layer-3 decoder component: the message catalogue of the network and the
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

EM_WCDMA_DECODER_API int NetWCDMAL3LogMsgTypesCount();
EM_WCDMA_DECODER_API uint32_t NetWCDMAL3LogMsgTypeCode(int position);      // 0 outside 0..count-1
EM_WCDMA_DECODER_API std::string NetWCDMAL3LogMsgTypeDesc(int position);   // empty outside 0..count-1
EM_WCDMA_DECODER_API std::string NetWCDMAL3LogMsgTypeName(uint32_t code);  // empty for an unknown code
EM_WCDMA_DECODER_API bool NetWCDMAL3LogMsgTypeHasSubTypes(uint32_t code);
// Sub-type index 0..31 of the message, negative when it has none.
EM_WCDMA_DECODER_API int GainNetWCDMAL3LogMsgSubIndex(uint32_t code, const std::string& bytes);
// The record's message (code of the record) is the defined one (code of the definition).
EM_WCDMA_DECODER_API bool Compare_WCDMA_MsgInfo(uint8_t deviceType, uint32_t recordCode, uint32_t definedCode);

EM_WCDMA_DECODER_API std::optional<int32_t> Gain_WCDMA_CM_Service_Type_Data_Point(uint8_t deviceType, uint32_t code,
                                                                                  const std::string& bytes);
// Handover from UTRAN command to a GSM cell.
EM_WCDMA_DECODER_API std::optional<HandoverTarget> Gain_WCDMA_GSM_Handover_Data_Point(uint8_t deviceType,
                                                                                      uint32_t code,
                                                                                      const std::string& bytes);
// The handset is in GSM mode on the loaded record.
EM_WCDMA_DECODER_API bool UMTSInGSMState(const RecordView& view);
