// Captures written by the test, read through tshark: pcap and pcapng known
// by their content, truncated and malformed frames reported by frame number
// with nothing else lost, a missing tshark named with its package, and the
// import written as a log that reads back to the same records.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <sstream>

#include "capture/capture_import.h"
#include "capture/capture_reader.h"
#include "eventmanager/outside/message_codes.h"
#include "testing/capture_pcap.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

#define REQUIRE_TSHARK()                                                 \
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)"

std::vector<e2e::GsmtapFrame> smallCapture() {
  using e2e::Hex;
  std::vector<e2e::GsmtapFrame> f(8);
  f[0].Payload = Hex("05 24 11 03 33 19 a2 05 f4 08 43 e8 bc");  // CM Service Request, MO call
  f[0].Uplink = true;
  f[1].Payload = Hex("83 25 02 e2 95");                          // Disconnect, cause 21
  f[2].Payload = Hex("83 25 02 e2");                             // Disconnect cut inside its cause
  f[3].Payload = Hex("83 25 02 e2 95");
  f[3].CutTo = 40;                                               // cut inside the UDP header
  f[4].Type = 13;                                                // LTE RRC
  f[4].Payload = Hex("40 00");
  f[5].Type = 12;                                                // RRC Connection Setup (DL-CCCH),
  f[5].SubType = 2;                                              // cut after its message type
  f[5].Payload = Hex("30");
  f[6].Payload = Hex("83 2a");                                   // Release Complete
  f[7].Payload = Hex("06 1b 00 00");                             // System Information Type 3 (cut short)
  for (size_t i = 0; i < f.size(); ++i) f[i].Time += static_cast<double>(i) * 0.25;
  return f;
}

}  // namespace

TEST(CaptureRead, PcapAndPcapngAreKnownByContentAndGiveTheSameRecords) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  // Names that say nothing: the first bytes decide.
  const auto pcap = dir.Path() / "drive.log", pcapng = dir.Path() / "drive.jsonl";
  e2e::WritePcap(pcap, smallCapture());
  e2e::WritePcapng(pcapng, smallCapture());
  e2e::WriteFile(dir.Path() / "log.pcap", "{\"format\": \"eventscan-log\", \"version\": 1, \"network\": \"GSM\"}\n");
  EXPECT_TRUE(IsCaptureFile(pcap.string()));
  EXPECT_TRUE(IsCaptureFile(pcapng.string()));
  EXPECT_FALSE(IsCaptureFile((dir.Path() / "log.pcap").string()));
  EXPECT_FALSE(IsCaptureFile((dir.Path() / "absent").string()));

  CaptureLog a = ReadCapture(pcap.string()), b = ReadCapture(pcapng.string());
  ASSERT_EQ(a.Records.size(), b.Records.size());
  for (size_t i = 0; i < a.Records.size(); ++i) {
    EXPECT_EQ(ToHandsetRecord(a.Records[i]).MessageBytes, ToHandsetRecord(b.Records[i]).MessageBytes);
    EXPECT_EQ(a.Records[i].Code, b.Records[i].Code);
    EXPECT_NEAR(a.Records[i].Time, b.Records[i].Time, 1e-9);
  }
  EXPECT_EQ(a.Stats.Frames, 8u);
}

TEST(CaptureRead, TruncatedAndMalformedFramesAreReportedAndNothingElseIsLost) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  const auto path = dir.Path() / "cut.pcap";
  e2e::WritePcap(path, smallCapture());
  CaptureLog log = ReadCapture(path.string());

  std::vector<std::pair<uint32_t, uint32_t>> frameCodes;
  for (const CaptureRecord& r : log.Records) frameCodes.emplace_back(r.Frame, r.Code);
  const std::vector<std::pair<uint32_t, uint32_t>> expected = {
      {1, nas::CmServiceRequest}, {2, nas::Disconnect},     {3, nas::Disconnect},
      {6, rrc::ConnectionSetup},  {7, nas::ReleaseComplete}};
  EXPECT_EQ(frameCodes, expected);
  EXPECT_EQ(log.Records[0].CmServiceType.value_or(-1), 1);
  EXPECT_EQ(log.Records[0].Uplink, 1);
  EXPECT_EQ(log.Records[1].Cause.value_or(-1), 21);
  EXPECT_FALSE(log.Records[2].Cause) << "the cut cause must not be guessed";

  std::set<int> faultFrames;
  for (const LogFault& f : log.Faults) {
    faultFrames.insert(f.Line);
    EXPECT_NE(f.Reason.find("malformed"), std::string::npos) << f.Text();
  }
  EXPECT_EQ(faultFrames, (std::set<int>{3, 4, 6}));
  EXPECT_EQ(log.Stats.Frames, 8u);
  EXPECT_EQ(log.Stats.Skipped["LTE RRC"], 1u);
  EXPECT_EQ(log.Stats.Skipped["GSM system information"], 1u);
  EXPECT_EQ(log.Stats.Skipped["not GSMTAP"], 1u);
}

