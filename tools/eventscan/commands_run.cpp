// eventscan run and eventscan demo.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <memory>

#include <fmt/format.h>

#include "capture_commands.h"
#include "commands.h"
#include "host_layout.h"
#include "host_session.h"
#include "log_reader.h"
#include "networks.h"
#include "progress.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

void reportFaults(const ParsedLog& log) {
  for (const LogFault& f : log.Faults) std::cerr << f.Text() << " (line skipped)\n";
}

void warnWithoutDefinitions(HostLibrary& library, uint8_t network, const LogHeader& header) {
  if (network > 3) {
    std::cerr << fmt::format("warning: no definitions exist for the network \"{}\": only test items give results\n",
                             header.NetworkName);
    return;
  }
  std::vector<TEventListing> events;
  library.EventManagerListEvents(network, events);
  for (const TEventListing& e : events)
    if (e.Kind != 2) return;
  std::cerr << fmt::format("warning: {}EventsDefine.cfg defines no message or gate events for {}: only test items "
                           "give results\n",
                           EffectiveHomeDirectory(), NetworkName(network));
}

std::vector<std::string> libraryFaults(HostLibrary& library) {
  std::vector<std::string> faults;
  library.EventManagerFileFaults(faults);
  return faults;
}

// Faults of the library's files (a file it could not read stays as it is and
// is reported by every run), from position `from` on.
void reportLibraryFaults(const std::vector<std::string>& faults, size_t from = 0) {
  for (size_t i = from; i < faults.size(); ++i) std::cerr << "fault: " << faults[i] << '\n';
}

// Runs one log through a session and writes its rows; the summary line goes
// where a reader of the rows expects it: after a table, else to stderr. The
// rows go to `output()`, asked for once the whole log has been fed. Returns
// ExitSave when the library could not save its files at the end of the
// session (the rows are written and flushed first, the faults printed), and
// ExitInput when strict reading stopped (no rows). A capture's rows are
// numbered by frame.
int runLog(HostLibrary& library, const LogOptions& o, LogInput& input, const EventFilter& filter, OutputFormat format,
           const std::function<std::ostream&()>& output, bool tableOnStdout,
           std::chrono::steady_clock::time_point started) {
  const LogHeader& header = input.Header();
  const uint8_t network = header.Network;
  warnWithoutDefinitions(library, network, header);
  const size_t faultsBefore = libraryFaults(library).size();
  {
    HostSession session(library, network, filter);
    ProgressMeter progress(std::cerr, isatty(STDERR_FILENO) != 0, started);
    if (input.Stream) {
      session.Feed(*input.Stream, {}, [&](const LogStream& s, bool complete) {
        progress.Reading(s.RecordsFound(), s.BytesRead(), s.Size(), complete);
      });
      if (!FinishInput(o, input)) return ExitInput;
    } else {
      session.Feed(*input.Parsed, std::ref(progress));
    }
    RowAdjust byFrame;
    if (!input.Frames.empty()) byFrame = [&input](ResultRow& row) { NumberRowByFrame(row, input.Frames); };
    std::ostream& out = output();
    const size_t rows = WriteResults(out, session.Results(), session.Filter(), format, byFrame);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string summary = fmt::format("{} records, {} results, {:.3f} seconds", input.Records(), rows, seconds);
    if (input.Faults()) summary += fmt::format(", {} malformed lines skipped", input.Faults());
    if (tableOnStdout)
      out << summary << '\n';
    else
      std::cerr << summary << '\n';
    out.flush();
  }  // the session ends here: the library saves what changed
  std::vector<std::string> faults = libraryFaults(library);
  reportLibraryFaults(faults, faultsBefore);
  return faults.size() == faultsBefore ? ExitOk : ExitSave;
}

std::ostream& standardOutput() { return std::cout; }

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
    if (!FinishInput(o, input)) return ExitInput;
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::cerr << fmt::format("{} records, {} malformed lines skipped, {:.3f} seconds\n", input.Records(), input.Faults(),
                           seconds);
  return o.Strict && input.Faults() ? ExitInput : ExitOk;
}

std::unique_ptr<HostLibrary> openLibrary(const CommonOptions& o) {
  ChooseHomeDirectory(o.Home);
  return std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
}

}  // namespace

bool PrepareLogOptions(const LogOptions& o, ReadOptions& read, EventFilter& filter) {
  read.Strict = o.Strict;
  read.MaxLineBytes = o.MaxLineBytes;
  if (o.Network) {
    read.Network = NetworkIndex(*o.Network);
    if (!read.Network) {
      std::cerr << fmt::format("--network: \"{}\" is none of GSM, CDMA, UMTS, TD-SCDMA\n", *o.Network);
      return false;
    }
  }
  if (!o.Only.empty() && !o.Skip.empty()) {
    std::cerr << "--only and --skip exclude each other\n";
    return false;
  }
  if (!o.Only.empty()) filter = EventFilter(EventFilter::Mode::Only, SplitList(o.Only));
  if (!o.Skip.empty()) filter = EventFilter(EventFilter::Mode::Skip, SplitList(o.Skip));
  return true;
}

