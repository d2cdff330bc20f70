#include "commands_maintain.h"

#include <dlfcn.h>

#include <iostream>
#include <memory>

#include "commands_properties.h"
#include "host_library.h"

#ifdef EVENTSCAN_WITH_WINDOWS
#include <QApplication>
#include <QPointer>
#include <QWidget>
#endif

namespace eventscan {

#ifdef EVENTSCAN_WITH_WINDOWS

int MaintainCommand(const MaintainOptions& o, int argc, char** argv) {
  std::string unknown;
  const uint8_t networks = NetworkSet(o.Networks, unknown);
  if (networks == 0) {
    std::cerr << "eventscan maintain: unknown network '" << unknown << "' (GSM, CDMA, UMTS, TD-SCDMA)\n";
    return ExitUsage;
  }
  if (!HasDisplay()) {
    std::cerr << "eventscan maintain: no display to open the window on: set DISPLAY (or WAYLAND_DISPLAY), "
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
    const size_t faultsBefore = faults.size();

    void* handle = dlopen(library->Path().c_str(), RTLD_NOW | RTLD_NOLOAD);
    auto create = handle ? reinterpret_cast<eventmanager_exports::CreateEventMaintainWinByNetType_t>(
                               dlsym(handle, "CreateEventMaintainWinByNetType"))
                         : nullptr;
    if (handle) dlclose(handle);
    if (!create) {
      std::cerr << "eventscan maintain: " << library->Path() << " has no windows (built with EVENTMANAGER_WINDOWS=OFF)\n";
      return ExitUsage;
    }

    QApplication app(argc, argv);
    library->InitEventManagerDllApplication(&app);
    {
      // The window frees itself when closed, which saves the changes; the
      // loop runs until then (the window hides while an editor is open, so
      // "last window closed" is not the signal to wait for).
      app.setQuitOnLastWindowClosed(false);
      QPointer<QWidget> window(create(nullptr, o.ReadOnly ? 1 : 0, networks));
      QObject::connect(window.data(), &QObject::destroyed, &app, &QCoreApplication::quit);
      window->show();
      app.exec();
      delete window.data();
    }
    library->FinalEventManagerDllApplication();
    library->EventManagerFileFaults(faults);
    if (faults.size() > faultsBefore) {
      // The library printed them as they happened; the exit status says so.
      std::cerr << "eventscan maintain: the changes could not all be saved\n";
      return ExitInput;
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << "eventscan maintain: " << e.what() << '\n';
    return ExitInput;
  }
}

#else

int MaintainCommand(const MaintainOptions&, int, char**) {
  std::cerr << "eventscan maintain: this eventscan was built without the windows (EVENTMANAGER_WINDOWS=OFF)\n";
  return ExitUsage;
}

#endif

}  // namespace eventscan
