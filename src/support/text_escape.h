// Text from files made safe for where it goes: a terminal (control
// characters shown as escapes, so that a log or capture cannot move the
// cursor, set the window title or fake a line of its own) and a JSON string.
#pragma once

#include <string>
#include <string_view>



// The text with every control character (C0, DEL, C1) and every byte that is
// not part of valid UTF-8 written as an escape: "\e" for ESC, "\n", "\t",
// "\r", "\xNN" for the rest, "\u{9B}" for a C1 character; a backslash
// stays as it is. Printable UTF-8 passes unchanged.
std::string TerminalText(std::string_view text);

// `text` as a JSON string with its quotes: '"', '\\' and every control
// character escaped; bytes that are not valid UTF-8 become U+FFFD.
std::string JsonString(std::string_view text);


