// The tshark subprocess behind ReadCapture: started with the fixed field
// list, its lines mapped as they arrive, its standard error kept in an
// unlinked temporary file and passed on, shortened, when it fails. A tshark
// that stops printing is ended after a limit, and one that eventscan's own
// end would leave behind is ended with it.
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include <fmt/format.h>
#include <zlib.h>

#include "capture/capture_mapper.h"
#include "capture/capture_reader.h"

extern char** environ;

namespace eventscan {

bool IsCaptureFile(const std::string& path) {
  // Captures are often kept gzip-compressed (a capture tool's rotated
  // files): tshark reads those as they are, so a capture is known by the
  // first bytes it inflates to. gzread passes an uncompressed file through.
  gzFile in = gzopen(path.c_str(), "rb");
  if (!in) return false;
  unsigned char m[4] = {};
  const int n = gzread(in, m, sizeof m);
  gzclose(in);
  if (n != 4) return false;
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

// How long tshark may print nothing before it is taken as hung. tshark
// prints a line for every frame, whatever it holds, so on a sound capture of
// any length lines keep coming; a stall this long means it waits on
// something that will not come (a file on a dead mount, a broken build).
// $EVENTSCAN_TSHARK_TIMEOUT sets it in seconds (fractions allowed).
constexpr double DefaultSilenceSeconds = 120;

double silenceLimitSeconds() {
  const char* env = std::getenv("EVENTSCAN_TSHARK_TIMEOUT");
  if (!env || !*env) return DefaultSilenceSeconds;
  char* end = nullptr;
  double v = std::strtod(env, &end);
  return end && *end == '\0' && v > 0 ? v : DefaultSilenceSeconds;
}

// The lines of tshark's standard error kept in a message; the rest are counted.
constexpr size_t KeptMessageLines = 5;
constexpr size_t KeptLineBytes = 300;

// The messages of tshark's standard error, less its warning about running as
// root: the first few lines (each clipped), then how many more there were.
std::string tsharkMessages(int fd) {
  lseek(fd, 0, SEEK_SET);
  std::string out, line;
  size_t lines = 0;
  auto endLine = [&] {
    if (line.empty() || line.find("Running as user") != std::string::npos) {
      line.clear();
      return;
    }
    if (++lines <= KeptMessageLines) {
      if (!out.empty()) out += "; ";
      if (line.size() > KeptLineBytes) line = line.substr(0, KeptLineBytes) + "...";
      out += line;
    }
    line.clear();
  };
  char buf[1 << 16];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;)
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] == '\n') endLine();
      else if (line.size() <= KeptLineBytes) line += buf[i];
    }
  endLine();
  if (lines > KeptMessageLines) out += fmt::format("; ... and {} more lines", lines - KeptMessageLines);
  return out;
}

std::string exitReason(int status, const std::string& messages) {
  if (WIFSIGNALED(status)) {
    const int sig = WTERMSIG(status);
    const char* name = sigabbrev_np(sig);
    std::string text = fmt::format("tshark was ended by signal {} (SIG{}: {})", sig, name ? name : "?", strsignal(sig));
    return messages.empty() ? text : text + "; " + messages;
  }
  if (!messages.empty()) return messages;
  return fmt::format("tshark ended with status {} and gave no reason", WEXITSTATUS(status));
}

// The tshark running now, for the signal handlers: a SIGTERM, SIGINT or
// SIGHUP that ends eventscan ends tshark too, so it is never left behind.
volatile sig_atomic_t runningChild = 0;

void endChildAndDie(int sig) {
  const pid_t child = static_cast<pid_t>(runningChild);
  if (child > 0) kill(child, SIGTERM);
  signal(sig, SIG_DFL);
  raise(sig);
}

// Installs the handlers for the time tshark runs and puts back the old ones.
// The signals are held back from before tshark is started until its process
// is known, so that none can end eventscan in between and leave tshark.
class ChildGuard {
 public:
  ChildGuard() {
    sigemptyset(&held_);
    for (int sig : signals_) sigaddset(&held_, sig);
    pthread_sigmask(SIG_BLOCK, &held_, &mask_);
    struct sigaction sa = {};
    sa.sa_handler = endChildAndDie;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < std::size(signals_); ++i) sigaction(signals_[i], &sa, &old_[i]);
  }
  ~ChildGuard() {
    runningChild = 0;
    pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
    for (size_t i = 0; i < std::size(signals_); ++i) sigaction(signals_[i], &old_[i], nullptr);
  }
  // The mask tshark starts with: the one eventscan had before.
  const sigset_t& StartMask() const { return mask_; }
  // Once tshark runs (or failed to start): signals are let through again.
  void Set(pid_t pid) {
    runningChild = pid;
    pthread_sigmask(SIG_SETMASK, &mask_, nullptr);
  }
  ChildGuard(const ChildGuard&) = delete;
  ChildGuard& operator=(const ChildGuard&) = delete;

 private:
  static constexpr int signals_[] = {SIGTERM, SIGINT, SIGHUP};
  struct sigaction old_[3];
  sigset_t held_, mask_;
};

}  // namespace

CaptureLog ReadCapture(const std::string& path) {
  {
    std::ifstream probe(path, std::ios::binary);
    if (!probe) throw CaptureError(fmt::format("{}: cannot open the capture: {}", path, std::strerror(errno)));
  }
  const std::string program = tsharkProgram();
  std::vector<std::string> args = {program, "-r", path, "-n", "-T", "fields", "-E", "separator=/t", "-E",
                                   "occurrence=a", "-E", "quote=n"};
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
  ChildGuard guard;
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setsigmask(&attr, &guard.StartMask());
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  guard.Set(rc == 0 ? pid : 0);
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
  const double limit = silenceLimitSeconds();
  const int limitMs = static_cast<int>(std::min(limit * 1000.0, 2e9));
  bool hung = false;
  for (;;) {
    pollfd p = {out[0], POLLIN, 0};
    const int ready = poll(&p, 1, std::max(limitMs, 1));
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (ready == 0) {  // nothing for the whole limit: tshark hangs
      hung = true;
      kill(pid, SIGKILL);
      break;
    }
    ssize_t n = read(out[0], buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (n == 0) break;
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
  if (!pending.empty() && !hung) mapper.MapLine(pending);
  mapper.Finish();
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  guard.Set(0);
  std::string messages = tsharkMessages(err);
  close(err);
  CaptureLog& log = mapper.Result();
  if (hung) {
    std::string why = fmt::format("tshark printed nothing for {} seconds and was stopped (set EVENTSCAN_TSHARK_TIMEOUT "
                                  "to the seconds it may take)",
                                  limit);
    if (!messages.empty()) why += "; " + messages;
    if (log.Stats.Frames == 0) throw CaptureError(fmt::format("{}: {}", path, why));
    log.Damage = fmt::format("{}: after frame {}: {} (the records before are kept)", path, log.Stats.Frames, why);
    return std::move(log);
  }
  const bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok) {
    // tshark stops at a cut-off last frame with an error; what it read
    // before is kept, and the capture is damaged as a cut compressed log is.
    if (log.Stats.Frames == 0)
      throw CaptureError(fmt::format("{}: tshark could not read the capture: {}", path, exitReason(status, messages)));
    log.Damage = fmt::format("{}: tshark stopped after frame {} (the records before are kept): {}", path,
                             log.Stats.Frames, exitReason(status, messages));
  } else if (!messages.empty()) {
    log.Faults.push_back({path, 0, "tshark: " + messages});
  }
  return std::move(log);
}

}  // namespace eventscan
