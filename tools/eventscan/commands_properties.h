// eventscan properties: opens the library's "Internal Event Manage" window
// for a person to change how events are shown; the library saves
// EventsProperty.cfg when the window closes with changes.
#pragma once

#include <string>

#include "commands.h"

namespace eventscan {

struct PropertiesOptions : CommonOptions {
  std::string Networks;  // "GSM,UMTS"; empty for all four
};

// The network set for a comma-separated list of names (bit k = network k);
// all four for an empty list, none (0) when a name is unknown.
uint8_t NetworkSet(const std::string& names, std::string& unknown);

// True when Qt has somewhere to show a window (a display, or a platform
// plugin chosen with QT_QPA_PLATFORM). Built with the windows only.
bool HasDisplay();

int PropertiesCommand(const PropertiesOptions& options, int argc, char** argv);

}  // namespace eventscan
