// Dotted text of an IPv4 address, as the test process stores addresses in
// extra data blocks: a 32-bit value whose bytes sit in network order. Pure
// computation, no platform call; safe from any thread.
#pragma once

#include <cstdint>
#include <string>

// "a.b.c.d" from the address's bytes in memory order (first byte first), the
// way an in_addr's s_addr is printed.
std::string Ipv4Text(uint32_t networkOrderAddress);
