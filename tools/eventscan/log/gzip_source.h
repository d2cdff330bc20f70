// A gzip-compressed log (recognised by its first two bytes, 1f 8b), inflated
// as it is read. The inflated bytes are also kept in an unlinked temporary
// file, which answers the reads at an offset the stream makes for records it
// no longer holds: inflating again from the start for each would cost the
// whole log each time, and holding the log in memory would cost its size.
// Damage in the compressed stream ends the log there; the bytes before it are
// read as usual and Damage() says where the stream broke.
#pragma once

#include <memory>
#include <string>

#include "log/log_source.h"

namespace eventscan {

// True when the file at `fd` starts with the gzip magic bytes (read with
// pread, the descriptor's position is kept).
bool StartsAsGzip(int fd);
// Takes `fd` (closed with the source). Raises LogError.
std::unique_ptr<LogSource> GzipLogSource(int fd, std::string path);

}  // namespace eventscan
