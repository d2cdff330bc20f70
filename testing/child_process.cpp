#include "testing/child_process.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "support/file_io.h"

namespace {

// The stopping child's side of its pipes and how far its write has come.
int g_stopFd = -1;
int g_goFd = -1;
size_t g_half = 0;
size_t g_written = 0;

long writeStoppingHalfWay(int fd, const void* data, size_t count) {
  if (g_written < g_half) {
    long n = ::write(fd, data, std::min(count, g_half - g_written));
    if (n > 0) g_written += static_cast<size_t>(n);
    return n;
  }
  if (g_stopFd >= 0) {
    char byte = 's';
    (void)!::write(g_stopFd, &byte, 1);
    ::close(g_stopFd);
    g_stopFd = -1;
    (void)!::read(g_goFd, &byte, 1);  // a byte or the end of the pipe: go on
  }
  return ::write(fd, data, count);
}

int waitFor(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

TStoppedSave::TStoppedSave(const std::string& path, const std::string& bytes) {
  int stop[2], go[2];
  if (::pipe(stop) != 0 || ::pipe(go) != 0) std::abort();
  pid_ = ::fork();
  if (pid_ == 0) {
    ::close(stop[0]);
    ::close(go[1]);
    g_stopFd = stop[1];
    g_goFd = go[0];
    g_half = bytes.size() / 2;
    SaveCalls().Write = &writeStoppingHalfWay;
    bool saved = false;
    try {
      saved = !TrySaveFileAtomic(path, bytes);
    } catch (...) {
    }
    ::_exit(saved ? 0 : 1);
  }
  ::close(stop[1]);
  ::close(go[0]);
  go_ = go[1];
  char byte = 0;
  ssize_t n;
  while ((n = ::read(stop[0], &byte, 1)) < 0 && errno == EINTR) {
  }
  stopped_ = n == 1;
  ::close(stop[0]);
}

TStoppedSave::~TStoppedSave() {
  if (pid_ > 0) Kill();
  if (go_ >= 0) ::close(go_);
}

void TStoppedSave::Kill() {
  ::kill(pid_, SIGKILL);
  waitFor(pid_);
  pid_ = -1;
}

int TStoppedSave::Finish() {
  ::close(go_);
  go_ = -1;
  int status = waitFor(pid_);
  pid_ = -1;
  return status;
}

std::vector<int> RunTogether(int count, const std::function<void(int)>& prepare,
                             const std::function<bool(int)>& act) {
  int ready[2], go[2];
  if (::pipe(ready) != 0 || ::pipe(go) != 0) std::abort();
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::close(ready[0]);
      ::close(go[1]);
      int status = 2;
      try {
        prepare(i);
        char byte = 'r';
        (void)!::write(ready[1], &byte, 1);
        // Blocks until the test closes its end: every child wakes at once.
        (void)!::read(go[0], &byte, 1);
        status = act(i) ? 0 : 1;
      } catch (...) {
      }
      ::_exit(status);
    }
    children.push_back(pid);
  }
  ::close(ready[1]);
  ::close(go[0]);
  char byte;
  for (int i = 0; i < count; ++i)
    if (::read(ready[0], &byte, 1) != 1) break;  // a child that died before its barrier
  ::close(ready[0]);
  ::close(go[1]);
  std::vector<int> statuses;
  for (pid_t pid : children) statuses.push_back(waitFor(pid));
  return statuses;
}
