#include "definitions/msg_code_index.h"

#include <algorithm>
#include <iterator>

#include "definitions/msg_event_list.h"

namespace {

uint16_t keyOf(uint32_t code) { return static_cast<uint16_t>(code & 0xFFFF); }

// Calls fn(key) for every non-zero key of the nodes of `level`'s children.
// Key 0 is never offered by the code filter except through
// cdma::AccessProbeInfo, which visits every event anyway.
template <class Fn>
void forChildKeys(const TLevelNode* level, Fn fn) {
  for (int c = 0; c < level->ChildCount(); ++c) {
    const TMsgNodes* nodes = level->Child(c)->MsgNodes.get();
    for (int n = 0; n < nodes->Count(); ++n)
      if (uint16_t key = keyOf(nodes->Node(n)->MessageCode)) fn(key);
  }
}

template <class Fn>
void forLevels(const TLevelNode* level, Fn& fn) {
  fn(level);
  for (int c = 0; c < level->ChildCount(); ++c) forLevels(level->Child(c), fn);
}

void insertSorted(std::vector<int>& v, int value) {
  auto at = std::lower_bound(v.begin(), v.end(), value);
  if (at == v.end() || *at != value) v.insert(at, value);
}

void eraseSorted(std::vector<int>& v, int value) {
  auto at = std::lower_bound(v.begin(), v.end(), value);
  if (at != v.end() && *at == value) v.erase(at);
}

}  // namespace

bool TMsgCodeIndex::Fresh(const TMsgEventList& list) const {
  return !stale_ && generation_ == list.IndexGeneration() && count_ == list.Count();
}

TMsgCodeIndex::Slot* TMsgCodeIndex::find(uint32_t key) {
  auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
  return at != keys_.end() && *at == key ? &slots_[at - keys_.begin()] : nullptr;
}

const TMsgCodeIndex::Slot* TMsgCodeIndex::find(uint32_t key) const {
  return const_cast<TMsgCodeIndex*>(this)->find(key);
}

void TMsgCodeIndex::Rebuild(const TMsgEventList& list) {
  const int n = list.Count();
  keys_.clear();
  for (int p = 0; p < n; ++p) {
    const TMsgEvent* event = list.Event(p);
    auto collect = [&](const TLevelNode* level) {
      for (int i = 0; i < level->MsgNodes->Count(); ++i)
        if (uint16_t key = keyOf(level->MsgNodes->Node(i)->MessageCode)) keys_.push_back(key);
    };
    for (int l = 0; l < event->LevelCount(); ++l) forLevels(event->Level(l), collect);
  }
  std::sort(keys_.begin(), keys_.end());
  keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
  slots_.assign(keys_.size(), Slot{});

  // Static part, and room for the dynamic part: an event can register at
  // most the keys of its widest level's children, and a key at most the
  // events that wait for it somewhere below a first step.
  std::vector<int> reach(keys_.size(), 0);
  std::vector<uint16_t> widest;
  first_.assign(n, 0);
  used_.assign(n, 0);
  capacity_.assign(n, 0);
  registered_.assign(n, nullptr);
  for (auto& c : categories_) c.clear();
  int total = 0;
  for (int p = 0; p < n; ++p) {
    const TMsgEvent* event = list.Event(p);
    if (event->StartedFlag >= 1 && event->StartedFlag <= 3) categories_[event->StartedFlag].push_back(p);
    std::vector<uint16_t> below;  // keys below the first step, for reach
    int width = 0;
    auto measure = [&](const TLevelNode* level) {
      widest.clear();
      forChildKeys(level, [&](uint16_t key) {
        if (std::find(widest.begin(), widest.end(), key) == widest.end()) widest.push_back(key);
      });
      width = std::max(width, static_cast<int>(widest.size()));
      below.insert(below.end(), widest.begin(), widest.end());
    };
    for (int l = 0; l < event->LevelCount(); ++l) {
      const TLevelNode* top = event->Level(l);
      for (int i = 0; i < top->MsgNodes->Count(); ++i)
        if (Slot* slot = find(keyOf(top->MsgNodes->Node(i)->MessageCode)))
          if (slot->starts.empty() || slot->starts.back() != p) slot->starts.push_back(p);
      forLevels(top, measure);
    }
    std::sort(below.begin(), below.end());
    below.erase(std::unique(below.begin(), below.end()), below.end());
    for (uint16_t key : below) ++reach[std::lower_bound(keys_.begin(), keys_.end(), key) - keys_.begin()];
    first_[p] = total;
    capacity_[p] = width;
    total += width;
  }
  for (size_t k = 0; k < slots_.size(); ++k) slots_[k].current.reserve(reach[k]);
  pool_.assign(total, 0);
  for (auto& c : categories_) c.shrink_to_fit();

  generation_ = list.IndexGeneration();
  count_ = n;
  stale_ = false;
  for (int p = 0; p < n; ++p) registerLevel(p, list.Event(p)->CurrentLevel);
}

void TMsgCodeIndex::Candidates(uint32_t code, std::vector<int>& out) const {
  if (code == AlwaysScanned) {
    for (int p = 0; p < count_; ++p) out.push_back(p);
    return;
  }
  const Slot* slot = find(keyOf(code));
  if (!slot || keyOf(code) == 0) return;
  std::set_union(slot->starts.begin(), slot->starts.end(), slot->current.begin(), slot->current.end(),
                 std::back_inserter(out));
}

void TMsgCodeIndex::Sync(const TMsgEventList& list, int position) {
  if (!Fresh(list) || position < 0 || position >= count_) return;  // rebuilt from scratch on next use
  const TLevelNode* level = list.Event(position)->CurrentLevel;
  if (level == registered_[position]) return;
  unregister(position);
  registerLevel(position, level);
}

void TMsgCodeIndex::unregister(int position) {
  uint16_t* keys = pool_.data() + first_[position];
  for (int i = 0; i < used_[position]; ++i)
    if (Slot* slot = find(keys[i])) eraseSorted(slot->current, position);
  used_[position] = 0;
  registered_[position] = nullptr;
}

void TMsgCodeIndex::registerLevel(int position, const TLevelNode* level) {
  registered_[position] = level;
  if (!level) return;
  uint16_t* keys = pool_.data() + first_[position];
  forChildKeys(level, [&](uint16_t key) {
    if (std::find(keys, keys + used_[position], key) != keys + used_[position]) return;
    Slot* slot = find(key);
    if (!slot || used_[position] == capacity_[position]) {
      // The levels changed since the index was built: start again from the
      // definitions as they are now.
      stale_ = true;
      return;
    }
    keys[used_[position]++] = key;
    insertSorted(slot->current, position);
  });
}

const std::vector<int>& TMsgCodeIndex::OfCategory(int32_t category) const {
  static const std::vector<int> none;
  return category >= 1 && category <= 3 ? categories_[category] : none;
}
