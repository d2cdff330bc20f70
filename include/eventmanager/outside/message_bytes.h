// Message bytes: how a log carries the decoded information elements of one
// layer-3 message. A sequence of elements, each tag (1 byte), length (1 byte),
// value (length bytes, integers little-endian). Writers are used by hosts and
// log generators, the bounded reader by the decoder and diagnosis components.
// docs/message-bytes.md describes every tag.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace msgbytes {

enum Tag : uint8_t {
  SubType = 0x01,         // u8 sub-type index 0..31
  Cause = 0x02,           // i32 cause value, optional i32 cause family
  CmServiceType = 0x03,   // i32 CM service type
  TargetCell = 0x04,      // i32 BCCH, i32 BSIC of a GSM target cell
  PscAdded = 0x05,        // n x i32 primary scrambling codes added (n <= 8)
  PscRemoved = 0x06,      // n x i32 primary scrambling codes removed (n <= 8)
  NewUarfcn = 0x07,       // i32 new UARFCN
  PscList = 0x08,         // n x i32 primary scrambling codes of the new radio links
  BatonHandover = 0x09,   // u8 baton-handover flag
  NewCellParamId = 0x0A,  // i32 new cell parameter identity
  TimerExpiry = 0x0B,     // i32 timer type, i32 timeout value
  HandoffDirection = 0x0C,// raw handoff block, byte 1 the signed direction value
  CdmaCause = 0x0D,       // u16 CDMA release or reject cause
  Pci = 0x0E,             // i32 physical cell identity of an LTE target cell
  Earfcn = 0x0F,          // i32 carrier of an LTE target or redirect (EARFCN, UARFCN or ARFCN)
  TargetSystem = 0x10,    // i32 system of a redirect or mobility from E-UTRA (msgbytes::System)
  EpsBearerId = 0x11,     // i32 EPS bearer identity 5..15
  NrCell = 0x12,          // i32 NR-ARFCN, i32 NR PCI of the NR secondary cell group's primary cell
  ScgFailureType = 0x13,  // i32 failure type of an NR secondary cell group failure
};

// Values of the TargetSystem element.
enum System : int32_t {
  SystemEutra = 0,
  SystemUtraFdd = 1,
  SystemUtraTdd = 2,
  SystemGeran = 3,
  SystemCdma2000 = 4,
  SystemNr = 5,
};

// Finds the first element with the tag. A block whose length runs past the
// end of the bytes ends the search: nothing beyond the bytes is ever read.
inline std::optional<std::string_view> Find(std::string_view bytes, uint8_t tag) {
  size_t pos = 0;
  while (pos + 2 <= bytes.size()) {
    uint8_t t = static_cast<uint8_t>(bytes[pos]);
    size_t len = static_cast<uint8_t>(bytes[pos + 1]);
    if (pos + 2 + len > bytes.size()) return std::nullopt;
    if (t == tag) return bytes.substr(pos + 2, len);
    pos += 2 + len;
  }
  return std::nullopt;
}

// True when the bytes are a whole number of elements: no length runs past the
// end and no stray byte is left over. Readers refuse anything else.
inline bool WellFormed(std::string_view bytes) {
  size_t pos = 0;
  while (pos + 2 <= bytes.size()) pos += 2 + static_cast<uint8_t>(bytes[pos + 1]);
  return pos == bytes.size();
}

// Finds the element in a well-formed block only; a malformed block gives none.
inline std::optional<std::string_view> FindChecked(std::string_view bytes, uint8_t tag) {
  if (!WellFormed(bytes)) return std::nullopt;
  return Find(bytes, tag);
}

inline int32_t ReadI32(std::string_view value, size_t offset) {
  int32_t v = 0;
  std::memcpy(&v, value.data() + offset, sizeof v);
  return v;
}

// Reads the i32 at offset when the value holds it.
inline std::optional<int32_t> I32At(std::string_view value, size_t offset) {
  if (offset + 4 > value.size()) return std::nullopt;
  return ReadI32(value, offset);
}

inline std::optional<uint8_t> U8At(std::string_view value, size_t offset) {
  if (offset + 1 > value.size()) return std::nullopt;
  return static_cast<uint8_t>(value[offset]);
}

inline std::optional<uint16_t> U16At(std::string_view value, size_t offset) {
  if (offset + 2 > value.size()) return std::nullopt;
  uint16_t v = 0;
  std::memcpy(&v, value.data() + offset, sizeof v);
  return v;
}

// All i32 values of an element, at most `limit`.
inline std::vector<int32_t> I32List(std::string_view value, size_t limit) {
  std::vector<int32_t> out;
  for (size_t off = 0; off + 4 <= value.size() && out.size() < limit; off += 4) out.push_back(ReadI32(value, off));
  return out;
}

class Writer {
 public:
  Writer& Raw(uint8_t tag, std::string_view value) {
    if (value.size() > 255) value = value.substr(0, 255);
    bytes_.push_back(static_cast<char>(tag));
    bytes_.push_back(static_cast<char>(value.size()));
    bytes_.append(value);
    return *this;
  }
  Writer& U8(uint8_t tag, uint8_t v) { return Raw(tag, std::string_view(reinterpret_cast<const char*>(&v), 1)); }
  Writer& U16(uint8_t tag, uint16_t v) { return Raw(tag, std::string_view(reinterpret_cast<const char*>(&v), 2)); }
  Writer& I32s(uint8_t tag, const std::vector<int32_t>& values) {
    std::string v(values.size() * 4, '\0');
    if (!values.empty()) std::memcpy(v.data(), values.data(), v.size());
    return Raw(tag, v);
  }
  Writer& I32(uint8_t tag, int32_t v) { return I32s(tag, {v}); }
  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

}  // namespace msgbytes
