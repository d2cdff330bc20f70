#include "campaign/worker_pool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <tuple>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "campaign/campaign_worker.h"
#include "campaign/child_process.h"
#include "support/hex_text.h"

namespace eventscan {
namespace {

using Clock = std::chrono::steady_clock;

// Nanoseconds the threads of a process have spent runnable but waiting for a
// core (the second field of each thread's schedstat); 0 where the kernel does
// not tell. A log's time limit leaves this out: a worker that the machine's
// load keeps off the cores is not a log that hangs.
int64_t runQueueWait(pid_t pid) {
  int64_t total = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator(fmt::format("/proc/{}/task", pid), error)) {
    std::ifstream in(task.path() / "schedstat");
    int64_t onCore = 0, waiting = 0;
    if (in >> onCore >> waiting) total += waiting;
  }
  return total;
}

// A serving worker: it ends when its standard input closes; it is stopped,
// with its child, when a log passes the time limit.
struct Server {
  pid_t Pid = -1;
  int In = -1, Out = -1, Err = -1;
  std::string OutText, ErrText;
  std::unique_ptr<CampaignJob> Current;
  bool Alive() const { return Pid > 0; }
};

// A log whose worker ended, with how its process ended.
struct Ended {
  std::unique_ptr<CampaignJob> Job;
  int Status = 0;
  bool TimedOut = false;
};

// How long a server has worked on its log: the wall time since it was
// handed over less the time the server waited for a core meanwhile.
double secondsOnLog(const Server& s) {
  const double wall = std::chrono::duration<double>(Clock::now() - s.Current->Started).count();
  const int64_t waited = runQueueWait(s.Pid) - s.Current->RunQueueWaitAtStart;
  return wall - static_cast<double>(std::max<int64_t>(waited, 0)) / 1e9;
}

// Waits for a server whose pipes are closed (or that was killed).
int reap(Server& s) {
  CloseFd(s.In);
  CloseFd(s.Out);
  CloseFd(s.Err);
  int status = 0;
  while (waitpid(s.Pid, &status, 0) < 0 && errno == EINTR) {}
  s.Pid = -1;
  s.OutText.clear();
  s.ErrText.clear();
  return status;
}

// Whether the server's output ends with the line that ends a log; if so the
// log's lines go to its job, with how its process ended in `status`.
bool takeFinishedLog(Server& s, int& status) {
  const std::string& text = s.OutText;
  if (text.size() < 2 || text.back() != '\n') return false;
  const size_t start = text.rfind('\n', text.size() - 2);
  if (start == std::string::npos || text.compare(start + 1, std::strlen(WorkerExitLine), WorkerExitLine) != 0)
    return false;
  nlohmann::json exit = nlohmann::json::parse(text.substr(start + 1), nullptr, false);
  if (exit.is_discarded()) return false;
  CampaignJob& job = *s.Current;
  job.ErrText = exit.value("stderr", "");
  // The exit code or signal, as waitpid gives them.
  if (exit.contains("signal")) status = exit["signal"].get<int>() & 0x7F;
  else status = (exit.value("code", 1) & 0xFF) << 8;
  s.OutText.resize(start);
  job.OutText = std::move(s.OutText);
  s.OutText.clear();
  return true;
}

class WorkerPool {
 public:
  WorkerPool(const CampaignOptions& options, unsigned jobs, CampaignQueue& queue)
      : options_(options), queue_(queue), servers_(jobs) {}
  void Run();

 private:
  // Hands the next log to an idle server (started when there is none);
  // false when no log is left.
  bool give(Server& s);
  // Waits for output of a busy server, at most until the next time limit
  // ends; false when no server is busy.
  bool await();
  // The logs whose workers ended, or that passed the time limit.
  std::vector<Ended> collect();
  // Ends every server once no log is left.
  void stop();

  const CampaignOptions& options_;
  CampaignQueue& queue_;
  std::vector<Server> servers_;
};

bool WorkerPool::give(Server& s) {
  std::unique_ptr<CampaignJob> job = queue_.Next();
  if (!job) return false;
  if (!s.Alive()) s.Pid = SpawnWithPipes(WorkerArgs(options_, ""), s.Out, s.Err, &s.In, true);
  // The path's bytes as they are: a file name need not be text.
  const std::string request = BytesToHex(job->Log.Path) + "\n";
  job->Started = Clock::now();
  job->RunQueueWaitAtStart = runQueueWait(s.Pid);
  s.Current = std::move(job);
  // A server that already died shows as its closed output below.
  WriteAll(s.In, request);
  return true;
}

bool WorkerPool::await() {
  std::vector<pollfd> fds;
  for (Server& s : servers_) {
    if (!s.Current) continue;
    if (s.Out >= 0) fds.push_back({s.Out, POLLIN, 0});
    if (s.Err >= 0) fds.push_back({s.Err, POLLIN, 0});
  }
  if (fds.empty()) return false;
  int wait = 200;  // the progress line is redrawn meanwhile
  if (options_.LogTimeout > 0) {
    for (Server& s : servers_) {
      if (!s.Current) continue;
      const double left = options_.LogTimeout - secondsOnLog(s);
      wait = static_cast<int>(std::clamp<double>(left * 1000 + 1, 0, wait));
    }
  }
  if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
    throw std::runtime_error(fmt::format("cannot wait for the workers: {}", strerror(errno)));
  return true;
}

std::vector<Ended> WorkerPool::collect() {
  std::vector<Ended> done;
  for (Server& s : servers_) {
    if (!s.Current) continue;
    const bool open = s.Out >= 0 && DrainPipe(s.Out, s.OutText);
    if (s.Err >= 0 && !DrainPipe(s.Err, s.ErrText, 4096)) CloseFd(s.Err);
    int status = 0;
    if (takeFinishedLog(s, status)) {
      done.push_back({std::move(s.Current), status, false});
      continue;
    }
    const bool timedOut = options_.LogTimeout > 0 && secondsOnLog(s) > options_.LogTimeout;
    if (timedOut) kill(-s.Pid, SIGKILL);
    if (timedOut || !open) {
      // The server died (its set-up crashed) or was stopped with its log.
      CampaignJob& job = *s.Current;
      job.OutText = std::move(s.OutText);
      if (s.Err >= 0) DrainPipe(s.Err, s.ErrText, 4096);
      job.ErrText = s.ErrText;
      status = reap(s);
      done.push_back({std::move(s.Current), status, timedOut});
    }
  }
  return done;
}

void WorkerPool::stop() {
  for (Server& s : servers_)
    if (s.Alive()) {
      CloseFd(s.In);
      // Reads to the end so that the server's last write is not refused.
      if (s.Out >= 0) {
        fcntl(s.Out, F_SETFL, fcntl(s.Out, F_GETFL) & ~O_NONBLOCK);
        std::string rest;
        DrainPipe(s.Out, rest);
      }
      reap(s);
    }
}

void WorkerPool::Run() {
  bool more = true;
  for (Server& s : servers_)
    if (more) more = give(s);
  while (await()) {
    std::vector<Ended> done = collect();
    // The next logs start before these are stored, so that storing
    // overlaps with running them.
    for (Server& s : servers_)
      if (more && !s.Current) more = give(s);
    for (Ended& e : done) queue_.Finish(*e.Job, e.Status, e.TimedOut);
    queue_.DrawProgress();
  }
  stop();
}

}  // namespace

void RunOnLocalWorkers(const CampaignOptions& options, unsigned jobs, CampaignQueue& queue) {
  WorkerPool(options, jobs, queue).Run();
}

}  // namespace eventscan
