// CDMA layer-3 decoder component: the message catalogue of the network and the
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

EM_CDMA_DECODER_API int NetCDMAL3LogMsgTypesCount();
EM_CDMA_DECODER_API uint32_t NetCDMAL3LogMsgTypeCode(int position);      // 0 outside 0..count-1
EM_CDMA_DECODER_API std::string NetCDMAL3LogMsgTypeDesc(int position);   // empty outside 0..count-1
EM_CDMA_DECODER_API std::string NetCDMAL3LogMsgTypeName(uint32_t code);  // empty for an unknown code
EM_CDMA_DECODER_API bool NetCDMAL3LogMsgTypeHasSubTypes(uint32_t code);
// Sub-type index 0..31 of the message, negative when it has none.
EM_CDMA_DECODER_API int GainNetCDMAL3LogMsgSubIndex(uint32_t code, const std::string& bytes);
// The record's message (code of the record) is the defined one (code of the definition).
EM_CDMA_DECODER_API bool Compare_CDMA_MsgInfo(uint8_t deviceType, uint32_t recordCode, uint32_t definedCode);

// Release or reject cause (16-bit). `previous` is the low byte of the record's
// field 21, the cause state carried over from the previous message.
EM_CDMA_DECODER_API std::optional<uint16_t> Gain_cdma_Cause_code_Data_Point_With_Prev(uint8_t previous,
                                                                                      uint8_t deviceType,
                                                                                      uint32_t code,
                                                                                      const std::string& bytes);
// Handoff direction parameters: a block of at least 2 bytes; byte 1 is the
// signed handoff direction value.
EM_CDMA_DECODER_API std::optional<std::string> Gain_CDMA_Handoff_Dir_Param_Data_Point(uint8_t deviceType,
                                                                                      uint32_t code,
                                                                                      const std::string& bytes);
