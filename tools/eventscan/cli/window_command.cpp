// The runner of the library's windows: the network set, the display check,
// the library loaded with the chosen home and the window's export looked up,
// the window shown until it is closed and the save faults counted.
#include "cli/window_command.h"

#include <dlfcn.h>

#include <cstdlib>
#include <iostream>
#include <memory>
#include <sstream>

#include "cli/command_setup.h"
#include "host/host_library.h"
#include "log/networks.h"
#include "support/text_escape.h"

#ifdef EVENTSCAN_WITH_WINDOWS
#include <QApplication>
#include <QPointer>
#include <QWidget>
#endif

namespace eventscan {

uint8_t NetworkSet(const std::string& names, std::string& unknown) {
  if (names.find_first_not_of(" ,") == std::string::npos) return 0x1F;  // all five networks
  uint8_t set = 0;
  std::stringstream list(names);
  std::string name;
  while (std::getline(list, name, ',')) {
    const size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos) continue;
    name = name.substr(first, name.find_last_not_of(' ') - first + 1);
    const std::optional<uint8_t> net = NetworkIndex(name);
    if (!net || *net >= NetworkCount) {
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

int RunWindowCommand(const char* command, const CommonOptions& o, const std::string& networkNames,
                     const char* exportName, int argc, char** argv, const OpenWindow& open) {
  std::string unknown;
  const uint8_t networks = NetworkSet(networkNames, unknown);
  if (networks == 0) {
    std::cerr << "eventscan " << command << ": unknown network '" << unknown << "' (GSM, CDMA, UMTS, TD-SCDMA, LTE)\n";
    return ExitUsage;
  }
  if (!HasDisplay()) {
    std::cerr << "eventscan " << command << ": no display to open the window on: set DISPLAY (or WAYLAND_DISPLAY), "
                 "or QT_QPA_PLATFORM to a Qt platform plugin (for example QT_QPA_PLATFORM=xcb)\n";
    return ExitUsage;
  }
  std::unique_ptr<HostLibrary> library;
  try {
    if (o.Home) SetHomeDirectory(*o.Home);
    library = std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
    std::vector<std::string> faults;
    library->EventManagerFileFaults(faults);
    ReportLibraryFaults(faults);
    const size_t faultsBefore = faults.size();

    void* handle = dlopen(library->Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
    void* create = handle ? dlsym(handle, exportName) : nullptr;
    if (handle) dlclose(handle);
    if (!create) {
      std::cerr << "eventscan " << command << ": " << library->Path()
                << " has no windows (built with EVENTMANAGER_WINDOWS=OFF)\n";
      return ExitUsage;
    }

    QApplication app(argc, argv);
    library->InitEventManagerDllApplication(&app);
    {
      // Closing frees the window, which saves its changes; the loop runs
      // until then. A window may hide while one of its dialogs is open, so
      // "last window closed" is not the signal to wait for.
      app.setQuitOnLastWindowClosed(false);
      QPointer<QWidget> window(open(create, networks));
      window->setAttribute(Qt::WA_DeleteOnClose);
      QObject::connect(window.data(), &QObject::destroyed, &app, &QCoreApplication::quit);
      window->show();
      app.exec();
      delete window.data();
    }
    library->FinalEventManagerDllApplication();
    library->EventManagerFileFaults(faults);
    if (faults.size() > faultsBefore) {
      // The library printed them as they happened; the exit status says so.
      std::cerr << "eventscan " << command << ": the changes could not all be saved\n";
      return ExitInput;
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << "eventscan " << command << ": " << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

#endif

}  // namespace eventscan
