// The writing side of loggen: a clock, a deterministic random source and one
// JSON line per record, with helpers for measurements, messages, test items
// (extra data packed little-endian, written as hex) and event-table entries.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace loggen {

// splitmix64: a fixed sequence on every platform (std distributions are not).
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next();
  int Between(int lo, int hi);  // lo..hi inclusive
  bool Chance(int percent) { return Between(1, 100) <= percent; }

 private:
  uint64_t state_;
};

// Packs an extra-data block.
class Extra {
 public:
  Extra& I32(int32_t v) { return raw(&v, 4); }
  Extra& U32(uint32_t v) { return raw(&v, 4); }
  Extra& U16(uint16_t v) { return raw(&v, 2); }
  Extra& U8(uint8_t v) { return raw(&v, 1); }
  Extra& F32(float v) { return raw(&v, 4); }
  Extra& Text(std::string_view text, size_t width);  // zero-padded to width
  std::string Hex() const;

 private:
  Extra& raw(const void* p, size_t n);
  std::string bytes_;
};

class LogBuilder {
 public:
  LogBuilder(std::ostream& out, uint64_t seed, double startDays);

  Rng& Random() { return rng_; }
  size_t Records() const { return records_; }
  void Advance(int msLo, int msHi) { ms_ += rng_.Between(msLo, msHi); }
  void SetDedicated(bool on) { dedicated_ = on; }
  bool Dedicated() const { return dedicated_; }
  // An event-table entry attached to the next record written.
  void DeclareEvent(int id) { pendingEvents_.push_back(id); }

  // A measurement record: `fields` is the inside of the fields object.
  void Measurement(const std::string& fields);
  // A message record; `ie` is the inside of the ie object, `fields` of the
  // fields object (the handset's current values), each empty for none.
  void Message(std::string_view name, const std::string& ie = {}, int subType = -1, const std::string& fields = {});
  // A test record with one item; `extra` is hex (or empty), `text` an item text.
  void Item(int id, const std::string& extra = {}, std::string_view text = {});
  // A vendor trace record of the given device type and sub-type code.
  void Trace(int device, int vendor);
  void Header(std::string_view network, int device, std::string_view start);

 private:
  void begin(std::string_view kind);
  void end();

  std::ostream& out_;
  Rng rng_;
  double startDays_;
  int64_t ms_ = 0;
  bool dedicated_ = false;
  size_t records_ = 0;
  std::vector<int> pendingEvents_;
  std::string line_;
};

}  // namespace loggen
