// Letter case of ASCII text: names, keywords and identifiers in our files and
// on the command line compare without regard to case of A-Z only, the same
// whatever the process locale (a window's host may have set one). Unicode
// case folding of event names is the utility component's FoldCase.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

inline char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

inline std::string AsciiLowerCopy(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}
