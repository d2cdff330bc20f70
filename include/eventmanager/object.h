// Root object class and class references: every definition, list item and
// result knows its class at run time, so typed lists can refuse items of the
// wrong class with the system's own message. Objects the library hands to a
// host derive from TObject first, so a host frees them with FreeEventObject.
#pragma once

#include <string>

struct TClass {
  const char* Name;
  const TClass* Parent;

  bool InheritsFrom(const TClass* other) const {
    for (const TClass* c = this; c; c = c->Parent)
      if (c == other) return true;
    return false;
  }
};

class TObject {
 public:
  virtual ~TObject() = default;
  static const TClass* StaticClass() {
    static const TClass c{"TObject", nullptr};
    return &c;
  }
  virtual const TClass* ClassType() const { return StaticClass(); }
  std::string ClassName() const { return ClassType()->Name; }
  bool InheritsFrom(const TClass* c) const { return ClassType()->InheritsFrom(c); }
};

// Declares the class reference of a class derived (directly) from Parent.
#define EM_CLASS(Name, Parent)                                   \
 public:                                                         \
  static const TClass* StaticClass() {                           \
    static const TClass c{#Name, Parent::StaticClass()};         \
    return &c;                                                   \
  }                                                              \
  const TClass* ClassType() const override { return StaticClass(); }

// Frees an object that the library created (a message event list, gate event
// list or test-event table) through its virtual destructor. Those classes
// derive from TObject alone, so the object starts with its TObject part.
template <class T>
void FreeEventObject(T* object) {
  delete reinterpret_cast<TObject*>(object);
}
