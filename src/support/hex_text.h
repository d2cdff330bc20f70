// Bytes as hex text and back: message bytes and test-item extra data are
// written in logs as two hex digits a byte (either case when read, upper case
// when written).
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The bytes of `hex`; none when its length is odd or a character is no hex digit.
std::optional<std::string> HexToBytes(std::string_view hex);
// Appends the bytes of `hex` to `out`; false (and `out` as it was) when the
// text is not hex.
bool AppendHexBytes(std::string_view hex, std::string& out);
std::string BytesToHex(std::string_view bytes);
