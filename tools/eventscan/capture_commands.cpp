// eventscan import, and what eventscan run does with a capture: the capture
// is read through tshark, its summary and faults go to stderr, and result
// rows name frames instead of record positions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iostream>

#include <fmt/format.h>

#include "capture_commands.h"
#include "capture_mapping.h"
#include "log_reader.h"
#include "networks.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

std::string hexBytes(const void* data, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += fmt::format("{:02X}", static_cast<const unsigned char*>(data)[i]);
  return out;
}

void printFaults(const CaptureLog& capture, const std::string& path) {
  for (const LogFault& f : capture.Faults) {
    if (f.Line > 0)
      std::cerr << fmt::format("{}: frame {}: {}\n", path, f.Line, f.Reason);
    else
      std::cerr << fmt::format("{}: {}\n", path, f.Reason);
  }
}

// Writes to a unique temporary file beside `target`, then renames it over.
bool writeAtomically(const std::string& target, const std::function<void(std::ostream&)>& body, std::string& error) {
  fs::path dir = fs::path(target).parent_path();
  if (dir.empty()) dir = ".";
  std::string temp = (dir / (fs::path(target).filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(temp.data());
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (stat(target.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
  else fchmod(fd, 0644);
  close(fd);
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    body(out);
    out.flush();
    if (!out) {
      error = "write failed";
      std::remove(temp.c_str());
      return false;
    }
  }
  int sync = open(temp.c_str(), O_RDONLY);
  if (sync >= 0) {
    fsync(sync);
    close(sync);
  }
  if (std::rename(temp.c_str(), target.c_str()) != 0) {
    error = std::strerror(errno);
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace

void WriteCaptureLog(std::ostream& out, const CaptureLog& capture, const std::string& source) {
  out << fmt::format(
      "{{\"format\": \"{}\", \"version\": {}, \"network\": \"UMTS\", \"device\": 0, \"generator\": \"eventscan "
      "import\", \"source\": \"{}\"}}\n",
      LogFormatName, LogFormatVersion, fs::path(source).filename().string());
  for (const CaptureRecord& r : capture.Records) {
    std::string line = fmt::format("{{\"time\": {}", r.Time);
    line += fmt::format(", \"net\": \"{}\", \"kind\": \"{}\"", NetworkName(r.Net), r.Message ? "message" : "measurement");
    if (r.Message) {
      line += fmt::format(", \"code\": \"0x{:08X}\", \"mode\": {}", r.Code, r.Mode);
      if (r.SubType >= 0) line += fmt::format(", \"sub_type\": {}", r.SubType);
      line += ", \"ie\": {";
      if (r.Uplink >= 0) line += fmt::format("\"0x80\": \"{:02X}\", ", r.Uplink);
      uint32_t frame = r.Frame;
      line += fmt::format("\"0x81\": \"{}\"", hexBytes(&frame, 4));
      if (r.Cause) line += fmt::format(", \"cause\": {}", *r.Cause);
      if (r.CmServiceType) line += fmt::format(", \"cm_service_type\": {}", *r.CmServiceType);
      if (r.TargetCell) line += fmt::format(", \"target_cell\": [{}, {}]", r.TargetCell->first, r.TargetCell->second);
      line += "}";
    }
    if (!r.Fields.empty()) {
      line += ", \"fields\": {";
      for (size_t i = 0; i < r.Fields.size(); ++i) {
        const char* name = FieldNameById(r.Fields[i].first);
        line += fmt::format("{}\"{}\": {}", i ? ", " : "", name ? name : std::to_string(r.Fields[i].first).c_str(),
                            r.Fields[i].second);
      }
      line += "}";
    }
    out << line << "}\n";
  }
}

std::optional<ParsedLog> ReadCaptureForRun(const std::string& path, bool strict, std::vector<uint32_t>& frames) {
  CaptureLog capture = ReadCapture(path);
  printFaults(capture, path);
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

void NumberRowByFrame(ResultRow& row, const std::vector<uint32_t>& frames) {
  if (row.RecordIndex >= 0 && static_cast<size_t>(row.RecordIndex) < frames.size())
    row.RecordIndex = static_cast<int32_t>(frames[static_cast<size_t>(row.RecordIndex)]);
}

int ImportCommand(const ImportOptions& o) {
  try {
    if (!IsCaptureFile(o.Capture)) {
      std::cerr << fmt::format("{}: not a pcap or pcapng capture\n", o.Capture);
      return ExitInput;
    }
    CaptureLog capture = ReadCapture(o.Capture);
    printFaults(capture, o.Capture);
    std::cerr << o.Capture << ": " << CaptureSummary(capture) << '\n';
    if (o.Stats) {
      std::cout << fmt::format("{} frames, {} records\n", capture.Stats.Frames, capture.Records.size());
      std::cout << "skipped frames:\n";
      for (const auto& [kind, count] : capture.Stats.Skipped) std::cout << fmt::format("  {:>6}  {}\n", count, kind);
      std::cout << "messages without a catalogue code:\n";
      for (const auto& [name, count] : capture.Stats.Unmapped) std::cout << fmt::format("  {:>6}  {}\n", count, name);
    }
    if (o.Output) {
      std::string error;
      if (!writeAtomically(*o.Output, [&](std::ostream& out) { WriteCaptureLog(out, capture, o.Capture); }, error)) {
        std::cerr << fmt::format("{}: cannot write the log: {}\n", *o.Output, error);
        return ExitInput;
      }
    } else if (!o.Stats) {
      WriteCaptureLog(std::cout, capture, o.Capture);
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
