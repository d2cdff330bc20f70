// eventscan run on the real handset captures in ../shared/captures, with the
// sample definitions: every event a reader of the capture in Wireshark lists,
// at its frame, with the network's cause where there is one; on the LTE
// captures the frames and causes are those tshark shows. Skipped (with a
// message) when the captures or tshark are not there.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "testing/capture_pcap.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

namespace fs = std::filesystem;

// Beside the source tree, as CI lays it out; $EVENTMANAGER_CAPTURES names
// another directory (a work tree elsewhere).
const fs::path Capture = [] {
  const char* dir = std::getenv("EVENTMANAGER_CAPTURES");
  return fs::path(dir && *dir ? dir : EVENTMANAGER_CAPTURE_DIR) / "handset-2g3g-2018.pcap";
}();

struct Row {
  int Frame;
  std::string Event;
  std::string Details;
  std::string Network;
};

// The CSV rows eventscan prints (record,time,event,kind,network,details).
std::vector<Row> parseCsv(const std::string& text) {
  std::vector<Row> rows;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> cols;
    std::string cell;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (quoted) {
        if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') cell += line[++i];
        else if (c == '"') quoted = false;
        else cell += c;
      } else if (c == '"') {
        quoted = true;
      } else if (c == ',') {
        cols.push_back(cell);
        cell.clear();
      } else {
        cell += c;
      }
    }
    cols.push_back(cell);
    if (cols.size() == 6) rows.push_back({std::stoi(cols[0]), cols[2], cols[5], cols[4]});
  }
  return rows;
}

std::string runEventscan(const std::string& args, int& status) {
  std::string command = std::string(EVENTSCAN_PROGRAM) + " " + args + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  status = pclose(pipe);
  return out;
}

const fs::path RealCaptures = Capture.parent_path() / "real";

// Frame number and the first value of `field` of each frame tshark's display
// filter keeps.
std::vector<std::pair<int, std::string>> tsharkFrames(const fs::path& capture, const std::string& filter,
                                                      const std::string& field) {
  const std::string command = "tshark -r '" + capture.string() + "' -n -Y '" + filter +
                              "' -T fields -E separator=, -E occurrence=f -e frame.number -e " + field + " 2>/dev/null";
  std::vector<std::pair<int, std::string>> frames;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return frames;
  char buf[512];
  while (fgets(buf, sizeof buf, pipe)) {
    std::string line(buf);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    const size_t comma = line.find(',');
    frames.emplace_back(std::stoi(line.substr(0, comma)), comma == std::string::npos ? "" : line.substr(comma + 1));
  }
  pclose(pipe);
  return frames;
}

// The rows of `event` in `rows`.
std::vector<Row> rowsOf(const std::vector<Row>& rows, const std::string& event) {
  std::vector<Row> out;
  for (const Row& r : rows)
    if (r.Event == event) out.push_back(r);
  return out;
}

std::string listed(const std::vector<Row>& rows) {
  std::ostringstream out;
  for (const Row& r : rows) out << r.Frame << " " << r.Event << " [" << r.Details << "] " << r.Network << "\n";
  return out.str();
}

}  // namespace

TEST(CaptureRun, EventscanListsTheEventsOfTheHandsetCapture) {
  if (!fs::exists(Capture)) GTEST_SKIP() << Capture << " is not there; the capture test is skipped";
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  int status = 0;
  std::string csv = runEventscan("run " + Capture.string() + " --home " + home.Path().string() + " --format csv", status);
  ASSERT_EQ(status, 0) << csv;
  std::vector<Row> rows = parseCsv(csv);

  // Read from the capture in Wireshark: frame, event, and the cause text the
  // event must show (empty when it shows none).
  const std::vector<Row> expected = {
#include "capture_expected.inc"
  };
  std::ostringstream got;
  for (const Row& r : rows)
    got << "{" << r.Frame << ", \"" << r.Event << "\", \"" << r.Details << "\", \"" << r.Network << "\"},\n";
  ASSERT_EQ(rows.size(), expected.size()) << got.str();
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(got.str());
    EXPECT_EQ(rows[i].Frame, expected[i].Frame) << i;
    EXPECT_EQ(rows[i].Event, expected[i].Event) << i;
    EXPECT_EQ(rows[i].Details, expected[i].Details) << i;
    EXPECT_EQ(rows[i].Network, expected[i].Network) << i;
  }
}

