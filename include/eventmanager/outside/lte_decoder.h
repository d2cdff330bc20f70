// LTE decoder component: the message catalogue of LTE RRC (3GPP TS 36.331)
// and EPS NAS (TS 24.301), their cause tables, and the readers of the decoded
// information elements carried in the message bytes (layout and the messages
// each reader answers for in docs/message-bytes.md). Readers return
// std::nullopt for a message that cannot carry the element, and for a block
// that is short or malformed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "eventmanager/outside/decoder_types.h"
#include "eventmanager/outside/outside_export.h"

EM_LTE_DECODER_API int NetLTEL3LogMsgTypesCount();
EM_LTE_DECODER_API uint32_t NetLTEL3LogMsgTypeCode(int position);      // 0 outside 0..count-1
EM_LTE_DECODER_API std::string NetLTEL3LogMsgTypeDesc(int position);   // empty outside 0..count-1
EM_LTE_DECODER_API std::string NetLTEL3LogMsgTypeName(uint32_t code);  // empty for an unknown code
EM_LTE_DECODER_API bool NetLTEL3LogMsgTypeHasSubTypes(uint32_t code);
// Sub-type index 0..31 of the message, negative when it has none.
EM_LTE_DECODER_API int GainNetLTEL3LogMsgSubIndex(uint32_t code, const std::string& bytes);
// The record's message (code of the record) is the defined one (code of the definition).
EM_LTE_DECODER_API bool Compare_LTE_MsgInfo(uint8_t deviceType, uint32_t recordCode, uint32_t definedCode);

// Cause record of an LTE message that carries a cause: 8 bytes, the first
// i32 the cause value, the second its family (7 EMM, 8 ESM, 9 RRC release
// cause, 10 the RRC cause the message names; docs/message-bytes.md).
EM_LTE_DECODER_API std::optional<std::string> GainLTEMessageCauseCode(uint32_t code, const std::string& bytes);
// Text of a cause record ("Cause: IMSI unknown in HSS(2)"); empty for a
// record shorter than 8 bytes.
EM_LTE_DECODER_API std::string GainLTEMessageCauseInfo(uint32_t code, const std::string& causeRecord);

// Target cell of a handover within LTE (RRC Connection Reconfiguration with
// mobility control information, and its Complete).
EM_LTE_DECODER_API std::optional<LteCellTarget> Gain_LTE_Target_Cell(uint8_t deviceType, uint32_t code,
                                                                     const std::string& bytes);
// Target system and carrier of a release with redirection or a mobility
// from E-UTRA command.
EM_LTE_DECODER_API std::optional<LteRedirect> Gain_LTE_Redirect(uint8_t deviceType, uint32_t code,
                                                                const std::string& bytes);
// EPS bearer identity (5..15) of an ESM message about one bearer context.
EM_LTE_DECODER_API std::optional<int32_t> Gain_LTE_Eps_Bearer_Id(uint32_t code, const std::string& bytes);
// NR secondary cell group added (reconfiguration and its Complete) or failed
// (SCG Failure Information NR).
EM_LTE_DECODER_API std::optional<LteScgInfo> Gain_LTE_Scg_Info(uint32_t code, const std::string& bytes);
