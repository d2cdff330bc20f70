#include "campaign/campaign_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

#include <fmt/format.h>
#include <nlohmann/json.hpp>
#include <simdjson.h>

#include "campaign/campaign_db.h"
#include "campaign/campaign_worker.h"
#include "campaign/content_hash.h"
#include "capture/capture_reader.h"
#include "host/host_layout.h"
#include "host/host_library.h"
#include "kpi/kpi_file.h"
#include "support/hex_text.h"
#include "support/text_escape.h"

extern char** environ;

namespace eventscan {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// A regular file whose first non-blank byte opens a JSON object (a log), or
// a capture, or gzip data (a compressed log).
bool looksLikeLog(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[256];
  in.read(head, sizeof head);
  const auto n = static_cast<size_t>(in.gcount());
  if (n >= 2 && static_cast<unsigned char>(head[0]) == 0x1f && static_cast<unsigned char>(head[1]) == 0x8b)
    return true;
  for (size_t i = 0; i < n; ++i) {
    if (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n') continue;
    if (head[i] == '{') return true;
    break;
  }
  return IsCaptureFile(path.string());
}

// What decides a log's rows besides its content: both definition files
// (which events exist, which are displayed), the KPI file (its table) and the
// network a run imposes.
std::string definitionsHash(const std::optional<std::string>& network) {
  const std::string home = EffectiveHomeDirectory();
  Sha256 hash;
  for (const std::string& path : {home + "EventsDefine.cfg", home + "EventsProperty.cfg", KpiFilePath(home)}) {
    HashFile(path, hash);
    hash.Add("\0", 1);
  }
  hash.Add(network ? network->data() : "", network ? network->size() : 0);
  return hash.Hex();
}

// Nanoseconds the threads of a process have spent runnable but waiting for a
// core (the second field of each thread's schedstat); 0 where the kernel does
// not tell. A log's time limit leaves this out: a worker that the machine's
// load keeps off the cores is not a log that hangs.
int64_t runQueueWait(pid_t pid) {
  int64_t total = 0;
  std::error_code error;
  for (const auto& task : fs::directory_iterator(fmt::format("/proc/{}/task", pid), error)) {
    std::ifstream in(task.path() / "schedstat");
    int64_t onCore = 0, waiting = 0;
    if (in >> onCore >> waiting) total += waiting;
  }
  return total;
}

std::string signalText(int sig) {
  const char* name = strsignal(sig);
  return fmt::format("signal {} ({})", sig, name ? name : "unknown");
}

void setNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

struct Job {
  LogOutcome Log;
  pid_t Pid = -1;
  int Out = -1, Err = -1;
  std::string OutText, ErrText;
  Clock::time_point Started;
  // The worker's wait for a core when the log was handed to it.
  int64_t RunQueueWaitAtStart = 0;
  // The file's hash and size as the worker read it (its "content" line).
  std::string WorkerHash;
  uint64_t WorkerSize = 0;
};

// Reads a worker's JSON lines into its log (simdjson: the coordinator parses
// every result of the campaign, and it is the one process that cannot be
// run N at a time). False when the text stops being what a worker writes.
namespace od = simdjson::ondemand;

std::optional<double> optionalDouble(od::value v) {
  if (v.is_null()) return std::nullopt;
  return v.get_double().value();
}
std::optional<int64_t> optionalInt(od::value v) {
  if (v.is_null()) return std::nullopt;
  return v.get_int64().value();
}
std::string textOf(od::value v) { return std::string(std::string_view(v.get_string().value())); }

// One KPI as KpiJsonText writes it.
CampaignKpi kpiOf(od::object fields) {
  CampaignKpi k;
  std::vector<std::string> notes;
  for (auto field : fields) {
    const std::string_view key = field.unescaped_key().value();
    od::value v = field.value();
    if (key == "name") k.Name = textOf(v);
    else if (key == "kind") k.Kind = textOf(v);
    else if (key == "value") {
      if (v.type().value() != od::json_type::array) k.Value = optionalDouble(v);
    } else if (key == "numerator") k.Numerator = optionalInt(v);
    else if (key == "denominator") k.Denominator = optionalInt(v);
    else if (key == "count" || key == "samples") k.Count = optionalInt(v);
    else if (key == "mean") k.Mean = optionalDouble(v);
    else if (key == "median") k.Median = optionalDouble(v);
    else if (key == "p90") k.P90 = optionalDouble(v);
    else if (key == "max") k.Max = optionalDouble(v);
    else if (key == "unit") k.Unit = textOf(v);
    else if (key == "counted_as") k.CountedAs = textOf(v);
    else if (key == "notes") {
      for (auto n : v.get_array()) notes.emplace_back(std::string_view(n.get_string().value()));
    } else if (key == "bins") {
      for (auto b : v.get_array()) {
        CampaignKpiBin bin;
        for (auto bf : b.get_object()) {
          const std::string_view bk = bf.unescaped_key().value();
          od::value bv = bf.value();
          if (bk == "bin") bin.Label = textOf(bv);
          else if (bk == "count") bin.Count = bv.get_int64().value();
          else if (bk == "share") bin.Share = optionalDouble(bv);
        }
        k.Bins.push_back(std::move(bin));
      }
    }
  }
  // A count's value is its count.
  if (k.Kind == "count" && k.Value) k.Count = static_cast<int64_t>(*k.Value);
  for (size_t i = 0; i < notes.size(); ++i) k.Notes += (i ? "; " : "") + notes[i];
  return k;
}

bool parseWorkerLines(std::string_view text, Job& job, bool& ended) {
  LogOutcome& log = job.Log;
  std::string_view str;
  auto text_of = [&str](od::value v) {
    str = v.get_string().value();
    return std::string(str);
  };
  try {
    simdjson::padded_string padded(text);
    od::parser parser;
    od::document_stream docs = parser.iterate_many(padded);
    for (auto doc : docs) {
      od::object fields = doc.get_object();
      std::string type;
      CampaignResult r;
      CampaignFault f;
      std::string status, fault;
      for (auto field : fields) {
        const std::string_view key = field.unescaped_key().value();
        od::value v = field.value();
        if (key == "type") type = text_of(v);
        else if (key == "record") r.Record = static_cast<int32_t>(v.get_int64().value());
        else if (key == "time") r.Time = text_of(v);
        else if (key == "id") r.EventId = static_cast<int32_t>(v.get_int64().value());
        else if (key == "event") r.Event = text_of(v);
        else if (key == "kind") r.Kind = text_of(v);
        else if (key == "network") r.Network = text_of(v);
        else if (key == "details") {
          for (auto d : v.get_array()) r.Details.emplace_back(std::string_view(d.get_string().value()));
        } else if (key == "lat") r.Context.Latitude = v.get_double().value();
        else if (key == "lon") r.Context.Longitude = v.get_double().value();
        else if (key == "cell") r.Context.ServingCell = v.get_int64().value();
        else if (key == "signal") r.Context.ServingSignal = v.get_double().value();
        else if (key == "source") f.Source = text_of(v);
        else if (key == "line") f.Line = static_cast<int32_t>(v.get_int64().value());
        else if (key == "text") f.Text = text_of(v);
        else if (key == "status") status = text_of(v);
        else if (key == "hash") job.WorkerHash = text_of(v);
        else if (key == "size") job.WorkerSize = v.get_uint64().value();
        else if (key == "fault") fault = text_of(v);
        else if (key == "device") log.DeviceType = static_cast<int32_t>(v.get_int64().value());
        else if (key == "records") log.Records = v.get_int64().value();
        else if (key == "route_m") log.RouteMetres = v.get_double().value();
        else if (key == "first") log.FirstTime = text_of(v);
        else if (key == "last") log.LastTime = text_of(v);
        else if (key == "kpi") log.Kpis.push_back(kpiOf(v.get_object()));
        else if (key == "points") {
          for (auto p : v.get_array()) {
            double latLon[2] = {0, 0};
            size_t n = 0;
            for (auto c : p.get_array())
              if (n < 2) latLon[n++] = c.get_double().value();
            log.Route.emplace_back(latLon[0], latLon[1]);
          }
        }
      }
      if (type == "result") {
        log.Results.push_back(std::move(r));
      } else if (type == "fault") {
        log.Faults.push_back(std::move(f));
      } else if (type == "end") {
        ended = true;
        log.Status = status.empty() ? "fault" : status;
        log.Fault = fault;
        log.Network = r.Network;
      }
    }
  } catch (const simdjson::simdjson_error&) {
    return false;
  }
  return true;
}

// Turns what a worker wrote into the outcome of its log.
void readWorkerOutput(Job& job, int waitStatus, bool timedOut, double timeout) {
  LogOutcome& log = job.Log;
  bool ended = false;
  if (!parseWorkerLines(job.OutText, job, ended)) ended = false;
  std::string lastError = job.ErrText;
  while (!lastError.empty() && lastError.back() == '\n') lastError.pop_back();
  if (size_t nl = lastError.rfind('\n'); nl != std::string::npos) lastError = lastError.substr(nl + 1);
  std::string why;
  if (timedOut)
    why = fmt::format("the log took longer than the limit of {} seconds (--log-timeout); its worker was stopped",
                      timeout);
  else if (WIFSIGNALED(waitStatus))
    why = fmt::format("the worker was killed by {}", signalText(WTERMSIG(waitStatus)));
  else if (!ended)
    why = fmt::format("the worker ended with status {} before the end of the log",
                      WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1);
  if (why.empty()) return;
  log.DropRows();  // it did not end in its worker
  log.Status = timedOut ? "timeout" : "crashed";
  log.Fault = why + (lastError.empty() ? "" : ": " + lastError);
}

struct Totals {
  size_t Ok = 0, Faulty = 0, Skipped = 0, Records = 0, Results = 0;
};

std::string grouped(size_t n) {
  std::string digits = std::to_string(n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

class Progress {
 public:
  Progress(bool shown, size_t total) : shown_(shown), total_(total), started_(Clock::now()) {}
  void Draw(const Totals& t, bool force = false) {
    if (!shown_) return;
    Clock::time_point now = Clock::now();
    if (!force && now - drawn_ < std::chrono::milliseconds(100)) return;
    drawn_ = now;
    const double seconds = std::chrono::duration<double>(now - started_).count();
    const size_t done = t.Ok + t.Faulty + t.Skipped;
    const size_t run = t.Ok + t.Faulty;
    std::string left = "--";
    if (run > 0 && done < total_) {
      auto remaining = static_cast<long>(seconds / static_cast<double>(run) * static_cast<double>(total_ - done));
      left = fmt::format("{}:{:02}", remaining / 60, remaining % 60);
    }
    std::cerr << fmt::format("\r  {} / {} logs  {} records/s  {} results  {} faults  {} left   ", done, total_,
                             grouped(seconds > 0 ? static_cast<size_t>(static_cast<double>(t.Records) / seconds) : 0),
                             grouped(t.Results), t.Faulty, left)
              << std::flush;
    drawnOnce_ = true;
  }
  void End() {
    if (drawnOnce_) std::cerr << '\n';
  }
  double Seconds() const { return std::chrono::duration<double>(Clock::now() - started_).count(); }

 private:
  bool shown_;
  size_t total_;
  Clock::time_point started_, drawn_{};
  bool drawnOnce_ = false;
};

std::vector<std::string> workerArgs(const CampaignOptions& o, const std::string& log) {
  std::vector<std::string> args{o.Program, "campaign-worker"};
  if (!log.empty()) args.push_back(log);
  else args.push_back("--serve");
  if (o.Home) args.insert(args.end(), {"--home", *o.Home});
  if (o.Library) args.insert(args.end(), {"--library", *o.Library});
  if (o.Network) args.insert(args.end(), {"--network", *o.Network});
  return args;
}

// Starts `args` with stdout and stderr on pipes, stdin on a pipe when `in` is
// given (else /dev/null); in a process group of its own when `group`, so that
// it can be stopped with every process it started.
pid_t spawn(std::vector<std::string> args, int& out, int& err, int* in = nullptr, bool group = false) {
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
  setNonBlocking(out);
  setNonBlocking(err);
  return pid;
}

// Reads what is there; false once the pipe is closed.
bool drain(int fd, std::string& into, size_t keepLast = 0) {
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

// False when the reader has gone (errno says why).
bool writeAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The Python process that hands the workers to Dask, and the logs it runs.
// It ends at the end of its standard input: closed here once every answer is
// in, or by the system as this process ends, however it ends. A campaign
// that ends by an error meanwhile kills it.
struct Driver {
  pid_t Pid = -1;
  int In = -1, Out = -1, Err = -1;
  std::string OutText, ErrText;
  long NextId = 0;
  std::map<long, std::unique_ptr<Job>> Waiting;

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

template <typename StartNext, typename Finish>
void runThroughDriver(Driver& d, unsigned jobs, StartNext& startNext, Finish& finish, Progress& progress,
                      Totals& totals) {
  bool more = true;
  while (more && d.Waiting.size() < jobs) more = startNext();
  while (!d.Waiting.empty()) {
    pollfd fds[2] = {{d.Out, POLLIN, 0}, {d.Err, POLLIN, 0}};
    if (poll(fds, 2, 200) < 0 && errno != EINTR)
      throw std::runtime_error(fmt::format("cannot wait for the Dask driver: {}", strerror(errno)));
    const bool open = drain(d.Out, d.OutText);
    if (d.Err >= 0 && !drain(d.Err, d.ErrText, 4096)) {
      close(d.Err);
      d.Err = -1;
    }
    for (size_t nl; (nl = d.OutText.find('\n')) != std::string::npos;) {
      nlohmann::json answer = nlohmann::json::parse(d.OutText.substr(0, nl), nullptr, false);
      d.OutText.erase(0, nl + 1);
      if (answer.is_discarded() || !answer.contains("id") || !answer["id"].is_number_integer()) continue;
      auto it = d.Waiting.find(answer["id"].get<long>());
      if (it == d.Waiting.end()) continue;
      Job& job = *it->second;
      job.OutText = answer.value("stdout", "");
      job.ErrText = answer.value("stderr", "");
      const int rc = answer.value("returncode", 1);
      // The exit code or signal, as waitpid would have given them.
      const int status = rc >= 0 ? (rc & 0xFF) << 8 : (-rc & 0x7F);
      finish(job, status, answer.value("timed_out", false));
      d.Waiting.erase(it);
      while (more && d.Waiting.size() < jobs) more = startNext();
    }
    if (!open && !d.Waiting.empty())
      throw std::runtime_error(fmt::format("the Dask driver ended with {} logs unfinished: {}", d.Waiting.size(),
                                           d.ErrText.empty() ? "no message" : d.ErrText));
    progress.Draw(totals);
  }
  d.End();
}

// A serving worker (`campaign-worker --serve`): loads the library once and
// runs each log it is given in a child process of its own. It ends when its
// standard input closes; it is stopped, with its child, when a log passes
// the time limit, and a new one takes the next log.
struct Server {
  pid_t Pid = -1;
  int In = -1, Out = -1, Err = -1;
  std::string OutText, ErrText;
  std::unique_ptr<Job> Current;
  bool Alive() const { return Pid > 0; }
};

// How long a server has worked on its log: the wall time since it was
// handed over less the time the server waited for a core meanwhile.
double secondsOnLog(const Server& s) {
  const double wall = std::chrono::duration<double>(Clock::now() - s.Current->Started).count();
  const int64_t waited = runQueueWait(s.Pid) - s.Current->RunQueueWaitAtStart;
  return wall - static_cast<double>(std::max<int64_t>(waited, 0)) / 1e9;
}

void closeFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Waits for a server whose pipes are closed (or that was killed).
int reap(Server& s) {
  closeFd(s.In);
  closeFd(s.Out);
  closeFd(s.Err);
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
  Job& job = *s.Current;
  job.ErrText = exit.value("stderr", "");
  // The exit code or signal, as waitpid gives them.
  if (exit.contains("signal")) status = exit["signal"].get<int>() & 0x7F;
  else status = (exit.value("code", 1) & 0xFF) << 8;
  s.OutText.resize(start);
  job.OutText = std::move(s.OutText);
  s.OutText.clear();
  return true;
}

}  // namespace

namespace {

// Why a file below a campaign's directories cannot be read, naming it; empty
// when it opens. A link that leads nowhere says where it leads.
std::string cannotOpen(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  std::string why = fmt::format("{}: cannot open the log: {}", path.string(), strerror(errno));
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path target = fs::read_symlink(path, ec);
    if (!ec) why += fmt::format(" (a link to {})", target.string());
  }
  return why;
}

// The logs below `dir` and everything there that cannot be read, in no
// particular order. Links to folders are not followed (a link may lead back
// up); links to files are.
void walk(const fs::path& dir, std::vector<CampaignEntry>& found) {
  auto folderFault = [&](const std::error_code& ec) {
    found.push_back({dir.string(), fmt::format("{}: cannot read the folder: {}; the logs in it are not run",
                                               dir.string(), ec.message())});
  };
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return folderFault(ec);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return folderFault(ec);
    const fs::path& path = it->path();
    std::error_code own;
    const fs::file_status link = it->symlink_status(own);
    if (fs::is_directory(link)) {
      walk(path, found);
      continue;
    }
    const fs::file_status status = fs::status(path, own);
    // A file gone since the folder was read was not there to run.
    if (own && !fs::is_symlink(link) && status.type() == fs::file_type::not_found) continue;
    // A link that leads nowhere (or round in a circle) cannot be read, nor can a file the user may not read.
    if (own || fs::is_regular_file(status)) {
      if (std::string why = cannotOpen(path); !why.empty()) found.push_back({path.string(), why});
      else if (looksLikeLog(path)) found.push_back({path.string(), {}});
    }
    // A pipe, a socket or a device below a folder is no log.
  }
  if (ec) folderFault(ec);
}

}  // namespace

std::vector<CampaignEntry> FindCampaignLogs(const std::vector<std::string>& inputs) {
  std::vector<CampaignEntry> logs;
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (!fs::is_directory(input, ec)) {
      logs.push_back({input, {}});
      continue;
    }
    std::vector<CampaignEntry> found;
    walk(input, found);
    std::sort(found.begin(), found.end(),
              [](const CampaignEntry& a, const CampaignEntry& b) { return a.Path < b.Path; });
    logs.insert(logs.end(), found.begin(), found.end());
  }
  return logs;
}

int RunCampaign(const CampaignOptions& o) {
  ChooseHomeDirectory(o.Home);
  CampaignDb db(o.Database);
  const std::string definitions = definitionsHash(o.Network);
  const std::vector<CampaignEntry> logs = FindCampaignLogs(o.Inputs);
  // A campaign mostly of new logs builds the query indices once at its end;
  // a few logs added to a large database update them as they are stored.
  // Either way they are there when it ends (or after the next run of one
  // that was killed).
  if (static_cast<int64_t>(logs.size()) > 2 * db.StoredLogs()) db.DeferSearchIndices();
  struct Indices {
    CampaignDb& Db;
    // Also when the campaign ends by an error; the next run retries a failure.
    ~Indices() {
      try {
        Db.BuildSearchIndices();
      } catch (...) {
      }
    }
  } indices{db};
  const unsigned cores = std::max(1u, static_cast<unsigned>(sysconf(_SC_NPROCESSORS_ONLN)));
  const unsigned jobs = o.Jobs ? o.Jobs : o.Scheduler ? 64 : cores;
  Totals totals;
  // A worker that dies shows as a closed pipe, reported with its log, not as
  // a signal that ends the campaign.
  signal(SIGPIPE, SIG_IGN);
  std::optional<Driver> driver;
  if (o.Scheduler) {
    driver.emplace();
    driver->Pid = spawn({o.Python, o.DaskDriver, *o.Scheduler}, driver->Out, driver->Err, &driver->In);
    setNonBlocking(driver->Out);
  }
  Progress progress(!o.Quiet && isatty(STDERR_FILENO) != 0, logs.size());
  // The log of the campaign that each content (hash) belongs to: a second
  // log of the same bytes is skipped.
  std::unordered_map<std::string, std::string> owner;
  // Sizes of the logs started so far, and the first of each size while its
  // hash is left to its worker: only a log of a size already seen may be a
  // copy of another, so only then is the hash needed before running.
  std::unordered_map<uint64_t, std::string> unhashed;
  std::unordered_set<uint64_t> sizes;
  size_t next = 0;

  auto unreadable = [&](LogOutcome& log) {
    log.ContentHash = "unreadable:" + log.Path;
    log.Status = "fault";
    log.Fault = fmt::format("{}: cannot read the log: {}", log.Path, strerror(errno));
    log.DropRows();
  };

  auto finish = [&](Job& job, int status, bool timedOut) {
    job.Log.RunSeconds = std::chrono::duration<double>(Clock::now() - job.Started).count();
    readWorkerOutput(job, status, timedOut, o.LogTimeout);
    LogOutcome& log = job.Log;
    if (log.ContentHash.empty()) {
      if (!job.WorkerHash.empty()) {
        log.ContentHash = job.WorkerHash;
        log.Size = job.WorkerSize;
      } else {
        // The worker ended before it read the file: hashed here.
        Sha256 hash;
        if (HashFile(log.Path, hash, &log.Size)) log.ContentHash = hash.Hex();
        else unreadable(log);
      }
      // The same bytes as an earlier log of this campaign (both were run):
      // the earlier one is kept.
      auto [it, fresh] = owner.emplace(log.ContentHash, log.Path);
      if (!fresh && it->second != log.Path) {
        ++totals.Skipped;
        return;
      }
    }
    db.Store(log);
    if (log.Status == "ok") ++totals.Ok;
    else ++totals.Faulty;
    totals.Records += static_cast<size_t>(log.Records);
    totals.Results += log.Results.size();
    if (!o.Quiet && log.Status != "ok") {
      progress.End();
      std::cerr << fmt::format("{}: {}: {}\n", log.Path, log.Status, log.Fault);
    }
  };

  // The next log to run, hashed and looked up when it may be one of the
  // database or of this campaign already; the ones to skip are counted.
  auto nextJob = [&]() -> std::unique_ptr<Job> {
    while (next < logs.size()) {
      const std::string& path = logs[next].Path;
      const std::string& cannotRead = logs[next++].Fault;
      auto job = std::make_unique<Job>();
      LogOutcome& log = job->Log;
      log.Path = path;
      log.DefinitionsHash = definitions;
      if (!cannotRead.empty()) {
        // Found below a folder, but the user may not read it: a fault of its own, as a log named would be.
        unreadable(log);
        log.Fault = cannotRead;
        db.Store(log);
        ++totals.Faulty;
        if (!o.Quiet) std::cerr << TerminalText(log.Fault) << '\n';
        continue;
      }
      struct stat st {};
      if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        // A pipe or a device cannot be read ahead for its hash: it is run every time.
        log.ContentHash = "not-a-file:" + path;
        return job;
      }
      const auto size = static_cast<uint64_t>(st.st_size);
      const bool sizeSeen = !sizes.insert(size).second;
      if (!sizeSeen && (o.Force || !db.HasCompletedOfSize(size, definitions))) {
        // No log of this size is done: this one is run whatever its hash,
        // which its worker takes as it reads the file.
        unhashed.emplace(size, path);
        return job;
      }
      if (auto first = unhashed.find(size); first != unhashed.end()) {
        // The first log of this size claims its bytes before this one is compared.
        Sha256 hash;
        if (HashFile(first->second, hash)) owner.emplace(hash.Hex(), first->second);
        unhashed.erase(first);
      }
      Sha256 hash;
      if (!HashFile(path, hash, &log.Size)) {
        unreadable(log);
        db.Store(log);
        ++totals.Faulty;
        if (!o.Quiet) std::cerr << log.Fault << '\n';
        continue;
      }
      log.ContentHash = hash.Hex();
      auto [it, fresh] = owner.emplace(log.ContentHash, path);
      if ((!fresh && it->second != path) || (!o.Force && db.HasCompleted(log.ContentHash, definitions))) {
        ++totals.Skipped;
        continue;
      }
      return job;
    }
    return nullptr;
  };

  // The next log, started: for the Dask driver.
  auto startNext = [&]() -> bool {
    std::unique_ptr<Job> job = nextJob();
    if (!job) return false;
    job->Started = Clock::now();
    nlohmann::json argv = nlohmann::json::array();
    for (const std::string& arg : workerArgs(o, job->Log.Path)) argv.push_back(BytesToHex(arg));
    nlohmann::json request{{"id", driver->NextId}, {"argv_hex", argv}, {"timeout", o.LogTimeout}};
    if (!writeAll(driver->In, request.dump() + "\n"))
      throw std::runtime_error(fmt::format("the Dask driver stopped reading: {}", strerror(errno)));
    driver->Waiting.emplace(driver->NextId++, std::move(job));
    return true;
  };

  if (driver) {
    runThroughDriver(*driver, jobs, startNext, finish, progress, totals);
  } else {
    std::vector<Server> servers(jobs);
    // Hands the next log to an idle server (started when there is none);
    // false when no log is left.
    auto give = [&](Server& s) -> bool {
      std::unique_ptr<Job> job = nextJob();
      if (!job) return false;
      if (!s.Alive()) s.Pid = spawn(workerArgs(o, ""), s.Out, s.Err, &s.In, true);
      // The path's bytes as they are: a file name need not be text.
      const std::string request = BytesToHex(job->Log.Path) + "\n";
      job->Started = Clock::now();
      job->RunQueueWaitAtStart = runQueueWait(s.Pid);
      s.Current = std::move(job);
      // A server that already died shows as its closed output below.
      writeAll(s.In, request);
      return true;
    };
    bool more = true;
    for (Server& s : servers)
      if (more) more = give(s);
    for (;;) {
      std::vector<pollfd> fds;
      for (Server& s : servers) {
        if (!s.Current) continue;
        if (s.Out >= 0) fds.push_back({s.Out, POLLIN, 0});
        if (s.Err >= 0) fds.push_back({s.Err, POLLIN, 0});
      }
      if (fds.empty()) break;
      int wait = 200;  // the progress line is redrawn meanwhile
      if (o.LogTimeout > 0) {
        for (Server& s : servers) {
          if (!s.Current) continue;
          const double left = o.LogTimeout - secondsOnLog(s);
          wait = static_cast<int>(std::clamp<double>(left * 1000 + 1, 0, wait));
        }
      }
      if (poll(fds.data(), fds.size(), wait) < 0 && errno != EINTR)
        throw std::runtime_error(fmt::format("cannot wait for the workers: {}", strerror(errno)));
      std::vector<std::tuple<std::unique_ptr<Job>, int, bool>> done;
      for (Server& s : servers) {
        if (!s.Current) continue;
        const bool open = s.Out >= 0 && drain(s.Out, s.OutText);
        if (s.Err >= 0 && !drain(s.Err, s.ErrText, 4096)) closeFd(s.Err);
        int status = 0;
        if (takeFinishedLog(s, status)) {
          done.emplace_back(std::move(s.Current), status, false);
          continue;
        }
        const bool timedOut = o.LogTimeout > 0 && secondsOnLog(s) > o.LogTimeout;
        if (timedOut) kill(-s.Pid, SIGKILL);
        if (timedOut || !open) {
          // The server died (its set-up crashed) or was stopped with its log.
          Job& job = *s.Current;
          job.OutText = std::move(s.OutText);
          if (s.Err >= 0) drain(s.Err, s.ErrText, 4096);
          job.ErrText = s.ErrText;
          status = reap(s);
          done.emplace_back(std::move(s.Current), status, timedOut);
        }
      }
      // The next logs start before these are stored, so that storing
      // overlaps with running them.
      for (Server& s : servers)
        if (more && !s.Current) more = give(s);
      for (auto& [job, status, timedOut] : done) finish(*job, status, timedOut);
      progress.Draw(totals);
    }
    for (Server& s : servers)
      if (s.Alive()) {
        closeFd(s.In);
        // Reads to the end so that the server's last write is not refused.
        if (s.Out >= 0) {
          fcntl(s.Out, F_SETFL, fcntl(s.Out, F_GETFL) & ~O_NONBLOCK);
          std::string rest;
          drain(s.Out, rest);
        }
        reap(s);
      }
  }
  db.BuildSearchIndices();
  progress.Draw(totals, true);
  progress.End();
  if (!o.Quiet)
    std::cerr << fmt::format("{} logs: {} ok, {} faulty, {} skipped; {} records, {} results, {:.3f} seconds\n",
                             logs.size(), totals.Ok, totals.Faulty, totals.Skipped, grouped(totals.Records),
                             grouped(totals.Results), progress.Seconds());
  return totals.Faulty ? 2 : 0;
}

}  // namespace eventscan
