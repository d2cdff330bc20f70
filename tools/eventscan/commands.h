// The eventscan commands behind the command line: run one log, check the
// definition files, list the defined events, run the bundled sample logs.
// Each returns the exit status: 0 success, 1 wrong usage, 2 unreadable input,
// 3 the library could not save a file at the end (results are complete).
// Messages go to stderr and name the file and line concerned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "event_filter.h"
#include "log_reader.h"
#include "result_rows.h"

namespace eventscan {

inline constexpr int ExitOk = 0;
inline constexpr int ExitUsage = 1;
inline constexpr int ExitInput = 2;
inline constexpr int ExitSave = 3;  // the results were written, but the library could not save its files

struct CommonOptions {
  std::optional<std::string> Home;     // EVENTMANAGER_HOME for the library
  std::optional<std::string> Library;  // libeventmanager.so to load
};

// What the commands that run one log share: the log or capture, how it is
// read, and which events are kept.
struct LogOptions : CommonOptions {
  std::string Log;
  std::optional<std::string> Network;
  bool Strict = false;
  size_t MaxLineBytes = size_t(16) << 20;  // longer log lines are skipped as faults
  std::string Only;
  std::string Skip;
};

struct RunOptions : LogOptions {
  OutputFormat Format = OutputFormat::Table;
  std::optional<std::string> Output;
};

// Turns the shared options into reading options and an event filter; on wrong
// usage prints why and returns false.
bool PrepareLogOptions(const LogOptions& options, ReadOptions& read, EventFilter& filter);
// Reads the log or capture (recognised by its first bytes) and prints its
// faults; `frames` gets a capture's frame number of each record. None when
// nothing can be run (--strict stopped, or the capture could not be read).
std::optional<ParsedLog> ReadLogOrCapture(const LogOptions& options, const ReadOptions& read,
                                          std::vector<uint32_t>& frames);

struct DemoOptions : CommonOptions {
  std::optional<std::string> Data;  // the sample directory (with logs/)
};

int RunCommand(const RunOptions& options);
int CheckCommand(const CommonOptions& options);
int ListCommand(const CommonOptions& options, const std::optional<std::string>& network);
int DemoCommand(const DemoOptions& options);

}  // namespace eventscan
