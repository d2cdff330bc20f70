// Readable texts of cause records (i32 cause, i32 family), shared by the
// three message-diagnosis components. The tables are in cause_tables.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace outside {

// "" for a record shorter than 8 bytes.
std::string CauseText(uint32_t code, std::string_view record);

// The name of a cause in its family's table, nullptr when not listed.
const char* CauseName(int32_t family, int32_t cause, uint32_t code);

}  // namespace outside