TEST(CaptureRun, ImportThenRunGivesTheSameEventsAsARunOnTheCapture) {
  if (!fs::exists(Capture)) GTEST_SKIP() << Capture << " is not there; the capture test is skipped";
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  const fs::path log = home.Path() / "capture.jsonl";
  int status = 0;
  runEventscan("import " + Capture.string() + " -o " + log.string(), status);
  ASSERT_EQ(status, 0);
  std::string direct = runEventscan("run " + Capture.string() + " --home " + home.Path().string() + " --format csv", status);
  ASSERT_EQ(status, 0);
  std::string imported = runEventscan("run " + log.string() + " --home " + home.Path().string() + " --format csv", status);
  ASSERT_EQ(status, 0);
  // The capture run names frames, the log run record positions; the events,
  // times and details are the same, but for what the stretches on LTE hold
  // apart: a log has no way to say that the handset was on LTE, so the log
  // run sees the GSM paging before the CS fallback and the UMTS connection
  // after it as a change from GSM to UMTS.
  std::vector<Row> a = parseCsv(direct), b = parseCsv(imported);
  ASSERT_FALSE(a.empty());
  std::vector<std::string> extra;
  size_t j = 0;
  for (const Row& r : b) {
    if (j < a.size() && a[j].Event == r.Event && a[j].Details == r.Details && a[j].Network == r.Network)
      ++j;
    else
      extra.push_back(r.Event);
  }
  EXPECT_EQ(j, a.size()) << "every row of the capture run is in the log run, in order";
  EXPECT_EQ(extra, std::vector<std::string>{"Inter-System Change GSM to UMTS"});
}

TEST(CaptureRun, ImportStatsListsSkippedFramesAndUnmappedTypesWithCounts) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempDir dir;
  std::vector<e2e::GsmtapFrame> frames(4);
  frames[0].Payload = e2e::Hex("05 3e");  // an MM message type no catalogue holds
  frames[1].Payload = e2e::Hex("05 3e");
  frames[2].Type = 13;
  frames[2].Payload = e2e::Hex("40 00");
  frames[3].Payload = e2e::Hex("83 2a");  // Release Complete
  const fs::path capture = dir.Path() / "stats.pcapng";
  e2e::WritePcapng(capture, frames);
  int status = 0;
  std::string out = runEventscan("import " + capture.string() + " --stats", status);
  ASSERT_EQ(status, 0) << out;
  EXPECT_NE(out.find("4 frames, 1 records"), std::string::npos) << out;
  EXPECT_NE(out.find("     2  MM 0x3E"), std::string::npos) << out;
  EXPECT_NE(out.find("     1  LTE RRC"), std::string::npos) << out;
}

// A capture tshark reads only in part, made by damaging the real one (or a
// small one written here): cut inside its last packet, a packet whose length
// is giant, a pcapng cut inside a block. `import` writes the records before
// the damage, names the damage in the same words as `run` and, as `run`,
// ends with status 2.
TEST(CaptureRun, ImportOfACaptureReadInPartNamesTheDamageAsARunDoes) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  std::vector<e2e::GsmtapFrame> frames(6);
  for (size_t i = 0; i < frames.size(); ++i) {
    frames[i].Payload = e2e::Hex(i % 2 ? "05 22 11" : "05 24 11 03 33 19 a2 05 f4 08 43 e8 bc");
    frames[i].Time += static_cast<double>(i);
  }
  const fs::path written = home.Path() / "written.pcap", pcapng = home.Path() / "written.pcapng";
  e2e::WritePcap(written, frames);
  e2e::WritePcapng(pcapng, frames);
  const std::string pcap = e2e::ReadFile(fs::exists(Capture) ? Capture : written);
  // A record header of the pcap: 16 bytes, its captured length at 8, in the
  // byte order of the file's magic number.
  const bool little = static_cast<unsigned char>(pcap[0]) == 0xd4 || static_cast<unsigned char>(pcap[0]) == 0x4d;
  auto lengthAt = [&](const std::string& bytes, size_t at) {
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
      n |= uint32_t(static_cast<unsigned char>(bytes[at + 8 + (little ? i : 3 - i)])) << (8 * i);
    return n;
  };
  std::vector<size_t> records;
  for (size_t at = 24; at + 16 <= pcap.size(); at += 16 + lengthAt(pcap, at)) records.push_back(at);
  ASSERT_GE(records.size(), 4u);
  std::string giant = pcap;
  for (int i = 0; i < 4; ++i) giant[records[records.size() / 2] + 8 + i] = i == (little ? 3 : 0) ? '\x7f' : '\xff';
  const std::string blocks = e2e::ReadFile(pcapng);
  const std::vector<std::pair<std::string, std::string>> damaged = {
      {"cut.pcap", pcap.substr(0, pcap.size() - 5)},
      {"giant.pcap", giant},
      {"cut.pcapng", blocks.substr(0, blocks.size() - 9)},
  };
  for (const auto& [name, bytes] : damaged) {
    SCOPED_TRACE(name);
    const fs::path capture = home.Path() / name, log = home.Path() / (name + ".jsonl");
    e2e::WriteFile(capture, bytes);
    const e2e::ShellResult run = e2e::Shell(std::string(EVENTSCAN_PROGRAM) + " run " + capture.string() + " --home " +
                                                home.Path().string() + " --format csv",
                                            home.Path());
    EXPECT_EQ(run.Status, 2) << run.Err;
    const size_t fault = run.Err.find("fault: " + capture.string() + ": ");
    ASSERT_NE(fault, std::string::npos) << run.Err;
    const std::string damage = run.Err.substr(fault, run.Err.find('\n', fault) - fault);
    const e2e::ShellResult import =
        e2e::Shell(std::string(EVENTSCAN_PROGRAM) + " import " + capture.string() + " -o " + log.string(), home.Path());
    EXPECT_EQ(import.Status, 2) << import.Err;
    EXPECT_NE(import.Err.find(damage + "\n"), std::string::npos) << "run:\n" << run.Err << "import:\n" << import.Err;
    ASSERT_TRUE(fs::exists(log)) << "the records before the damage are written";
    EXPECT_NE(e2e::ReadFile(log).find("\n{"), std::string::npos) << "a record after the header";
  }
}

