// eventscan import: a capture read through tshark and written as a log in
// our format, to a file (replaced whole or not at all) or to stdout; --stats
// lists what was skipped and what has no catalogue code.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include <fmt/format.h>

#include "capture/capture_import.h"
#include "capture/capture_reader.h"
#include "cli/commands.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

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

int ImportCommand(const ImportOptions& o) {
  try {
    if (!IsCaptureFile(o.Capture)) {
      std::cerr << fmt::format("{}: not a pcap or pcapng capture\n", o.Capture);
      return ExitInput;
    }
    CaptureLog capture = ReadCapture(o.Capture);
    PrintCaptureFaults(capture, o.Capture);
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
