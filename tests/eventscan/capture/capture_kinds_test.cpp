// What a reader of the capture in Wireshark sees, on captures the test writes:
// the direction of RRC messages when the capture tool left GSMTAP's uplink
// bit at 0, LTE frames (RRC and NAS) counted as LTE and never made into GSM
// records, UMTS system information and GPRS transparent transport counted
// under their names, and a capture of GSM frames only read as a GSM log.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "capture/capture_import.h"
#include "capture/capture_reader.h"
#include "eventmanager/outside/message_codes.h"
#include "testing/capture_pcap.h"
#include "testing/e2e_support.h"

using namespace eventscan;
using e2e::Hex;

namespace {

#define REQUIRE_TSHARK()                                                 \
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)"

e2e::GsmtapFrame frame(uint8_t type, uint8_t subType, const std::string& hex) {
  e2e::GsmtapFrame f;
  f.Type = type;
  f.SubType = subType;
  f.Payload = Hex(hex);
  return f;
}

// Payloads taken from a handset capture and read in Wireshark.
const char* const UlDcchReleaseComplete = "d2 a4 eb ab 8c 40";                        // rrcConnectionReleaseComplete
const char* const UlDcchRbReleaseComplete = "a0 a1 d0 55 2b 41 52";                   // radioBearerReleaseComplete
const char* const UlCcchConnectionRequest = "29 01 71 4f 1c 20 80 81 7a 33 15 2d 57 3c 80";  // rrcConnectionRequest
const char* const GsmPaging = "06 21 00 01 f0 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b";  // Paging Request Type 1

CaptureLog read(const std::vector<e2e::GsmtapFrame>& frames, e2e::TempDir& dir, const char* name = "c.pcap") {
  const auto path = dir.Path() / name;
  e2e::WritePcap(path, frames);
  return ReadCapture(path.string());
}

}  // namespace

TEST(CaptureKinds, RrcMessagesOnUplinkChannelsAreUplinkWhateverTheGsmtapBit) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  // Uplink bit 0 on every frame, as some capture tools write it.
  CaptureLog log = read({frame(12, 3, UlCcchConnectionRequest), frame(12, 1, UlDcchRbReleaseComplete),
                         frame(12, 1, UlDcchReleaseComplete), frame(2, 0, GsmPaging)},
                        dir);
  ASSERT_EQ(log.Records.size(), 4u);
  EXPECT_EQ(log.Records[0].Code, rrc::ConnectionRequest);
  EXPECT_EQ(log.Records[1].Code, rrc::RadioBearerReleaseComplete);
  EXPECT_EQ(log.Records[2].Code, rrc::ConnectionReleaseComplete);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(log.Records[i].Uplink, 1) << i;
  EXPECT_EQ(log.Records[3].Uplink, 0) << "a GSM frame keeps the bit it has";
}

TEST(CaptureKinds, LteFramesAreCountedAsLteAndNeverBecomeGsmRecords) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  // An EMM Downlink NAS Transport (plain NAS) carrying an SMS CP-ACK: tshark
  // decodes the SMS inside, which must not become a GSM record.
  CaptureLog log = read({frame(2, 0, GsmPaging), frame(13, 5, "40 00"), frame(18, 0, "07 62 02 09 04"),
                         frame(13, 5, "40 00"), frame(12, 3, UlCcchConnectionRequest)},
                        dir);
  ASSERT_EQ(log.Records.size(), 2u);
  EXPECT_EQ(log.Records[0].Net, 0);
  EXPECT_EQ(log.Records[1].Net, 2);
  EXPECT_EQ(log.Stats.Skipped["LTE RRC"], 2u);
  EXPECT_EQ(log.Stats.Skipped["LTE NAS"], 1u);
  ASSERT_EQ(log.LteStretches.size(), 1u);
  EXPECT_EQ(log.LteStretches[0].FirstFrame, 2u);
  EXPECT_EQ(log.LteStretches[0].LastFrame, 4u);
  EXPECT_EQ(log.LteStretches[0].NextRecord, 1u);
}

TEST(CaptureKinds, SystemInformationAndTransparentTransportAreCountedByName) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  // UMTS system information given block by block (Master Information Block
  // 16, SIB 3 = 19, SIB 18 = 53), and a GTTP GPRS Information message.
  CaptureLog log = read({frame(12, 16, "00 00"), frame(12, 19, "00 00 00"), frame(12, 53, "00"),
                         frame(2, 0, "04 00 12 34 56 78 02 01 02"), frame(12, 3, UlCcchConnectionRequest)},
                        dir);
  EXPECT_EQ(log.Records.size(), 1u);
  EXPECT_EQ(log.Stats.Skipped["UMTS system information"], 3u);
  EXPECT_EQ(log.Stats.Skipped["GPRS transparent transport (GTTP)"], 1u);
  std::string unmapped;
  for (const auto& [name, count] : log.Stats.Unmapped) unmapped += name + "; ";
  EXPECT_TRUE(log.Stats.Unmapped.empty()) << unmapped;
  EXPECT_EQ(log.Stats.Skipped.count("GSM Abis without layer 3"), 0u);
}

TEST(CaptureKinds, ACaptureOfGsmFramesOnlyIsAGsmLog) {
  REQUIRE_TSHARK();
  e2e::TempDir dir;
  std::vector<e2e::GsmtapFrame> frames = {frame(2, 0, "05 08 11 02 f8 10 00 01 33 05 f4 08 43 e8 bc"),  // LU Request
                                          frame(2, 0, "05 02 02 f8 10 00 01"),                            // LU Accept
                                          frame(13, 5, "40 00")};
  frames[0].Uplink = true;
  CaptureLog log = read(frames, dir);
  EXPECT_EQ(log.Network, 0);
  ParsedLog parsed = ToParsedLog(log, "c.pcap");
  EXPECT_EQ(parsed.Header.Network, 0);
  ASSERT_EQ(parsed.Records.size(), 2u);
  EXPECT_EQ(parsed.Records[0].MessageCode, gsm::LocationUpdatingRequest);
  EXPECT_EQ(parsed.Records[1].MessageCode, gsm::LocationUpdatingAccept);
  std::ostringstream text;
  WriteCaptureLog(text, log, "c.pcap");
  EXPECT_EQ(nlohmann::json::parse(text.str().substr(0, text.str().find('\n')))["network"], "GSM");
}

TEST(CaptureKinds, TheCaptureNameIsWrittenIntoTheHeaderAsAJsonString) {
  CaptureLog empty;
  for (const std::string& name : {std::string("a\"b.pcap"), std::string("back\\slash.pcap"), std::string("tab\there"),
                                 std::string("new\nline"), std::string("x\", \"network\": \"GSM\", \"device\": 7, \"y")}) {
    SCOPED_TRACE(name);
    std::ostringstream text;
    WriteCaptureLog(text, empty, "/some/dir/" + name);
    nlohmann::json header;
    ASSERT_NO_THROW(header = nlohmann::json::parse(text.str().substr(0, text.str().find("}\n") + 1))) << text.str();
    EXPECT_EQ(header["source"], name);
    EXPECT_EQ(header["network"], "UMTS");
    EXPECT_EQ(header["device"], 0);
  }
}
