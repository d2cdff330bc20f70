// Trimming of blanks (space, tab, CR, LF) around texts read from files and
// given to setters.
#pragma once

#include <string_view>

inline std::string_view TrimBlanks(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