TEST(CaptureRead, AFileCutInsideItsLastFrameKeepsTheFramesBefore) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  const auto whole = dir.Path() / "whole.pcap", cut = dir.Path() / "cut.pcap";
  e2e::WritePcap(whole, smallCapture());
  std::string bytes = e2e::ReadFile(whole);
  e2e::WriteFile(cut, bytes.substr(0, bytes.size() - 3));
  CaptureLog log = ReadCapture(cut.string());
  EXPECT_EQ(log.Stats.Frames, 7u);
  ASSERT_FALSE(log.Records.empty());
  EXPECT_EQ(log.Records.back().Frame, 7u);
  // The cut is the capture's damage, not one more malformed frame.
  EXPECT_NE(log.Damage.find("tshark stopped after frame 7"), std::string::npos) << log.Damage;
  EXPECT_NE(log.Damage.find("cut short"), std::string::npos) << log.Damage;
  for (const LogFault& f : log.Faults) EXPECT_EQ(f.Reason.find("tshark stopped"), std::string::npos) << f.Reason;
}

TEST(CaptureRead, MissingTsharkAndUnreadableFilesGiveClearMessages) {
  e2e::TempDir dir;
  const auto path = dir.Path() / "c.pcap";
  e2e::WritePcap(path, smallCapture());
  struct Case {
    const char* Tshark;
    std::string Path;
    const char* Wanted;
  };
  const std::vector<Case> cases = {
      {"/nonexistent/tshark", path.string(), "install the Debian package tshark"},
      {nullptr, (dir.Path() / "absent.pcap").string(), "cannot open the capture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Wanted);
    if (c.Tshark) setenv("EVENTSCAN_TSHARK", c.Tshark, 1);
    try {
      ReadCapture(c.Path);
      ADD_FAILURE() << "no error";
    } catch (const CaptureError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Wanted), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Path), std::string::npos) << e.what();
    }
    unsetenv("EVENTSCAN_TSHARK");
  }
  if (!e2e::TsharkAvailable()) return;
  // A file that is not a capture at all: tshark's reason is passed on.
  e2e::WriteFile(dir.Path() / "text.pcap", std::string("\xd4\xc3\xb2\xa1", 4) + "not really");
  try {
    ReadCapture((dir.Path() / "text.pcap").string());
    ADD_FAILURE() << "no error";
  } catch (const CaptureError& e) {
    EXPECT_NE(std::string(e.what()).find("tshark could not read the capture"), std::string::npos) << e.what();
  }
}

TEST(CaptureRead, ImportedLogReadsBackToTheSameRecords) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  const auto path = dir.Path() / "c.pcap";
  e2e::WritePcap(path, smallCapture());
  CaptureLog capture = ReadCapture(path.string());
  std::ostringstream text;
  WriteCaptureLog(text, capture, path.string());
  ParsedLog direct = ToParsedLog(capture, path.string());
  ParsedLog read = ReadLogText(text.str(), "c.jsonl");
  ASSERT_TRUE(read.Faults.empty()) << read.Faults[0].Text() << "\n" << text.str();
  EXPECT_EQ(read.Header.Network, 2);
  ASSERT_EQ(read.Records.size(), direct.Records.size());
  for (size_t i = 0; i < read.Records.size(); ++i) {
    SCOPED_TRACE(i);
    const HandsetRecord &x = direct.Records[i], &y = read.Records[i];
    EXPECT_EQ(x.MessageCode, y.MessageCode);
    EXPECT_EQ(x.MessageBytes, y.MessageBytes);
    EXPECT_EQ(x.MessageInfo, y.MessageInfo);
    EXPECT_EQ(x.NetType, y.NetType);
    EXPECT_EQ(x.Fields, y.Fields);
    EXPECT_NEAR(x.Time, y.Time, 1e-9);
    EXPECT_NEAR(x.OrderTime, y.OrderTime, 1e-9);
    EXPECT_EQ(direct.Feeds[i].Kind, read.Feeds[i].Kind);
  }
}
