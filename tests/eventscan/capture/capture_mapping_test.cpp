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

namespace {

// An LTE RRC frame on `channel` (the message element tshark shows) with the
// message-type CHOICE index `choice`.
std::map<std::string, std::string> lteRrc(int number, const std::string& channel, const std::string& choice) {
  return with(frame(number, "13"), {{"lte-rrc." + channel + "_Message_element", "1"}, {"lte-rrc.c1", choice + ",0"}});
}

int32_t fieldOf(const CaptureRecord& r, int32_t id) {
  for (const auto& [i, v] : r.Fields)
    if (i == id) return v;
  return NoValue;
}

}  // namespace

TEST(CaptureMapping, LteMeasurementReportsGiveServingAndStrongestNeighbour) {
  CaptureMapper mapper("t.pcap");
  // Values as tshark lists them: the serving cell first, then each neighbour.
  auto report = lteRrc(1, "UL_DCCH", "1");
  mapper.MapLine(line(with(report, {{"lte-rrc.rsrpResult", "50,35,32"}, {"lte-rrc.rsrqResult", "23,13,13"},
                                    {"lte-rrc.physCellId", "194,69"}})));
  // A report whose neighbours gave no RSRP names no neighbour.
  mapper.MapLine(line(with(report, {{"lte-rrc.rsrpResult", "97"}, {"lte-rrc.rsrqResult", "0,20"},
                                    {"lte-rrc.physCellId", "308"}})));
  mapper.Finish();
  const auto& r = mapper.Result().Records;
  ASSERT_EQ(r.size(), 2u);
  EXPECT_FALSE(r[0].Message);
  // 36.133: RSRP_50 is -90 dBm and up, RSRQ_23 -8.5 dB and up (whole dB: -9).
  EXPECT_EQ(fieldOf(r[0], 300), -90);
  EXPECT_EQ(fieldOf(r[0], 301), -9);
  EXPECT_EQ(fieldOf(r[0], 308), -105);
  EXPECT_EQ(fieldOf(r[0], 309), -14);
  EXPECT_EQ(fieldOf(r[0], 310), 194);
  EXPECT_EQ(fieldOf(r[1], 300), -43);
  EXPECT_EQ(fieldOf(r[1], 301), -20);
  EXPECT_EQ(fieldOf(r[1], 310), NoValue);
}

TEST(CaptureMapping, LteMessagesCarryRedirectsScgFailuresAndServiceRequests) {
  CaptureMapper mapper("t.pcap");
  // An RRC Connection Release to UMTS FDD on UARFCN 10688, release cause other.
  mapper.MapLine(line(with(lteRrc(1, "DL_DCCH", "5"), {{"lte-rrc.releaseCause", "1"},
                                                       {"lte-rrc.redirectedCarrierInfo", "2"},
                                                       {"lte-rrc.utra_FDD", "10688"}})));
  // SCG Failure Information NR (messageClassExtension c2 index 8), failure
  // type "dummy" with failureType-v1610 scg-lbtFailure.
  mapper.MapLine(line(with(frame(2, "13"), {{"lte-rrc.UL_DCCH_Message_element", "1"},
                                            {"lte-rrc.messageClassExtension", "0"}, {"lte-rrc.c2", "8"},
                                            {"lte-rrc.c1", "0"}, {"lte-rrc.failureType_r15", "6"},
                                            {"lte-rrc.failureType_v1610", "1"}})));
  // The short Service Request: a security header (12) and no message type;
  // the writer left GSMTAP's uplink bit at 0.
  mapper.MapLine(line(with(frame(3, "18"), {{"nas_eps.security_header_type", "12"}, {"gsmtap.uplink", "0"}})));
  mapper.Finish();
  const auto& r = mapper.Result().Records;
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].Code, lte::ConnectionRelease);
  EXPECT_EQ(r[0].SubType, 3);
  EXPECT_EQ(r[0].Cause, 1);
  EXPECT_EQ(r[0].TargetSystem, msgbytes::SystemUtraFdd);
  EXPECT_EQ(r[0].Earfcn, 10688);
  EXPECT_EQ(r[0].Uplink, 0);
  const std::string bytes = ToHandsetRecord(r[0]).MessageBytes;
  ASSERT_TRUE(msgbytes::WellFormed(bytes));
  EXPECT_EQ(msgbytes::ReadI32(*msgbytes::Find(bytes, msgbytes::Earfcn), 0), 10688);
  EXPECT_EQ(msgbytes::ReadI32(*msgbytes::Find(bytes, msgbytes::TargetSystem), 0), 1);
  EXPECT_EQ(r[1].Code, lte::ScgFailureInformationNr);
  EXPECT_EQ(r[1].ScgFailureType, 7);
  EXPECT_EQ(r[1].Uplink, 1);
  EXPECT_EQ(r[2].Code, eps::ServiceRequest);
  EXPECT_EQ(r[2].Uplink, 1) << "a Service Request is always uplink";
  EXPECT_EQ(mapper.Result().Network, 4);
}

TEST(CaptureMapping, NasLoggedAgainIsOneRecordCipheredNasIsCountedAndMixedCapturesDropLte) {
  CaptureMapper mapper("t.pcap");
  auto reject = with(lteRrc(1, "DL_DCCH", "1"), {{"nas_eps.security_header_type", "0"},
                                                 {"nas_eps.nas_msg_emm_type", "0x44"}, {"nas_eps.emm.cause", "15"}});
  mapper.MapLine(line(reject));  // inside a DL Information Transfer
  mapper.MapLine(line(with(frame(2, "18"), {{"nas_eps.security_header_type", "0"},
                                            {"nas_eps.nas_msg_emm_type", "0x44"}, {"nas_eps.emm.cause", "15"}})));
  reject["frame.number"] = "3";  // the network sends it again, in the same form: a new message
  mapper.MapLine(line(reject));
  mapper.MapLine(line(with(frame(4, "18"), {{"nas_eps.security_header_type", "2"}})));  // ciphered
  CaptureLog log;
  {
    CaptureMapper copy = mapper;
    copy.Finish();
    log = copy.Result();
  }
  std::vector<uint32_t> codes;
  for (const CaptureRecord& r : log.Records) codes.push_back(r.Code);
  EXPECT_EQ(codes, (std::vector<uint32_t>{lte::DlInformationTransfer, eps::AttachReject, lte::DlInformationTransfer,
                                          eps::AttachReject}));
  EXPECT_EQ(log.Records[1].Cause, 15);
  EXPECT_EQ(log.Records[1].Frame, 1u);
  EXPECT_EQ(log.Stats.CipheredNas, 1u);
  EXPECT_EQ(log.Stats.Skipped["LTE NAS ciphered"], 1u);
  EXPECT_EQ(log.Stats.Skipped["LTE NAS logged twice (one record)"], 1u);
  EXPECT_EQ(log.Stats.Skipped.count("LTE RRC"), 0u);
  EXPECT_EQ(log.Network, 4);

  // With a GSM record the capture is run without its LTE records, as before.
  mapper.MapLine(line(with(frame(5, "2"), {{"gsm_a.dtap.msg_cc_type", "0x25"}})));
  mapper.Finish();
  EXPECT_NE(mapper.Result().Network, 4);
  ASSERT_EQ(mapper.Result().Records.size(), 1u);
  EXPECT_EQ(mapper.Result().Records[0].Net, 0);
  EXPECT_EQ(mapper.Result().Stats.Skipped["LTE RRC"], 2u);
  EXPECT_EQ(mapper.Result().Stats.Skipped["LTE NAS"], 2u);
  EXPECT_EQ(mapper.Result().Stats.CipheredNas, 0u);
}
