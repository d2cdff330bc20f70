// HandsetRecord: the sorted field list and the item list with its extra pool.
#include <algorithm>

#include "eventmanager/outside/data_access.h"

namespace {

constexpr size_t MaxItems = 255;  // the item count is handed over as one byte

template <class Fields>
auto FieldPosition(Fields& fields, int32_t id) {
  return std::lower_bound(fields.begin(), fields.end(), id, [](const auto& f, int32_t i) { return f.first < i; });
}

}  // namespace

void HandsetRecord::SetField(int32_t id, int32_t value) {
  auto it = FieldPosition(Fields, id);
  if (it != Fields.end() && it->first == id)
    it->second = value;
  else
    Fields.insert(it, {id, value});
}

int32_t HandsetRecord::Field(int32_t id) const {
  auto it = FieldPosition(Fields, id);
  return it != Fields.end() && it->first == id ? it->second : NoValue;
}

int HandsetRecord::AddItem(TestItem item, std::string_view extra) {
  if (Items.size() >= MaxItems) return -1;
  // The handle is a 32-bit offset and the length 16 bits: refuse what they cannot express.
  if (extra.size() > UINT16_MAX || ExtraPool.size() + extra.size() > UINT32_MAX) return -1;
  item.ExtraRef = static_cast<uint32_t>(ExtraPool.size());
  item.ExtraLength = static_cast<uint16_t>(extra.size());
  ExtraPool.append(extra);
  Items.push_back(item);
  return static_cast<int>(Items.size() - 1);
}

std::string_view HandsetRecord::Extra(const TestItem& item) const {
  std::string_view pool(ExtraPool);
  if (item.ExtraRef >= pool.size()) return {};
  return pool.substr(item.ExtraRef, item.ExtraLength);
}
