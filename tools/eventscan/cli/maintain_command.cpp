// eventscan maintain: the library's "Configure User Events" window.
#include <iostream>

#include "cli/commands.h"
#include "cli/window_command.h"
#include "host/host_library.h"

#ifdef EVENTSCAN_WITH_WINDOWS
#include <QWidget>
#endif

namespace eventscan {

#ifdef EVENTSCAN_WITH_WINDOWS

int MaintainCommand(const MaintainOptions& o, int argc, char** argv) {
  const uint8_t readOnly = o.ReadOnly ? 1 : 0;
  return RunWindowCommand("maintain", o, o.Networks, "CreateEventMaintainWinByNetType", argc, argv,
                          [readOnly](void* create, uint8_t networks) {
                            return reinterpret_cast<eventmanager_exports::CreateEventMaintainWinByNetType_t>(
                                create)(nullptr, readOnly, networks);
                          });
}

#else

int MaintainCommand(const MaintainOptions&, int, char**) {
  std::cerr << "eventscan maintain: this eventscan was built without the windows (EVENTMANAGER_WINDOWS=OFF)\n";
  return ExitUsage;
}

#endif

}  // namespace eventscan
