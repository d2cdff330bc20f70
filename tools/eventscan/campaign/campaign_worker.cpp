#include "campaign/campaign_worker.h"

#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cmath>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "campaign/content_hash.h"
#include "capture/capture_log.h"
#include "eventmanager/outside/utility.h"
#include "host/host_layout.h"
#include "host/host_library.h"
#include "host/host_session.h"
#include "host/log_input.h"
#include "kpi/kpi_output.h"
#include "kpi/kpi_run.h"
#include "log/networks.h"
#include "support/hex_text.h"
#include "output/result_rows.h"

namespace eventscan {
namespace {

using nlohmann::json;

// Where a record was and what it was served by: its own values, else the last
// ones an earlier record carried (a test or message record often has none).
struct Context {
  int32_t Lat = NoValue, Lon = NoValue, Cell = NoValue, Signal = NoValue;
};

// The serving cell's identity and level by network: cell id, PN offset,
// primary scrambling code, cell parameter id, physical cell identity; the
// level each is judged by.
struct ContextFields {
  int32_t Lat, Lon, Cell, Signal;
  explicit ContextFields(uint8_t network) {
    static const char* const cells[] = {"CellId", "PN", "PSC", "CPI", "PCI"};
    static const char* const levels[] = {"RxLevSub", "CDMA_RxPower", "RSCP", "PCCPCH_RSCP", "RSRP"};
    Lat = FieldIdByName("Latitude");
    Lon = FieldIdByName("Longitude");
    Cell = network < NetworkCount ? FieldIdByName(cells[network]) : -1;
    Signal = network < NetworkCount ? FieldIdByName(levels[network]) : -1;
  }
};

class ContextTrack {
 public:
  explicit ContextTrack(uint8_t network) : fields_(network) {}
  void Add(const HandsetRecord& rec) {
    auto take = [&rec](int32_t id, int32_t& into) {
      if (id < 0) return;
      int32_t v = rec.Field(id);
      if (v != NoValue) into = v;
    };
    Context c = last_;
    int32_t lat = fields_.Lat >= 0 ? rec.Field(fields_.Lat) : NoValue;
    int32_t lon = fields_.Lon >= 0 ? rec.Field(fields_.Lon) : NoValue;
    // A receiver without a fix writes zeros; that is no position.
    if (lat != NoValue && lon != NoValue && !(lat == 0 && lon == 0) && std::abs(lat) <= 90000000 &&
        std::abs(lon) <= 180000000) {
      if (c.Lat != NoValue) route_ += distance(c.Lat, c.Lon, lat, lon);
      if (lat != c.Lat || lon != c.Lon) points_.emplace_back(lat, lon);
      c.Lat = lat;
      c.Lon = lon;
    }
    take(fields_.Cell, c.Cell);
    take(fields_.Signal, c.Signal);
    if (records_ == 0) first_ = rec.Time;
    last_time_ = rec.Time;
    ++records_;
    last_ = c;
    at_.push_back(c);
  }
  const Context* At(int32_t index) const {
    return index >= 0 && static_cast<size_t>(index) < at_.size() ? &at_[static_cast<size_t>(index)] : nullptr;
  }
  double RouteMetres() const { return route_; }
  // The positions of the drive, thinned to at most `most` evenly taken
  // points (the last one always kept), for a map of the whole campaign.
  std::vector<std::pair<int32_t, int32_t>> Route(size_t most) const {
    if (points_.size() <= most) return points_;
    std::vector<std::pair<int32_t, int32_t>> kept;
    const double step = static_cast<double>(points_.size() - 1) / static_cast<double>(most - 1);
    for (size_t i = 0; i < most; ++i) kept.push_back(points_[static_cast<size_t>(static_cast<double>(i) * step + 0.5)]);
    return kept;
  }
  size_t Records() const { return records_; }
  double First() const { return first_; }
  double Last() const { return last_time_; }

