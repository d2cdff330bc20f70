// The sample files as they were before they gained LTE: every LTE element
// (definitions, gates, aliases, property lists) taken out, the rest byte for
// byte. Tests of four-network files and of LTE events a person adds start
// from these.
#pragma once

#include <regex>
#include <string>

inline std::string WithoutLteElements(const std::string& text) {
  // An LTE element with its line: self-closing, or up to its own end tag
  // (LTE elements never nest).
  static const std::regex lte(R"(\n[ \t]*<(LTE(-Message|-Warning)?)(\s[^>]*)?/>|\n[ \t]*<(LTE(-Message|-Warning)?)>[\s\S]*?</\4>)");
  return std::regex_replace(text, lte, "");
}
