#include "testing/capture_pcap.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>

namespace e2e {
namespace {

void put16be(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v >> 8));
  s.push_back(static_cast<char>(v & 0xFF));
}
void put32le(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
}
void put16le(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}

}  // namespace

std::string Hex(const std::string& text) {
  std::string out;
  std::string digits;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    out.push_back(static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

std::string FrameBytes(const GsmtapFrame& f) {
  std::string gsmtap;
  gsmtap.push_back(2);   // version
  gsmtap.push_back(4);   // header length in 32-bit words
  gsmtap.push_back(static_cast<char>(f.Type));
  gsmtap.push_back(0);   // time slot
  put16be(gsmtap, f.Uplink ? 0x4000 : 0);  // ARFCN with the uplink flag
  gsmtap.push_back(0);   // signal level
  gsmtap.push_back(0);   // signal/noise
  gsmtap.append(4, '\0');  // frame number
  gsmtap.push_back(static_cast<char>(f.SubType));
  gsmtap.append(3, '\0');  // antenna, sub-slot, reserved
  std::string udp;
  const std::string body = gsmtap + f.Payload;
  put16be(udp, 4729);
  put16be(udp, 4729);
  put16be(udp, static_cast<uint16_t>(8 + body.size()));
  put16be(udp, 0);
  udp += body;
  std::string ip = Hex("45 00");
  put16be(ip, static_cast<uint16_t>(20 + udp.size()));
  ip += Hex("00 00 40 00 40 11 00 00 7f 00 00 01 7f 00 00 01");
  uint32_t sum = 0;
  for (size_t i = 0; i < ip.size(); i += 2)
    sum += static_cast<uint32_t>(static_cast<unsigned char>(ip[i]) << 8 | static_cast<unsigned char>(ip[i + 1]));
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  ip[10] = static_cast<char>(~sum >> 8 & 0xFF);
  ip[11] = static_cast<char>(~sum & 0xFF);
  std::string eth = Hex("00 00 00 00 00 00 00 00 00 00 00 00 08 00");
  std::string frame = eth + ip + udp;
  if (f.CutTo && f.CutTo < frame.size()) frame.resize(f.CutTo);
  return frame;
}

void WritePcap(const std::filesystem::path& path, const std::vector<GsmtapFrame>& frames) {
  std::string out;
  put32le(out, 0xA1B2C3D4);
  put16le(out, 2);
  put16le(out, 4);
  put32le(out, 0);
  put32le(out, 0);
  put32le(out, 65535);
  put32le(out, 1);  // Ethernet
  for (const GsmtapFrame& f : frames) {
    std::string bytes = FrameBytes(f);
    double whole = std::floor(f.Time);
    put32le(out, static_cast<uint32_t>(whole));
    put32le(out, static_cast<uint32_t>(std::lround((f.Time - whole) * 1e6)));
    put32le(out, static_cast<uint32_t>(bytes.size()));
    put32le(out, static_cast<uint32_t>(bytes.size()));
    out += bytes;
  }
  std::ofstream(path, std::ios::binary) << out;
}

void WritePcapng(const std::filesystem::path& path, const std::vector<GsmtapFrame>& frames) {
  std::string out;
  auto block = [&](uint32_t type, const std::string& body) {
    std::string padded = body;
    while (padded.size() % 4) padded.push_back('\0');
    const auto total = static_cast<uint32_t>(12 + padded.size());
    put32le(out, type);
    put32le(out, total);
    out += padded;
    put32le(out, total);
  };
  std::string shb;
  put32le(shb, 0x1A2B3C4D);
  put16le(shb, 1);
  put16le(shb, 0);
  put32le(shb, 0xFFFFFFFF);
  put32le(shb, 0xFFFFFFFF);
  block(0x0A0D0D0A, shb);
  std::string idb;
  put16le(idb, 1);  // Ethernet
  put16le(idb, 0);
  put32le(idb, 65535);
  block(1, idb);
  for (const GsmtapFrame& f : frames) {
    std::string bytes = FrameBytes(f);
    auto micros = static_cast<uint64_t>(std::llround(f.Time * 1e6));
    std::string epb;
    put32le(epb, 0);
    put32le(epb, static_cast<uint32_t>(micros >> 32));
    put32le(epb, static_cast<uint32_t>(micros & 0xFFFFFFFF));
    put32le(epb, static_cast<uint32_t>(bytes.size()));
    put32le(epb, static_cast<uint32_t>(bytes.size()));
    epb += bytes;
    block(6, epb);
  }
  std::ofstream(path, std::ios::binary) << out;
}

bool TsharkAvailable() {
  static const bool available = std::system("tshark -v >/dev/null 2>&1") == 0;
  return available;
}

}  // namespace e2e
