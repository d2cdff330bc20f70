#include "properties/event_bitmap_list.h"

#include <filesystem>

#include "properties/bmp_decode.h"
#include "properties/icon_files.h"

namespace fs = std::filesystem;

namespace {

// The file at `path`, or the file of that name in its directory in another
// letter case; empty when neither exists.
std::string existingFile(const std::string& path) {
  std::error_code ec;
  if (fs::is_regular_file(path, ec)) return path;
  fs::path p(path);
  std::string name = p.filename().string();
  if (name.empty()) return {};
  std::string dir = p.has_parent_path() ? p.parent_path().string() : std::string(".");
  std::string found = FindFileNoCase(dir, name, TFileKind::Regular);
  return !found.empty() && fs::is_regular_file(found, ec) ? found : std::string();
}

}  // namespace

int TEventBitmapList::IndexOf(const std::string& path) const {
  std::string name = IconFileName(path);
  return name.empty() ? -1 : index_.Find(UpperKey(name));
}

int TEventBitmapList::LoadBitmap(const std::string& path) {
  int index = IndexOf(path);
  if (index >= 0) return index;
  if (IconFileName(path).empty()) return -1;
  std::string name = IconFileName(path);
  // A file that failed once fails again without being read: many records
  // may name one broken icon.
  if (int failed = failed_.Find(UpperKey(name)); failed >= 0) throw failures_[static_cast<size_t>(failed)];
  std::string file = existingFile(path);
  if (file.empty()) return -1;
  std::unique_ptr<TBitmap> bitmap;
  try {
    bitmap = std::make_unique<TBitmap>(DecodeBitmapFile(file));
  } catch (const EBitmapError& e) {
    failures_.push_back(e);
    failed_.Set(UpperKey(name), static_cast<int>(failures_.size()) - 1);
    throw;
  }
  bitmap->FileName = name;
  entries_.push_back({name, std::move(bitmap)});
  index = Count() - 1;
  index_.Set(UpperKey(name), index);
  return index;
}

const TBitmap* TEventBitmapList::GetBitmap(int index) const {
  return index >= 0 && index < Count() ? entries_[index].bitmap.get() : nullptr;
}

void TEventBitmapList::Clear() {
  entries_.clear();
  index_.Clear();
  failures_.clear();
  failed_.Clear();
}

TEventBitmapList& BitmapCache() {
  static TEventBitmapList cache;
  return cache;
}
