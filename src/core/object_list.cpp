#include "core/object_list.h"

#include <algorithm>

#include <fmt/format.h>

#include "eventmanager/errors.h"

TObjectList::~TObjectList() {
  if (OwnsItems)
    for (TObject* item : items_) delete item;
  items_.clear();
}

void TObjectList::Grow() { items_.reserve(items_.empty() ? 4 : items_.size() * 2); }

void TObjectList::Notify(TObject* item, TListNotification action) {
  if (action == TListNotification::Deleted && OwnsItems) delete item;
}

void TObjectList::Clear() {
  // Items are taken out one by one from the end so that each notification
  // sees a list that no longer holds the item.
  while (!items_.empty()) {
    TObject* item = items_.back();
    items_.pop_back();
    Notify(item, TListNotification::Deleted);
  }
}

void TObjectList::Error(const std::string& message, int index) {
  throw EListError(fmt::format(fmt::runtime(message), index));
}

void TObjectList::CheckClass(TObject* item) const {
  if (item && ItemClass && !item->InheritsFrom(ItemClass))
    throw EMyClassTypeMismatch(fmt::format("Class type mismatch {} with {}", ItemClass->Name, item->ClassName()));
}

int TObjectList::Add(TObject* item) {
  CheckClass(item);
  if (items_.size() == items_.capacity()) Grow();
  items_.push_back(item);
  Notify(item, TListNotification::Added);
  return Count() - 1;
}

void TObjectList::Insert(int index, TObject* item) {
  if (index < 0 || index > Count()) Error("List index out of bounds ({})", index);
  CheckClass(item);
  items_.insert(items_.begin() + index, item);
  Notify(item, TListNotification::Added);
}

void TObjectList::Delete(int index) {
  if (!ValidIndex(index)) Error("List index out of bounds ({})", index);
  TObject* item = items_[index];
  items_.erase(items_.begin() + index);
  Notify(item, TListNotification::Deleted);
}

void TObjectList::DeleteRange(int first, int count) {
  if (count <= 0) return;
  if (!ValidIndex(first) || count > Count() - first) Error("List index out of bounds ({})", first + count - 1);
  // The items leave the list before they are notified, as Delete does. They
  // wait in a buffer the list keeps: a host releasing its final rows as it
  // feeds calls this over and over, and each call would otherwise allocate.
  // A Notify that deletes a range itself finds the buffer taken and uses one
  // of its own.
  std::vector<TObject*> taken = std::move(deleting_);
  taken.assign(items_.begin() + first, items_.begin() + first + count);
  items_.erase(items_.begin() + first, items_.begin() + first + count);
  for (TObject* item : taken) Notify(item, TListNotification::Deleted);
  taken.clear();
  if (taken.capacity() > deleting_.capacity()) deleting_ = std::move(taken);
}

void TObjectList::Sort(const std::function<bool(TObject*, TObject*)>& less) {
  std::stable_sort(items_.begin(), items_.end(), less);
}

int TObjectList::Remove(TObject* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

TObject* TObjectList::Items(int index) const {
  if (!ValidIndex(index)) throw EListError(fmt::format("List index out of bounds ({})", index));
  return items_[index];
}

int TObjectList::IndexOf(const TObject* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}
