// The eventscan commands behind the command line: run one log, check the
// definition files, list the defined events, run the bundled sample logs.
// Each returns the exit status: 0 success, 1 wrong usage, 2 unreadable input,
// 3 the library could not save a file at the end (results are complete).
// Messages go to stderr and name the file and line concerned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
  bool ParseOnly = false;  // read and parse every record, feed nothing
};

// Turns the shared options into reading options and an event filter; on wrong
// usage prints why and returns false.
bool PrepareLogOptions(const LogOptions& options, ReadOptions& read, EventFilter& filter);
// What a command runs: a capture, read into memory with the frame number of
// each record, or a log ("-" standard input), streamed as it is fed.
struct LogInput {
  std::optional<ParsedLog> Parsed;
  std::vector<uint32_t> Frames;
  std::unique_ptr<LogStream> Stream;
  const LogHeader& Header() const { return Stream ? Stream->Header() : Parsed->Header; }
  size_t Records() const { return Stream ? Stream->RecordsFound() : Parsed->Records.size(); }
  size_t Faults() const { return Stream ? Stream->Faults().size() : Parsed->Faults.size(); }
};
// Opens the log or reads the capture (recognised by its first bytes). A
// capture's faults are printed at once; a log's as it ends (FinishInput).
// None when nothing can be run (--strict stopped, or the capture could not be
// read); a log that cannot be opened raises LogError.
std::optional<LogInput> OpenLogOrCapture(const LogOptions& options, const ReadOptions& read);
// After feeding: prints a streamed log's faults in line order; false when
// strict reading stopped (the message is printed).
bool FinishInput(const LogOptions& options, const LogInput& input);

struct DemoOptions : CommonOptions {
  std::optional<std::string> Data;  // the sample directory (with logs/)
};

int RunCommand(const RunOptions& options);
int CheckCommand(const CommonOptions& options);
int ListCommand(const CommonOptions& options, const std::optional<std::string>& network);
int DemoCommand(const DemoOptions& options);

}  // namespace eventscan
