// eventscan run on the real handset capture in ../shared/captures, with the
// sample definitions: every event a reader of the capture in Wireshark lists,
// at its frame, with the network's cause where there is one. Skipped (with a
// message) when the capture or tshark is not there.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

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
