// Causes of LTE messages: which family a message's cause belongs to, the
// cause record read from the message bytes and its text. The tables (EMM,
// ESM, RRC) are in lte_cause_tables.cpp.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace outside::lte {

// Cause families of LTE cause records (second i32), after those of the
// older networks (nas_messages.h); see docs/message-bytes.md.
enum LteCauseFamily : int32_t {
  FamilyEmm = 7,         // 24.301 9.9.3.9
  FamilyEsm = 8,         // 24.301 9.9.4.4
  FamilyRrcRelease = 9,  // 36.331 ReleaseCause
  FamilyRrc = 10,        // 36.331: the cause the message names (RrcCauseKindOf)
};

// What a family-10 cause of an RRC message means; picks its table.
enum class RrcCauseKind { None, Establishment, Reestablishment, ScgFailure };
RrcCauseKind RrcCauseKindOf(uint32_t code);

// The default family of the message's cause, -1 for a message without one.
int32_t CauseFamilyOf(uint32_t code);

// 8-byte cause record (i32 cause, i32 family) of a message that carries a
// cause; none for any other message or a malformed block.
std::optional<std::string> CauseRecord(uint32_t code, std::string_view bytes);
// "Cause: <name>(<value>)"; "" for a record shorter than 8 bytes.
std::string CauseText(uint32_t code, std::string_view record);

struct CauseEntry {
  int32_t Value;
  const char* Text;
};
// The table of an LTE family (7..10) for the message, empty for any other.
std::span<const CauseEntry> CauseTable(int32_t family, uint32_t code);

}  // namespace outside::lte
