// The tshark subprocess behind ReadCapture: started with the fixed field
// list, its lines mapped as they arrive, its standard error kept in an
// unlinked temporary file and passed on when it fails.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fmt/format.h>

#include "capture/capture_mapper.h"
#include "capture/capture_reader.h"

extern char** environ;

namespace eventscan {

bool IsCaptureFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char m[4] = {};
  if (!in.read(reinterpret_cast<char*>(m), 4)) return false;
  // pcap in both byte orders, with micro- or nanosecond times; pcapng's
  // section header block.
  const uint32_t be = uint32_t(m[0]) << 24 | uint32_t(m[1]) << 16 | uint32_t(m[2]) << 8 | m[3];
  return be == 0xA1B2C3D4u || be == 0xD4C3B2A1u || be == 0xA1B23C4Du || be == 0x4D3CB2A1u || be == 0x0A0D0D0Au;
}

namespace {

std::string tsharkProgram() {
  const char* env = std::getenv("EVENTSCAN_TSHARK");
  return env && *env ? env : "tshark";
}

// The messages of tshark's standard error, less its warning about running as root.
std::string tsharkMessages(int fd) {
  std::string text;
  lseek(fd, 0, SEEK_SET);
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
    pos = nl == std::string::npos ? text.size() : nl + 1;
    if (line.empty() || line.find("Running as user") != std::string::npos) continue;
    if (!out.empty()) out += "; ";
    out += line;
  }
  return out;
}

}  // namespace

CaptureLog ReadCapture(const std::string& path) {
  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) throw CaptureError(fmt::format("{}: cannot open the capture: {}", path, std::strerror(errno)));
  }
  const std::string program = tsharkProgram();
  std::vector<std::string> args = {program, "-r", path, "-n", "-T", "fields", "-E", "separator=/t", "-E",
                                   "occurrence=f", "-E", "quote=n"};
  for (const char* f : CaptureFields()) {
    args.push_back("-e");
    args.push_back(f);
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw CaptureError(fmt::format("{}: cannot start tshark: {}", path, std::strerror(errno)));
  char errName[] = "/tmp/eventscan-tshark-XXXXXX";
  int err = mkostemp(errName, O_CLOEXEC);
  if (err < 0) {
    close(out[0]);
    close(out[1]);
    throw CaptureError(fmt::format("{}: cannot start tshark: {}", path, std::strerror(errno)));
  }
  unlink(errName);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    close(err);
    if (rc == ENOENT)
      throw CaptureError(fmt::format("{}: reading a capture needs tshark, which was not found ({}); install the "
                                     "Debian package tshark (apt-get install tshark)",
                                     path, program));
    throw CaptureError(fmt::format("{}: cannot start {}: {}", path, program, std::strerror(rc)));
  }

  CaptureMapper mapper(path);
  std::string pending;
  char buf[1 << 16];
  for (ssize_t n; (n = read(out[0], buf, sizeof buf)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    size_t start = 0;
    std::string_view chunk(buf, static_cast<size_t>(n));
    for (size_t nl; (nl = chunk.find('\n', start)) != std::string_view::npos; start = nl + 1) {
      if (pending.empty()) {
        mapper.MapLine(chunk.substr(start, nl - start));
      } else {
        pending.append(chunk.substr(start, nl - start));
        mapper.MapLine(pending);
        pending.clear();
      }
    }
    pending.append(chunk.substr(start));
  }
  if (!pending.empty()) mapper.MapLine(pending);
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  std::string messages = tsharkMessages(err);
  close(err);
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  CaptureLog& log = mapper.Result();
  if (!ok) {
    // tshark stops at a cut-off last frame with an error; what it read
    // before is kept and the fault is reported.
    if (log.Stats.Frames == 0)
      throw CaptureError(fmt::format("{}: tshark could not read the capture: {}", path,
                                     messages.empty() ? "no reason given" : messages));
    log.Faults.push_back({path, 0,
                          fmt::format("tshark stopped after frame {}: {}", log.Stats.Frames,
                                      messages.empty() ? "no reason given" : messages)});
  } else if (!messages.empty()) {
    log.Faults.push_back({path, 0, "tshark: " + messages});
  }
  return std::move(log);
}

}  // namespace eventscan
