// BlockReader: the only way the item detail rows read an extra data block.
// Fields are packed little-endian at fixed offsets; every read is bounded by
// the block, so a short or truncated block can never be read past its end.
// A row first asks Needs(size) for the bytes its layout covers and gives the
// empty text when the block is shorter. The reader does not own the bytes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class BlockReader {
 public:
  explicit BlockReader(std::string_view block) : block_(block) {}

  size_t Size() const { return block_.size(); }
  std::string_view Bytes() const { return block_; }
  // The block holds at least `size` bytes, and is not empty.
  bool Needs(size_t size) const { return !block_.empty() && block_.size() >= size; }

  // Numeric fields; a field not wholly inside the block reads as 0.
  uint32_t U32(size_t off) const { return static_cast<uint32_t>(unsignedAt(off, 4)); }
  int32_t I32(size_t off) const { return static_cast<int32_t>(U32(off)); }
  uint16_t U16(size_t off) const { return static_cast<uint16_t>(unsignedAt(off, 2)); }
  int16_t I16(size_t off) const { return static_cast<int16_t>(U16(off)); }
  uint8_t U8(size_t off) const { return static_cast<uint8_t>(unsignedAt(off, 1)); }
  int8_t I8(size_t off) const { return static_cast<int8_t>(U8(off)); }
  float F32(size_t off) const {
    uint32_t bits = U32(off);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
  }
  // Raw bytes at off, clipped to the block.
  std::string_view Raw(size_t off, size_t n) const {
    if (off >= block_.size()) return {};
    return block_.substr(off, std::min(n, block_.size() - off));
  }
  // Zero-terminated text at off; without a zero it stops at the block's end.
  std::string Text(size_t off) const { return Chars(off, block_.size()); }
  // A character array of n bytes at off, up to its first zero byte.
  std::string Chars(size_t off, size_t n) const {
    std::string_view raw = Raw(off, n);
    return std::string(raw.substr(0, raw.find('\0')));
  }

 private:
  uint64_t unsignedAt(size_t off, size_t width) const {
    if (off > block_.size() || block_.size() - off < width) return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i) value |= uint64_t{static_cast<uint8_t>(block_[off + i])} << (8 * i);
    return value;
  }

  std::string_view block_;
};