 private:
  // Great-circle distance on a sphere of the Earth's mean radius.
  static double distance(int32_t lat1, int32_t lon1, int32_t lat2, int32_t lon2) {
    constexpr double rad = 3.14159265358979323846 / 180 / 1e6;
    double p1 = lat1 * rad, p2 = lat2 * rad, dp = (lat2 - lat1) * rad, dl = (lon2 - lon1) * rad;
    double a = std::sin(dp / 2) * std::sin(dp / 2) + std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * 6371008.8 * std::asin(std::min(1.0, std::sqrt(a)));
  }
  ContextFields fields_;
  Context last_;
  std::vector<Context> at_;
  std::vector<std::pair<int32_t, int32_t>> points_;  // each change of position
  double route_ = 0;
  size_t records_ = 0;
  double first_ = 0, last_time_ = 0;
};

std::string timeText(double days) {
  char text[DateTimeTextCapacity];
  return std::string(text, WriteDateTimeText(days, text));
}

// A JSON string: plain printable ASCII as it is, anything else through the
// JSON writer (escapes, and invalid UTF-8 replaced as every line's is).
void appendJsonText(std::string& out, const std::string& text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == '"' || c == '\\' || c >= 0x7f) {
      out += json(text).dump(-1, ' ', false, json::error_handler_t::replace);
      return;
    }
  out += '"';
  out += text;
  out += '"';
}

void writeLine(std::ostream& out, const json& j) { out << j.dump(-1, ' ', false, json::error_handler_t::replace) << '\n'; }

void writeEnd(std::ostream& out, const std::string& status, const std::string& fault, const LogHeader* header,
              const ContextTrack* track) {
  json end{{"type", "end"}, {"status", status}};
  if (!fault.empty()) end["fault"] = fault;
  if (header) {
    end["network"] = NetworkName(header->Network);
    end["device"] = header->DeviceType;
  }
  if (track) {
    end["records"] = track->Records();
    end["route_m"] = track->RouteMetres();
    if (track->Records()) {
      end["first"] = timeText(track->First());
      end["last"] = timeText(track->Last());
    }
  }
  writeLine(out, end);
  out.flush();
}

// What every log of a worker shares: the library loaded (it reads the
// definitions as it loads), its faults, and the KPI file. Made once by a
// serving worker and inherited by each log's child process.
struct WorkerSetUp {
  std::unique_ptr<HostLibrary> Library;
  std::vector<std::string> LibraryFaults;
  std::optional<uint8_t> Network;
  KpiFile Kpis;
  std::string Fault;  // set-up failed: every log ends with this fault
};

WorkerSetUp setUp(const WorkerOptions& o) {
  WorkerSetUp s;
  try {
    ChooseHomeDirectory(o.Home);
    s.Library = std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
    s.Library->EventManagerFileFaults(s.LibraryFaults);
    if (o.Network) {
      s.Network = NetworkIndex(*o.Network);
      if (!s.Network) throw LogError("--network: \"" + *o.Network + "\" is none of GSM, CDMA, UMTS, TD-SCDMA, LTE");
    }
    s.Kpis = ReadHomeKpiFile();
  } catch (const std::exception& e) {
    s.Fault = e.what();
  }
  return s;
}

// The content hash of a regular file, taken before it is read for the run
// (a pipe's bytes would be taken from the run: it has none).
void writeContentHash(std::ostream& out, const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return;
  Sha256 hash;
  uint64_t size = 0;
  if (!HashFile(path, hash, &size)) return;
  out << R"({"type":"content","hash":")" << hash.Hex() << R"(","size":)" << size << "}\n";
}

int runLog(WorkerSetUp& s, const std::string& log, std::ostream& out) {
  try {
    if (!s.Fault.empty()) throw std::runtime_error(s.Fault);
    writeContentHash(out, log);
    HostLibrary* library = s.Library.get();
    for (const std::string& f : s.LibraryFaults) writeLine(out, {{"type", "fault"}, {"source", "library"}, {"text", f}});
    ReadOptions read;
    read.Network = s.Network;
    std::optional<LogInput> input = OpenLogOrCapture(log, read);
    if (!input) {
      writeEnd(out, "fault", log + ": the capture could not be read", nullptr, nullptr);
      return 0;
    }
    const LogHeader header = input->Header();
    ContextTrack track(header.Network);
    std::string damage;
    std::vector<uint8_t> nets;  // each streamed record's network, for logs that mix them
    const KpiFile& kpis = s.Kpis;
    if (!kpis.Found)
      writeLine(out, {{"type", "fault"}, {"source", "kpi"}, {"text", kpis.Path + ": no such file: the log has no KPIs"}});
    for (const std::string& f : kpis.Faults) writeLine(out, {{"type", "fault"}, {"source", "kpi"}, {"text", f}});
    {
      HostSession session(*library, header.Network);
      // Fed as `eventscan kpi` feeds it (every event recorded), so the KPI
      // table is the same; the rows below leave out what `run` would not
      // have recorded.
      bool mixed = false;
      std::vector<std::string> unknown;
      const std::vector<KpiValue> table =
          FeedForKpiTable(session, *library, *input, kpis, unknown, [&](const HandsetRecord& r) {
            track.Add(r);
            mixed = mixed || r.NetType != header.Network;
            if (input->Stream) nets.push_back(r.NetType);
          });
      for (const std::string& field : unknown)
        writeLine(out, {{"type", "fault"},
                        {"source", "kpi"},
                        {"text", kpis.Path + ": the field catalogue has no field '" + field + "'"}});
      if (!mixed) nets.clear();
      if (input->Stream) {
        std::vector<LogFault> faults = input->Stream->Faults();
        std::stable_sort(faults.begin(), faults.end(),
                         [](const LogFault& a, const LogFault& b) { return a.Line < b.Line; });
        for (const LogFault& f : faults)
          writeLine(out, {{"type", "fault"}, {"source", "log"}, {"line", f.Line}, {"text", f.Text()}});
      } else {
        // A capture's malformed frames, by frame number, as `run` prints them.
        for (const LogFault& f : input->CaptureFaults) {
          json line = {{"type", "fault"}, {"source", "log"}, {"text", CaptureFaultText(f, log)}};
          if (f.Line > 0) line["line"] = f.Line;
          writeLine(out, line);
        }
      }
      damage = input->Fault();
      for (const KpiValue& k : table) out << R"({"type":"kpi","kpi":)" << KpiJsonText(k) << "}\n";
      json route = json::array();
      for (const auto& [lat, lon] : track.Route(500)) route.push_back({lat / 1e6, lon / 1e6});
      if (!route.empty()) writeLine(out, {{"type", "route"}, {"points", route}});
      // Written field by field into one reused line: a log has thousands of
      // results, and the coordinator waits for each worker's lines.
      std::string line;
      VisitRowsIf(session.Results(), session.Filter(), ShownAsRun, [&](ResultRow& row) {
        // Numbered and named as `eventscan run` shows them: a capture's rows by
        // frame, each with its record's network.
        int32_t record = row.RecordIndex;
        std::string network = row.Network;
        ShowRecordOfRow(*input, nets, record, network);
        line.assign(R"({"type":"result","record":)");
        fmt::format_to(std::back_inserter(line), "{}", record);
        line += R"(,"time":)";
        appendJsonText(line, row.Time);
        line += R"(,"event":)";
        appendJsonText(line, row.Event);
        line += R"(,"kind":)";
        appendJsonText(line, row.Kind);
        line += R"(,"network":)";
        appendJsonText(line, network);
        line += R"(,"details":[)";
        for (size_t i = 0; i < row.Details.size(); ++i) {
          if (i) line += ',';
          appendJsonText(line, row.Details[i]);
        }
        line += ']';
        if (row.TestEventId >= 0) fmt::format_to(std::back_inserter(line), R"(,"id":{})", row.TestEventId);
        if (const Context* c = track.At(row.RecordIndex)) {
          // The shortest text that reads back as the same double.
          if (c->Lat != NoValue)
            fmt::format_to(std::back_inserter(line), R"(,"lat":{},"lon":{})", c->Lat / 1e6, c->Lon / 1e6);
          if (c->Cell != NoValue) fmt::format_to(std::back_inserter(line), R"(,"cell":{})", c->Cell);
          if (c->Signal != NoValue) fmt::format_to(std::back_inserter(line), R"(,"signal":{})", c->Signal);
        }
        line += "}\n";
        out.write(line.data(), static_cast<std::streamsize>(line.size()));
      });
    }
    writeEnd(out, damage.empty() ? "ok" : "damaged", damage, &header, &track);
    return 0;
  } catch (const std::exception& e) {
    writeEnd(out, "fault", e.what(), nullptr, nullptr);
    return 0;
  }
}

}  // namespace

