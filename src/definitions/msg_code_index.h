// TMsgCodeIndex: which message events of a list a layer-3 message can
// concern, so that the message-sequence pass visits only those. Owned by its
// TMsgEventList; used on the host's thread only.
//
// Codes are compared only through the decoders, and the list's code filter
// already relies on a code being accepted only by a node code with the same
// low 16 bits (cdma::AccessProbeInfo aside), so the index is keyed by those
// 16 bits and holds, per key, the events whose first-step levels have a node
// with it and the events whose current level has a child with it.
// cdma::AccessProbeInfo concerns every event. A superset is harmless: an
// event that the message cannot match is left exactly as it was by the pass.
//
// The static part follows the definitions: it is rebuilt when the list
// changes (events added, removed or sorted, RebuildCodeFilter, a changed
// StartedFlag). The dynamic part follows each event's CurrentLevel: whoever
// changes the run-time state of an event of a live list calls Sync for it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "eventmanager/outside/message_codes.h"

class TMsgEventList;
class TMsgEvent;
class TLevelNode;

class TMsgCodeIndex {
 public:
  static constexpr uint32_t AlwaysScanned = cdma::AccessProbeInfo;

  bool Fresh(const TMsgEventList& list) const;
  void Invalidate() { stale_ = true; }
  // Builds everything from the list's definitions and the events' current levels.
  void Rebuild(const TMsgEventList& list);

  // Appends to `out` the positions, ascending and distinct, of the events
  // whose first-step levels or current level's children may accept `code`.
  // REQUIRES: Fresh; `out` empty.
  void Candidates(uint32_t code, std::vector<int>& out) const;
  // Brings the registration of the event at `position` in line with its
  // CurrentLevel. Allocates nothing once built.
  void Sync(const TMsgEventList& list, int position);
  // Positions, ascending, of the events whose StartedFlag is `category`.
  const std::vector<int>& OfCategory(int32_t category) const;

 private:
  struct Slot {
    std::vector<int> starts;   // events that may start on this key, ascending
    std::vector<int> current;  // events whose current level waits for it, ascending
  };
  Slot* find(uint32_t key);
  const Slot* find(uint32_t key) const;
  void registerLevel(int position, const TLevelNode* level);
  void unregister(int position);

  bool stale_ = true;
  uint64_t generation_ = 0;
  int count_ = -1;
  std::vector<uint16_t> keys_;  // ascending; slots_ in step
  std::vector<Slot> slots_;
  // Per event: the keys its current level's children registered, in a pool
  // slice [first, first + capacity) sized for the event's widest level.
  std::vector<uint16_t> pool_;
  std::vector<int> first_, used_, capacity_;
  std::vector<const TLevelNode*> registered_;
  std::array<std::vector<int>, 4> categories_;
};
