// Dotted IPv4 text held against the C library's own inet_ntop, over
// addresses whose bytes test each position and the extremes.
#include <arpa/inet.h>

#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "platform/ipv4_text.h"

TEST(Ipv4Text, AgreesWithTheCLibrary) {
  const char* addresses[] = {"0.0.0.0", "255.255.255.255", "10.0.0.1", "192.168.1.254", "1.2.3.4", "127.0.0.1",
                             "100.64.0.9"};
  for (const char* text : addresses) {
    in_addr address{};
    ASSERT_EQ(inet_pton(AF_INET, text, &address), 1);
    EXPECT_EQ(Ipv4Text(address.s_addr), text);
  }
  // Every byte value in every position.
  for (uint32_t b = 0; b < 256; ++b) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(b), static_cast<uint8_t>(255 - b), static_cast<uint8_t>(b ^ 0x5A),
                              static_cast<uint8_t>(b / 2)};
    in_addr address{};
    std::memcpy(&address.s_addr, bytes, 4);
    char expected[INET_ADDRSTRLEN];
    ASSERT_NE(inet_ntop(AF_INET, &address, expected, sizeof expected), nullptr);
    EXPECT_EQ(Ipv4Text(address.s_addr), expected);
  }
}
