#include "properties/event_property_list.h"

#include <memory>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/network.h"

TEventPropertyList::TEventPropertyList(int32_t kind, uint8_t netType, std::string kindName)
    : THashObjectList(TActEventProperty::StaticClass(), true),
      Kind(kind),
      NetType(netType),
      KindName(std::move(kindName)) {
  RebuildName();
}

void TEventPropertyList::RebuildName() {
  if (NetType < NetworkCount)
    Name = NetworkName(NetType) + "-" + KindName;
  else if (NetType == NetNone)
    Name = "Test";
  else
    Name.clear();
}

int TEventPropertyList::Add(TObject* item) {
  int index = THashObjectList::Add(item);
  if (index >= 0) Items(index)->Index = index;
  return index;
}

void TEventPropertyList::Insert(int index, TObject* item) {
  THashObjectList::Insert(index, item);
  for (int i = index; i < Count(); ++i) Items(i)->Index = i;
}

bool TEventPropertyList::IsModified() {
  if (Modified) return true;
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->Modified) return true;
  return false;
}

void TEventPropertyList::GetItemName(int index, std::string& name) {
  name = ValidIndex(index) ? Items(index)->EventName : std::string();
}

void TEventPropertyList::CopyTo(THashObjectList* destination) {
  auto* target = dynamic_cast<TEventPropertyList*>(destination);
  if (!target || target == this) return;
  target->SetNetType(NetType);
  for (int i = 0; i < Count(); ++i) {
    TEventProperty* copy = Items(i)->Clone(target);
    target->Add(static_cast<TActEventProperty*>(copy));
  }
}

void TEventPropertyList::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  Clear();
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
    if (child.type() != pugi::node_element) continue;
    auto record = std::make_unique<TActEventProperty>(this);
    record->LoadFromNode(child);  // a record that fails to load is freed
    Add(record.release());
  }
  Modified = false;
}

void TEventPropertyList::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  while (pugi::xml_node child = element.first_child()) element.remove_child(child);
  for (int i = 0; i < Count(); ++i) Items(i)->SaveToNode(element.append_child(fmt::format("Property-{}", i).c_str()));
  Modified = false;
}

void TEventPropertyList::ClearUsedMarks() {
  for (int i = 0; i < Count(); ++i) Items(i)->Used = false;
}

TActEventProperty* TEventPropertyList::LinkProperty(const std::string& name) {
  if (name.empty()) return nullptr;
  int index = IndexOfName(name);
  TActEventProperty* record = index >= 0 ? Items(index) : nullptr;
  if (!record) {
    record = new TActEventProperty(this, name);
    Add(record);
  }
  record->Used = true;
  return record;
}

TActEventProperty* TEventPropertyList::FindProperty(const std::string& name) {
  int index = IndexOfName(name);
  return index >= 0 ? Items(index) : nullptr;
}

void TEventPropertyList::DeleteUnmarked() {
  for (int i = Count() - 1; i >= 0; --i) {
    TActEventProperty* record = Items(i);
    if (record->Used) continue;
    const bool owns = OwnsItems;
    OwnsItems = false;  // taken out of the list, not freed
    Delete(i);
    OwnsItems = owns;
    record->Index = -1;
    retired_.emplace_back(record);
  }
}

void TEventPropertyList::Renumber() {
  for (int i = 0; i < Count(); ++i) Items(i)->Index = i;
}

void TEventPropertyList::SetNetType(uint8_t net) {
  if (net == NetType) return;
  Clear();
  NetType = net;
  RebuildName();
}
