#include "campaign/dask_driver.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "campaign/child_process.h"
#include "support/hex_text.h"

namespace eventscan {
namespace {

// The Python process that hands the workers to Dask, and the logs it runs.
// It ends at the end of its standard input: closed here once every answer is
// in, or by the system as this process ends, however it ends. A campaign
// that ends by an error meanwhile kills it.
struct Driver {
  pid_t Pid = -1;
  int In = -1, Out = -1, Err = -1;
  std::string OutText, ErrText;
  long NextId = 0;
  std::map<long, std::unique_ptr<CampaignJob>> Waiting;

  Driver() = default;
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;
  ~Driver() {
    for (int fd : {In, Out, Err})
      if (fd >= 0) close(fd);
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      while (waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {}
    }
  }
  // Once every answer is in: the driver ends at the end of its input.
  void End() {
    close(In);
    In = -1;
    while (waitpid(Pid, nullptr, 0) < 0 && errno == EINTR) {}
    Pid = -1;
  }
};

// The next log, handed to the driver; false when none is left.
bool startNext(const CampaignOptions& o, Driver& d, CampaignQueue& queue) {
  std::unique_ptr<CampaignJob> job = queue.Next();
  if (!job) return false;
  job->Started = std::chrono::steady_clock::now();
  // The arguments' bytes as they are: a file name need not be text.
  nlohmann::json argv = nlohmann::json::array();
  for (const std::string& arg : WorkerArgs(o, job->Log.Path)) argv.push_back(BytesToHex(arg));
  nlohmann::json request{{"id", d.NextId}, {"argv_hex", argv}, {"timeout", o.LogTimeout}};
  if (!WriteAll(d.In, request.dump() + "\n"))
    throw std::runtime_error(fmt::format("the Dask driver stopped reading: {}", strerror(errno)));
  d.Waiting.emplace(d.NextId++, std::move(job));
  return true;
}

// Gives back the logs whose answers are in `d.OutText`.
void takeAnswers(Driver& d, CampaignQueue& queue) {
  for (size_t nl; (nl = d.OutText.find('\n')) != std::string::npos;) {
    nlohmann::json answer = nlohmann::json::parse(d.OutText.substr(0, nl), nullptr, false);
    d.OutText.erase(0, nl + 1);
    if (answer.is_discarded() || !answer.contains("id") || !answer["id"].is_number_integer()) continue;
    auto it = d.Waiting.find(answer["id"].get<long>());
    if (it == d.Waiting.end()) continue;
    CampaignJob& job = *it->second;
    job.OutText = answer.value("stdout", "");
    job.ErrText = answer.value("stderr", "");
    const int rc = answer.value("returncode", 1);
    // The exit code or signal, as waitpid would have given them.
    const int status = rc >= 0 ? (rc & 0xFF) << 8 : (-rc & 0x7F);
    queue.Finish(job, status, answer.value("timed_out", false));
    d.Waiting.erase(it);
  }
}

}  // namespace

void RunOnDask(const CampaignOptions& o, unsigned jobs, CampaignQueue& queue) {
  Driver d;
  d.Pid = SpawnWithPipes({o.Python, o.DaskDriver, *o.Scheduler}, d.Out, d.Err, &d.In);
  bool more = true;
  while (more && d.Waiting.size() < jobs) more = startNext(o, d, queue);
  while (!d.Waiting.empty()) {
    pollfd fds[2] = {{d.Out, POLLIN, 0}, {d.Err, POLLIN, 0}};
    if (poll(fds, 2, 200) < 0 && errno != EINTR)
      throw std::runtime_error(fmt::format("cannot wait for the Dask driver: {}", strerror(errno)));
    const bool open = DrainPipe(d.Out, d.OutText);
    if (d.Err >= 0 && !DrainPipe(d.Err, d.ErrText, 4096)) CloseFd(d.Err);
    takeAnswers(d, queue);
    while (more && d.Waiting.size() < jobs) more = startNext(o, d, queue);
    if (!open && !d.Waiting.empty())
      throw std::runtime_error(fmt::format("the Dask driver ended with {} logs unfinished: {}", d.Waiting.size(),
                                           d.ErrText.empty() ? "no message" : d.ErrText));
    queue.DrawProgress();
  }
  d.End();
}

}  // namespace eventscan
