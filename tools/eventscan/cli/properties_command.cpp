// eventscan properties: the library's "Internal Event Manage" window.
#include <iostream>

#include "cli/commands.h"
#include "cli/window_command.h"
#include "host/host_library.h"

namespace eventscan {

#ifdef EVENTSCAN_WITH_WINDOWS

int PropertiesCommand(const PropertiesOptions& o, int argc, char** argv) {
  return RunWindowCommand("properties", o, o.Networks, "CreateInternalEventsWinByNetType", argc, argv,
                          [](void* create, uint8_t networks) {
                            return reinterpret_cast<eventmanager_exports::CreateInternalEventsWinByNetType_t>(
                                create)(nullptr, networks);
                          });
}

#else

int PropertiesCommand(const PropertiesOptions&, int, char**) {
  std::cerr << "eventscan properties: this eventscan was built without the windows (EVENTMANAGER_WINDOWS=OFF)\n";
  return ExitUsage;
}

#endif

}  // namespace eventscan
