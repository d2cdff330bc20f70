// Re-measures the speed and memory table of eventscan in one run and prints
// it as a Markdown table beside the goals:
//  - FeedRecord through the host session eventscan uses (50 message and 10
//    gate events; 70 % measurements, 25 % messages, 5 % test items; the log
//    in memory): records per second of CPU and of wall time, allocations per
//    record and per result counted by this program's operator new;
//  - eventscan's parse of a log against a plain simdjson on-demand program
//    over the same file (simdjson_lines, a child process as eventscan is),
//    and eventscan end to end against the same program;
//  - peak resident memory of `eventscan run` at N and 4 N records, and the
//    scaling exponent of end-to-end time from N to 4 N records;
//  - feed time with 10 and with 1000 message events no record matches, and
//    with 100 and 1000 expression gates.
// Every figure is the median of paired runs (ours, then the reference, next
// to each other). Each feed configuration runs in a child process of its own
// (the library reads its definitions once, when it loads); eventscan runs
// as a child too, so its peak memory is its own.
//
// Usage: speed_table [--records N] [--large N] [--reps R] [--quick]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <simdjson.h>

#include "eventmanager/outside/message_codes.h"
#include "host/final_rows.h"
#include "host/host_library.h"
#include "host/host_session.h"
#include "host/large_pages.h"
#include "log/log_reader.h"
#include "log_generator.h"

namespace fs = std::filesystem;

// Every allocation of the process, the events library's included (it is
// loaded into this process and its operator new resolves to this one).
#include "testing/counting_allocator.h"

namespace {

constexpr uint8_t Umts = 2;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double wallSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> v) {
  if (v.empty()) return std::nan("");
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

struct Timing {
  double Cpu = 0, Wall = 0;
  long MaxRssKiB = 0;
};

struct Samples {
  std::vector<double> Cpu, Wall, Rss;
  void Add(const Timing& t) {
    Cpu.push_back(t.Cpu);
    Wall.push_back(t.Wall);
    Rss.push_back(static_cast<double>(t.MaxRssKiB));
  }
  double CpuMedian() const { return median(Cpu); }
  double WallMedian() const { return median(Wall); }
  double RssMiB() const { return median(Rss) / 1024.0; }
};

// Starts a program with its standard output on `out` (closed in the child
// when it is close-on-exec, as the other end of a pipe should be) and its
// standard error on /dev/null; -1 when it cannot fork.
pid_t startChild(const std::vector<std::string>& args, int out) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    int null = open("/dev/null", O_WRONLY);
    if (out >= 0) dup2(out, STDOUT_FILENO);
    if (null >= 0) dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// Runs a program to its end; its standard output goes to `output` (or
// /dev/null), its standard error to /dev/null. Returns its CPU time (user
// and system), wall time and peak resident memory.
std::optional<Timing> runChild(const std::vector<std::string>& args, const std::string& output = "/dev/null") {
  const double start = wallSeconds();
  const int out = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const pid_t pid = startChild(args, out);
  if (out >= 0) close(out);
  if (pid < 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return std::nullopt;
  Timing t;
  t.Wall = wallSeconds() - start;
  t.Cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
          static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
  t.MaxRssKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "speed_table: %s failed (status %d)\n", args[0].c_str(), status);
    return std::nullopt;
  }
  return t;
}

