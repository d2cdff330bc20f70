// Hex text of byte blocks, as logs write extra data and raw message bytes:
// pairs of hex digits, either letter case, nothing between them. The
// reference reader's own decoder, written apart from the one eventscan runs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace eventscan {

std::optional<std::string> HexToBytes(std::string_view hex);
std::string BytesToHex(std::string_view bytes);  // upper case

}  // namespace eventscan
