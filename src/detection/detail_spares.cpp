#include "detection/detail_spares.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "support/spin_lock.h"

namespace detail_spares {
namespace {

// Bounds on what is kept: a few thousand results' lines, and no text longer
// than a detail line usually is, so a burst of long texts keeps no memory.
constexpr size_t MaxLists = 4096;
constexpr size_t MaxTexts = 16384;
constexpr size_t MaxTextRoom = 256;
// What a std::string holds without the heap: shorter texts have nothing to keep.
const size_t InPlaceRoom = std::string().capacity();
// Kept storage with enough room is looked for among the last few.
constexpr size_t Search = 16;

struct Spares {
  SpinLock Lock;
  std::vector<TDetailLines> Lists;
  std::vector<std::string> Texts;
};

// Never destroyed: results freed by a host's static objects at exit still
// find it.
Spares& spares() {
  static Spares* s = new Spares;
  return *s;
}

// With the lock held: one of the last few kept, the first with `room`, else
// the last kept; false when none is kept.
template <class Storage>
bool takeWithRoom(std::vector<Storage>& kept, size_t room, Storage& out) {
  if (kept.empty()) return false;
  size_t pick = kept.size() - 1;
  const size_t last = kept.size() > Search ? kept.size() - Search : 0;
  for (size_t i = kept.size(); i-- > last;)
    if (kept[i].capacity() >= room) {
      pick = i;
      break;
    }
  out = std::move(kept[pick]);
  if (pick != kept.size() - 1) kept[pick] = std::move(kept.back());
  kept.pop_back();
  out.clear();
  return true;
}

// Kept storage too small for what it is to take grows with some room to
// spare, so that it fits the next such line or list too; storage fresh from
// the heap (a host that keeps every result) takes only what it needs.
size_t grownTextRoom(size_t size) { return (size + 32) / 32 * 32 - 1; }
constexpr size_t GrownListRoom = 4;

}  // namespace

void Keep(TDetailLines& lines) {
  if (lines.capacity() == 0) return;
  Spares& s = spares();
  {
    std::lock_guard<SpinLock> guard(s.Lock);
    for (TDetailLine& line : lines)
      if (s.Texts.size() < MaxTexts && line.Text.capacity() > InPlaceRoom && line.Text.capacity() <= MaxTextRoom)
        s.Texts.push_back(std::move(line.Text));
    lines.clear();
    if (s.Lists.size() < MaxLists) {
      s.Lists.push_back(std::move(lines));
      return;
    }
  }
  // Past the bound the list goes back to the heap, outside the lock.
  TDetailLines().swap(lines);
}

void Prepare(TDetailLines& lines, size_t count) {
  const size_t need = lines.size() + count;
  if (lines.capacity() == 0) {
    bool taken = false;
    {
      Spares& s = spares();
      std::lock_guard<SpinLock> guard(s.Lock);
      taken = takeWithRoom(s.Lists, need, lines);
    }
    if (taken && lines.capacity() < need) lines.reserve(std::max(need, GrownListRoom));
  }
  lines.reserve(need);
}

std::string Text() {
  std::string text;
  Spares& s = spares();
  std::lock_guard<SpinLock> guard(s.Lock);
  takeWithRoom(s.Texts, 0, text);
  return text;
}

void Append(TDetailLines& lines, std::string_view text, int32_t recordIndex) {
  std::string kept;
  if (text.size() > InPlaceRoom) {
    bool taken = false;
    {
      Spares& s = spares();
      std::lock_guard<SpinLock> guard(s.Lock);
      taken = takeWithRoom(s.Texts, text.size(), kept);
    }
    if (taken && kept.capacity() < text.size()) kept.reserve(grownTextRoom(text.size()));
  }
  kept.assign(text);
  Append(lines, std::move(kept), recordIndex);
}

void Append(TDetailLines& lines, std::string&& text, int32_t recordIndex) {
  if (lines.capacity() == 0) Prepare(lines, 1);
  lines.push_back({std::move(text), recordIndex});
}

void Drop() {
  std::vector<TDetailLines> lists;
  std::vector<std::string> texts;
  {
    Spares& s = spares();
    std::lock_guard<SpinLock> guard(s.Lock);
    lists.swap(s.Lists);
    texts.swap(s.Texts);
  }
}

size_t KeptLists() {
  Spares& s = spares();
  std::lock_guard<SpinLock> guard(s.Lock);
  return s.Lists.size();
}

size_t KeptTexts() {
  Spares& s = spares();
  std::lock_guard<SpinLock> guard(s.Lock);
  return s.Texts.size();
}

}  // namespace detail_spares
