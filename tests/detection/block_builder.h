// Builds extra data blocks for item detail tests: packed little-endian fields
// written at the offsets a layout names, the block growing as needed, and the
// test item that claims the block.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "eventmanager/test_item.h"

class BlockBuilder {
 public:
  BlockBuilder() = default;
  // A block of `size` bytes, each `fill`.
  explicit BlockBuilder(size_t size, char fill = '\0') : bytes_(size, fill) {}

  BlockBuilder& I32(size_t off, int32_t v) { return put(off, &v, 4); }
  BlockBuilder& U32(size_t off, uint32_t v) { return put(off, &v, 4); }
  BlockBuilder& I16(size_t off, int16_t v) { return put(off, &v, 2); }
  BlockBuilder& U16(size_t off, uint16_t v) { return put(off, &v, 2); }
  BlockBuilder& U8(size_t off, uint8_t v) { return put(off, &v, 1); }
  BlockBuilder& F32(size_t off, float v) { return put(off, &v, 4); }
  // The text and its terminating zero.
  BlockBuilder& Text(size_t off, std::string_view text) {
    put(off, text.data(), text.size());
    char zero = 0;
    return put(off + text.size(), &zero, 1);
  }
  // The text without a terminating zero.
  BlockBuilder& Chars(size_t off, std::string_view text) { return put(off, text.data(), text.size()); }
  BlockBuilder& Size(size_t size) {
    bytes_.resize(size, '\0');
    return *this;
  }
  const std::string& Bytes() const { return bytes_; }

 private:
  // Fields are stored little-endian, which is the byte order of this machine.
  BlockBuilder& put(size_t off, const void* data, size_t n) {
    if (bytes_.size() < off + n) bytes_.resize(off + n, '\0');
    std::memcpy(bytes_.data() + off, data, n);
    return *this;
  }

  std::string bytes_;
};

inline TestItem ItemClaiming(int16_t eventId, size_t extraLength) {
  TestItem item{};
  item.EventId = eventId;
  item.ExtraLength = static_cast<uint16_t>(extraLength);
  return item;
}
