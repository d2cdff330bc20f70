// The one linking rule between definitions and display-property records:
// the record of that name in the list, created with defaults when missing,
// is marked used and returned. Implemented by the property lists.
#pragma once

#include <string>

class TEventProperty;
class TEventPropertyList;

TEventProperty* LinkPropertyByName(TEventPropertyList* list, const std::string& name);
void ClearPropertyUsedMarks(TEventPropertyList* list);
// The record of that name in the list (letter case ignored), or none; nothing
// is created or marked.
TEventProperty* FindPropertyByName(TEventPropertyList* list, const std::string& name);
