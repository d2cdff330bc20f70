// The report page's file: written whole or not at all, so that a failed write
// never leaves half a page where a reader expects the last good one.
#pragma once

#include <string>

namespace eventscan {

// Writes `text` to `path` atomically (see SaveFileAtomic: a page reached
// through a symbolic link replaces the file it names, keeping its mode), so a
// failed write leaves any earlier file whole. Raises std::runtime_error
// naming the file, the step that failed and the system's reason.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace eventscan