// An LTE-only capture runs as an LTE log: the sample LTE events at the frames
// tshark shows the messages in, with the causes tshark decodes.
TEST(CaptureRun, LteCapturesGiveTheSampleLteEventsAtTheFramesTsharkShows) {
  if (!fs::exists(RealCaptures)) GTEST_SKIP() << RealCaptures << " is not there; the capture test is skipped";
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  auto run = [&](const char* name) {
    int status = 0;
    std::string csv = runEventscan("run " + (RealCaptures / name).string() + " --home " + home.Path().string() +
                                       " --format csv",
                                   status);
    EXPECT_EQ(status, 0) << name;
    return parseCsv(csv);
  };
  // Each (event, frame, cause value) of the expected list is a row of its
  // event at that frame whose detail names the cause; and there are no more.
  struct Expected {
    std::string Event;
    std::vector<std::pair<int, std::string>> Frames;  // frame, cause
  };
  auto check = [](const std::vector<Row>& rows, const Expected& e) {
    SCOPED_TRACE(e.Event + "\n" + listed(rows));
    const std::vector<Row> got = rowsOf(rows, e.Event);
    ASSERT_EQ(got.size(), e.Frames.size());
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].Frame, e.Frames[i].first);
      EXPECT_NE(got[i].Details.find("(" + e.Frames[i].second + ")"), std::string::npos) << got[i].Details;
      EXPECT_EQ(got[i].Network, "LTE");
    }
  };

  // A radio link failure whose re-establishment is rejected, then a TAU and
  // an attach rejected by the network (LTE NAS inside RRC only).
  const fs::path reject = RealCaptures / "lte-reestablish-reject-testnet-2025.pcapng";
  const std::vector<Row> rejectRows = run(reject.filename().c_str());
  const auto requests =
      tsharkFrames(reject, "lte-rrc.rrcConnectionReestablishmentRequest_element", "lte-rrc.reestablishmentCause");
  ASSERT_EQ(requests.size(), 1u);
  auto rejects = tsharkFrames(reject, "lte-rrc.rrcConnectionReestablishmentReject_element", "gsmtap.type");
  ASSERT_EQ(rejects.size(), 1u);
  rejects[0].second = requests[0].second;  // the reject tells the cause of the request it answers
  check(rejectRows, {"Radio Link Failure", requests});
  check(rejectRows, {"Re-establishment Reject", rejects});
  check(rejectRows, {"TAU Reject", tsharkFrames(reject, "nas_eps.nas_msg_emm_type == 0x4b", "nas_eps.emm.cause")});
  check(rejectRows, {"Attach Reject", tsharkFrames(reject, "nas_eps.nas_msg_emm_type == 0x44", "nas_eps.emm.cause")});

  // The attach reject logged twice (inside RRC, then as LTE NAS) is one event,
  // at the first of the two frames.
  const fs::path deadsim = RealCaptures / "lte-deadsim-attach-reject-2025.pcap";
  auto attachRejects = tsharkFrames(deadsim, "nas_eps.nas_msg_emm_type == 0x44", "nas_eps.emm.cause");
  ASSERT_EQ(attachRejects.size(), 2u);
  attachRejects.resize(1);
  check(run(deadsim.filename().c_str()), {"Attach Reject", attachRejects});

  // Intra-LTE handovers: a success at the Complete that answers each handover
  // command, naming the target PCI tshark reads in the command.
  for (const char* name : {"lte-two-handovers-testnet-2025.pcapng", "lte-tram-handover-tau-2025.pcapng"}) {
    SCOPED_TRACE(name);
    const fs::path capture = RealCaptures / name;
    const std::vector<Row> rows = run(name);
    const auto commands = tsharkFrames(capture, "lte-rrc.mobilityControlInfo_element", "lte-rrc.targetPhysCellId");
    const auto completes = tsharkFrames(capture, "lte-rrc.rrcConnectionReconfigurationComplete_element", "gsmtap.type");
    const std::vector<Row> handovers = rowsOf(rows, "Handover Success");
    ASSERT_FALSE(commands.empty());
    ASSERT_EQ(handovers.size(), commands.size()) << listed(rows);
    for (size_t i = 0; i < commands.size(); ++i) {
      int complete = 0;
      for (const auto& [frame, unused] : completes)
        if (frame > commands[i].first) {
          complete = frame;
          break;
        }
      EXPECT_EQ(handovers[i].Frame, complete);
      EXPECT_EQ(handovers[i].Details.rfind("PCI " + commands[i].second, 0), 0u) << handovers[i].Details;
    }
  }
}
