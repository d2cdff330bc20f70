// GSM layer-3 decoder component: the message catalogue of the network and the
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

EM_GSM_DECODER_API int NetGSML3LogMsgTypesCount();
EM_GSM_DECODER_API uint32_t NetGSML3LogMsgTypeCode(int position);      // 0 outside 0..count-1
EM_GSM_DECODER_API std::string NetGSML3LogMsgTypeDesc(int position);   // empty outside 0..count-1
EM_GSM_DECODER_API std::string NetGSML3LogMsgTypeName(uint32_t code);  // empty for an unknown code
EM_GSM_DECODER_API bool NetGSML3LogMsgTypeHasSubTypes(uint32_t code);
// Sub-type index 0..31 of the message, negative when it has none.
EM_GSM_DECODER_API int GainNetGSML3LogMsgSubIndex(uint32_t code, const std::string& bytes);
// The record's message (code of the record) is the defined one (code of the definition).
EM_GSM_DECODER_API bool Compare_GSM_MsgInfo(uint8_t deviceType, uint32_t recordCode, uint32_t definedCode);

// CM service type (or the cause carried by the message), as a 32-bit value.
EM_GSM_DECODER_API std::optional<int32_t> Gain_GSM_CM_Service_Type_Data_Point(uint8_t deviceType, uint32_t code,
                                                                              const std::string& bytes);
// Handover command: the target cell.
EM_GSM_DECODER_API std::optional<HandoverTarget> Gain_GSM_Handover_Data_Point(uint8_t deviceType, uint32_t code,
                                                                              const std::string& bytes);
// Cause record of a GSM message that carries a cause (CC, MM, GMM, RR, SM,
// SMS): 8 bytes, the first i32 the cause value, the second its family, as
// the UMTS diagnosis gives them (docs/message-bytes.md).
EM_GSM_DECODER_API std::optional<std::string> GainGSMMessageCauseCode(uint32_t code, const std::string& bytes);
// Text of a cause record made by GainGSMMessageCauseCode ("Cause: Normal call
// clearing(16)"); empty for a short record.
EM_GSM_DECODER_API std::string GainGSMMessageCauseInfo(uint32_t code, const std::string& causeRecord);
