// TIntegerArray: a growable array of 32-bit values with a sorted switch and a
// duplicates rule. Lookup is a binary search while sorted.
#pragma once

#include <cstdint>
#include <vector>

enum class TDuplicates { Ignore, Accept, Error };

class TIntegerArray {
 public:
  explicit TIntegerArray(TDuplicates duplicates = TDuplicates::Ignore) : duplicates_(duplicates) {}

  int Add(int32_t value);  // position of the value; -1 when ignored as a duplicate
  bool Contains(int32_t value) const { return IndexOf(value) >= 0; }
  int IndexOf(int32_t value) const;
  void Clear() { values_.clear(); }
  void SetSorted(bool sorted);
  bool Sorted() const { return sorted_; }
  int Count() const { return static_cast<int>(values_.size()); }
  int32_t operator[](int index) const { return values_[index]; }
  const std::vector<int32_t>& Values() const { return values_; }

 private:
  std::vector<int32_t> values_;
  bool sorted_ = false;
  TDuplicates duplicates_;
};
