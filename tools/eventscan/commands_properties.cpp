#include "commands_properties.h"

#include <dlfcn.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>

#include "host_library.h"
#include "networks.h"

#ifdef EVENTSCAN_WITH_WINDOWS
#include <QApplication>
#include <QWidget>
#endif

namespace eventscan {

uint8_t NetworkSet(const std::string& names, std::string& unknown) {
  if (names.find_first_not_of(" ,") == std::string::npos) return 15;
  uint8_t set = 0;
  std::stringstream list(names);
  std::string name;
  while (std::getline(list, name, ',')) {
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    name = name.substr(first, name.find_last_not_of(' ') - first + 1);
    const std::optional<uint8_t> net = NetworkIndex(name);
    if (!net || *net > 3) {
      unknown = name;
      return 0;
    }
    set |= static_cast<uint8_t>(1u << *net);
  }
  return set;
}

#ifdef EVENTSCAN_WITH_WINDOWS

bool HasDisplay() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

int PropertiesCommand(const PropertiesOptions& o, int argc, char** argv) {
  std::string unknown;
  const uint8_t networks = NetworkSet(o.Networks, unknown);
  if (networks == 0) {
    std::cerr << "eventscan properties: unknown network '" << unknown << "' (GSM, CDMA, UMTS, TD-SCDMA)\n";
    return ExitUsage;
  }
  if (!HasDisplay()) {
    std::cerr << "eventscan properties: no display to open the window on: set DISPLAY (or WAYLAND_DISPLAY), "
                 "or QT_QPA_PLATFORM to a Qt platform plugin (for example QT_QPA_PLATFORM=xcb)\n";
    return ExitUsage;
  }
  std::unique_ptr<HostLibrary> library;
  try {
    if (o.Home) SetHomeDirectory(*o.Home);
    library = std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
    std::vector<std::string> faults;
    library->EventManagerFileFaults(faults);
    for (const std::string& fault : faults) std::cerr << fault << '\n';

    void* handle = dlopen(library->Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto create = handle ? reinterpret_cast<eventmanager_exports::CreateInternalEventsWinByNetType_t>(
                               dlsym(handle, "CreateInternalEventsWinByNetType"))
                         : nullptr;
    if (handle) dlclose(handle);
    if (!create) {
      std::cerr << "eventscan properties: " << library->Path()
                << " has no windows (built with EVENTMANAGER_WINDOWS=OFF)\n";
      return ExitUsage;
    }

    QApplication app(argc, argv);
    library->InitEventManagerDllApplication(&app);
    {
      std::unique_ptr<QWidget> window(create(nullptr, networks));
      window->show();
      app.exec();
      // Deleting the window saves the changes.
    }
    library->FinalEventManagerDllApplication();
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << "eventscan properties: " << e.what() << '\n';
    return ExitInput;
  }
}

#else

int PropertiesCommand(const PropertiesOptions&, int, char**) {
  std::cerr << "eventscan properties: this eventscan was built without the windows (EVENTMANAGER_WINDOWS=OFF)\n";
  return ExitUsage;
}

#endif

}  // namespace eventscan
