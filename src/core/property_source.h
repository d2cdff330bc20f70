// TPropertySource: a list of display-property records looked up by event
// name. Definitions link their levels, gates and test events to records
// through it without knowing the property classes; the property lists
// implement it. The list owns its records; callers keep plain pointers.
#pragma once

#include <string>

class TEventProperty;

class TPropertySource {
 public:
  // The record named `name` (letter case ignored), created with defaults and
  // added when missing, and marked used; none for an empty name.
  virtual TEventProperty* LinkProperty(const std::string& name) = 0;
  // The record named `name`, or none; nothing is created or marked.
  virtual TEventProperty* FindProperty(const std::string& name) = 0;
  virtual void ClearUsedMarks() = 0;

 protected:
  ~TPropertySource() = default;
};

// The same, for a list that may be missing (then nothing happens).
inline TEventProperty* LinkPropertyByName(TPropertySource* list, const std::string& name) {
  return list ? list->LinkProperty(name) : nullptr;
}
inline void ClearPropertyUsedMarks(TPropertySource* list) {
  if (list) list->ClearUsedMarks();
}
inline TEventProperty* FindPropertyByName(TPropertySource* list, const std::string& name) {
  return list && !name.empty() ? list->FindProperty(name) : nullptr;
}
