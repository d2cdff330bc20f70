// The field mapping of captures: tshark lines, written by hand here, to
// records, skipped frames, unmapped types and faults. No tshark is needed.
#include <gtest/gtest.h>

#include <map>

#include "capture/capture_mapper.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"

using namespace eventscan;

namespace {

// A tshark line with the named columns set and all others empty.
std::string line(const std::map<std::string, std::string>& set) {
  const auto& fields = CaptureFields();
  std::string out;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) out += '\t';
    auto it = set.find(fields[i]);
    if (it != set.end()) out += it->second;
  }
  return out;
}

std::map<std::string, std::string> frame(int number, const std::string& type) {
  return {{"frame.number", std::to_string(number)}, {"frame.time_epoch", "1521877211.472500000"}, {"gsmtap.type", type}};
}

std::map<std::string, std::string> with(std::map<std::string, std::string> base,
                                        const std::map<std::string, std::string>& more) {
  for (const auto& [k, v] : more) base[k] = v;
  return base;
}

struct Expected {
  uint32_t Code;  // 0: a measurement record
  uint8_t Net;
  uint32_t Mode;
  int32_t Cause;  // NoValue: none
  int32_t SubType;
};

}  // namespace

TEST(CaptureMapping, FramesBecomeRecordsWithCodesCausesAndModes) {
  struct Case {
    const char* Name;
    std::map<std::string, std::string> Line;
    std::vector<Expected> Records;
  };
  const std::vector<Case> cases = {
      {"GSM CC Disconnect with its cause",
       with(frame(961, "2"), {{"gsm_a.dtap.msg_cc_type", "0x25"}, {"gsm_a.dtap.cause", "0x15"}, {"gsmtap.uplink", "0"}}),
       {{nas::Disconnect, 0, 2, 21, -1}}},
      {"GSM RR Channel Release with the RR cause",
       with(frame(978, "2"), {{"gsm_a.dtap.msg_rr_type", "0x0d"}, {"gsm_a.rr.RRcause", "0"}}),
       {{nas::ChannelRelease, 0, 2, 0, -1}}},
      {"GSM Immediate Assignment is sent in idle mode",
       with(frame(601, "2"), {{"gsm_a.dtap.msg_rr_type", "0x3f"}}), {{nas::ImmediateAssignment, 0, 0, NoValue, -1}}},
      {"GSM Location Updating Request: the updating type is its sub-type",
       with(frame(599, "2"), {{"gsm_a.dtap.msg_mm_type", "0x08"}, {"gsm_a.dtap.updating_type", "2"}}),
       {{nas::LocationUpdatingRequest, 0, 2, NoValue, 2}}},
      {"GMM over GPRS is not dedicated",
       with(frame(615, "2"), {{"gsm_a.dtap.msg_gmm_type", "0x08"}}), {{nas::RoutingAreaUpdateRequest, 0, 0, NoValue, -1}}},
      {"RRC Connection Request on the CCCH with its establishment cause",
       with(frame(45, "12"), {{"gsmtap.rrc_sub_type", "3"}, {"rrc.message", "1"}, {"rrc.establishmentCause", "12"}}),
       {{rrc::ConnectionRequest, 2, 0, 12, 12}}},
      {"RRC Connection Release on the DCCH with its release cause",
       with(frame(69, "12"), {{"gsmtap.rrc_sub_type", "0"}, {"rrc.message", "15"}, {"rrc.releaseCause", "0"}}),
       {{rrc::ConnectionRelease, 2, 2, 0, -1}}},
      {"a direct transfer gives the RRC record and the NAS record inside",
       with(frame(285, "12"), {{"gsmtap.rrc_sub_type", "1"}, {"rrc.message", "5"}, {"gsm_a.dtap.msg_mm_type", "0x24"},
                               {"gsm_a.dtap.service_type", "1"}}),
       {{rrc::InitialDirectTransfer, 2, 2, NoValue, -1}, {nas::CmServiceRequest, 2, 2, NoValue, 1}}},
      {"CP-DATA carrying RP-DATA gives both",
       with(frame(825, "2"), {{"gsm_a.dtap.msg_sms_type", "0x01"}, {"gsm_a.rp.msg_type", "0x00"}}),
       {{nas::CpData, 0, 2, NoValue, -1}, {nas::RpDataMsToNetwork, 0, 2, NoValue, -1}}},
      {"a GSM Measurement Report is a measurement record",
       with(frame(605, "2"), {{"gsm_a.dtap.msg_rr_type", "0x15"}, {"gsm_a.rr.rxlev_full_serv_cell", "30"},
                              {"gsm_a.rr.rxlev_sub_serv_cell", "28"}, {"gsm_a.rr.rxqual_sub_serv_cell", "3"}}),
       {{0, 0, 0, NoValue, -1}}},
      {"an RRC Measurement Report is a measurement record",
       with(frame(138, "12"), {{"gsmtap.rrc_sub_type", "1"}, {"rrc.message", "8"}, {"rrc.cpich_RSCP", "30"},
                               {"rrc.cpich_Ec_N0", "40"}}),
       {{0, 2, 0, NoValue, -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    CaptureMapper mapper("t.pcap");
    mapper.MapLine(line(c.Line));
    CaptureLog& log = mapper.Result();
    EXPECT_TRUE(log.Faults.empty()) << (log.Faults.empty() ? "" : log.Faults[0].Text());
    ASSERT_EQ(log.Records.size(), c.Records.size());
    for (size_t i = 0; i < c.Records.size(); ++i) {
      const CaptureRecord& r = log.Records[i];
      const Expected& e = c.Records[i];
      HandsetRecord rec = ToHandsetRecord(r);
      EXPECT_EQ(rec.MessageCode, e.Code);
      EXPECT_EQ(r.Message, e.Code != 0);
      EXPECT_EQ(rec.NetType, e.Net);
      EXPECT_EQ(rec.MessageInfo >> 24 & 0xF, e.Mode);
      EXPECT_EQ(r.Cause.value_or(NoValue), e.Cause);
      EXPECT_EQ(r.SubType, e.SubType);
      EXPECT_EQ(r.Frame, static_cast<uint32_t>(std::stoi(c.Line.at("frame.number"))));
    }
  }
}

TEST(CaptureMapping, MeasurementsConvertToTheCatalogueUnits) {
  CaptureMapper mapper("t.pcap");
  mapper.MapLine(line(with(frame(605, "2"), {{"gsm_a.dtap.msg_rr_type", "0x15"},
                                             {"gsm_a.rr.rxlev_full_serv_cell", "30"},
                                             {"gsm_a.rr.rxlev_sub_serv_cell", "0"},
                                             {"gsm_a.rr.rxqual_full_serv_cell", "7"}})));
  mapper.MapLine(line(with(frame(138, "12"), {{"gsmtap.rrc_sub_type", "1"}, {"rrc.message", "8"},
                                              {"rrc.cpich_RSCP", "30"}, {"rrc.cpich_Ec_N0", "40"}})));
  ASSERT_EQ(mapper.Result().Records.size(), 2u);
  HandsetRecord gsm = ToHandsetRecord(mapper.Result().Records[0]);
  EXPECT_EQ(gsm.Field(FieldIdByName("RxLevFull")), -80);
  EXPECT_EQ(gsm.Field(FieldIdByName("RxLevSub")), -110);
  EXPECT_EQ(gsm.Field(FieldIdByName("RxQualFull")), 7);
  EXPECT_EQ(gsm.Field(FieldIdByName("RxQualSub")), NoValue);
  HandsetRecord umts = ToHandsetRecord(mapper.Result().Records[1]);
  EXPECT_EQ(umts.Field(FieldIdByName("RSCP")), -86);
  EXPECT_EQ(umts.Field(FieldIdByName("EcIo")), -45);  // -4.5 dB
}

TEST(CaptureMapping, MessageBytesCarryTheElementsTheReadersUse) {
  CaptureMapper mapper("t.pcap");
  mapper.MapLine(line(with(frame(811, "2"), {{"gsm_a.dtap.msg_mm_type", "0x24"}, {"gsm_a.dtap.service_type", "4"},
                                             {"gsmtap.uplink", "1"}})));
  mapper.MapLine(line(with(frame(900, "2"), {{"gsm_a.dtap.msg_rr_type", "0x2b"}, {"gsm_a.rr.bcch_arfcn", "62"},
                                             {"gsm_a.rr.ncc", "4"}, {"gsm_a.rr.bcc", "1"}})));
  ASSERT_EQ(mapper.Result().Records.size(), 2u);
  std::string cm = ToHandsetRecord(mapper.Result().Records[0]).MessageBytes;
  ASSERT_TRUE(msgbytes::WellFormed(cm));
  EXPECT_EQ(msgbytes::ReadI32(*msgbytes::Find(cm, msgbytes::CmServiceType), 0), 4);
  EXPECT_EQ(*msgbytes::U8At(*msgbytes::Find(cm, msgbytes::SubType), 0), 4);
  EXPECT_EQ(*msgbytes::U8At(*msgbytes::Find(cm, 0x80), 0), 1);  // uplink
  EXPECT_EQ(msgbytes::ReadI32(*msgbytes::Find(cm, 0x81), 0), 811);
  std::string ho = ToHandsetRecord(mapper.Result().Records[1]).MessageBytes;
  auto target = msgbytes::Find(ho, msgbytes::TargetCell);
  ASSERT_TRUE(target);
  EXPECT_EQ(msgbytes::ReadI32(*target, 0), 62);
  EXPECT_EQ(msgbytes::ReadI32(*target, 4), 33);
}

TEST(CaptureMapping, OtherFramesAreCountedUnmappedTypesListedBadLinesReported) {
  CaptureMapper mapper("t.pcap");
  mapper.MapLine(line(frame(1, "13")));                                                   // LTE RRC
  mapper.MapLine(line(with(frame(2, "1"), {{"gsmtap.uplink", "1"}})));                    // GPRS RLC/MAC
  mapper.MapLine(line(with(frame(3, "2"), {{"gsm_a.dtap.msg_rr_type", "0x1b"}})));       // SI 3
  mapper.MapLine(line(with(frame(4, "12"), {{"gsmtap.rrc_sub_type", "8"}})));            // BCCH
  mapper.MapLine(line(with(frame(5, "2"), {{"gsm_a.dtap.msg_mm_type", "0x3e"}})));       // no such MM type
  mapper.MapLine(line(with(frame(6, "12"), {{"gsmtap.rrc_sub_type", "0"}, {"rrc.message", "7"}})));
  mapper.MapLine(line({{"frame.number", "7"}, {"frame.time_epoch", "1.0"}}));            // not GSMTAP
  mapper.MapLine("8\t1.0\t2");                                                           // cut-off line
  mapper.MapLine(line(with(frame(9, "2"), {{"gsm_a.dtap.msg_cc_type", "0x25"}, {"_ws.malformed", "_ws.malformed"}})));
  mapper.MapLine(line(with(frame(10, "2"), {{"gsm_a.dtap.msg_cc_type", "0x2a"}})));
  CaptureLog& log = mapper.Result();
  EXPECT_EQ(log.Stats.Frames, 10u);
  EXPECT_EQ(log.Stats.Skipped["LTE RRC"], 1u);
  EXPECT_EQ(log.Stats.Skipped["GSM Um without layer 3 (GPRS RLC/MAC, ...)"], 1u);
  EXPECT_EQ(log.Stats.Skipped["GSM system information"], 1u);
  EXPECT_EQ(log.Stats.Skipped["UMTS system information"], 1u);
  EXPECT_EQ(log.Stats.Skipped["not GSMTAP"], 1u);
  EXPECT_EQ(log.Stats.Skipped["unreadable"], 1u);
  EXPECT_EQ(log.Stats.Unmapped["MM 0x3E"], 1u);
  EXPECT_EQ(log.Stats.Unmapped["RRC handoverFromUTRANCommand-CDMA2000"], 1u);
  // The malformed Disconnect is kept as far as it was decoded, and the
  // frames after it are all there.
  ASSERT_EQ(log.Records.size(), 2u);
  EXPECT_EQ(log.Records[0].Frame, 9u);
  EXPECT_EQ(log.Records[1].Frame, 10u);
  ASSERT_EQ(log.Faults.size(), 2u);
  EXPECT_EQ(log.Faults[0].Line, 8);
  EXPECT_NE(log.Faults[0].Reason.find("columns"), std::string::npos);
  EXPECT_EQ(log.Faults[1].Line, 9);
  EXPECT_NE(log.Faults[1].Reason.find("malformed"), std::string::npos);
  EXPECT_NE(CaptureSummary(log).find("10 frames: 2 records"), std::string::npos) << CaptureSummary(log);
}

TEST(CaptureMapping, TimesNeverRunBackSoDelaysAreNotNegative) {
  CaptureMapper mapper("t.pcap");
  const char* times[] = {"1521877211.500", "1521877210.900", "1521877212.000"};
  for (int i = 0; i < 3; ++i) {
    auto l = with(frame(i + 1, "2"), {{"gsm_a.dtap.msg_cc_type", "0x05"}});
    l["frame.time_epoch"] = times[i];
    mapper.MapLine(line(l));
  }
  const auto& r = mapper.Result().Records;
  ASSERT_EQ(r.size(), 3u);
  EXPECT_DOUBLE_EQ(r[1].Time, r[0].Time);
  EXPECT_NEAR((r[2].Time - r[0].Time) * 86400.0, 0.5, 1e-6);
}
