// What eventscan properties and eventscan maintain share: the network set
// from --networks, the check for a display, and the runner that opens one of
// the library's windows for a person with the host's QApplication and waits
// until it is closed. Host thread only (Qt's).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "cli/commands.h"

class QWidget;

namespace eventscan {

// The network set for a comma-separated list of names (bit k = network k);
// all five for an empty list, none (0) when a name is unknown.
uint8_t NetworkSet(const std::string& names, std::string& unknown);

// True when Qt has somewhere to show a window (a display, or a platform
// plugin chosen with QT_QPA_PLATFORM). Built with the windows only.
bool HasDisplay();

// Makes the window from the library's export `create` for the network set.
using OpenWindow = std::function<QWidget*(void* create, uint8_t networks)>;
// Opens one of the library's windows for a person (the export named
// `exportName`) and runs until it is closed; closing frees it, which saves
// its changes. A save that fails gives ExitInput.
int RunWindowCommand(const char* command, const CommonOptions& options, const std::string& networkNames,
                     const char* exportName, int argc, char** argv, const OpenWindow& open);

}  // namespace eventscan
