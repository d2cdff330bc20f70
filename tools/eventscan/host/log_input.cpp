#include "host/log_input.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include <fmt/format.h>

#include "capture/capture_reader.h"
#include "log/log_source.h"

namespace eventscan {

void PrintLogFaults(const ParsedLog& log) {
  for (const LogFault& f : log.Faults) std::cerr << f.Text() << " (line skipped)\n";
}

std::optional<ParsedLog> ReadCaptureForRun(const std::string& path, bool strict, std::vector<uint32_t>& frames) {
  CaptureLog capture = ReadCapture(path);
  PrintCaptureFaults(capture, path);
  std::cerr << path << ": " << CaptureSummary(capture) << '\n';
  if (strict && !capture.Faults.empty()) {
    std::cerr << fmt::format("{}: stopped at the first malformed frame (--strict)\n", path);
    return std::nullopt;
  }
  ParsedLog log = ToParsedLog(capture, path);
  log.Faults.clear();  // reported above, by frame
  frames.clear();
  for (const CaptureRecord& r : capture.Records) frames.push_back(r.Frame);
  return log;
}

std::optional<LogInput> OpenLogOrCapture(const std::string& path, const ReadOptions& read) {
  LogInput input;
  // Looking at the first bytes of a pipe would take them away from the log:
  // only a regular file may be a capture.
  std::error_code ec;
  if (path != "-" && std::filesystem::is_regular_file(path, ec) && IsCaptureFile(path)) {
    if (read.Network) std::cerr << fmt::format("{}: a capture is always run as a UMTS log; --network is ignored\n", path);
    input.Parsed = ReadCaptureForRun(path, read.Strict, input.Frames);
    if (!input.Parsed) return std::nullopt;
    PrintLogFaults(*input.Parsed);
    if (input.Parsed->Stopped) {
      std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", path);
      return std::nullopt;
    }
    return input;
  }
  input.Stream = std::make_unique<LogStream>(OpenLogSource(path), path == "-" ? "<stdin>" : path, read);
  return input;
}

bool FinishInput(const LogInput& input) {
  if (!input.Stream) return true;
  std::vector<LogFault> faults = input.Stream->Faults();
  std::stable_sort(faults.begin(), faults.end(), [](const LogFault& a, const LogFault& b) { return a.Line < b.Line; });
  for (const LogFault& f : faults) std::cerr << f.Text() << " (line skipped)\n";
  if (std::string damage = input.Stream->Damage(); !damage.empty()) std::cerr << "fault: " << damage << '\n';
  if (!input.Stream->Stopped()) return true;
  std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", input.Stream->Name());
  return false;
}

}  // namespace eventscan
