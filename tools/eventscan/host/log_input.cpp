#include "host/log_input.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <fmt/format.h>

#include "capture/capture_reader.h"
#include "log/log_source.h"
#include "log/networks.h"
#include "support/text_escape.h"

namespace eventscan {

namespace {

// Faults (lines skipped) and warnings (records kept) in line order.
void printInLineOrder(std::vector<LogFault> faults, const std::vector<LogFault>& warnings) {
  std::stable_sort(faults.begin(), faults.end(), [](const LogFault& a, const LogFault& b) { return a.Line < b.Line; });
  size_t w = 0;
  for (const LogFault& f : faults) {
    for (; w < warnings.size() && warnings[w].Line <= f.Line; ++w) std::cerr << warnings[w].Text() << '\n';
    std::cerr << f.Text() << " (line skipped)\n";
  }
  for (; w < warnings.size(); ++w) std::cerr << warnings[w].Text() << '\n';
}

}  // namespace

void PrintLogFaults(const ParsedLog& log) { printInLineOrder(log.Faults, log.Warnings); }

std::optional<ParsedLog> ReadCaptureForRun(const std::string& path, bool strict, std::vector<uint32_t>& frames,
                                           std::vector<int32_t>* restarts) {
  CaptureLog capture = ReadCapture(path);
  PrintCaptureFaults(capture, path);
  std::cerr << TerminalText(path + ": " + CaptureSummary(capture)) << '\n';
  // No record of the library can say LTE: a stretch on LTE is not run, and
  // the events start again after it, so that nothing is reported as a change
  // between two 2G/3G networks across it.
  for (const LteStretch& s : capture.LteStretches) {
    std::cerr << TerminalText(fmt::format("{}: frames {}-{}: the handset is on LTE (not run: no record can carry "
                                          "LTE){}",
                                          path, s.FirstFrame, s.LastFrame,
                                          s.NextRecord > 0 && s.NextRecord < capture.Records.size()
                                              ? "; the events start again after it"
                                              : ""))
              << '\n';
    if (restarts && s.NextRecord > 0 && s.NextRecord < capture.Records.size())
      restarts->push_back(static_cast<int32_t>(s.NextRecord));
  }
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

std::optional<std::string> GzipInputFault(const std::string& path, const std::string& how) {
  // Reading the first bytes of a pipe would take them away from the log:
  // only a regular file is looked at.
  std::error_code ec;
  if (path == "-" || !std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  unsigned char m[2] = {};
  if (!in.read(reinterpret_cast<char*>(m), 2) || m[0] != 0x1F || m[1] != 0x8B) return std::nullopt;
  return fmt::format("{}: a gzip-compressed file, which this command does not read; decompress it first: {}", path, how);
}

std::optional<LogInput> OpenLogOrCapture(const std::string& path, const ReadOptions& read) {
  LogInput input;
  input.Strict = read.Strict;
  // Looking at the first bytes of a pipe would take them away from the log:
  // only a regular file may be a capture.
  std::error_code ec;
  if (path != "-" && std::filesystem::is_regular_file(path, ec) && IsCaptureFile(path)) {
    if (read.Network) std::cerr << fmt::format("{}: a capture is run as a UMTS log (a GSM log when it holds GSM frames only); --network is ignored\n", path);
    input.Parsed = ReadCaptureForRun(path, read.Strict, input.Frames, &input.Restarts);
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
  const LogStream& stream = *input.Stream;
  printInLineOrder(stream.Faults(), stream.Warnings());
  if (stream.UnlistedUnknownFields())
    std::cerr << fmt::format("{}: {} more unknown field names are not listed\n", stream.Name(),
                             stream.UnlistedUnknownFields());
  if (stream.Changed()) {
    std::cerr << TerminalText(stream.ChangeText()) << '\n';
    return true;
  }
  if (std::string damage = stream.Damage(); !damage.empty()) std::cerr << "fault: " << TerminalText(damage) << '\n';
  if (!stream.Stopped()) return true;
  std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", input.Stream->Name());
  return false;
}

}  // namespace eventscan

namespace eventscan {

void ShowRecordOfRow(const LogInput& input, const std::vector<uint8_t>& nets, int32_t& record, std::string& network) {
  if (record < 0) return;
  const auto i = static_cast<size_t>(record);
  if (!input.Frames.empty()) {
    if (i >= input.Frames.size()) return;
    record = static_cast<int32_t>(input.Frames[i]);
    if (input.Parsed && i < input.Parsed->Records.size()) network = NetworkName(input.Parsed->Records[i].NetType);
  } else if (i < nets.size()) {
    network = NetworkName(nets[i]);
  }
}

}  // namespace eventscan
