// The byte form of a fake log for the FeedRecord fuzz target, shared with the
// program that turns the sample logs into its seeds. Little-endian; a read
// past the end gives zeros, so every input is a log.
//
//   network (mod 4), device type, then records:
//   flags: 1 message, 2 raw code (else an index into the definitions' codes),
//          4 skip, 8 time goes back, 16 test items, 32 no notification,
//          64 record of no network, 128 event-table entries
//   time step in ms (u16), code (u32 raw or u8 index), mode (u8, low 4 bits),
//   vendor (u8), message bytes (u8 length, bytes), fields (u8 count, each u8
//   index into the field catalogue and i32 value), with flag 16: items (u8
//   count, each i16 identifier, i16 time offset in ms, u8 extra length,
//   bytes), with flag 128: entries the record declares (u8 count, each i16
//   identifier, u16 records back to the one it names, i8 item or -1)
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace feedfuzz {

enum Flags : uint8_t {
  Message = 1, RawCode = 2, Skip = 4, Backwards = 8, Items = 16, Quiet = 32, NoNetwork = 64,
  Events = 128
};

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ >= size_; }
  template <class T>
  T Get() {
    T value{};
    size_t n = pos_ < size_ ? std::min(sizeof(T), size_ - pos_) : 0;
    if (n) std::memcpy(&value, data_ + pos_, n);
    pos_ += sizeof(T);
    return value;
  }
  std::string_view Take(size_t n) {
    size_t start = std::min(pos_, size_);
    n = std::min(n, size_ - start);
    pos_ = start + n;
    return {reinterpret_cast<const char*>(data_) + start, n};
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

class Writer {
 public:
  template <class T>
  void Put(T value) {
    out_.append(reinterpret_cast<const char*>(&value), sizeof value);
  }
  // Length-prefixed (u8) bytes, clipped to 255.
  void PutBytes(std::string_view bytes) {
    bytes = bytes.substr(0, 255);
    Put<uint8_t>(static_cast<uint8_t>(bytes.size()));
    out_.append(bytes);
  }
  const std::string& Bytes() const { return out_; }

 private:
  std::string out_;
};

}  // namespace feedfuzz
