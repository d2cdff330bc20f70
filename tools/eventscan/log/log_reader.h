// Reads a whole eventscan log (JSON Lines: a header line, then one record a
// line) into a ParsedLog, through the same stream a run feeds from. Malformed
// record lines are faults with their line number, skipped (strict reading
// stops at the first); an input that cannot be read at all, or that changes
// while it is read, raises LogError.
#pragma once

#include <string>
#include <string_view>

#include "log/log_header.h"
#include "log/log_source.h"
#include "log/log_stream.h"
#include "log/log_types.h"

namespace eventscan {

ParsedLog ReadLog(const std::string& path, const ReadOptions& options = {});
// The same for a log held in memory; `name` stands for the file in messages.
ParsedLog ReadLogText(std::string_view text, const std::string& name, const ReadOptions& options = {});

}  // namespace eventscan
