// eventscan run: one log or capture through the library, its rows to stdout
// or to a file; --parse-only reads the log and feeds nothing.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <thread>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "cli/run_log.h"
#include "host/log_input.h"
#include "output/progress.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

// eventscan run --parse-only: the reading alone, as a run reads.
int parseOnly(const RunOptions& o, LogInput& input, std::chrono::steady_clock::time_point started) {
  if (input.Stream) {
    LogStream& log = *input.Stream;
    ProgressMeter progress(std::cerr, isatty(STDERR_FILENO) != 0, started);
    while (log.Next())
      if ((log.CurrentIndex() & 0x3FFF) == 0x3FFF) progress.Reading(log.RecordsFound(), log.BytesRead(), log.Size(), false);
    progress.Reading(log.RecordsFound(), log.BytesRead(), log.Size(), true);
    // Every record is known now: the entries naming none are found without reading ahead.
    for (size_t i = 0; i < log.Events().size() && !log.Stopped(); ++i) log.CheckEvent(i);
    if (!FinishInput(input) || input.Changed()) return ExitInput;
  } else {
    FinishInput(input);
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cerr << fmt::format("{} records, {} malformed lines skipped, {:.3f} seconds\n", input.Records(), input.Faults(),
                           seconds);
  // A log or capture cut short: the records counted are not its all.
  return (o.Strict && input.Faults()) || input.Damaged() ? ExitInput : ExitOk;
}

}  // namespace

int RunCommand(const RunOptions& o) {
  auto started = std::chrono::steady_clock::now();
  ReadOptions read;
  EventFilter filter;
  if (!PrepareLogOptions(o, read, filter)) return ExitUsage;
  // The library stays on this thread; only the reading of the log moves.
  read.Threads = o.Threads ? o.Threads : std::thread::hardware_concurrency() >= 2 ? 2 : 1;
  if (o.Output && OutputIsInput(o.Log, *o.Output)) return ExitUsage;
  if (o.ParseOnly) {
    try {
      std::optional<LogInput> input = OpenLogOrCapture(o.Log, read);
      return input ? parseOnly(o, *input, started) : ExitInput;
    } catch (const std::exception& e) {
      std::cerr << TerminalText(e.what()) << '\n';
      return ExitInput;
    }
  }
  // Declared outside the try: an error raised by the library is an object of
  // the library's, so the library stays loaded until the error is printed.
  std::unique_ptr<HostLibrary> library;
  std::optional<std::string> created;  // an output file this run made and may have to take back
  try {
    if (o.Output)
      if (auto missing = MissingOutputFolder(*o.Output)) {
        std::cerr << TerminalText(*missing) << '\n';
        return ExitInput;
      }
    library = OpenCommandLibrary(o);
    ReportLibraryFaults(LibraryFaults(*library));
    WarnUnknownEvents(*library, o);
    std::optional<LogInput> input = OpenLogOrCapture(o.Log, read);
    if (!input) return ExitInput;
    std::ofstream file;
    if (o.Output) {
      // Found out before the log is fed, but emptied only once there are rows
      // to write: a run that stops on a strict fault leaves the file as it was.
      std::error_code ec;
      const bool existed = fs::exists(*o.Output, ec);
      file.open(*o.Output, std::ios::binary | std::ios::app);
      if (!file) {
        std::cerr << fmt::format("{}: cannot write the output\n", *o.Output);
        return ExitInput;
      }
      file.close();
      if (!existed) created = *o.Output;
    }
    auto output = [&]() -> std::ostream& {
      if (!o.Output) return StandardOutput();
      file.open(*o.Output, std::ios::binary | std::ios::trunc);
      if (!file) throw std::runtime_error(fmt::format("{}: cannot write the output", *o.Output));
      created.reset();
      return file;
    };
    int status = RunLog(*library, *input, filter, o.Format, output, !o.Output && o.Format == OutputFormat::Table,
                        started);
    std::error_code ec;
    if (created) fs::remove(*created, ec);
    if (o.Output && status != ExitInput) {
      file.close();
      if (!file) {
        std::cerr << fmt::format("{}: cannot write the output\n", *o.Output);
        return ExitInput;
      }
    }
    return status;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    std::error_code ec;
    if (created) fs::remove(*created, ec);
    return ExitInput;
  }
}

}  // namespace eventscan
