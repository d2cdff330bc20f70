#include "support/hex_text.h"

namespace {

int nibble(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool AppendHexBytes(std::string_view hex, std::string& out) {
  if (hex.size() % 2 != 0) return false;
  const size_t start = out.size();
  out.resize(start + hex.size() / 2);
  for (size_t i = 0; i < hex.size() / 2; ++i) {
    int hi = nibble(hex[2 * i]), lo = nibble(hex[2 * i + 1]);
    if (hi < 0 || lo < 0) {
      out.resize(start);
      return false;
    }
    out[start + i] = static_cast<char>(hi << 4 | lo);
  }
  return true;
}

std::optional<std::string> HexToBytes(std::string_view hex) {
  std::string out;
  if (!AppendHexBytes(hex, out)) return std::nullopt;
  return out;
}

std::string BytesToHex(std::string_view bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char b : bytes) {
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 15]);
  }
  return out;
}
