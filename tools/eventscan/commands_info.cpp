// eventscan check and eventscan list.
#include <filesystem>
#include <iostream>
#include <memory>

#include <fmt/format.h>

#include "commands.h"
#include "host_layout.h"
#include "eventmanager/event_property.h"
#include "host_library.h"
#include "networks.h"

namespace eventscan {
namespace {

std::unique_ptr<HostLibrary> openLibrary(const CommonOptions& o) {
  ChooseHomeDirectory(o.Home);
  return std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
}

const char* kindName(int kind) {
  switch (kind) {
    case 1: return "message";
    case 2: return "test";
    case 3: return "gate";
    default: return "other";
  }
}

// Colours are stored with red in the lowest byte; shown as #RRGGBB.
std::string colour(int32_t c) {
  auto v = static_cast<uint32_t>(c);
  return fmt::format("#{:02X}{:02X}{:02X}", v & 0xFFu, v >> 8 & 0xFFu, v >> 16 & 0xFFu);
}

std::string switches(const TEventProperty& p) {
  std::string s;
  auto add = [&](bool on, const char* word) {
    if (!on) return;
    if (!s.empty()) s += ',';
    s += word;
  };
  add(p.Display, "display");
  add(p.DrawInMap, "map");
  add(p.DrawInGraph, "graph");
  add(p.PlayVoice, "voice");
  return s.empty() ? "-" : s;
}

}  // namespace

int CheckCommand(const CommonOptions& o) {
  // Declared outside the try: an error raised by the library is an object of
  // the library's, so the library stays loaded until the error is printed.
  std::unique_ptr<HostLibrary> library;
  try {
    library = openLibrary(o);
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
    for (const std::string& f : faults) std::cout << "fault: " << f << '\n';
    for (uint8_t net = 0; net < 4; ++net) {
      std::vector<TEventListing> events;
      try {
        library->EventManagerListEvents(net, events);
      } catch (const std::exception& e) {
        std::cout << fmt::format("{}: the events cannot be listed: {}\n", NetworkName(net), e.what());
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
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

int ListCommand(const CommonOptions& o, const std::optional<std::string>& network) {
  std::vector<uint8_t> nets{0, 1, 2, 3};
  if (network) {
    auto n = NetworkIndex(*network);
    if (!n) {
      std::cerr << fmt::format("--network: \"{}\" is none of GSM, CDMA, UMTS, TD-SCDMA\n", *network);
      return ExitUsage;
    }
    nets = {*n};
  }
  std::unique_ptr<HostLibrary> library;  // outlives the library's errors, see CheckCommand
  try {
    library = openLibrary(o);
    for (uint8_t net : nets) {
      std::vector<TEventListing> events;
      library->EventManagerListEvents(net, events);
      std::cout << fmt::format("== {} ({} events) ==\n", NetworkName(net), events.size());
      std::cout << fmt::format("{:<8} {:>5}  {:<44} {:<28} {:<24} {:<7} {:<7} {}\n", "kind", "id", "name", "definition",
                               "switches", "back", "font", "icon / voice");
      for (const TEventListing& e : events) {
        const TEventProperty& p = *e.Property;
        std::cout << fmt::format("{:<8} {:>5}  {:<44} {:<28} {:<24} {:<7} {:<7} {} / {}\n", kindName(e.Kind),
                                 e.Kind == 2 ? std::to_string(e.Id) : "-", e.Name,
                                 e.Definition.empty() ? "-" : e.Definition, switches(p), colour(p.BackColor),
                                 colour(p.FontColor), p.BitmapFile.empty() ? "-" : p.BitmapFile,
                                 p.VoiceText.empty() ? "-" : p.VoiceText);
      }
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
