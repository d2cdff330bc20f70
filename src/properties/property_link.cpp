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
