// Readers shared by the WCDMA and TD-SCDMA decoders and diagnoses: both
// networks carry the same RRC and NAS elements. Every reader checks the code
// (can this message carry the element?), then the block and the element size.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "eventmanager/outside/decoder_types.h"

class RecordView;

namespace outside {

// The cause family the message's cause element belongs to, -1 when the 3G
// message carries no cause.
int32_t CauseFamily3G(uint32_t code);
// The CM service type of a service request, otherwise the cause value of a
// message that carries one; none for any other message or a short element.
std::optional<int32_t> ServiceTypeOrCause(bool serviceRequest, bool carriesCause, std::string_view bytes);
// The same for a 3G message code.
std::optional<int32_t> CmServiceOrCause3G(uint32_t code, std::string_view bytes);
// 8-byte cause record: i32 cause, i32 family.
std::optional<std::string> CauseRecord3G(uint32_t code, std::string_view bytes);
// The same for a message whose cause family is `family` (none below 0); the
// family a cause element names itself wins.
std::optional<std::string> CauseRecordOfFamily(int32_t family, std::string_view bytes);
// The GSM target cell of an element block (TargetCell element, 8 bytes).
std::optional<HandoverTarget> TargetCellOf(std::string_view bytes);
// The GSM target cell of a 3G handover or cell change order to GSM.
std::optional<HandoverTarget> GsmHandoverTarget3G(uint32_t code, std::string_view bytes);
// An element of n x i32 (n <= limit); none for a length that is no multiple of 4.
std::optional<std::vector<int32_t>> I32ListOf(std::string_view bytes, uint8_t tag, size_t limit);
// Optional i32 element: none when the block is malformed, NoValue when the
// element is missing, the value when present with 4 bytes.
std::optional<int32_t> OptionalI32(std::string_view bytes, uint8_t tag);

// Record modes (bits 24..27 of the message information).
inline constexpr uint32_t ModeDedicated = 2;
uint32_t ModeOf(const RecordView& view);
// The handset is in GSM on the record: the record's network is GSM, or it is
// a WCDMA/TD-SCDMA record without a serving 3G channel (field 17 / 37 absent
// or not positive) that measures a GSM BCCH (field 98 / 203 positive).
bool InGsmState(const RecordView& view);

}  // namespace outside
