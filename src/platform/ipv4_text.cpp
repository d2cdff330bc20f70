#include "platform/ipv4_text.h"

#include <cstring>

#include <fmt/format.h>

std::string Ipv4Text(uint32_t networkOrderAddress) {
  unsigned char b[4];
  std::memcpy(b, &networkOrderAddress, sizeof b);
  return fmt::format("{}.{}.{}.{}", b[0], b[1], b[2], b[3]);
}
