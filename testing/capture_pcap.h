// Small GSMTAP captures written by the tests themselves: Ethernet, IPv4 and
// UDP to port 4729 around a GSMTAP header and a layer-3 payload, as pcap or
// pcapng. Frames can be cut short to make truncated and malformed input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

struct GsmtapFrame {
  uint8_t Type = 2;          // 2 GSM layer 3, 12 UMTS RRC, 13 LTE RRC
  uint8_t SubType = 0;       // GSMTAP sub-type (the RRC channel for type 12)
  bool Uplink = false;
  std::string Payload;       // the message bytes after the GSMTAP header
  double Time = 1521877211.0;  // seconds since 1970
  size_t CutTo = 0;          // when not 0, the frame is cut to this many bytes
};

// The bytes of a frame from its Ethernet header on.
std::string FrameBytes(const GsmtapFrame& frame);
void WritePcap(const std::filesystem::path& path, const std::vector<GsmtapFrame>& frames);
void WritePcapng(const std::filesystem::path& path, const std::vector<GsmtapFrame>& frames);

// "83 25 02 e2 95" to bytes.
std::string Hex(const std::string& text);

// True when tshark runs here; tests that need it skip without.
bool TsharkAvailable();

}  // namespace e2e
