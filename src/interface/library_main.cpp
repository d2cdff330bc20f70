// Start-up and shut-down run when the library is loaded and unloaded
// (dlopen / dlclose), before any export can be called and after the last.
#include <cstdio>
#include <exception>

#include "interface/library_state.h"

namespace {

struct LibraryLifetime {
  LibraryLifetime() {
    try {
      LibraryStartUp();
    } catch (const std::exception& e) {
      // Loading the library must never fail; the host reads the faults.
      std::fprintf(stderr, "eventmanager: start-up: %s\n", e.what());
    }
  }
  ~LibraryLifetime() {
    try {
      LibraryShutDown();
    } catch (...) {
    }
  }
} lifetime;

}  // namespace
