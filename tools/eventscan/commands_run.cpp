// eventscan run and eventscan demo.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
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

// Runs one parsed log through a session and writes its rows; the summary line
// goes where a reader of the rows expects it: after a table, else to stderr.
// False when the library could not save its files at the end of the session
// (the rows are written and flushed first, the faults printed). A capture's
// rows are numbered by frame (`frames`, one per record).
bool runLog(HostLibrary& library, ParsedLog& log, const EventFilter& filter, OutputFormat format, std::ostream& out,
            bool tableOnStdout, std::chrono::steady_clock::time_point started,
            const std::vector<uint32_t>* frames = nullptr) {
  const uint8_t network = log.Header.Network;
  warnWithoutDefinitions(library, network, log.Header);
  const size_t faultsBefore = libraryFaults(library).size();
  {
    HostSession session(library, network, filter);
    ProgressMeter progress(std::cerr, isatty(STDERR_FILENO) != 0, started);
    session.Feed(log, std::ref(progress));
    RowAdjust byFrame;
    if (frames) byFrame = [frames](ResultRow& row) { NumberRowByFrame(row, *frames); };
    const size_t rows = WriteResults(out, session.Results(), session.Filter(), format, byFrame);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string summary = fmt::format("{} records, {} results, {:.3f} seconds", log.Records.size(), rows, seconds);
    if (!log.Faults.empty()) summary += fmt::format(", {} malformed lines skipped", log.Faults.size());
    if (tableOnStdout)
      out << summary << '\n';
    else
      std::cerr << summary << '\n';
    out.flush();
  }  // the session ends here: the library saves what changed
  std::vector<std::string> faults = libraryFaults(library);
  reportLibraryFaults(faults, faultsBefore);
  return faults.size() == faultsBefore;
}

// Reading a large log takes seconds before the first record is fed; say so
// on a terminal, where the progress line follows.
void announceReading(const std::string& path) {
  constexpr uintmax_t LargeLog = 64u << 20;
  std::error_code ec;
  const uintmax_t size = fs::file_size(path, ec);
  if (ec || size < LargeLog || !isatty(STDERR_FILENO)) return;
  std::cerr << fmt::format("reading {} ({} MiB)\n", path, size >> 20);
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

std::optional<ParsedLog> ReadLogOrCapture(const LogOptions& o, const ReadOptions& read, std::vector<uint32_t>& frames) {
  std::optional<ParsedLog> log;
  if (IsCaptureFile(o.Log)) {
    if (o.Network) std::cerr << fmt::format("{}: a capture is always run as a UMTS log; --network is ignored\n", o.Log);
    log = ReadCaptureForRun(o.Log, o.Strict, frames);
    if (!log) return std::nullopt;
  } else {
    announceReading(o.Log);
    log = ReadLog(o.Log, read);
  }
  reportFaults(*log);
  if (log->Stopped) {
    std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", o.Log);
    return std::nullopt;
  }
  return log;
}

int RunCommand(const RunOptions& o) {
  auto started = std::chrono::steady_clock::now();
  ReadOptions read;
  EventFilter filter;
  if (!PrepareLogOptions(o, read, filter)) return ExitUsage;
  // Declared outside the try: an error raised by the library is an object of
  // the library's, so the library stays loaded until the error is printed.
  std::unique_ptr<HostLibrary> library;
  try {
    library = openLibrary(o);
    reportLibraryFaults(libraryFaults(*library));
    std::vector<uint32_t> frames;
    std::optional<ParsedLog> parsed = ReadLogOrCapture(o, read, frames);
    if (!parsed) return ExitInput;
    ParsedLog& log = *parsed;
    const bool capture = !frames.empty();
    std::ofstream file;
    if (o.Output) {
      file.open(*o.Output, std::ios::binary | std::ios::trunc);
      if (!file) {
        std::cerr << fmt::format("{}: cannot write the output\n", *o.Output);
        return ExitInput;
      }
    }
    std::ostream& out = o.Output ? static_cast<std::ostream&>(file) : std::cout;
    bool saved = runLog(*library, log, filter, o.Format, out, !o.Output && o.Format == OutputFormat::Table, started,
                        capture ? &frames : nullptr);
    if (o.Output) {
      file.close();
      if (!file) {
        std::cerr << fmt::format("{}: cannot write the output\n", *o.Output);
        return ExitInput;
      }
    }
    return saved ? ExitOk : ExitSave;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
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
        ParsedLog log = ReadLog(path.string());
        std::cout << fmt::format("== {} ({}, {} records) ==\n", path.filename().string(), log.Header.NetworkName,
                                 log.Records.size());
        reportFaults(log);
        if (!runLog(*library, log, {}, OutputFormat::Table, std::cout, true, started)) status = ExitSave;
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
