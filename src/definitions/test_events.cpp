#include "definitions/test_events.h"

#include "core/property_source.h"

namespace {

// Named in the table, but the host's test process never reports them as
// test events of their own.
bool registered(int id) { return id != 139 && id != 140; }

}  // namespace

TTestEvents::TTestEvents() { Fill(); }

TTestEvents::~TTestEvents() = default;

void TTestEvents::Clear() {
  Ids.Clear();
  Names.clear();
}

void TTestEvents::Fill() {
  Clear();
  Ids.SetSorted(true);
  for (int id = 1; id <= kTestEventIdCount; ++id) {
    if (!registered(id)) continue;
    Ids.Add(id);
    Names.push_back({TestEventTableName(id), nullptr});
  }
}

int TTestEvents::IndexOfId(int32_t id) const {
  int low = 0;
  int high = Count() - 1;
  while (low <= high) {
    int middle = low + (high - low) / 2;
    int32_t value = Ids[middle];
    if (value == id) return middle;
    if (value < id)
      low = middle + 1;
    else
      high = middle - 1;
  }
  return -1;
}

TEventProperty* TTestEvents::PropertyAt(int position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return Names[position].Property;
}

std::string TTestEvents::NameOf(int16_t id) {
  const char* name = TestEventTableName(id);
  return name ? name : std::string();
}

void TTestEvents::LinkProperties(TPropertySource* list) {
  ClearPropertyUsedMarks(list);
  for (TNameEntry& entry : Names) entry.Property = LinkPropertyByName(list, entry.Name);
}
