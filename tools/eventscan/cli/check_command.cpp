// eventscan check: the definition files loaded as a run loads them, every
// fault reported, and the events of each network counted.
#include <filesystem>
#include <iostream>
#include <memory>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "host/host_library.h"
#include "log/networks.h"
#include "support/text_escape.h"

namespace eventscan {

int CheckCommand(const CommonOptions& o) {
  // Declared outside the try: an error raised by the library is an object of
  // the library's, so the library stays loaded until the error is printed.
  std::unique_ptr<HostLibrary> library;
  try {
    library = OpenCommandLibrary(o);
    const std::string home = EffectiveHomeDirectory();
    bool ok = true;
    std::cout << "home: " << home << '\n';
    // Missing files are no fault for the library: without definitions only
    // the built-in test events are reported, and the properties file is
    // written by the first save of display properties.
    std::error_code ec;
    std::cout << fmt::format("{}EventsDefine.cfg: {}\n", home,
                             std::filesystem::is_regular_file(home + "EventsDefine.cfg", ec)
                                 ? "found"
                                 : "missing: no user events, only the built-in test events");
    std::cout << fmt::format("{}EventsProperty.cfg: {}\n", home,
                             std::filesystem::is_regular_file(home + "EventsProperty.cfg", ec)
                                 ? "found"
                                 : "missing: default display properties; the file is created by the first save");
    std::vector<std::string> faults;
    library->EventManagerFileFaults(faults);
    for (const std::string& f : faults) std::cout << "fault: " << TerminalText(f) << '\n';
    for (uint8_t net = 0; net < NetworkCount; ++net) {
      std::vector<TEventListing> events;
      try {
        library->EventManagerListEvents(net, events);
      } catch (const std::exception& e) {
        std::cout << fmt::format("{}: the events cannot be listed: {}\n", NetworkName(net), TerminalText(e.what()));
        ok = false;
        continue;
      }
      int counts[4] = {};
      for (const TEventListing& e : events) counts[e.Kind >= 1 && e.Kind <= 3 ? e.Kind : 0]++;
      std::cout << fmt::format("{}: {} message events, {} gate events, {} test events, {} property records\n",
                               NetworkName(net), counts[1], counts[3], counts[2], library->MsgPropertyListCount(net));
    }
    std::cout << fmt::format("test-event property records: {}\n", library->TestPropertyListCount());
    ok = ok && faults.empty();
    std::cout << (ok ? std::string("ok\n") : fmt::format("not ok: {} fault(s)\n", faults.size()));
    return ok ? ExitOk : ExitInput;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
