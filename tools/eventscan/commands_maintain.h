// eventscan maintain: opens the library's "Configure User Events" window for
// a person to create, edit and delete message and warning events; the
// library writes EventsDefine.cfg when the window closes after a change.
#pragma once

#include <string>

#include "commands.h"

namespace eventscan {

struct MaintainOptions : CommonOptions {
  std::string Networks;  // "GSM,UMTS"; empty for all four
  bool ReadOnly = false;
};

int MaintainCommand(const MaintainOptions& options, int argc, char** argv);

}  // namespace eventscan
