// TIntegerArray: a growable array of 32-bit values with a sorted switch and a
// duplicates rule; lookup is a binary search while sorted. Hosts create one
// to receive InitialEventComboBox's map, so the class is complete in this
// header: host and library compile the same code.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "eventmanager/errors.h"

enum class TDuplicates { Ignore, Accept, Error };

class TIntegerArray {
 public:
  // Counts from here on are refused, as are negative ones.
  static constexpr int kMaxCount = 134217728;  // 2^27

  explicit TIntegerArray(TDuplicates duplicates = TDuplicates::Ignore) : duplicates_(duplicates) {}

  // Position of the value; -1 when ignored as a duplicate.
  int Add(int32_t value) {
    if (duplicates_ != TDuplicates::Accept && Contains(value)) {
      if (duplicates_ == TDuplicates::Error) throw EListError("Integer list does not allow duplicates");
      return -1;
    }
    if (!sorted_) {
      values_.push_back(value);
      return Count() - 1;
    }
    auto it = std::upper_bound(values_.begin(), values_.end(), value);
    return static_cast<int>(values_.insert(it, value) - values_.begin());
  }
  bool Contains(int32_t value) const { return IndexOf(value) >= 0; }
  int IndexOf(int32_t value) const {
    if (sorted_) {
      auto it = std::lower_bound(values_.begin(), values_.end(), value);
      return it != values_.end() && *it == value ? static_cast<int>(it - values_.begin()) : -1;
    }
    auto it = std::find(values_.begin(), values_.end(), value);
    return it == values_.end() ? -1 : static_cast<int>(it - values_.begin());
  }
  void Clear() { values_.clear(); }
  void SetSorted(bool sorted) {
    if (sorted && !sorted_) std::sort(values_.begin(), values_.end());
    sorted_ = sorted;
  }
  bool Sorted() const { return sorted_; }
  int Count() const { return static_cast<int>(values_.size()); }
  // New entries are 0. EListError for a count below 0 or of kMaxCount or more.
  void SetCount(int count) {
    if (count < 0 || count >= kMaxCount)
      throw EListError("Integer list count out of bounds (" + std::to_string(count) + ")");
    values_.resize(static_cast<size_t>(count));
  }
  // Checked access: EListError outside 0 .. Count()-1.
  int32_t Items(int index) const { return values_[checked(index)]; }
  void SetItems(int index, int32_t value) { values_[checked(index)] = value; }
  int32_t operator[](int index) const { return values_[index]; }
  const std::vector<int32_t>& Values() const { return values_; }

 private:
  size_t checked(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return static_cast<size_t>(index);
  }

  std::vector<int32_t> values_;
  bool sorted_ = false;
  TDuplicates duplicates_;
};
