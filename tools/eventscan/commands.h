// The eventscan commands behind the command line: run one log, check the
// definition files, list the defined events, run the bundled sample logs.
// Each returns the exit status: 0 success, 1 wrong usage, 2 unreadable input,
// 3 the library could not save a file at the end (results are complete).
// Messages go to stderr and name the file and line concerned.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

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

struct RunOptions : CommonOptions {
  std::string Log;
  std::optional<std::string> Network;
  OutputFormat Format = OutputFormat::Table;
  std::optional<std::string> Output;
  bool Strict = false;
  size_t MaxLineBytes = size_t(16) << 20;  // longer log lines are skipped as faults
  std::string Only;
  std::string Skip;
};

struct DemoOptions : CommonOptions {
  std::optional<std::string> Data;  // the sample directory (with logs/)
};

int RunCommand(const RunOptions& options);
int CheckCommand(const CommonOptions& options);
int ListCommand(const CommonOptions& options, const std::optional<std::string>& network);
int DemoCommand(const DemoOptions& options);

}  // namespace eventscan
