// Our stand-in for the component-object runtime: a per-thread initialisation
// count, a table of component classes with their factories, and creation by
// class and interface identifier. Classes are found as exported factory
// functions of their component libraries, or registered in-process.
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/outside/expression_filter.h"

// Result codes as the component runtime reports them.
inline constexpr int32_t ComponentOk = 0;
inline constexpr int32_t ComponentNoInterface = static_cast<int32_t>(0x80004002u);
inline constexpr int32_t ComponentClassNotRegistered = static_cast<int32_t>(0x80040154u);
inline constexpr int32_t ComponentNotInitialized = static_cast<int32_t>(0x800401F0u);

// Creates the object of a class for an interface; 0 on success.
using TComponentFactory = int32_t (*)(const TGuid* iid, void** object);

// Initialises the runtime for the calling thread; calls nest and each one is
// matched by a CoUninitialize. Returns the thread's count after the call.
int CoInitialize();
int CoUninitialize();
int CoInitializeCount();  // of the calling thread

// Adds (or replaces) a class; a null factory removes an in-process class.
void CoRegisterClass(const TGuid& clsid, TComponentFactory factory);

// Creates an object of `clsid` for `iid`. Raises EEventManagerError, naming
// the class and the reason, when the runtime is not initialised on this
// thread, the class is unknown or its library cannot be found, or the object
// does not offer the interface. The caller owns the object.
void* CoCreateInstance(const TGuid& clsid, const TGuid& iid);

// "{70CE1EF3-EF43-4EB3-A905-9159864FBEAD}"
std::string GuidText(const TGuid& guid);
