// The linking rule that message, gate and test events share; declared with
// the definitions so that they need not know the property classes.
#include "definitions/property_link.h"

#include "properties/event_property_list.h"

TEventProperty* LinkPropertyByName(TEventPropertyList* list, const std::string& name) {
  return list ? list->LinkProperty(name) : nullptr;
}

void ClearPropertyUsedMarks(TEventPropertyList* list) {
  if (list) list->ClearUsedMarks();
}

TEventProperty* FindPropertyByName(TEventPropertyList* list, const std::string& name) {
  if (!list || name.empty()) return nullptr;
  int index = list->IndexOfName(name);
  return index >= 0 ? list->Items(index) : nullptr;
}
