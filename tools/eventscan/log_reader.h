// Reads an eventscan log (JSON Lines: a header line, then one record a line)
// into a ParsedLog. A malformed record line is kept as a fault with its line
// number and skipped; strict reading stops at the first one. An input that
// cannot be read at all (no file, no header) raises LogError.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "log_types.h"

namespace eventscan {

class LogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr size_t DefaultMaxLineBytes = size_t(16) << 20;

struct ReadOptions {
  bool Strict = false;
  std::optional<uint8_t> Network;  // replaces the header's network
  bool FastPath = true;            // off: every line through the full JSON reader
  // A line longer than this is a fault of that line and is skipped, so one
  // huge line cannot take the memory of the whole machine. Default 16 MiB.
  size_t MaxLineBytes = DefaultMaxLineBytes;
};

ParsedLog ReadLog(const std::string& path, const ReadOptions& options = {});
// The same for a log held in memory; `name` stands for the file in messages.
ParsedLog ReadLogText(std::string_view text, const std::string& name, const ReadOptions& options = {});

inline constexpr const char* LogFormatName = "eventscan-log";
inline constexpr int LogFormatVersion = 1;

}  // namespace eventscan