int RunCampaignWorker(const WorkerOptions& o, std::ostream& out) {
  WorkerSetUp s = setUp(o);
  return runLog(s, o.Log, out);
}

int ServeCampaignWorker(const WorkerOptions& o) {
  // A worker is in a process group of its own (so that a log past its time
  // limit is stopped with its process): it ends with the coordinator, and
  // each log's process with it, whether the coordinator was interrupted or
  // killed.
  const pid_t coordinator = getppid();
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != coordinator) return 1;
  signal(SIGPIPE, SIG_DFL);
  WorkerSetUp s = setUp(o);
  // Each child's stderr, kept apart from the next one's: a file in memory
  // emptied before each log.
  const int errors = memfd_create("campaign-worker-stderr", MFD_CLOEXEC);
  for (std::string request; std::getline(std::cin, request);) {
    if (request.empty()) continue;
    const std::optional<std::string> named = HexToBytes(request);
    if (!named) continue;
    const std::string& log = *named;
    std::cout.flush();
    if (errors >= 0) {
      if (ftruncate(errors, 0) != 0) {}
      lseek(errors, 0, SEEK_SET);
    }
    const pid_t server = getpid();
    const pid_t child = fork();
    if (child == 0) {
      prctl(PR_SET_PDEATHSIG, SIGKILL);
      if (getppid() != server) _exit(1);
      int none = open("/dev/null", O_RDONLY | O_CLOEXEC);
      if (none >= 0) dup2(none, STDIN_FILENO);
      if (errors >= 0) dup2(errors, STDERR_FILENO);
      runLog(s, log, std::cout);
      std::cout.flush();
      std::cerr.flush();
      // Nothing of this process is torn down: the parent keeps the library.
      _exit(std::cout ? 0 : 1);
    }
    // Written by hand: the line must begin with WorkerExitLine.
    std::string exit = WorkerExitLine;
    std::string errorText;
    if (child < 0) {
      exit += R"(,"code":127)";
      errorText = fmt::format("cannot start a process for the log: {}", strerror(errno));
    } else {
      int status = 0;
      while (waitpid(child, &status, 0) < 0 && errno == EINTR) {}
      if (WIFSIGNALED(status)) fmt::format_to(std::back_inserter(exit), R"(,"signal":{})", WTERMSIG(status));
      else fmt::format_to(std::back_inserter(exit), R"(,"code":{})", WIFEXITED(status) ? WEXITSTATUS(status) : -1);
      if (errors >= 0) {
        const off_t size = lseek(errors, 0, SEEK_END);
        const off_t from = std::max<off_t>(0, size - 4096);
        errorText.assign(static_cast<size_t>(std::max<off_t>(0, size - from)), '\0');
        const ssize_t n = pread(errors, errorText.data(), errorText.size(), from);
        errorText.resize(n > 0 ? static_cast<size_t>(n) : 0);
      }
    }
    exit += R"(,"stderr":)";
    exit += json(errorText).dump(-1, ' ', false, json::error_handler_t::replace);
    std::cout << '\n' << exit << "}\n" << std::flush;
    if (!std::cout) return 1;
  }
  return 0;
}



}  // namespace eventscan
