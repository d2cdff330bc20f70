#include "detection/detail_spares.h"

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
// A kept text is looked for among the last few; one too short grows.
constexpr size_t TextSearch = 8;

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

// With the lock held.
std::string takeText(Spares& s, size_t room) {
  if (s.Texts.empty()) return {};
  size_t pick = s.Texts.size() - 1;
  const size_t last = s.Texts.size() > TextSearch ? s.Texts.size() - TextSearch : 0;
  for (size_t i = s.Texts.size(); i-- > last;)
    if (s.Texts[i].capacity() >= room) {
      pick = i;
      break;
    }
  std::string text = std::move(s.Texts[pick]);
  if (pick != s.Texts.size() - 1) s.Texts[pick] = std::move(s.Texts.back());
  s.Texts.pop_back();
  text.clear();
  return text;
}

}  // namespace

void Keep(TDetailLines& lines) {
  if (lines.capacity() == 0) return;
  Spares& s = spares();
  {
    std::lock_guard<SpinLock> guard(s.Lock);
    for (TDetailLine& line : lines)
      if (s.Texts.size() < MaxTexts && line.Text.capacity() > 15 && line.Text.capacity() <= MaxTextRoom)
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
  if (lines.capacity() == 0) {
    Spares& s = spares();
    std::lock_guard<SpinLock> guard(s.Lock);
    if (!s.Lists.empty()) {
      lines.swap(s.Lists.back());
      s.Lists.pop_back();
    }
  }
  lines.reserve(lines.size() + count);
}

std::string Text() {
  Spares& s = spares();
  std::lock_guard<SpinLock> guard(s.Lock);
  return takeText(s, 0);
}

void Append(TDetailLines& lines, std::string_view text, int32_t recordIndex) {
  std::string kept;
  if (text.size() > 15) {
    Spares& s = spares();
    std::lock_guard<SpinLock> guard(s.Lock);
    kept = takeText(s, text.size());
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
