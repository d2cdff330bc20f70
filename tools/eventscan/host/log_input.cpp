#include "host/log_input.h"

#include <algorithm>
#include <filesystem>
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

bool ReadCaptureForRun(const std::string& path, bool strict, LogInput& input) {
  CaptureLog capture = ReadCapture(path);
  PrintCaptureFaults(capture, path);
  std::cerr << TerminalText(path + ": " + CaptureSummary(capture)) << '\n';
  // A capture with 2G/3G records is run without its LTE records: a stretch
  // on LTE is not run, and the events start again after it, so that nothing
  // is reported as a change between two 2G/3G networks across it.
  for (const LteStretch& s : capture.LteStretches) {
    std::cerr << TerminalText(fmt::format("{}: frames {}-{}: the handset is on LTE (not run: no record can carry "
                                          "LTE){}",
                                          path, s.FirstFrame, s.LastFrame,
                                          s.NextRecord > 0 && s.NextRecord < capture.Records.size()
                                              ? "; the events start again after it"
                                              : ""))
              << '\n';
    if (s.NextRecord > 0 && s.NextRecord < capture.Records.size())
      input.Restarts.push_back(static_cast<int32_t>(s.NextRecord));
  }
  if (strict && (!capture.Faults.empty() || !capture.Damage.empty())) {
    if (!capture.Damage.empty()) std::cerr << "fault: " << TerminalText(capture.Damage) << '\n';
    std::cerr << fmt::format("{}: stopped at the first malformed frame (--strict)\n", path);
    return false;
  }
  input.Parsed = ToParsedLog(capture, path);
  input.Parsed->Faults.clear();  // reported above, by frame
  input.CaptureFaults = std::move(capture.Faults);
  input.CaptureDamage = std::move(capture.Damage);
  input.Frames.clear();
  for (const CaptureRecord& r : capture.Records) input.Frames.push_back(r.Frame);
  return true;
}

std::optional<LogInput> OpenLogOrCapture(const std::string& path, const ReadOptions& read) {
  LogInput input;
  input.Strict = read.Strict;
  // Looking at the first bytes of a pipe would take them away from the log:
  // only a regular file may be a capture.
  std::error_code ec;
  if (path != "-" && std::filesystem::is_regular_file(path, ec) && IsCaptureFile(path)) {
    if (read.Network) std::cerr << fmt::format("{}: a capture is run as a UMTS log (a GSM or LTE log when it holds GSM or LTE frames only); --network is ignored\n", path);
    if (!ReadCaptureForRun(path, read.Strict, input)) return std::nullopt;
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
  if (!input.Stream) {
    // A capture's frames were reported as it was read; its damage comes last,
    // as a compressed log's does.
    if (input.Damaged()) std::cerr << "fault: " << TerminalText(input.Damage()) << '\n';
    return true;
  }
  const LogStream& stream = *input.Stream;
  printInLineOrder(stream.Faults(), stream.Warnings());
  if (stream.UnlistedUnknownFields())
    std::cerr << fmt::format("{}: {} more unknown field names are not listed\n", stream.Name(),
                             stream.UnlistedUnknownFields());
  if (std::string growth = stream.Growth(); !growth.empty()) std::cerr << TerminalText(growth) << '\n';
  if (stream.Changed()) {
    std::cerr << TerminalText(stream.ChangeText()) << '\n';
    return true;
  }
  if (std::string damage = stream.Damage(); !damage.empty()) std::cerr << "fault: " << TerminalText(damage) << '\n';
  if (!stream.Stopped()) return true;
  std::cerr << fmt::format("{}: stopped at the first malformed line (--strict)\n", input.Stream->Name());
  return false;
}

void ReportChangeFoundLate(const LogInput& input, bool changedWhenFed) {
  if (input.Changed() && !changedWhenFed) std::cerr << TerminalText(input.Stream->ChangeText()) << '\n';
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