// Seconds from starting a program to reading its first `lines` lines from
// its standard output (a pipe, as a reader of `eventscan run ... | head`
// has it); the program is stopped then, the rest of its run is not timed.
std::optional<double> firstLinesSeconds(const std::vector<std::string>& args, int lines) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return std::nullopt;
  const double start = wallSeconds();
  const pid_t pid = startChild(args, pipeEnds[1]);
  close(pipeEnds[1]);
  if (pid < 0) {
    close(pipeEnds[0]);
    return std::nullopt;
  }
  std::optional<double> seconds;
  char buffer[4096];
  int seen = 0;
  for (ssize_t got; seen < lines && (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    for (ssize_t i = 0; i < got && seen < lines; ++i)
      if (buffer[i] == '\n' && ++seen == lines) seconds = wallSeconds() - start;
  kill(pid, SIGTERM);
  close(pipeEnds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return seconds;
}

// ---------------------------------------------------------------- the log

// The reference: a plain simdjson program over the log (simdjson_lines.cpp),
// run as a child process as eventscan is, so that both pay a process start
// and are timed alike. It streams the file line by line and touches every
// value of every line; `documents` is the count it prints.
std::optional<Timing> simdjsonPass(const fs::path& log, const fs::path& work, size_t& documents) {
  const fs::path out = work / "simdjson_lines.txt";
  std::optional<Timing> t = runChild({SIMDJSON_LINES_PROGRAM, log.string()}, out.string());
  std::ifstream in(out);
  unsigned long long count = 0;
  if (t && in >> count) documents = static_cast<size_t>(count);
  return t;
}

// ---------------------------------------------------------------- definitions

struct Definitions {
  int SampleMessages = 0;  // the sample's own UMTS message events kept
  bool SampleGates = false;
  int ExtraMessages = 0;   // events waiting for messages no log carries
  int ExtraGates = 0;      // expression gates on the log's fields
};

// The UMTS section of the <Message> or <Gate> part of a definitions file.
std::pair<size_t, size_t> umtsSection(const std::string& text, const std::string& part) {
  const size_t partAt = text.find("<" + part + ">");
  const size_t open = text.find("<UMTS>", partAt);
  const size_t close = text.find("</UMTS>", open);
  if (partAt == std::string::npos || open == std::string::npos || close == std::string::npos)
    throw std::runtime_error("the sample definitions have no UMTS " + part + " section");
  return {open + 6, close};
}

std::string extraMessageEvents(int first, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const int n = first + i;
    // Low 16 bits 0x8000 and up: RRC codes no generated log carries.
    const uint32_t start = (rrc::Prefix | 0x8000u) + static_cast<uint32_t>(2 * i), next = start + 1;
    out += "\n      <MsgEvent-" + std::to_string(n) + " EventName=\"Unmatched " + std::to_string(i) +
           "\" StartedFlag=\"0\">\n"
           "        <LevelNode-0 ReportName=\"\" DetailFlag=\"0\" Expression=\"\" ReasonNum=\"-9999\">\n"
           "          <MsgNodes><MsgNode-0 MessageCode=\"" + std::to_string(start) +
           "\" MessageName=\"Start\" SubCode=\"0\" /></MsgNodes>\n"
           "          <LevelNode-0 ReportName=\"Unmatched report " + std::to_string(i) +
           "\" DetailFlag=\"0\" Expression=\"\" ReasonNum=\"-9999\">\n"
           "            <MsgNodes><MsgNode-0 MessageCode=\"" + std::to_string(next) +
           "\" MessageName=\"Next\" SubCode=\"0\" /></MsgNodes>\n"
           "          </LevelNode-0>\n"
           "        </LevelNode-0>\n"
           "      </MsgEvent-" + std::to_string(n) + ">";
  }
  return out;
}

std::string extraGates(int first, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    const int n = first + i;
    // Distinct thresholds on the fields every generated record has.
    out += "\n      <GateEvent-" + std::to_string(n) + " EventName=\"Weak " + std::to_string(i) +
           "\" GateType=\"1\" Expression=\"RSCP &lt; " + std::to_string(-100 - i % 20) + " and EcIo &lt; " +
           std::to_string(-120 - i) +
           "\" ExpDuringTime=\"3000\" ExpTimes=\"3\" MessageCodeA=\"0\" MessageCodeB=\"0\" MsgDuringTime=\"0\" "
           "WarnField=\"-1\" WarnGate=\"-9999\" WarnDelay=\"0\" WarnMode=\"3\" />";
  }
  return out;
}

// The element children of one section, up to `keep` of them.
std::string keepFirst(const std::string& section, const std::string& element, int keep, int& kept) {
  kept = 0;
  size_t at = 0;
  for (;;) {
    const size_t next = section.find("<" + element + "-" + std::to_string(kept) + " ", at);
    if (next == std::string::npos || kept == keep) break;
    const std::string closing = "</" + element + "-" + std::to_string(kept) + ">";
    size_t end = section.find(closing, next);
    const size_t selfClosing = section.find("/>", next);
    const size_t tagEnd = section.find('>', next);
    end = (end != std::string::npos && !(selfClosing != std::string::npos && selfClosing + 1 == tagEnd))
              ? end + closing.size()
              : tagEnd + 1;
    at = end;
    ++kept;
  }
  return section.substr(0, at);
}

