// The rules behind the fill exports, apart from the controls: which property
// lists fill a host's tree or combo box, in which order, and the global
// number of each record (test records, then the network's message records,
// then its warning records) that the combo box's map leads from.
#pragma once

#include <cstdint>
#include <vector>

class TEventProperty;
class TEventPropertyList;
class TEventPropertys;
class TIntegerArray;

namespace event_fill {

// The test list, the network's message list, its warning list.
// EEventManagerError for a network above 3.
std::vector<TEventPropertyList*> Groups(TEventPropertys& store, uint8_t network);
// The records of the three groups in order.
std::vector<TEventProperty*> Entries(TEventPropertys& store, uint8_t network);
// The global number of a record of one of the network's groups.
int32_t GlobalNumber(TEventPropertys& store, uint8_t network, TEventProperty* record);
// Sets the map's count to the number of entries, then map[number of entry i] = i.
// Errors of the map (a number outside its count) pass to the caller.
void FillMap(TIntegerArray& map, TEventPropertys& store, uint8_t network,
             const std::vector<TEventProperty*>& entriesInComboOrder);

}  // namespace event_fill
