// What the gate pass derives once from a gate-event list and keeps between
// records: for every gate, where each of its fields' values sits in one
// shared value array, and the ascending list of every field any gate reads,
// so a record's values are fetched once per pass in one walk. Owned by the
// results container; rebuilt when a gate, its parse or the list changes.
#pragma once

#include <cstdint>
#include <vector>

#include "definitions/gate_event.h"

class TGateEventList;

struct TGatePlan {
  struct TEntry {
    const TGateEvent* Gate = nullptr;
    uint64_t ParseStamp = 0;
    const int32_t* FieldIds = nullptr;
    uint8_t FieldCount = 0;
    uint32_t FirstSlot = 0;  // its FieldCount positions start here in Slots
  };
  const TGateEventList* List = nullptr;
  std::vector<TEntry> Entries;   // one per gate, in list order
  std::vector<uint32_t> Slots;   // positions in Ids / Values
  std::vector<int32_t> Ids;      // ascending, each once
  std::vector<int32_t> Values;   // of Ids on the record the pass loaded

  // True while entry `i` still describes `gate` as it is now. Asked for every
  // gate on every record, so it is inline.
  bool Current(int i, const TGateEvent& gate) const {
    if (static_cast<size_t>(i) >= Entries.size()) return false;
    const TEntry& e = Entries[static_cast<size_t>(i)];
    return e.Gate == &gate && e.ParseStamp == gate.ParseStamp && e.FieldIds == gate.FieldIds &&
           e.FieldCount == gate.FieldCount;
  }
  void Build(const TGateEventList& list);
};
