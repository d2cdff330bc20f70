// TEventBitmapList: the library-wide cache of event icons. Each icon file is
// read once per library lifetime and kept, keyed by its file name without
// regard to letter case; property records hold plain references to the
// cache's bitmaps, which the cache owns. Host thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/hash_object_list.h"
#include "core/object.h"
#include "eventmanager/bitmap.h"
#include "properties/bmp_decode.h"

class TEventBitmapList : public TObject {
  EM_CLASS(TEventBitmapList, TObject)
 public:
  TEventBitmapList() = default;
  ~TEventBitmapList() override { Clear(); }
  TEventBitmapList(const TEventBitmapList&) = delete;
  TEventBitmapList& operator=(const TEventBitmapList&) = delete;

  // The entry of the path's file name, loading the file when it is not cached
  // yet; -1 when no such file exists (also for an empty path). A file that is
  // not a readable bitmap raises EBitmapError and adds nothing; the failure is
  // cached too, so later loads of that name raise it again without reading.
  int LoadBitmap(const std::string& path);
  // The cached entry of the path's file name, or -1; never touches the disk.
  int IndexOf(const std::string& path) const;
  const TBitmap* GetBitmap(int index) const;
  int Count() const { return static_cast<int>(entries_.size()); }
  const std::string& NameAt(int index) const { return entries_[index].name; }
  void Clear();

 private:
  struct Entry {
    std::string name;  // file name as loaded, no directory
    std::unique_ptr<TBitmap> bitmap;
  };
  TStringHash index_;
  std::vector<Entry> entries_;
  TStringHash failed_;  // upper-cased file name -> position in failures_
  std::vector<EBitmapError> failures_;
};

// The library's one cache; created at first use and kept until unloading.
TEventBitmapList& BitmapCache();
