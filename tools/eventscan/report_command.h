// eventscan report: runs one log through the library as `eventscan run` does
// and writes the drive-test report page instead of rows.
#pragma once

#include <optional>
#include <string>

#include "commands.h"

namespace eventscan {

struct ReportOptions : LogOptions {
  std::string Output;
};

int ReportCommand(const ReportOptions& options);

// Writes `text` to `path` through a unique temporary file in the same
// directory renamed over it, so a failed write leaves any earlier file whole.
// Raises std::runtime_error naming the file and the reason.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace eventscan
