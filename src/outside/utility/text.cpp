// Text comparison helpers of the utility component.
#include <algorithm>
#include <cstdlib>

#include <utf8proc.h>

#include "eventmanager/outside/utility.h"
#include "support/text_case.h"

bool CompText(std::string_view a, std::string_view b) { return EqualsIgnoringAsciiCase(a, b); }

std::string FoldCase(std::string_view text) {
  std::string folded(text);
  bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) {
    utf8proc_uint8_t* out = nullptr;
    utf8proc_ssize_t length = utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()),
                                           static_cast<utf8proc_ssize_t>(text.size()), &out,
                                           static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE |
                                                                          UTF8PROC_CASEFOLD));
    if (length >= 0 && out) {
      folded.assign(reinterpret_cast<const char*>(out), static_cast<size_t>(length));
      std::free(out);
      return folded;
    }
    std::free(out);
  }
  for (char& c : folded) c = AsciiLower(c);
  return folded;
}

bool IsEmptyStr(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; });
}
