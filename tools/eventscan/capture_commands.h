// eventscan import (a capture written as a log in our format) and the parts
// of eventscan run that a capture needs. Messages go to stderr.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "capture_reader.h"
#include "commands.h"
#include "result_rows.h"

namespace eventscan {

struct ImportOptions {
  std::string Capture;
  std::optional<std::string> Output;  // the log; stdout when absent (unless --stats)
  bool Stats = false;                 // list skipped frames and unmapped message types
};

int ImportCommand(const ImportOptions& options);

// The capture as a log in our format (header and one line a record).
void WriteCaptureLog(std::ostream& out, const CaptureLog& capture, const std::string& source);

// Reads a capture for a run: prints its faults and summary, and gives the
// frame of every record. None when --strict stops at a malformed frame.
std::optional<ParsedLog> ReadCaptureForRun(const std::string& path, bool strict, std::vector<uint32_t>& frames);

// Result rows of a capture show the frame number in place of the record index.
void NumberRowByFrame(ResultRow& row, const std::vector<uint32_t>& frames);

}  // namespace eventscan
