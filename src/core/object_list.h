// TObjectList: the owning, class-checked list that every definition and
// property list builds on. Items must be of ItemClass or derived from it;
// with OwnsItems the list frees what it deletes, removes or clears.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/object.h"

enum class TListNotification { Added, Deleted, Extracted };

class TObjectList : public TObject {
  EM_CLASS(TObjectList, TObject)
 public:
  TObjectList(const TClass* itemClass, bool ownsItems) : ItemClass(itemClass), OwnsItems(ownsItems) {}
  ~TObjectList() override;
  TObjectList(const TObjectList&) = delete;
  TObjectList& operator=(const TObjectList&) = delete;

  const TClass* ItemClass;
  bool OwnsItems;
  std::string Name;

  // Virtual operations, in declaration order: grow, notify, clear, raise a
  // list error, add, delete, insert, sort.
  virtual void Grow();
  virtual void Notify(TObject* item, TListNotification action);
  virtual void Clear();
  [[noreturn]] virtual void Error(const std::string& message, int index);
  virtual int Add(TObject* item);
  virtual void Delete(int index);
  virtual void Insert(int index, TObject* item);
  virtual void Sort(const std::function<bool(TObject*, TObject*)>& less);

  // Deletes `count` items from `first` on in one move of the items after them.
  void DeleteRange(int first, int count);
  int Remove(TObject* item);  // its former index, or -1
  TObject* Items(int index) const;  // raises EListError outside the list
  int IndexOf(const TObject* item) const;
  int Count() const { return static_cast<int>(items_.size()); }
  bool ValidIndex(int index) const { return index >= 0 && index < Count(); }

  template <class T>
  T* ItemAs(int index) const { return static_cast<T*>(Items(index)); }

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 protected:
  void CheckClass(TObject* item) const;

 private:
  std::vector<TObject*> items_;
  std::vector<TObject*> deleting_;  // DeleteRange's buffer, empty between calls
};
