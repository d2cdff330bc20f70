// THashObjectList: an owning object list with a case-insensitive name index
// (256 chained buckets) and a modified flag. Positions in the index follow
// insertions, deletions and sorting; renaming an item after it was added does
// not update the index (derived lists reindex when they need to).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/object_list.h"

namespace pugi { class xml_node; }

// The key under which a name is indexed: its caseless form (FoldCase of the
// utility component; names are UTF-8), so lookups ignore letter case in any
// script. Locale-independent.
std::string UpperKey(std::string_view name);

class TStringHash {
 public:
  void Set(const std::string& key, int value);
  int Find(const std::string& key) const;  // -1 when absent
  void Remove(const std::string& key);
  void Clear();

 private:
  static unsigned Bucket(const std::string& key);
  std::array<std::vector<std::pair<std::string, int>>, 256> buckets_;
};

class THashObjectList : public TObjectList {
  EM_CLASS(THashObjectList, TObjectList)
 public:
  THashObjectList(const TClass* itemClass, bool ownsItems) : TObjectList(itemClass, ownsItems) {}

  bool Modified = false;

  void Notify(TObject* item, TListNotification action) override;
  void Clear() override;
  int Add(TObject* item) override;
  void Delete(int index) override;
  void Insert(int index, TObject* item) override;
  void Sort(const std::function<bool(TObject*, TObject*)>& less) override;

  virtual bool IsModified() { return Modified; }
  virtual void GetItemName(int index, std::string& name) = 0;
  virtual void CopyTo(THashObjectList* destination) = 0;
  virtual void LoadFromNode(pugi::xml_node element) = 0;
  virtual void SaveToNode(pugi::xml_node element) = 0;

  void ReindexFrom(int position);
  int IndexOfName(std::string_view name) const;
  // The index of the item whose name (`nameOf(index)`) is `name`, letter case
  // ignored, or -1: the name index first, then a scan, since renaming an item
  // does not reindex it.
  template <class NameOf>
  int FindIndexByName(std::string_view name, NameOf nameOf) const {
    const std::string key = UpperKey(name);
    const int index = IndexOfName(name);
    if (ValidIndex(index) && UpperKey(nameOf(index)) == key) return index;
    for (int i = 0; i < Count(); ++i)
      if (UpperKey(nameOf(i)) == key) return i;
    return -1;
  }

 private:
  std::string KeyOf(int index);
  TStringHash index_;
};
