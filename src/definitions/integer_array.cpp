#include "definitions/integer_array.h"

#include <algorithm>

#include "eventmanager/errors.h"

int TIntegerArray::IndexOf(int32_t value) const {
  if (sorted_) {
    auto it = std::lower_bound(values_.begin(), values_.end(), value);
    return it != values_.end() && *it == value ? static_cast<int>(it - values_.begin()) : -1;
  }
  auto it = std::find(values_.begin(), values_.end(), value);
  return it == values_.end() ? -1 : static_cast<int>(it - values_.begin());
}

int TIntegerArray::Add(int32_t value) {
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

void TIntegerArray::SetSorted(bool sorted) {
  if (sorted && !sorted_) std::sort(values_.begin(), values_.end());
  sorted_ = sorted;
}
