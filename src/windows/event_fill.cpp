#include "windows/event_fill.h"

#include <fmt/format.h>

#include "eventmanager/errors.h"
#include "eventmanager/integer_array.h"
#include "properties/event_propertys.h"

namespace event_fill {

std::vector<TEventPropertyList*> Groups(TEventPropertys& store, uint8_t network) {
  if (network >= TEventPropertys::kNetworks)
    throw EEventManagerError(
        fmt::format("network {} is not one of 0 GSM, 1 CDMA, 2 UMTS, 3 TD-SCDMA, 4 LTE", static_cast<int>(network)));
  return {store.TestList.get(), store.GetList(network, 0), store.GetList(network, 1)};
}

std::vector<TEventProperty*> Entries(TEventPropertys& store, uint8_t network) {
  std::vector<TEventProperty*> entries;
  for (TEventPropertyList* list : Groups(store, network))
    for (int i = 0; i < list->Count(); ++i) entries.push_back(list->Items(i));
  return entries;
}

int32_t GlobalNumber(TEventPropertys& store, uint8_t network, TEventProperty* record) {
  const auto* own = static_cast<TActEventProperty*>(record);
  const int32_t tests = store.TestList->Count();
  const int32_t messages = store.GetList(network, 0)->Count();
  if (!own->Owner || own->Owner->IsKind(TEventPropertyList::KindTest)) return own->Index;
  if (own->Owner->IsKind(TEventPropertyList::KindMessage)) return tests + own->Index;
  return tests + messages + own->Index;
}

void FillMap(TIntegerArray& map, TEventPropertys& store, uint8_t network,
             const std::vector<TEventProperty*>& entriesInComboOrder) {
  Groups(store, network);
  map.SetCount(static_cast<int>(entriesInComboOrder.size()));
  for (size_t i = 0; i < entriesInComboOrder.size(); ++i)
    map.SetItems(GlobalNumber(store, network, entriesInComboOrder[i]), static_cast<int32_t>(i));
}

}  // namespace event_fill
