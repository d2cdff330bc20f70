#include "support/text_escape.h"

#include <cstdint>

#include <fmt/format.h>


namespace {

// Length of the valid UTF-8 sequence at `i` and its code point; 0 when the
// bytes there are not one (overlong, surrogate, cut or stray).
size_t utf8At(std::string_view s, size_t i, uint32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t n = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
  if (n == 0 || i + n > s.size()) return 0;
  cp = c & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

}  // namespace

std::string TerminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    const size_t n = utf8At(text, i, cp);
    if (n == 0) {
      out += fmt::format("\\x{:02X}", static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    if (cp < 0x20 || cp == 0x7F) {
      switch (cp) {
        case 0x1B: out += "\\e"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += fmt::format("\\x{:02X}", cp);
      }
    } else if (cp >= 0x80 && cp <= 0x9F) {
      out += fmt::format("\\u{{{:02X}}}", cp);
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  return out;
}

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    uint32_t cp = 0;
    const size_t n = utf8At(text, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (cp == '"' || cp == '\\') {
      out += '\\';
      out += static_cast<char>(cp);
    } else if (cp < 0x20 || cp == 0x7F) {
      out += fmt::format("\\u{:04x}", cp);
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  out += '"';
  return out;
}


