#include "host/large_pages.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace eventscan {

void UseLargeHeapPages(char** argv) {
  if (std::getenv("EVENTSCAN_HEAP_TUNED")) return;
  setenv("EVENTSCAN_HEAP_TUNED", "1", 1);
  // Transparent huge pages for the heap, grown 64 MiB at a time.
  std::string tunables = "glibc.malloc.hugetlb=1:glibc.malloc.top_pad=67108864";
  if (const char* old = std::getenv("GLIBC_TUNABLES"); old && *old) tunables = std::string(old) + ":" + tunables;
  setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
  execv("/proc/self/exe", argv);
  // Not re-executed: carry on with the default heap.
}

}  // namespace eventscan
