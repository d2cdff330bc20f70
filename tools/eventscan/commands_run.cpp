// eventscan run and eventscan demo.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include <fmt/format.h>

#include "commands.h"
#include "host_session.h"
#include "log_reader.h"
#include "networks.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

// Logs of more records than this take long enough to show progress.
constexpr size_t ProgressThreshold = 200000;

void reportFaults(const ParsedLog& log) {
  for (const LogFault& f : log.Faults) std::cerr << f.Text() << " (line skipped)\n";
}

std::function<void(size_t, size_t)> progressBar(size_t records) {
  if (records <= ProgressThreshold || !isatty(STDERR_FILENO)) return {};
  return [](size_t done, size_t total) {
    int percent = total ? static_cast<int>(done * 100 / total) : 100;
    std::string bar(static_cast<size_t>(percent / 5), '#');
    std::fprintf(stderr, "\r[%-20s] %3d%% %zu/%zu records", bar.c_str(), percent, done, total);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
  };
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

// Runs one parsed log through a session and writes its rows; the summary line
// goes where a reader of the rows expects it: after a table, else to stderr.
void runLog(HostLibrary& library, ParsedLog& log, const EventFilter& filter, OutputFormat format, std::ostream& out,
            bool tableOnStdout, std::chrono::steady_clock::time_point started) {
  const uint8_t network = log.Header.Network;
  warnWithoutDefinitions(library, network, log.Header);
  HostSession session(library, network, filter);
  session.Feed(log, progressBar(log.Records.size()));
  std::vector<ResultRow> rows = CollectRows(session.Results(), session.Filter());
  WriteRows(out, rows, format);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::string summary = fmt::format("{} records, {} results, {:.3f} seconds", log.Records.size(), rows.size(), seconds);
  if (!log.Faults.empty()) summary += fmt::format(", {} malformed lines skipped", log.Faults.size());
  if (tableOnStdout)
    out << summary << '\n';
  else
    std::cerr << summary << '\n';
}

EventFilter filterOf(const RunOptions& o) {
  if (!o.Only.empty()) return EventFilter(EventFilter::Mode::Only, SplitList(o.Only));
  if (!o.Skip.empty()) return EventFilter(EventFilter::Mode::Skip, SplitList(o.Skip));
  return {};
}

std::unique_ptr<HostLibrary> openLibrary(const CommonOptions& o) {
  if (o.Home) SetHomeDirectory(*o.Home);
  return std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
}

}  // namespace

int RunCommand(const RunOptions& o) {
  auto started = std::chrono::steady_clock::now();
  ReadOptions read;
  read.Strict = o.Strict;
  if (o.Network) {
    read.Network = NetworkIndex(*o.Network);
    if (!read.Network) {
      std::cerr << fmt::format("--network: \"{}\" is none of GSM, CDMA, UMTS, TD-SCDMA\n", *o.Network);
      return ExitUsage;
    }
  }
  if (!o.Only.empty() && !o.Skip.empty()) {
    std::cerr << "--only and --skip exclude each other\n";
    return ExitUsage;
  }
  // Declared outside the try: an error raised by the library is an object of
  // the library's, so the library stays loaded until the error is printed.
  std::unique_ptr<HostLibrary> library;
  try {
    library = openLibrary(o);
    ParsedLog log = ReadLog(o.Log, read);
    reportFaults(log);
    if (log.Stopped) {
      std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", o.Log);
      return ExitInput;
    }
    std::ofstream file;
    if (o.Output) {
      file.open(*o.Output, std::ios::binary | std::ios::trunc);
      if (!file) {
        std::cerr << fmt::format("{}: cannot write the output\n", *o.Output);
        return ExitInput;
      }
    }
    std::ostream& out = o.Output ? static_cast<std::ostream&>(file) : std::cout;
    runLog(*library, log, filterOf(o), o.Format, out, !o.Output && o.Format == OutputFormat::Table, started);
    // What the library could not use of its files: the run went on without it.
    std::vector<std::string> faults;
    library->EventManagerFileFaults(faults);
    for (const std::string& f : faults) std::cerr << "warning: " << f << '\n';
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

int DemoCommand(const DemoOptions& o) {
  fs::path data = o.Data ? fs::path(*o.Data) : fs::path(ProgramDirectory()) / ".." / ".." / "data" / "sample";
  std::error_code ec;
  data = fs::weakly_canonical(data, ec);
  if (!fs::is_directory(data / "logs", ec)) {
    std::cerr << fmt::format("{}: no sample logs here (expected {}); give --data DIR\n", data.string(),
                             (data / "logs").string());
    return ExitInput;
  }
  std::vector<fs::path> logs;
  for (const auto& entry : fs::directory_iterator(data / "logs", ec))
    if (entry.path().extension() == ".jsonl") logs.push_back(entry.path());
  std::sort(logs.begin(), logs.end());
  std::unique_ptr<HostLibrary> library;  // outlives the library's errors, see RunCommand
  try {
    CommonOptions common = o;
    if (!common.Home) common.Home = data.string();
    library = openLibrary(common);
    int status = ExitOk;
    for (const fs::path& path : logs) {
      auto started = std::chrono::steady_clock::now();
      try {
        ParsedLog log = ReadLog(path.string());
        std::cout << fmt::format("== {} ({}, {} records) ==\n", path.filename().string(), log.Header.NetworkName,
                                 log.Records.size());
        reportFaults(log);
        runLog(*library, log, {}, OutputFormat::Table, std::cout, true, started);
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
