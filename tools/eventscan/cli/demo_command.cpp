// eventscan demo: every bundled sample log run against the sample definitions.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <vector>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "cli/run_log.h"
#include "host/host_layout.h"
#include "host/log_input.h"
#include "log/log_reader.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

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
    library = OpenCommandLibrary(common);
    ReportLibraryFaults(LibraryFaults(*library));
    int status = ExitOk;
    for (const fs::path& path : logs) {
      auto started = std::chrono::steady_clock::now();
      try {
        LogInput input;
        input.Parsed = ReadLog(path.string());
        const ParsedLog& log = *input.Parsed;
        std::cout << TerminalText(fmt::format("== {} ({}, {} records) ==", path.filename().string(),
                                              log.Header.NetworkName, log.Records.size()))
                  << '\n';
        PrintLogFaults(log);
        if (RunLog(*library, input, {}, OutputFormat::Table, StandardOutput, true, started) != ExitOk)
          status = ExitSave;
        std::cout << '\n';
      } catch (const LogError& e) {
        std::cerr << TerminalText(e.what()) << '\n';
        status = ExitInput;
      }
    }
    return status;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
