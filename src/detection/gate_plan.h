// What the gate pass derives once from a gate-event list and keeps between
// records, so that a record costs one walk over its fields and a short,
// branch-light step per gate: for every gate, what it needs of the record
// and where each of its fields' values sits in one shared value array; the
// ascending list of every field any gate reads; and, for the common
// expression (comparisons joined by 'and'), its comparisons as integer
// ranges over that array, kept side by side for all gates. Owned by the
// results container; rebuilt when a gate, its parse or the list changes.
#pragma once

#include <cstdint>
#include <vector>

#include "definitions/gate_event.h"

class TGateEventList;

struct TGatePlan {
  // What a gate does with a record.
  enum TKind : uint8_t {
    Idle,        // never reports, or an expression without fields: reads nothing
    Ranges,      // an expression decided by its ranges
    Expression,  // an expression only its filter decides
    Message,     // a message gate
  };
  // The gate as the entry was built from it: the pass checks these against
  // the gate before it uses the entry. ParseStamp differs between any two
  // gate objects, so it also tells the gate is the same object, and it
  // changes whenever the gate's fields (and so its filter's ranges) may have:
  // with the gate type, it stands for everything the entry was built from.
  struct TEntry {
    uint64_t ParseStamp = 0;
    int32_t GateType = 0;
    TKind Kind = Idle;
    bool OwnList = false;    // the gate belongs to the list the plan was built from
    uint8_t SlotCount = 0;   // FieldCount with identifiers, else 0
    uint8_t RangeCount = 0;
    uint32_t FirstSlot = 0;   // its FieldCount positions start here in Slots
    uint32_t FirstRange = 0;  // its RangeCount ranges start here in the range arrays
    uint64_t Missing = 0;     // bits of its slots, when every slot is below 64

    bool Describes(const TGateEvent& gate) const {
      return gate.ParseStamp == ParseStamp && gate.GateType == GateType;
    }
  };
  const TGateEventList* List = nullptr;
  uint8_t NetType = 255;         // the list's, when the plan was built
  std::vector<TEntry> Entries;   // one per gate, in list order
  std::vector<uint32_t> Slots;   // positions in Ids / Values
  std::vector<int32_t> Ids;      // ascending, each once
  std::vector<int32_t> Values;   // of Ids on the record the pass loaded
  // Every Ranges gate's comparisons: value Values[RangeValue[k]] passes k
  // when uint64(value - RangeLow[k]) <= RangeSpan[k], unless RangeOutside[k].
  std::vector<int64_t> RangeLow;
  std::vector<uint64_t> RangeSpan;
  std::vector<uint32_t> RangeValue;
  std::vector<uint8_t> RangeOutside;
  bool MaskedMissing = false;  // Ids fit in 64 bits: Entry::Missing is set

  // True while the plan still fits the list as it is now (same list, gates
  // and network); each entry is then checked against its gate.
  bool Fits(const TGateEventList& list, size_t count, uint8_t netType) const {
    return List == &list && Entries.size() == count && NetType == netType;
  }
  void Build(const TGateEventList& list);
};