std::optional<LogInput> OpenLogOrCapture(const LogOptions& o, const ReadOptions& read) {
  LogInput input;
  // Looking at the first bytes of a pipe would take them away from the log:
  // only a regular file may be a capture.
  std::error_code ec;
  if (o.Log != "-" && fs::is_regular_file(o.Log, ec) && IsCaptureFile(o.Log)) {
    if (o.Network) std::cerr << fmt::format("{}: a capture is always run as a UMTS log; --network is ignored\n", o.Log);
    input.Parsed = ReadCaptureForRun(o.Log, o.Strict, input.Frames);
    if (!input.Parsed) return std::nullopt;
    reportFaults(*input.Parsed);
    if (input.Parsed->Stopped) {
      std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", o.Log);
      return std::nullopt;
    }
    return input;
  }
  input.Stream = std::make_unique<LogStream>(OpenLogSource(o.Log), o.Log == "-" ? "<stdin>" : o.Log, read);
  return input;
}

bool FinishInput(const LogOptions& /*options*/, const LogInput& input) {
  if (!input.Stream) return true;
  std::vector<LogFault> faults = input.Stream->Faults();
  std::stable_sort(faults.begin(), faults.end(), [](const LogFault& a, const LogFault& b) { return a.Line < b.Line; });
  for (const LogFault& f : faults) std::cerr << f.Text() << " (line skipped)\n";
  if (!input.Stream->Stopped()) return true;
  std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", input.Stream->Name());
  return false;
}

int RunCommand(const RunOptions& o) {
  auto started = std::chrono::steady_clock::now();
  ReadOptions read;
  EventFilter filter;
  if (!PrepareLogOptions(o, read, filter)) return ExitUsage;
  if (o.ParseOnly) {
    try {
      std::optional<LogInput> input = OpenLogOrCapture(o, read);
      return input ? parseOnly(o, *input, started) : ExitInput;
    } catch (const std::exception& e) {
      std::cerr << e.what() << '\n';
      return ExitInput;
    }
  }
  // Declared outside the try: an error raised by the library is an object of
  // the library's, so the library stays loaded until the error is printed.
  std::unique_ptr<HostLibrary> library;
  std::optional<std::string> created;  // an output file this run made and may have to take back
  try {
    library = openLibrary(o);
    reportLibraryFaults(libraryFaults(*library));
    std::optional<LogInput> input = OpenLogOrCapture(o, read);
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
      if (!o.Output) return standardOutput();
      file.open(*o.Output, std::ios::binary | std::ios::trunc);
      if (!file) throw std::runtime_error(fmt::format("{}: cannot write the output", *o.Output));
      created.reset();
      return file;
    };
    int status = runLog(*library, o, *input, filter, o.Format, output, !o.Output && o.Format == OutputFormat::Table,
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
    std::cerr << e.what() << '\n';
    std::error_code ec;
    if (created) fs::remove(*created, ec);
    return ExitInput;
  }
}

namespace {

// The sample directory: --data, else the first configured place that has
// logs (the installed share directory, then the source tree's sample).
std::optional<fs::path> sampleData(const DemoOptions& o) {
  std::error_code ec;
  std::vector<std::string> tried = o.Data ? std::vector<std::string>{*o.Data} : SampleDataCandidates();
  for (const std::string& dir : tried)
    if (fs::is_directory(fs::path(dir) / "logs", ec)) return fs::weakly_canonical(dir, ec);
  std::string where;
  for (const std::string& dir : tried) where += fmt::format("{}{}/logs", where.empty() ? "" : ", ", dir);
  std::cerr << fmt::format("eventscan demo: no sample logs found (looked in {}); give --data DIR\n", where);
  return std::nullopt;
}

}  // namespace

int DemoCommand(const DemoOptions& o) {
  std::optional<fs::path> found = sampleData(o);
  if (!found) return ExitInput;
  const fs::path data = *found;
  std::error_code ec;
  std::vector<fs::path> logs;
  for (const auto& entry : fs::directory_iterator(data / "logs", ec))
    if (entry.path().extension() == ".jsonl") logs.push_back(entry.path());
  std::sort(logs.begin(), logs.end());
  if (logs.empty()) {
    std::cerr << fmt::format("{}: no .jsonl logs here\n", (data / "logs").string());
    return ExitInput;
  }
  std::unique_ptr<HostLibrary> library;  // outlives the library's errors, see RunCommand
  try {
    // The sample home is eventscan's own directory (the build and an
    // installed tree both lay it out); a sample directory given with --data
    // that holds definitions brings its own.
    CommonOptions common = o;
    if (!common.Home && o.Data && HoldsDefinitionFiles(data.string())) common.Home = data.string();
    library = openLibrary(common);
    reportLibraryFaults(libraryFaults(*library));
    int status = ExitOk;
    for (const fs::path& path : logs) {
      auto started = std::chrono::steady_clock::now();
      try {
        LogInput input;
        input.Parsed = ReadLog(path.string());
        const ParsedLog& log = *input.Parsed;
        std::cout << fmt::format("== {} ({}, {} records) ==\n", path.filename().string(), log.Header.NetworkName,
                                 log.Records.size());
        reportFaults(log);
        if (runLog(*library, LogOptions{}, input, {}, OutputFormat::Table, standardOutput, true, started) != ExitOk)
          status = ExitSave;
        std::cout << '\n';
      } catch (const LogError& e) {
        std::cerr << e.what() << '\n';
        status = ExitInput;
      }
    }
    return status;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
