#include "campaign/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <fmt/format.h>

extern char** environ;

namespace eventscan {

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

pid_t SpawnWithPipes(std::vector<std::string> args, int& out, int& err, int* in, bool group) {
  int outPipe[2], errPipe[2], inPipe[2] = {-1, -1};
  if (in && pipe2(inPipe, O_CLOEXEC) != 0)
    throw std::runtime_error(fmt::format("cannot make a pipe: {}", strerror(errno)));
  if (pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error(fmt::format("cannot make a pipe: {}", strerror(errno)));
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    close(outPipe[0]);
    close(outPipe[1]);
    throw std::runtime_error(fmt::format("cannot make a pipe: {}", strerror(errno)));
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
  if (in)
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], STDIN_FILENO);
  else
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  if (group) {
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
  }
  pid_t pid = -1;
  int rc = posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(outPipe[1]);
  close(errPipe[1]);
  if (in) close(inPipe[0]);
  if (rc != 0) {
    close(outPipe[0]);
    close(errPipe[0]);
    if (in) close(inPipe[1]);
    throw std::runtime_error(fmt::format("{}: cannot start: {}", args[0], strerror(rc)));
  }
  if (in) *in = inPipe[1];
  // Room for a whole log's rows (a few hundred kilobytes for thousands of
  // results): a worker need not stop writing while the coordinator stores
  // another log. Where the system allows less, the default pipe does.
  fcntl(outPipe[0], F_SETPIPE_SZ, 1 << 20);
  out = outPipe[0];
  err = errPipe[0];
  SetNonBlocking(out);
  SetNonBlocking(err);
  return pid;
}

bool DrainPipe(int fd, std::string& into, size_t keepLast) {
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      into.append(buffer, static_cast<size_t>(n));
      if (keepLast && into.size() > 2 * keepLast) into.erase(0, into.size() - keepLast);
      continue;
    }
    if (n == 0) return false;
    if (errno == EINTR) continue;
    return errno == EAGAIN || errno == EWOULDBLOCK;
  }
}


bool WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace eventscan
