// eventscan campaign as a user runs it: the sample logs, a capture and a
// broken log into one database, checked against what `eventscan run` prints
// for each log; a worker that crashes and one that hangs; the coordinator
// killed with SIGKILL and run again; reruns and changed definitions; the
// same campaign through a Dask cluster on the loopback address; gzip logs.
#include <fcntl.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "campaign/campaign_db.h"
#include "testing/capture_pcap.h"
#include "campaign_support.h"
#include "testing/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using campaign::Ran;

std::string quoted(const std::string& s) { return campaign::Quoted(s); }
Ran run(const std::string& args, const fs::path& work) { return campaign::Run(args, work); }
std::vector<std::string> query(const fs::path& db, const std::string& sql) { return campaign::Query(db, sql); }

// The number of logs stored so far, -1 while the database is being made.
long logsStored(const fs::path& db) {
  sqlite3* h = nullptr;
  long n = -1;
  if (sqlite3_open_v2(db.c_str(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
    sqlite3_busy_timeout(h, 1000);
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(h, "SELECT count(*) FROM logs", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
      n = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
  }
  sqlite3_close(h);
  return n;
}

// Everything a campaign keeps but its timings and row numbers.
std::vector<std::string> contents(const fs::path& db) {
  std::vector<std::string> all;
  for (const char* sql :
       {"SELECT path, size, content_hash, definitions_hash, network, device_type, records, first_time, last_time, "
        "round(route_m, 3), status, fault FROM logs ORDER BY path",
        "SELECT l.path, r.seq, r.record, r.time, r.event_id, r.event, r.kind, r.network, r.details, r.latitude, "
        "r.longitude, r.serving_cell, r.serving_signal FROM results r JOIN logs l ON l.id = r.log_id "
        "ORDER BY l.path, r.seq",
        "SELECT l.path, r.seq, v.name, v.value, v.unit FROM detail_values v JOIN results r ON r.id = v.result_id "
        "JOIN logs l ON l.id = r.log_id ORDER BY l.path, r.seq, v.rowid",
        "SELECT l.path, f.source, f.line, f.text FROM faults f JOIN logs l ON l.id = f.log_id ORDER BY l.path, "
        "f.rowid",
        "SELECT l.path, k.seq, k.name, k.kind, k.value, k.numerator, k.denominator, k.count, k.mean, k.median, k.p90, "
        "k.max, k.unit, k.notes FROM kpis k JOIN logs l ON l.id = k.log_id ORDER BY l.path, k.seq",
        "SELECT l.path, k.seq, b.seq, b.label, b.count, b.share FROM kpi_bins b JOIN kpis k ON k.id = b.kpi_id "
        "JOIN logs l ON l.id = k.log_id ORDER BY l.path, k.seq, b.seq",
        "SELECT l.path, p.seq, p.latitude, p.longitude FROM route_points p JOIN logs l ON l.id = p.log_id "
        "ORDER BY l.path, p.seq"}) {
    std::vector<std::string> rows = query(db, sql);
    all.insert(all.end(), rows.begin(), rows.end());
  }
  return all;
}

// The rows `eventscan run` prints for a log, as the database keeps them.
std::vector<std::string> runRows(const fs::path& log, const fs::path& home, const fs::path& work) {
  Ran r = run("run " + quoted(log) + " --home " + quoted(home) + " --format jsonl", work);
  EXPECT_EQ(r.Status, 0) << r.Err;
  std::vector<std::string> rows;
  std::istringstream lines(r.Out);
  for (std::string line; std::getline(lines, line);) {
    json j = json::parse(line);
    std::string details;
    for (const auto& d : j["details"]) details += (details.empty() ? "" : "\n") + d.get<std::string>();
    rows.push_back(std::to_string(j["record"].get<int>()) + "\t" + j["time"].get<std::string>() + "\t" +
                   j["event"].get<std::string>() + "\t" + j["kind"].get<std::string>() + "\t" +
                   j["network"].get<std::string>() + "\t" + details);
  }
  return rows;
}

std::vector<std::string> storedRows(const fs::path& db, const fs::path& log) {
  return query(db, "SELECT r.record, r.time, r.event, r.kind, r.network, r.details FROM results r JOIN logs l ON "
                   "l.id = r.log_id WHERE l.path = '" + log.string() + "' ORDER BY r.seq");
}

// The sample logs under `dir`, each `copies` times with a different number
// of blank lines at its end (the same results, another content).
std::vector<fs::path> sampleLogs(const fs::path& dir, int copies = 1) {
  fs::create_directories(dir);
  std::vector<fs::path> logs;
  for (int c = 0; c < copies; ++c)
    for (const char* name : e2e::SampleNames) {
      fs::path to = dir / (std::string(name) + (copies > 1 ? "-" + std::to_string(c) : "") + ".jsonl");
      e2e::WriteFile(to, e2e::ReadFile(e2e::SampleLog(name)) + std::string(static_cast<size_t>(c), '\n'));
      logs.push_back(to);
    }
  return logs;
}

fs::path captureFor(const fs::path& dir) {
  const char* shared = std::getenv("EVENTMANAGER_CAPTURES");
  fs::path real = fs::path(shared && *shared ? shared : EVENTMANAGER_CAPTURE_DIR) / "handset-2g3g-2018.pcap";
  if (fs::exists(real)) return real;
  std::vector<e2e::GsmtapFrame> frames(2);
  frames[0].Payload = e2e::Hex("05 24 11 03 33 19 a2 05 f4 08 43 e8 bc");  // CM Service Request
  frames[1].Payload = e2e::Hex("05 22 11");                                // CM Service Reject, network failure
  frames[1].Time += 2;
  fs::path written = dir / "written.pcap";
  e2e::WritePcap(written, frames);
  return written;
}

TEST(Campaign, DatabaseHoldsEveryRowRunPrintsAndTheBrokenLogWithItsFault) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  e2e::TempDir work;
  std::vector<fs::path> logs = sampleLogs(work.Path() / "logs");
  logs.push_back(captureFor(work.Path()));
  const fs::path broken = work.Path() / "logs" / "broken.jsonl";
  e2e::WriteFile(broken, "{\"format\": \"eventscan-log\", \"version\": 1, \"network\": \"GSM\"}\nnot json\n");
  const fs::path db = work.Path() / "campaign.sqlite";
  Ran r = run("campaign " + quoted(work.Path() / "logs") + " " + quoted(logs.back()) + " --db " + quoted(db) +
                  " --home " + quoted(home.Path()) + " --jobs 2",
              work.Path());
  EXPECT_EQ(r.Status, 0) << r.Err;  // a malformed line is skipped, as `run` skips it
  for (const fs::path& log : logs) {
    SCOPED_TRACE(log.string());
    std::vector<std::string> expected = runRows(log, home.Path(), work.Path());
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(storedRows(db, log), expected);
    EXPECT_EQ(query(db, "SELECT status FROM logs WHERE path = '" + log.string() + "'"),
              std::vector<std::string>{"ok"});
  }
  EXPECT_EQ(query(db, "SELECT f.line, f.text LIKE '%broken.jsonl:2:%' FROM faults f JOIN logs l ON l.id = f.log_id "
                      "WHERE l.path = '" + broken.string() + "'"),
            std::vector<std::string>{"2\t1"});
  EXPECT_EQ(query(db, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
  EXPECT_EQ(query(db, "PRAGMA journal_mode"), std::vector<std::string>{"wal"});
  EXPECT_EQ(query(db, "PRAGMA user_version"), std::vector<std::string>{"2"});
  // A log with no header at all cannot be run: a fault of its own, and exit status 2.
  const fs::path headless = work.Path() / "headless.jsonl";
  e2e::WriteFile(headless, "garbage\n");
  r = run("campaign " + quoted(headless) + " --db " + quoted(db) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(query(db, "SELECT status, fault LIKE '%headless.jsonl:1:%' FROM logs WHERE path = '" +
                          headless.string() + "'"),
            std::vector<std::string>{"fault\t1"});
}

TEST(Campaign, CrashingAndHangingWorkersAreFaultsOfTheirLogOnly) {
  e2e::TempHome home;
  e2e::TempDir work;
  std::vector<fs::path> logs = sampleLogs(work.Path() / "logs");
  const fs::path db = work.Path() / "campaign.sqlite";
  Ran r = run("campaign " + quoted(work.Path() / "logs") + " --db " + quoted(db) + " --home " +
                  quoted(home.Path()) + " --library " + quoted(ABORTING_LIBRARY),
              work.Path());
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(query(db, "SELECT count(*) FROM logs WHERE status = 'crashed' AND fault LIKE '%signal 6%'"),
            std::vector<std::string>{"4"});
  EXPECT_EQ(query(db, "SELECT count(*) FROM results"), std::vector<std::string>{"0"});

  // A named pipe nobody writes: its worker waits for ever and is stopped.
  // The limit leaves out time spent waiting for a core, so the good logs
  // cannot reach it however loaded the machine is.
  const fs::path fifo = work.Path() / "hangs.jsonl";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  r = run("campaign " + quoted(work.Path() / "logs") + " " + quoted(fifo) + " --db " + quoted(db) + " --home " +
              quoted(home.Path()) + " --log-timeout 2",
          work.Path());
  EXPECT_EQ(r.Status, 2);
  EXPECT_EQ(query(db, "SELECT status FROM logs WHERE path = '" + fifo.string() + "'"),
            std::vector<std::string>{"timeout"});
  for (const fs::path& log : logs) EXPECT_EQ(storedRows(db, log), runRows(log, home.Path(), work.Path()));
}

// A process of the test, stopped with it.
struct Child {
  pid_t Pid = -1;
  ~Child() {
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, nullptr, 0);
    }
  }
};

pid_t start(const std::vector<std::string>& args, const fs::path& log) {
  pid_t pid = fork();
  if (pid == 0) {
    int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, 1);
    dup2(out, 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// /proc/PID/stat, empty once the process is gone.
std::string procStat(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/stat");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The processes whose parent is `parent`.
std::vector<pid_t> childrenOf(pid_t parent) {
  std::vector<pid_t> found;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::string stat = procStat(name);
    // pid (comm) state ppid ...: comm may hold spaces, so read after the last ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream rest(stat.substr(close + 1));
    std::string state;
    pid_t ppid = -1;
    rest >> state >> ppid;
    if (ppid == parent) found.push_back(static_cast<pid_t>(std::stol(name)));
  }
  return found;
}

// Whether the process has ended (gone, or a zombie nobody reaped).
bool ended(pid_t pid) {
  std::string stat = procStat(std::to_string(pid));
  const size_t close = stat.rfind(')');
  return close == std::string::npos || stat.compare(close + 1, 3, " Z ") == 0;
}

// A Dask cluster on the loopback address, a scheduler and two workers of one
// thread each, stopped with the object; its address, empty (with a failure)
// when it does not start.
struct DaskCluster {
  Child Scheduler, Worker1, Worker2;
};

bool DaskInstalled() {
  return std::system("/usr/bin/python3 -c 'import distributed' >/dev/null 2>&1") == 0 &&
         fs::exists("/usr/bin/dask-scheduler") && fs::exists("/usr/bin/dask-worker");
}

std::string startDask(const fs::path& work, DaskCluster& cluster) {
  const fs::path file = work / "scheduler.json";
  cluster.Scheduler.Pid = start({"/usr/bin/python3", "/usr/bin/dask-scheduler", "--host", "127.0.0.1", "--port", "0",
                                 "--no-dashboard", "--scheduler-file", file.string()},
                                work / "scheduler.log");
  for (int i = 0; i < 6000 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!fs::exists(file)) {
    ADD_FAILURE() << e2e::ReadFile(work / "scheduler.log");
    return {};
  }
  json info;
  for (int i = 0; i < 600; ++i) {  // the file may be seen before it is written whole
    info = json::parse(e2e::ReadFile(file), nullptr, false);
    if (!info.is_discarded() && info.contains("address")) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string address = info.value("address", "");
  if (address.rfind("tcp://127.0.0.1:", 0) != 0) {
    ADD_FAILURE() << address;
    return {};
  }
  for (Child* w : {&cluster.Worker1, &cluster.Worker2})
    w->Pid = start({"/usr/bin/python3", "/usr/bin/dask-worker", address, "--nworkers", "1", "--nthreads", "1",
                    "--no-dashboard", "--host", "127.0.0.1"},
                   work / ("worker" + std::to_string(w == &cluster.Worker1 ? 1 : 2) + ".log"));
  return address;
}

TEST(Campaign, KilledCoordinatorLeavesWholeLogsAndARerunCompletesIt) {
  e2e::TempHome home;
  e2e::TempDir work;
  std::vector<fs::path> logs = sampleLogs(work.Path() / "logs", 2);  // 8 logs: cdma-0 .. umts-1
  const fs::path db = work.Path() / "killed.sqlite", whole = work.Path() / "whole.sqlite";
  // A pipe named in the middle holds the coordinator (one job) after the
  // logs before it have been committed.
  const fs::path fifo = work.Path() / "hold.jsonl";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const size_t before = logs.size() / 2;
  std::vector<std::string> args{EVENTSCAN_PROGRAM, "campaign"};
  for (size_t i = 0; i < logs.size(); ++i) {
    if (i == before) args.push_back(fifo.string());
    args.push_back(logs[i].string());
  }
  for (const std::string& a : std::vector<std::string>{"--db", db.string(), "--home", home.Path().string(), "--jobs", "1", "--quiet"})
    args.push_back(a);
  pid_t coordinator = start(args, work.Path() / "killed.log");
  ASSERT_GT(coordinator, 0);
  // Waits for those logs (no timing assumed: the pipe holds the coordinator there).
  for (int i = 0; i < 6000; ++i) {
    if (fs::exists(db) && logsStored(db) == static_cast<long>(before)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // The worker, and the process of its log, which waits in the pipe.
  std::vector<pid_t> workers;
  for (int i = 0; i < 6000 && workers.size() < 2; ++i) {
    workers.clear();
    for (pid_t worker : childrenOf(coordinator)) {
      workers.push_back(worker);
      for (pid_t child : childrenOf(worker)) workers.push_back(child);
    }
    if (workers.size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(workers.size(), 2u);
  kill(coordinator, SIGKILL);
  waitpid(coordinator, nullptr, 0);
  // They end with the coordinator, the one waiting for a log too.
  for (pid_t p : workers) {
    for (int i = 0; i < 6000 && !ended(p); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(ended(p)) << p;
  }
  // Had they not, the pipe's log is let end (never blocks: fails without a reader).
  int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
  if (writer >= 0) close(writer);
  EXPECT_EQ(query(db, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
  EXPECT_EQ(query(db, "SELECT count(*) FROM logs"), std::vector<std::string>{std::to_string(before)});
  fs::remove(fifo);

  Ran r = run("campaign " + quoted(work.Path() / "logs") + " --db " + quoted(db) + " --home " + quoted(home.Path()),
              work.Path());
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Err.find(std::to_string(logs.size() - before) + " ok, 0 faulty, " + std::to_string(before) +
                       " skipped"),
            std::string::npos)
      << r.Err;
  r = run("campaign " + quoted(work.Path() / "logs") + " --db " + quoted(whole) + " --home " + quoted(home.Path()),
          work.Path());
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(contents(db), contents(whole));
  for (const fs::path& log : logs) EXPECT_EQ(storedRows(db, log), runRows(log, home.Path(), work.Path()));

  // Run again: nothing to do. Definitions changed: everything again, same rows.
  r = run("campaign " + quoted(work.Path() / "logs") + " --db " + quoted(db) + " --home " + quoted(home.Path()),
          work.Path());
  EXPECT_NE(r.Err.find("0 ok, 0 faulty, 8 skipped"), std::string::npos) << r.Err;
  std::ofstream(home.Path() / "EventsDefine.cfg", std::ios::app) << "\n<!-- edited -->\n";
  r = run("campaign " + quoted(work.Path() / "logs") + " --db " + quoted(db) + " --home " + quoted(home.Path()),
          work.Path());
  EXPECT_NE(r.Err.find("8 ok, 0 faulty, 0 skipped"), std::string::npos) << r.Err;
  EXPECT_EQ(query(db, "SELECT count(DISTINCT definitions_hash), count(*) FROM logs"),
            std::vector<std::string>{"1\t8"});
  r = run("campaign " + quoted(work.Path() / "logs") + " --db " + quoted(db) + " --home " + quoted(home.Path()) +
              " --force",
          work.Path());
  EXPECT_NE(r.Err.find("8 ok, 0 faulty, 0 skipped"), std::string::npos) << r.Err;
}

TEST(Campaign, AWorkerProcessKilledInItsLogCostsThatLogOnlyAndTheNextLogsRun) {
  e2e::TempHome home;
  e2e::TempDir work;
  std::vector<fs::path> logs = sampleLogs(work.Path() / "logs");  // cdma gsm tdscdma umts
  const fs::path fifo = work.Path() / "stuck.jsonl";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const fs::path db = work.Path() / "campaign.sqlite";
  std::vector<std::string> args{EVENTSCAN_PROGRAM, "campaign", logs[0].string(), fifo.string()};
  for (size_t i = 1; i < logs.size(); ++i) args.push_back(logs[i].string());
  for (const char* a : {"--jobs", "1", "--quiet", "--db"}) args.push_back(a);
  args.push_back(db.string());
  args.push_back("--home");
  args.push_back(home.Path().string());
  pid_t coordinator = start(args, work.Path() / "coordinator.log");
  ASSERT_GT(coordinator, 0);
  // The process that runs the pipe's log waits in it (no timing assumed): it
  // is a child of the worker, which is the coordinator's child.
  pid_t stuck = -1;
  for (int i = 0; i < 6000 && stuck < 0; ++i) {
    if (logsStored(db) == 1)
      for (pid_t worker : childrenOf(coordinator))
        for (pid_t child : childrenOf(worker)) stuck = child;
    if (stuck < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GT(stuck, 0) << e2e::ReadFile(work.Path() / "coordinator.log");
  // SIGKILL rather than a SIGSEGV: a sanitizer build catches the latter and
  // exits instead of dying by the signal, and no process can catch this one.
  kill(stuck, SIGKILL);
  int status = 0;
  waitpid(coordinator, &status, 0);
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 2);
  EXPECT_EQ(query(db, "SELECT status, fault LIKE '%signal 9%' FROM logs WHERE path = '" + fifo.string() + "'"),
            std::vector<std::string>{"crashed\t1"});
  EXPECT_EQ(query(db, "SELECT count(*) FROM results r JOIN logs l ON l.id = r.log_id WHERE l.path = '" +
                          fifo.string() + "'"),
            std::vector<std::string>{"0"});
  for (const fs::path& log : logs) {
    SCOPED_TRACE(log.string());
    EXPECT_EQ(query(db, "SELECT status FROM logs WHERE path = '" + log.string() + "'"), std::vector<std::string>{"ok"});
    EXPECT_EQ(storedRows(db, log), runRows(log, home.Path(), work.Path()));
  }
}

// The SHA-256 of a file as sha256sum prints it.
std::string sha256sum(const fs::path& file, const fs::path& work) {
  const fs::path out = work / "sha256.txt";
  EXPECT_EQ(std::system(("sha256sum " + quoted(file) + " >" + quoted(out)).c_str()), 0);
  return e2e::ReadFile(out).substr(0, 64);
}

TEST(Campaign, ALogChangedInPlaceAtTheSameSizeRunsAgainAndACopyIsSkipped) {
  e2e::TempHome home;
  e2e::TempDir work;
  const fs::path dir = work.Path() / "logs";
  fs::create_directories(dir);
  const fs::path log = dir / "a.jsonl", copy = dir / "b.jsonl";
  e2e::WriteFile(log, e2e::ReadFile(e2e::SampleLog("gsm")));
  e2e::WriteFile(copy, e2e::ReadFile(log));
  const fs::path db = work.Path() / "campaign.sqlite";
  const std::string campaign = "campaign " + quoted(dir) + " --db " + quoted(db) + " --home " + quoted(home.Path());
  // Two logs of the same bytes in one campaign: the first by path is kept.
  Ran r = run(campaign, work.Path());
  EXPECT_NE(r.Err.find("1 ok, 0 faulty, 1 skipped"), std::string::npos) << r.Err;
  EXPECT_EQ(query(db, "SELECT path, size, content_hash FROM logs"),
            std::vector<std::string>{log.string() + "\t" + std::to_string(fs::file_size(log)) + "\t" +
                                     sha256sum(log, work.Path())});
  fs::remove(copy);

  // One level changed where it stands, the size and the modification time kept.
  struct stat before {};
  ASSERT_EQ(stat(log.c_str(), &before), 0);
  std::string text = e2e::ReadFile(log);
  const size_t at = text.find("\"RxLevSub\": -71");
  ASSERT_NE(at, std::string::npos);
  {
    std::fstream f(log, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at));
    f << "\"RxLevSub\": -48";
  }
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, log.c_str(), times, 0), 0);
  struct stat after {};
  ASSERT_EQ(stat(log.c_str(), &after), 0);
  ASSERT_EQ(after.st_size, before.st_size);
  ASSERT_EQ(after.st_ino, before.st_ino);
  r = run(campaign, work.Path());
  EXPECT_NE(r.Err.find("1 ok, 0 faulty, 0 skipped"), std::string::npos) << r.Err;
  EXPECT_EQ(query(db, "SELECT content_hash FROM logs"), std::vector<std::string>{sha256sum(log, work.Path())});
  EXPECT_EQ(storedRows(db, log), runRows(log, home.Path(), work.Path()));
  r = run(campaign, work.Path());
  EXPECT_NE(r.Err.find("0 ok, 0 faulty, 1 skipped"), std::string::npos) << r.Err;
}

TEST(Campaign, DaskClusterOnLoopbackGivesTheLocalRunsDatabase) {
  if (!DaskInstalled())
    GTEST_SKIP() << "Dask is not installed (Debian package python3-distributed); the Dask campaign is skipped";
  e2e::TempHome home;
  e2e::TempDir work;
  sampleLogs(work.Path() / "logs");
  const fs::path broken = work.Path() / "broken.jsonl";
  e2e::WriteFile(broken, "garbage\n");
  DaskCluster cluster;
  const std::string address = startDask(work.Path(), cluster);
  ASSERT_FALSE(address.empty());

  const fs::path local = work.Path() / "local.sqlite", dask = work.Path() / "dask.sqlite";
  Ran r = run("campaign " + quoted(work.Path() / "logs") + " " + quoted(broken) + " --db " + quoted(local) +
                  " --home " + quoted(home.Path()),
              work.Path());
  EXPECT_EQ(r.Status, 2) << r.Err;
  r = run("campaign " + quoted(work.Path() / "logs") + " " + quoted(broken) + " --db " + quoted(dask) + " --home " +
              quoted(home.Path()) + " --scheduler " + address,
          work.Path());
  EXPECT_EQ(r.Status, 2) << r.Err;
  EXPECT_EQ(contents(dask), contents(local));
  EXPECT_EQ(query(dask, "SELECT count(*) FROM logs WHERE status = 'ok'"), std::vector<std::string>{"4"});
}

// File names a file system holds that are not text (written by another
// system, in another encoding): each log runs, locally and on Dask, and the
// database keeps its path byte for byte, so that the path stored opens the
// file. A broken log among them costs that log only, on Dask too.
TEST(Campaign, FileNamesThatAreNotTextRunAndAreStoredByteForByte) {
  e2e::TempHome home;
  e2e::TempDir work;
  const fs::path logs = work.Path() / "logs";
  fs::create_directories(logs);
  const std::vector<std::pair<std::string, const char*>> named = {
      {"caf\xe9.jsonl", "gsm"}, {"\xff\xfe x.jsonl", "umts"}, {"plain.jsonl", "cdma"}};
  for (const auto& [name, sample] : named) fs::copy_file(e2e::SampleLog(sample), logs / name);
  e2e::WriteFile(logs / "\xff broken.jsonl", "{garbage\n");
  const fs::path local = work.Path() / "local.sqlite";
  Ran r = run("campaign " + quoted(logs) + " --db " + quoted(local) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_EQ(r.Status, 2) << r.Err;
  EXPECT_EQ(query(local, "SELECT path, status FROM logs ORDER BY path"),
            (std::vector<std::string>{(logs / "caf\xe9.jsonl").string() + "\tok",
                                      (logs / "plain.jsonl").string() + "\tok",
                                      (logs / "\xff broken.jsonl").string() + "\tfault",
                                      (logs / "\xff\xfe x.jsonl").string() + "\tok"}));
  for (const std::string& path : query(local, "SELECT path FROM logs WHERE status = 'ok'")) {
    EXPECT_TRUE(fs::is_regular_file(path)) << path;
    EXPECT_EQ(storedRows(local, path), runRows(path, home.Path(), work.Path())) << path;
  }
  if (!DaskInstalled())
    GTEST_SKIP() << "Dask is not installed (Debian package python3-distributed); the Dask campaign is skipped";
  DaskCluster cluster;
  const std::string address = startDask(work.Path(), cluster);
  ASSERT_FALSE(address.empty());
  const fs::path dask = work.Path() / "dask.sqlite";
  r = run("campaign " + quoted(logs) + " --db " + quoted(dask) + " --home " + quoted(home.Path()) + " --scheduler " +
              address,
          work.Path());
  EXPECT_EQ(r.Status, 2) << r.Err;
  EXPECT_EQ(contents(dask), contents(local));
}

// The Dask driver ends with its coordinator: killed while a log of the
// campaign is still running on the cluster (a named pipe nobody writes), the
// coordinator leaves no driver behind.
TEST(Campaign, TheDaskDriverEndsWithItsCoordinator) {
  if (!DaskInstalled())
    GTEST_SKIP() << "Dask is not installed (Debian package python3-distributed); the Dask campaign is skipped";
  e2e::TempHome home;
  e2e::TempDir work;
  DaskCluster cluster;
  const std::string address = startDask(work.Path(), cluster);
  ASSERT_FALSE(address.empty());
  const fs::path fifo = work.Path() / "hangs.jsonl";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Child coordinator;
  coordinator.Pid = start({EVENTSCAN_PROGRAM, "campaign", fifo.string(), "--db", (work.Path() / "c.sqlite").string(),
                           "--home", home.Path().string(), "--scheduler", address},
                          work.Path() / "coordinator.log");
  // The log's worker has the pipe open once the task runs on the cluster.
  int writer = -1;
  for (int i = 0; i < 6000 && writer < 0; ++i) {
    writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_GE(writer, 0) << e2e::ReadFile(work.Path() / "coordinator.log");
  const std::vector<pid_t> drivers = childrenOf(coordinator.Pid);
  ASSERT_EQ(drivers.size(), 1u);
  kill(coordinator.Pid, SIGKILL);
  waitpid(coordinator.Pid, nullptr, 0);
  coordinator.Pid = -1;
  bool gone = false;
  for (int i = 0; i < 6000 && !gone; ++i) {
    gone = ended(drivers[0]);
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone) << "the driver outlived its coordinator";
  if (!gone) kill(drivers[0], SIGKILL);
  close(writer);  // the worker reads the end of its log and ends
}

TEST(Campaign, GzipLogGivesTheSameRowsAndADamagedOneKeepsTheRecordsBefore) {
  e2e::TempHome home;
  e2e::TempDir work;
  const fs::path plain = work.Path() / "gsm.jsonl", packed = work.Path() / "gsm.jsonl.gz";
  fs::copy_file(e2e::SampleLog("gsm"), plain);
  ASSERT_EQ(std::system(("gzip -9 -k -c " + quoted(plain) + " >" + quoted(packed)).c_str()), 0);
  EXPECT_EQ(runRows(packed, home.Path(), work.Path()), runRows(plain, home.Path(), work.Path()));

  // Cut in the middle: what is inflated before the cut (python's zlib is the
  // oracle) is read; the cut is reported with the byte it is at.
  const std::string bytes = e2e::ReadFile(packed);
  const size_t cut = bytes.size() / 2;
  const fs::path damaged = work.Path() / "cut.gz";
  e2e::WriteFile(damaged, bytes.substr(0, cut));
  const fs::path prefix = work.Path() / "prefix.txt";
  ASSERT_EQ(std::system(("/usr/bin/python3 -c \"import sys,zlib; d=zlib.decompressobj(31); "
                         "sys.stdout.write(str(d.decompress(open(sys.argv[1],'rb').read()).count(b'\\n')))\" " +
                         quoted(damaged) + " >" + quoted(prefix))
                            .c_str()),
            0);
  const int completeLines = std::stoi(e2e::ReadFile(prefix));
  Ran r = run("run " + quoted(damaged) + " --home " + quoted(home.Path()) + " --parse-only", work.Path());
  EXPECT_NE(r.Err.find(std::to_string(completeLines - 1) + " records"), std::string::npos) << r.Err;
  r = run("run " + quoted(damaged) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_NE(r.Err.find("ends early, at byte " + std::to_string(cut)), std::string::npos) << r.Err;

  const fs::path db = work.Path() / "campaign.sqlite";
  run("campaign " + quoted(packed) + " " + quoted(damaged) + " --db " + quoted(db) + " --home " + quoted(home.Path()),
      work.Path());
  EXPECT_EQ(storedRows(db, packed), runRows(plain, home.Path(), work.Path()));
  EXPECT_EQ(query(db, "SELECT status, records, fault LIKE '%at byte " + std::to_string(cut) +
                          "%' FROM logs WHERE path = '" + damaged.string() + "'"),
            std::vector<std::string>{"damaged\t" + std::to_string(completeLines - 1) + "\t1"});
}

// Captures are often kept compressed and are sometimes cut off by the tool
// that wrote them: a compressed one runs as the plain one does, and a cut one
// is damaged as a cut compressed log is (the rows before, and exit status 2),
// in `run` and in a campaign, whose faults table has each malformed frame;
// one cut by a short snapshot length says that events may be missing.
TEST(Campaign, ACompressedCaptureRunsAsThePlainOneAndACutOneIsDamaged) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  e2e::TempDir work;
  // Ten calls set up and rejected by the network (a Call Setup Failure
  // each), then a Disconnect cut inside its cause (frame 21, malformed), then
  // one more rejected call: 23 frames.
  std::vector<e2e::GsmtapFrame> frames;
  auto call = [&frames](double at) {
    e2e::GsmtapFrame request, reject;
    request.Payload = e2e::Hex("05 24 11 03 33 19 a2 05 f4 08 43 e8 bc");  // CM Service Request
    request.Uplink = true;
    request.Time += at;
    reject.Payload = e2e::Hex("05 22 11");  // CM Service Reject, network failure
    reject.Time += at + 2;
    frames.push_back(request);
    frames.push_back(reject);
  };
  for (int i = 0; i < 10; ++i) call(10.0 * i);
  e2e::GsmtapFrame broken;
  broken.Payload = e2e::Hex("83 25 02 e2");
  broken.Time += 101;
  frames.push_back(broken);
  call(110);
  const fs::path plain = work.Path() / "calls.pcap", packed = work.Path() / "calls.pcap.gz";
  e2e::WritePcap(plain, frames);
  ASSERT_EQ(std::system(("gzip -c " + quoted(plain) + " >" + quoted(packed)).c_str()), 0);
  const std::string h = " --home " + quoted(home.Path());
  Ran a = run("run " + quoted(plain) + h + " --format csv", work.Path());
  Ran b = run("run " + quoted(packed) + h + " --format csv", work.Path());
  EXPECT_EQ(a.Status, 0) << a.Err;
  EXPECT_EQ(b.Status, 0) << b.Err;
  EXPECT_EQ(b.Out, a.Out);
  const auto failures = [](const std::string& text) {
    size_t n = 0;
    for (size_t at = 0; (at = text.find(",Call Setup Failure,", at)) != std::string::npos; ++at) ++n;
    return n;
  };
  EXPECT_EQ(failures(a.Out), 11u) << a.Out;
  EXPECT_NE(a.Err.find("calls.pcap: frame 21: "), std::string::npos) << a.Err;

  // Cut inside the last frame (the last reject): tshark reads 22 frames.
  const std::string bytes = e2e::ReadFile(plain);
  const fs::path cut = work.Path() / "cut.pcap";
  e2e::WriteFile(cut, bytes.substr(0, bytes.size() - 2));
  Ran c = run("run " + quoted(cut) + h + " --format csv", work.Path());
  EXPECT_EQ(c.Status, 2) << c.Err;
  EXPECT_NE(c.Err.find("fault: " + cut.string() + ": tshark stopped after frame 22"), std::string::npos) << c.Err;
  EXPECT_EQ(c.Out, a.Out.substr(0, a.Out.rfind('\n', a.Out.size() - 2) + 1)) << "all rows but the last call's";
  EXPECT_EQ(failures(c.Out), 10u) << c.Out;
  EXPECT_EQ(run("run " + quoted(cut) + h + " --parse-only", work.Path()).Status, 2);

  const fs::path db = work.Path() / "campaign.sqlite";
  Ran r = run("campaign " + quoted(packed) + " " + quoted(cut) + " --db " + quoted(db) + h, work.Path());
  EXPECT_EQ(r.Status, 2) << r.Err;
  EXPECT_EQ(query(db, "SELECT path, status, records, coalesce(fault LIKE '%tshark stopped after frame 22%', 'none') "
                      "FROM logs ORDER BY path"),
            (std::vector<std::string>{packed.string() + "\tok\t23\tnone", cut.string() + "\tdamaged\t22\t1"}));
  EXPECT_EQ(query(db, "SELECT l.path, f.source, f.line FROM faults f JOIN logs l ON l.id = f.log_id ORDER BY l.path"),
            (std::vector<std::string>{packed.string() + "\tlog\t21", cut.string() + "\tlog\t21"}));
  // Its text is the line `run` prints for it, with the capture's own name.
  const std::string tag = "calls.pcap: frame 21: ";
  const size_t printed = a.Err.find(tag);
  ASSERT_NE(printed, std::string::npos);
  const std::string reason = a.Err.substr(printed + tag.size(), a.Err.find('\n', printed) - printed - tag.size());
  EXPECT_EQ(query(db, "SELECT f.text FROM faults f JOIN logs l ON l.id = f.log_id WHERE l.path = '" + cut.string() +
                          "'"),
            std::vector<std::string>{cut.string() + ": frame 21: " + reason});
  EXPECT_EQ(query(db, "SELECT count(*) FROM results r JOIN logs l ON l.id = r.log_id WHERE l.path = '" +
                          packed.string() + "' AND r.event = 'Call Setup Failure'"),
            std::vector<std::string>{"11"});

  // Cut to 60 bytes a frame by Wireshark's editcap, as a short snapshot
  // length leaves a capture: every frame here is longer (the shortest, a
  // reject, is 61 bytes), and no frame looks malformed for it, so the run
  // says once that events may be missing, and the campaign keeps it.
  if (std::system("editcap -h >/dev/null 2>&1") != 0) return;
  const fs::path shortSnap = work.Path() / "snap60.pcap";
  ASSERT_EQ(std::system(("editcap -s 60 " + quoted(plain) + " " + quoted(shortSnap)).c_str()), 0);
  Ran s = run("run " + quoted(shortSnap) + h + " --format csv", work.Path());
  EXPECT_EQ(s.Status, 0) << s.Err;
  EXPECT_NE(s.Err.find(shortSnap.string() + ": 23 frames (the first is frame 1) are cut short by the capture's "
                                            "snapshot length of 60 bytes"),
            std::string::npos)
      << s.Err;
  run("campaign " + quoted(shortSnap) + " --db " + quoted(db) + h, work.Path());
  EXPECT_EQ(query(db, "SELECT count(*) FROM faults f JOIN logs l ON l.id = f.log_id WHERE l.path = '" +
                          shortSnap.string() + "' AND f.line IS NULL AND f.text LIKE '%snapshot length of 60 bytes%'"),
            std::vector<std::string>{"1"});
}

TEST(Campaign, DetailLinesGiveTheirNumbersAndUnits) {
  struct Case {
    const char* Line;
    std::optional<eventscan::DetailValue> Want;
  };
  const Case cases[] = {
      {"Delay: 0.654 (s)", eventscan::DetailValue{"Delay", 0.654, "s"}},
      {"Average: 1,720,387 (bps)", eventscan::DetailValue{"Average", 1720387, "bps"}},
      {"\"Total Time: 5.776 (s) ", eventscan::DetailValue{"Total Time", 5.776, "s"}},
      {"Error Code: 38", eventscan::DetailValue{"Error Code", 38, ""}},
      {"Send SMS Delay: 10216 (ms) ", eventscan::DetailValue{"Send SMS Delay", 10216, "ms"}},
      {"BCCH: 62 --> 70", std::nullopt},
      {"Drop Reason: PPP drop", std::nullopt},
      {"Request DLRate=384", std::nullopt},
      {"Average: 1,72,387 (bps)", std::nullopt},
      {"Delay: 0. (s)", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Line);
    auto got = eventscan::ParseDetailValue(c.Line);
    ASSERT_EQ(got.has_value(), c.Want.has_value());
    if (!got) continue;
    EXPECT_EQ(got->Name, c.Want->Name);
    EXPECT_DOUBLE_EQ(got->Value, c.Want->Value);
    EXPECT_EQ(got->Unit, c.Want->Unit);
  }
}

}  // namespace
