// eventscan list: the defined events of each network with their display
// properties, one line an event.
#include <iostream>
#include <memory>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "eventmanager/event_property.h"
#include "host/host_library.h"
#include "log/networks.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

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

int ListCommand(const CommonOptions& o, const std::optional<std::string>& network) {
  std::vector<uint8_t> nets{0, 1, 2, 3, 4};
  if (network) {
    auto n = NetworkIndex(*network);
    if (!n) {
      std::cerr << fmt::format("--network: \"{}\" is none of GSM, CDMA, UMTS, TD-SCDMA, LTE\n", *network);
      return ExitUsage;
    }
    nets = {*n};
  }
  std::unique_ptr<HostLibrary> library;  // outlives the library's errors, see CheckCommand
  try {
    library = OpenCommandLibrary(o);
    // The events are listed as far as the files could be read, as a run
    // runs with them; `check` is the command that judges the files.
    ReportLibraryFaults(LibraryFaults(*library));
    int status = ExitOk;
    for (uint8_t net : nets) {
      std::vector<TEventListing> events;
      try {
        library->EventManagerListEvents(net, events);
      } catch (const std::exception& e) {
        std::cerr << fmt::format("{}: the events cannot be listed: {}\n", NetworkName(net), e.what());
        status = ExitInput;
        continue;
      }
      std::cout << fmt::format("== {} ({} events) ==\n", NetworkName(net), events.size());
      std::cout << fmt::format("{:<8} {:>5}  {:<44} {:<28} {:<24} {:<7} {:<7} {}\n", "kind", "id", "name", "definition",
                               "switches", "back", "font", "icon / voice");
      for (const TEventListing& e : events) {
        const TEventProperty& p = *e.Property;
        // Names, files and voice texts come from the definition files.
        std::cout << fmt::format("{:<8} {:>5}  {:<44} {:<28} {:<24} {:<7} {:<7} {} / {}\n", kindName(e.Kind),
                                 e.Kind == 2 ? std::to_string(e.Id) : "-", TerminalText(e.Name),
                                 e.Definition.empty() ? "-" : TerminalText(e.Definition), switches(p),
                                 colour(p.BackColor), colour(p.FontColor),
                                 p.BitmapFile.empty() ? "-" : TerminalText(p.BitmapFile),
                                 p.VoiceText.empty() ? "-" : TerminalText(p.VoiceText));
      }
    }
    return status;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
