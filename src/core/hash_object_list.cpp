#include "core/hash_object_list.h"

#include <algorithm>

#include "eventmanager/outside/utility.h"

std::string UpperKey(std::string_view name) { return FoldCase(name); }

unsigned TStringHash::Bucket(const std::string& key) {
  unsigned h = 0;
  for (unsigned char c : key) h = h * 31 + c;
  return h & 0xFF;
}

void TStringHash::Set(const std::string& key, int value) {
  auto& bucket = buckets_[Bucket(key)];
  for (auto& entry : bucket)
    if (entry.first == key) {
      entry.second = value;
      return;
    }
  bucket.emplace_back(key, value);
}

int TStringHash::Find(const std::string& key) const {
  for (const auto& entry : buckets_[Bucket(key)])
    if (entry.first == key) return entry.second;
  return -1;
}

void TStringHash::Remove(const std::string& key) {
  auto& bucket = buckets_[Bucket(key)];
  bucket.erase(std::remove_if(bucket.begin(), bucket.end(), [&](const auto& e) { return e.first == key; }),
               bucket.end());
}

void TStringHash::Clear() {
  for (auto& bucket : buckets_) bucket.clear();
}

void THashObjectList::Notify(TObject* item, TListNotification action) {
  TObjectList::Notify(item, action);
  Modified = true;
}

void THashObjectList::Clear() {
  TObjectList::Clear();
  index_.Clear();
  Modified = false;
}

int THashObjectList::Add(TObject* item) {
  int index = TObjectList::Add(item);
  if (index >= 0) ReindexFrom(index);
  return index;
}

void THashObjectList::Delete(int index) {
  std::string key = KeyOf(index);
  TObjectList::Delete(index);
  index_.Remove(key);
  ReindexFrom(index);
}

void THashObjectList::Insert(int index, TObject* item) {
  TObjectList::Insert(index, item);
  ReindexFrom(index);
}

void THashObjectList::Sort(const std::function<bool(TObject*, TObject*)>& less) {
  TObjectList::Sort(less);
  ReindexFrom(0);
}

std::string THashObjectList::KeyOf(int index) {
  std::string name;
  GetItemName(index, name);
  return UpperKey(name);
}

void THashObjectList::ReindexFrom(int position) {
  for (int p = std::max(position, 0); p < Count(); ++p) index_.Set(KeyOf(p), p);
}

int THashObjectList::IndexOfName(std::string_view name) const { return index_.Find(UpperKey(name)); }
