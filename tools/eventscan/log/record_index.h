// The index a stream keeps of a log: where each record's line is and how the
// record is fed, 16 bytes a record, so that any earlier record can be read
// again from its line. Grows in chunks that are never copied; single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace eventscan {

// Where a record's line is, and how it is fed: 16 bytes a record.
struct RecordIndexEntry {
  uint64_t Offset : 48;
  uint64_t Kind : 8;        // RecordKind
  uint64_t DeviceType : 8;
  int32_t Line;
  uint32_t Length;          // without the line end
};

// The index of a log, in chunks of 64 Ki entries (1 MiB): growing never
// copies it, so its peak is its size. A chunk is not cleared first: each of
// its entries is written before it is read.
class RecordIndex {
 public:
  void push_back(const RecordIndexEntry& entry) {
    if ((size_ >> Shift) == chunks_.size()) chunks_.push_back(std::make_unique_for_overwrite<RecordIndexEntry[]>(size_t(1) << Shift));
    chunks_[size_ >> Shift][size_ & Mask] = entry;
    ++size_;
  }
  const RecordIndexEntry& operator[](size_t i) const { return chunks_[i >> Shift][i & Mask]; }
  size_t size() const { return size_; }

 private:
  static constexpr size_t Shift = 16, Mask = (size_t(1) << Shift) - 1;
  std::vector<std::unique_ptr<RecordIndexEntry[]>> chunks_;
  size_t size_ = 0;
};

}  // namespace eventscan
