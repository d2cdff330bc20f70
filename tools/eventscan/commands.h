// The eventscan commands behind the command line: run one log, check the
// definition files, list the defined events, run the bundled sample logs.
// Each returns the exit status: 0 success, 1 wrong usage, 2 unreadable input.
// Messages go to stderr and name the file and line concerned.
#pragma once

#include <optional>
#include <string>

#include "result_rows.h"

namespace eventscan {

inline constexpr int ExitOk = 0;
inline constexpr int ExitUsage = 1;
inline constexpr int ExitInput = 2;

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
