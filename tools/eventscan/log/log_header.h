// The header line that opens every log: its format name and version, the
// network (which --network may replace), the device type and the start time.
// A log without a readable header cannot be read at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "log/log_types.h"

namespace eventscan {

inline constexpr const char* LogFormatName = "eventscan-log";
inline constexpr int LogFormatVersion = 1;

// The header of the log named `name` from its first line; `network`, when
// given, replaces the header's network. Raises LogError "<name>:1: ...".
LogHeader ReadLogHeader(std::string_view line, const std::string& name, std::optional<uint8_t> network);

}  // namespace eventscan