fs::path makeHome(const fs::path& dir, const fs::path& sample, const Definitions& d) {
  fs::create_directories(dir);
  fs::copy_file(sample / "EventsProperty.cfg", dir / "EventsProperty.cfg", fs::copy_options::overwrite_existing);
  std::ifstream in(sample / "EventsDefine.cfg", std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  std::string text = all.str();
  {
    auto [from, to] = umtsSection(text, "Gate");
    int kept = 0;
    std::string keep = keepFirst(text.substr(from, to - from), "GateEvent", d.SampleGates ? 1 << 20 : 0, kept);
    text.replace(from, to - from, keep + extraGates(kept, d.ExtraGates) + "\n    ");
  }
  {
    auto [from, to] = umtsSection(text, "Message");
    int kept = 0;
    std::string keep = keepFirst(text.substr(from, to - from), "MsgEvent", d.SampleMessages, kept);
    text.replace(from, to - from, keep + extraMessageEvents(kept, d.ExtraMessages) + "\n    ");
  }
  std::ofstream(dir / "EventsDefine.cfg", std::ios::binary) << text;
  return dir;
}

// ---------------------------------------------------------------- feed worker

// The log in memory with the mix of a drive test: of every 20 records 14
// measurements, 5 messages and 1 with test items, drawn in order from the
// records of those kinds a generated log has, `count` records in all.
eventscan::ParsedLog mixedLog(eventscan::ParsedLog& source, size_t count) {
  std::vector<size_t> pools[3];
  for (size_t i = 0; i < source.Records.size(); ++i) {
    const eventscan::RecordKind kind = source.Feeds[i].Kind;
    if (kind == eventscan::RecordKind::Message)
      pools[1].push_back(i);
    else if (!source.Records[i].Items.empty())
      pools[2].push_back(i);
    else if (kind == eventscan::RecordKind::Measurement)
      pools[0].push_back(i);
  }
  eventscan::ParsedLog log;
  log.Path = source.Path;
  log.Header = source.Header;
  if (pools[0].empty() || pools[1].empty() || pools[2].empty()) return log;
  log.Records.reserve(count);
  log.Feeds.reserve(count);
  size_t next[3] = {0, 0, 0};
  for (size_t i = 0; i < count; ++i) {
    const size_t slot = i % 20;
    const int kind = slot == 0 ? 2 : slot <= 5 ? 1 : 0;
    const size_t from = pools[kind][next[kind]++ % pools[kind].size()];
    log.Records.push_back(source.Records[from]);
    log.Feeds.push_back(source.Feeds[from]);
    HandsetRecord& r = log.Records.back();
    r.Time = r.OrderTime = source.Header.StartTime + static_cast<double>(i) * (0.1 / 86400.0);
    for (auto& item : r.Items) item.Time = r.Time;
  }
  return log;
}

// speed_table --feed-worker HOME LOG RECORDS REPS [release]: feeds REPS
// times (after one warm-up feed) and prints "cpu wall allocations records
// results" a line. With "release", the results that are final are freed as
// the log is fed, every 256 records, as eventscan run frees the rows it
// wrote: what a host that keeps every result would hold is then not in the
// figures, only what the feed itself costs.
int feedWorker(const std::string& home, const std::string& logPath, size_t records, int reps, bool release) {
  eventscan::SetHomeDirectory(home);
  eventscan::HostLibrary library(EVENTMANAGER_LIBRARY);
  eventscan::ParsedLog source = eventscan::ReadLog(logPath);
  eventscan::ParsedLog log = mixedLog(source, records);
  source = {};
  if (log.Records.empty()) {
    std::fprintf(stderr, "speed_table: %s lacks measurements, messages or test items\n", logPath.c_str());
    return 1;
  }
  std::vector<size_t> items, extras;
  for (const HandsetRecord& r : log.Records) {
    items.push_back(r.Items.size());
    extras.push_back(r.ExtraPool.size());
  }
  for (int rep = 0; rep <= reps; ++rep) {
    eventscan::HostSession session(library, log.Header.Network);
    const uint64_t allocations = counting_allocator::Count.load();
    const double cpu = cpuSeconds(), wall = wallSeconds();
    long released = 0;
    std::function<void(size_t, size_t)> releaseFinal;
    if (release)
      releaseFinal = [&](size_t fed, size_t) {
        // Records to come are no earlier than the last one fed, less the
        // slack eventscan run allows.
        TEventsResult& results = session.Results();
        released += results.ReleaseFirst(
            results.FinalCount(log.Records[fed - 1].OrderTime - eventscan::ClockSlackDays));
      };
    session.Feed(log, releaseFinal, {}, release ? eventscan::RowStep : 0x4000);
    const double cpuUsed = cpuSeconds() - cpu, wallUsed = wallSeconds() - wall;
    const uint64_t allocated = counting_allocator::Count.load() - allocations;
    if (rep > 0)  // the first feed warms caches and the allocator
      std::printf("%.6f %.6f %llu %zu %d\n", cpuUsed, wallUsed, static_cast<unsigned long long>(allocated),
                  log.Records.size(), static_cast<int>(released + session.Results().GetCount()));
    // Items the passes derived and added to the records go: every feed
    // starts from the log as read.
    // Their extra data goes too, or a record's pool grows (and allocates) on
    // every other feed.
    for (size_t i = 0; i < log.Records.size(); ++i) {
      if (log.Records[i].Items.size() > items[i]) log.Records[i].Items.resize(items[i]);
      if (log.Records[i].ExtraPool.size() > extras[i]) log.Records[i].ExtraPool.resize(extras[i]);
    }
  }
  return 0;
}

struct FeedFigures {
  Samples Times;
  double AllocationsPerRecord = 0;
  double AllocationsPerResult = 0;  // every allocation of the feed over the results it made
  size_t Records = 0;
  long Results = 0;
  bool Ok = false;
};

FeedFigures runFeed(const std::string& self, const fs::path& home, const fs::path& log, size_t records, int reps,
                    const fs::path& work, bool release = false) {
  FeedFigures f;
  const fs::path out = work / "feed.txt";
  std::vector<std::string> worker = {self, "--feed-worker", home.string(), log.string(), std::to_string(records),
                                     std::to_string(reps)};
  if (release) worker.push_back("release");
  if (!runChild(worker, out.string())) return f;
  std::ifstream in(out);
  std::vector<double> perRecord, perResult;
  double cpu, wall;
  unsigned long long allocated;
  size_t n;
  long results;
  while (in >> cpu >> wall >> allocated >> n >> results) {
    f.Times.Add({cpu, wall, 0});
    perRecord.push_back(static_cast<double>(allocated) / static_cast<double>(n));
    if (results > 0) perResult.push_back(static_cast<double>(allocated) / static_cast<double>(results));
    f.Records = n;
    f.Results = results;
  }
  f.AllocationsPerRecord = median(perRecord);
  f.AllocationsPerResult = median(perResult);
  f.Ok = !perRecord.empty();
  return f;
}

// ---------------------------------------------------------------- the table

struct Options {
  size_t Records = 1000000;
  size_t Large = 0;  // 4 x Records unless given
  int Reps = 3;
  bool Quick = false;
  bool Keep = false;  // leave the generated logs and homes for profiling by hand
};

bool supportsParseOnly(const std::string& eventscan, const fs::path& work) {
  const fs::path help = work / "help.txt";
  runChild({eventscan, "run", "--help"}, help.string());
  std::ifstream in(help);
  std::stringstream text;
  text << in.rdbuf();
  return text.str().find("--parse-only") != std::string::npos;
}

std::string fixed(double v, int digits) {
  if (!std::isfinite(v)) return "n/a";
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", digits, v);
  return text;
}

std::string millions(double records, double seconds) { return fixed(records / seconds / 1e6, 2); }

double exponent(double small, double large, double factor) { return std::log(large / small) / std::log(factor); }

size_t generate(const fs::path& path, size_t records) {
  loggen::GenOptions options;
  options.Network = Umts;
  options.Records = records;
  std::ofstream out(path, std::ios::binary);
  return loggen::WriteDriveTest(out, options);
}

int table(const Options& o, const std::string& self) {
  const fs::path work = fs::temp_directory_path() / ("speed_table_" + std::to_string(getpid()));
  fs::create_directories(work);
  struct Cleanup {
    fs::path Dir;
    bool Keep;
    ~Cleanup() {
      std::error_code ec;
      if (Keep)
        std::fprintf(stderr, "kept the logs and homes in %s\n", Dir.c_str());
      else
        fs::remove_all(Dir, ec);
    }
  } cleanup{work, o.Keep};

  const std::string program = EVENTSCAN_PROGRAM;
  const fs::path sample = fs::path(EVENTMANAGER_SOURCE_DIR) / "data" / "sample";
  const size_t large = o.Large ? o.Large : 4 * o.Records;
  const int reps = std::max(o.Reps, 1);

  std::fprintf(stderr, "generating UMTS logs of %zu and %zu records in %s\n", o.Records, large, work.c_str());
  const fs::path small = work / "small.jsonl", big = work / "large.jsonl";
  const size_t smallRecords = generate(small, o.Records);
  const size_t bigRecords = generate(big, large);
  // The logs just written are dirty pages the kernel writes back over the
  // next seconds; written back now, that work is not timed as our runs'.
  sync();

  const fs::path sampleHome = makeHome(work / "home_sample", sample, {1 << 20, true, 0, 0});
  const fs::path feedHome = makeHome(work / "home_feed", sample, {1 << 20, true, 37, 5});
  const fs::path msg10 = makeHome(work / "home_msg10", sample, {0, false, 10, 0});
  const fs::path msg1000 = makeHome(work / "home_msg1000", sample, {0, false, 1000, 0});
  const fs::path gate100 = makeHome(work / "home_gate100", sample, {0, false, 0, 100});
  const fs::path gate1000 = makeHome(work / "home_gate1000", sample, {0, false, 0, 1000});

  // FeedRecord through the host session, on the whole log.
  std::fprintf(stderr, "feeding: 50 message and 10 gate events\n");
  FeedFigures feed = runFeed(self, feedHome, small, smallRecords, reps, work);
  std::fprintf(stderr, "feeding: the same, releasing final results as eventscan run does\n");
  FeedFigures releasing = runFeed(self, feedHome, small, smallRecords, reps, work, true);

  // Parsing, end to end and peak memory, each paired with the simdjson pass.
  const bool parseOnly = supportsParseOnly(program, work);
  std::fprintf(stderr, "parsing and running end to end (%d paired runs)\n", reps);
  Samples ours, oursTwo, oursReference, endToEnd, endToEndTwo, endToEndReference, endToEndLarge;
  size_t documents = 0;
  for (int rep = 0; rep < reps; ++rep) {
    if (parseOnly) {
      // One thread, as the reference reads; then the log read on a thread of its own.
      if (auto t = runChild({program, "run", small.string(), "--home", sampleHome.string(), "--parse-only", "--threads",
                             "1"}))
        ours.Add(*t);
      if (auto t = runChild({program, "run", small.string(), "--home", sampleHome.string(), "--parse-only", "--threads",
                             "2"}))
        oursTwo.Add(*t);
    } else {
      const double cpu = cpuSeconds(), wall = wallSeconds();
      { eventscan::ParsedLog log = eventscan::ReadLog(small.string()); }
      ours.Add({cpuSeconds() - cpu, wallSeconds() - wall, 0});
    }
    if (auto t = simdjsonPass(small, work, documents)) oursReference.Add(*t);
    std::vector<std::string> run = {program,       "run",      small.string(), "--home", sampleHome.string(),
                                    "--format",    "csv",      "--output",     "/dev/null", "--threads", "1"};
    if (auto t = runChild(run)) endToEnd.Add(*t);
    run.back() = "2";
    if (auto t = runChild(run)) endToEndTwo.Add(*t);
    if (auto t = simdjsonPass(small, work, documents)) endToEndReference.Add(*t);
    std::vector<std::string> runLarge = run;
    runLarge[2] = big.string();
    if (auto t = runChild(runLarge)) endToEndLarge.Add(*t);
  }

  // The first row of the large log's run, read from a pipe (its CSV header, then the row).
  std::fprintf(stderr, "the first row of a %zu-record run\n", bigRecords);
  Samples firstRow;
  for (int rep = 0; rep < reps; ++rep)
    if (auto t = firstLinesSeconds({program, "run", big.string(), "--home", sampleHome.string(), "--format", "csv"}, 2))
      firstRow.Add({*t, *t, 0});

  std::fprintf(stderr, "feeding: 10 and 1000 message events no record matches\n");
  const size_t scaled = std::max<size_t>(smallRecords / 4, 1000);
  FeedFigures few = runFeed(self, msg10, small, scaled, reps, work);
  FeedFigures many = runFeed(self, msg1000, small, scaled, reps, work);
  std::fprintf(stderr, "feeding: 100 and 1000 expression gates\n");
  const size_t gated = std::max<size_t>(smallRecords / 20, 1000);
  FeedFigures gates100 = runFeed(self, gate100, small, gated, reps, work);
  FeedFigures gates1000 = runFeed(self, gate1000, small, gated, reps, work);

  const double smallMB = static_cast<double>(fs::file_size(small)) / 1e6;
  const double bigMB = static_cast<double>(fs::file_size(big)) / 1e6;
  const double n = static_cast<double>(feed.Records);
  double load[3] = {0, 0, 0};
  getloadavg(load, 3);
  const std::time_t now = std::time(nullptr);
  char when[32];
  std::strftime(when, sizeof when, "%Y-%m-%d %H:%M UTC", std::gmtime(&now));

  std::printf("Measured %s; UMTS logs of %zu records (%.0f MB) and %zu records (%.0f MB); medians of %d paired runs; "
              "load average %.2f at the end.\n\n",
              when, smallRecords, smallMB, bigRecords, bigMB, reps, load[0]);
  std::printf("| what | measured | goal |\n|---|---|---|\n");
  if (feed.Ok)
    std::printf("| `FeedRecord`, 50 message + 10 gate events, 70/25/5 mix, in memory, through the host session | "
                "%s M records/s (CPU), %s M/s (wall); %s allocations per record, %s per result (%s results a "
                "record) | >= 20 M/s, 0 allocations per record and per result in steady state |\n",
                millions(n, feed.Times.CpuMedian()).c_str(), millions(n, feed.Times.WallMedian()).c_str(),
                fixed(feed.AllocationsPerRecord, 2).c_str(), fixed(feed.AllocationsPerResult, 2).c_str(),
                fixed(static_cast<double>(feed.Results) / n, 3).c_str());
  else
    std::printf("| `FeedRecord` through the host session | failed | >= 20 M/s |\n");
  if (releasing.Ok)
    std::printf("| the same, final results released every 256 records (as `eventscan run` frees its rows) | "
                "%s M records/s (CPU), %s M/s (wall); %s allocations per record, %s per result | |\n",
                millions(n, releasing.Times.CpuMedian()).c_str(), millions(n, releasing.Times.WallMedian()).c_str(),
                fixed(releasing.AllocationsPerRecord, 2).c_str(), fixed(releasing.AllocationsPerResult, 2).c_str());
  std::printf("| eventscan parse / simdjson parse of the same file%s | %sx (CPU), %sx (wall) | <= 1.3x |\n",
              parseOnly ? " (`eventscan run --parse-only`)" : " (in-process `ReadLog`: eventscan has no --parse-only)",
              fixed(ours.CpuMedian() / oursReference.CpuMedian(), 2).c_str(),
              fixed(ours.WallMedian() / oursReference.WallMedian(), 2).c_str());
  if (parseOnly)
    std::printf("| the same, the log read on a second thread (`--parse-only --threads 2`) | %sx (CPU), %sx (wall) | |\n",
                fixed(oursTwo.CpuMedian() / oursReference.CpuMedian(), 2).c_str(),
                fixed(oursTwo.WallMedian() / oursReference.WallMedian(), 2).c_str());
  std::printf("| eventscan end to end, one thread / simdjson parse (`--format csv --output /dev/null --threads 1`) | "
              "%sx (CPU), %sx (wall); %s M records/s (wall) | <= 1.8x |\n",
              fixed(endToEnd.CpuMedian() / endToEndReference.CpuMedian(), 2).c_str(),
              fixed(endToEnd.WallMedian() / endToEndReference.WallMedian(), 2).c_str(),
              millions(static_cast<double>(smallRecords), endToEnd.WallMedian()).c_str());
  std::printf("| eventscan end to end, two threads / simdjson parse (`--threads 2`) | %sx (CPU), %sx (wall); "
              "%s M records/s (wall) | <= 1.3x (wall) |\n",
              fixed(endToEndTwo.CpuMedian() / endToEndReference.CpuMedian(), 2).c_str(),
              fixed(endToEndTwo.WallMedian() / endToEndReference.WallMedian(), 2).c_str(),
              millions(static_cast<double>(smallRecords), endToEndTwo.WallMedian()).c_str());
  // The large log runs as a user runs it, with the default two threads: its
  // memory and its scaling are compared with the small log's two-thread run.
  std::printf("| peak memory of `eventscan run` (`--threads 2`) | %s MiB at %zu records (%.0f MB), %s MiB at %zu records "
              "(%.0f MB) | <= 150 MiB at 4 M records |\n",
              fixed(endToEndTwo.RssMiB(), 0).c_str(), smallRecords, smallMB, fixed(endToEndLarge.RssMiB(), 0).c_str(),
              bigRecords, bigMB);
  if (firstRow.Wall.size() == size_t(reps))
    std::printf("| first row on stdout of the %zu-record run (`--format csv` into a pipe) | %s s after the start | "
                "within 0.1 s |\n",
                bigRecords, fixed(firstRow.WallMedian(), 3).c_str());
  else
    std::printf("| first row on stdout of the %zu-record run | failed (no row came) | within 0.1 s |\n", bigRecords);
  const double factor = static_cast<double>(bigRecords) / static_cast<double>(smallRecords);
  std::printf("| records %zu -> %zu, end to end (`--threads 2`) | exponent %s (CPU), %s (wall) | <= 1.03 |\n",
              smallRecords, bigRecords,
              fixed(exponent(endToEndTwo.CpuMedian(), endToEndLarge.CpuMedian(), factor), 3).c_str(),
              fixed(exponent(endToEndTwo.WallMedian(), endToEndLarge.WallMedian(), factor), 3).c_str());
  std::printf("| 10 -> 1000 message events no record matches (feed, %zu records) | x%s (CPU), x%s (wall) | <= x1.2 |\n",
              few.Records, fixed(many.Times.CpuMedian() / few.Times.CpuMedian(), 2).c_str(),
              fixed(many.Times.WallMedian() / few.Times.WallMedian(), 2).c_str());
  std::printf("| 100 -> 1000 expression gates (feed, %zu records) | exponent %s (CPU), %s (wall) | <= 1.05 |\n",
              gates100.Records, fixed(exponent(gates100.Times.CpuMedian(), gates1000.Times.CpuMedian(), 10), 3).c_str(),
              fixed(exponent(gates100.Times.WallMedian(), gates1000.Times.WallMedian(), 10), 3).c_str());
  std::printf("\nsimdjson pass (`simdjson_lines`, %s): %s M records/s (CPU), %s M/s (wall) over %zu documents; feed results: %ld "
              "(50 + 10 events).\n",
              simdjson::get_active_implementation()->name().c_str(),
              millions(static_cast<double>(documents), oursReference.CpuMedian()).c_str(),
              millions(static_cast<double>(documents), oursReference.WallMedian()).c_str(), documents, feed.Results);
  const bool ok = feed.Ok && releasing.Ok && few.Ok && many.Ok && gates100.Ok && gates1000.Ok && ours.Cpu.size() == size_t(reps) &&
                  endToEnd.Cpu.size() == size_t(reps) && endToEndTwo.Cpu.size() == size_t(reps) &&
                  endToEndLarge.Cpu.size() == size_t(reps);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if ((args.size() == 5 || (args.size() == 6 && args[5] == "release")) && args[0] == "--feed-worker") {
    eventscan::UseLargeHeapPages(argv);  // as eventscan itself runs
    try {
      return feedWorker(args[1], args[2], std::stoul(args[3]), std::stoi(args[4]), args.size() == 6);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "speed_table: %s\n", e.what());
      return 1;
    }
  }
  Options o;
  for (size_t i = 0; i < args.size(); ++i) {
    auto value = [&]() -> size_t {
      if (i + 1 >= args.size()) throw std::invalid_argument(args[i] + " needs a number");
      return std::stoul(args[++i]);
    };
    try {
      if (args[i] == "--records")
        o.Records = value();
      else if (args[i] == "--large")
        o.Large = value();
      else if (args[i] == "--reps")
        o.Reps = static_cast<int>(value());
      else if (args[i] == "--quick")
        o.Quick = true;
      else if (args[i] == "--keep")
        o.Keep = true;
      else
        throw std::invalid_argument("unknown option " + args[i]);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "speed_table: %s\nusage: speed_table [--records N] [--large N] [--reps R] [--quick] [--keep]\n",
                   e.what());
      return 1;
    }
  }
  if (o.Quick) o.Records = std::min<size_t>(o.Records, 40000);
  try {
    return table(o, fs::read_symlink("/proc/self/exe").string());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "speed_table: %s\n", e.what());
    return 1;
  }
}
