// Decoded elements written with msgbytes::Writer come back through every
// reader; short or malformed blocks give none.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"
#include "eventmanager/outside/wcdma_decoder.h"

using msgbytes::Writer;

namespace {


int32_t I32(const std::string& record, size_t offset) { return msgbytes::ReadI32(record, offset); }

}  // namespace

TEST(MessageBytes, EveryReaderReadsWhatTheWriterWrote) {
  std::string handover = Writer().I32s(msgbytes::TargetCell, {62, 33}).Bytes();
  auto gsmTarget = Gain_GSM_Handover_Data_Point(0, gsm::HandoverCommand, handover);
  ASSERT_TRUE(gsmTarget);
  EXPECT_EQ(gsmTarget->Bcch, 62);
  EXPECT_EQ(gsmTarget->Bsic, 33);
  EXPECT_EQ(Gain_WCDMA_GSM_Handover_Data_Point(0, nas::HandoverCommand, handover)->Bsic, 33);
  EXPECT_EQ(Gain_TDSCDMA_GSM_Handover_Data_Point(0, rrc::HandoverFromUtranCommand, handover)->Bcch, 62);
  EXPECT_EQ(GainInterRatHandoverToGSMInfo(rrc::HandoverFromUtranCommand, handover)->Bcch, 62);
  EXPECT_EQ(GainTDSCDMAInterRatHandoverToGSMInfo(rrc::HandoverFromUtranCommand, handover)->Bsic, 33);

  EXPECT_EQ(Gain_GSM_CM_Service_Type_Data_Point(0, gsm::CmServiceRequest, Writer().I32(msgbytes::CmServiceType, 1).Bytes()), 1);
  EXPECT_EQ(Gain_GSM_CM_Service_Type_Data_Point(0, gsm::Disconnect, Writer().I32(msgbytes::Cause, 17).Bytes()), 17);
  EXPECT_EQ(Gain_WCDMA_CM_Service_Type_Data_Point(0, nas::CmServiceRequest, Writer().I32(msgbytes::CmServiceType, 2).Bytes()), 2);
  EXPECT_EQ(Gain_TDSCDMA_CM_Service_Type_Data_Point(0, rrc::ConnectionRelease, Writer().I32(msgbytes::Cause, 3).Bytes()), 3);

  auto cause = GainUMTSMessageCauseCode(rrc::ConnectionReject, Writer().I32(msgbytes::Cause, 1).Bytes());
  ASSERT_TRUE(cause);
  ASSERT_EQ(cause->size(), 8u);
  EXPECT_EQ(I32(*cause, 0), 1);
  EXPECT_EQ(I32(*cause, 4), 0);  // RRC family by default
  auto nasCause = GainTDSCDMAMessageCauseCode(nas::Release, Writer().I32s(msgbytes::Cause, {16, 1}).Bytes());
  ASSERT_TRUE(nasCause);
  EXPECT_EQ(I32(*nasCause, 0), 16);

  std::string asu = Writer().I32s(msgbytes::PscAdded, {100, 200}).I32s(msgbytes::PscRemoved, {300}).Bytes();
  auto set = GainWCDMAActiveSetUpdateInfo(rrc::ActiveSetUpdate, asu);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->Added, (std::vector<int32_t>{100, 200}));
  EXPECT_EQ(set->Removed, (std::vector<int32_t>{300}));

  std::string reconf = Writer().I32(msgbytes::NewUarfcn, 10700).I32s(msgbytes::PscList, {12, 14}).Bytes();
  auto w = GainWCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration, reconf);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->NewUarfcn, 10700);
  EXPECT_EQ(w->Psc, (std::vector<int32_t>{12, 14}));

  std::string td = Writer().U8(msgbytes::BatonHandover, 1).I32(msgbytes::NewUarfcn, 10080).I32(msgbytes::NewCellParamId, 77).Bytes();
  auto t = GainTDSCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration, td);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->BatonHandover, 1);
  EXPECT_EQ(t->NewUarfcn, 10080);
  EXPECT_EQ(t->NewCellParameterId, 77);

  auto timer = Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, tdscdma::MmTimerExpiryIndication, Writer().I32s(msgbytes::TimerExpiry, {3210, 20}).Bytes());
  ASSERT_TRUE(timer);
  ASSERT_EQ(timer->size(), 8u);
  EXPECT_EQ(I32(*timer, 0), 3210);
  EXPECT_EQ(I32(*timer, 4), 20);

  EXPECT_EQ(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, cdma::ReleaseOrder, Writer().U16(msgbytes::CdmaCause, 0x1234).Bytes()), 0x1234);
  auto handoff = Gain_CDMA_Handoff_Dir_Param_Data_Point(0, cdma::UniversalHandoffDirection, Writer().Raw(msgbytes::HandoffDirection, "\x02\xFB").Bytes());
  ASSERT_TRUE(handoff);
  EXPECT_EQ(static_cast<int8_t>((*handoff)[1]), -5);

  EXPECT_EQ(GainNetWCDMAL3LogMsgSubIndex(rrc::ConnectionRequest, Writer().U8(msgbytes::SubType, 9).Bytes()), 9);
}

TEST(MessageBytes, ShortOrMalformedBlocksGiveNone) {
  std::string cell = Writer().I32s(msgbytes::TargetCell, {62, 33}).Bytes();
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"tag without length", std::string(1, '\x04')},
      {"length past the end", cell.substr(0, cell.size() - 1)},
      {"element shorter than the value", Writer().I32(msgbytes::TargetCell, 62).Bytes()},
      {"stray byte after the elements", cell + '\x01'},
      {"bad element before the wanted one", std::string("\x02\x09", 2) + cell},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(Gain_GSM_Handover_Data_Point(0, gsm::HandoverCommand, c.bytes));
    EXPECT_FALSE(GainInterRatHandoverToGSMInfo(rrc::HandoverFromUtranCommand, c.bytes));
  }
  EXPECT_FALSE(GainUMTSMessageCauseCode(rrc::ConnectionReject, Writer().Raw(msgbytes::Cause, "\x01\x02").Bytes()));
  EXPECT_FALSE(Gain_GSM_CM_Service_Type_Data_Point(0, gsm::CmServiceRequest, Writer().U8(msgbytes::CmServiceType, 1).Bytes()));
  EXPECT_FALSE(GainWCDMAActiveSetUpdateInfo(rrc::ActiveSetUpdate, Writer().Raw(msgbytes::PscAdded, "\x01\x02\x03\x04\x05").Bytes()));
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration, Writer().U16(msgbytes::NewUarfcn, 1).Bytes()));
  EXPECT_FALSE(Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, tdscdma::MmTimerExpiryIndication, Writer().I32(msgbytes::TimerExpiry, 3210).Bytes()));
  EXPECT_FALSE(Gain_CDMA_Handoff_Dir_Param_Data_Point(0, cdma::UniversalHandoffDirection, Writer().U8(msgbytes::HandoffDirection, 1).Bytes()));
  EXPECT_FALSE(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, cdma::ReleaseOrder, Writer().U8(msgbytes::CdmaCause, 1).Bytes()));
  EXPECT_EQ(GainNetWCDMAL3LogMsgSubIndex(rrc::ConnectionRequest, Writer().U8(msgbytes::SubType, 32).Bytes()), -1);
}

TEST(MessageBytes, ReadersAnswerOnlyForMessagesThatCarryTheElement) {
  std::string cell = Writer().I32s(msgbytes::TargetCell, {62, 33}).Bytes();
  EXPECT_FALSE(Gain_GSM_Handover_Data_Point(0, gsm::Disconnect, cell));
  EXPECT_FALSE(GainInterRatHandoverToGSMInfo(rrc::ConnectionRelease, cell));
  EXPECT_FALSE(Gain_GSM_CM_Service_Type_Data_Point(0, gsm::HandoverCommand, Writer().I32(msgbytes::Cause, 1).Bytes()));
  EXPECT_FALSE(GainUMTSMessageCauseCode(rrc::ActiveSetUpdate, Writer().I32(msgbytes::Cause, 1).Bytes()));
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(rrc::ConnectionRelease, Writer().I32(msgbytes::NewUarfcn, 1).Bytes()));
  EXPECT_FALSE(Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, rrc::ConnectionRelease, Writer().I32s(msgbytes::TimerExpiry, {1, 2}).Bytes()));
  EXPECT_FALSE(Gain_CDMA_Handoff_Dir_Param_Data_Point(0, cdma::ReleaseOrder, Writer().Raw(msgbytes::HandoffDirection, "\x02\x03").Bytes()));
  EXPECT_EQ(GainNetWCDMAL3LogMsgSubIndex(rrc::ConnectionRelease, Writer().U8(msgbytes::SubType, 1).Bytes()), -1);
}

TEST(MessageBytes, ReconfigurationWithoutNewChannelKeepsTheMarker) {
  auto w = GainWCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration,
                                                       Writer().I32s(msgbytes::PscList, {5}).Bytes());
  ASSERT_TRUE(w);
  EXPECT_EQ(w->NewUarfcn, -9999);
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration, ""));
  // At most eight codes are kept from a longer list.
  auto many = GainWCDMAPhysicalChannelReconfigurationInfo(
      rrc::PhysicalChannelReconfiguration, Writer().I32s(msgbytes::PscList, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).Bytes());
  ASSERT_TRUE(many);
  EXPECT_EQ(many->Psc.size(), 8u);
}

TEST(MessageBytes, CdmaCauseFallsBackToTheCarriedState) {
  EXPECT_EQ(Gain_cdma_Cause_code_Data_Point_With_Prev(5, 0, cdma::ReleaseOrder, ""), 5);
  EXPECT_FALSE(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, cdma::ReleaseOrder, ""));
  EXPECT_FALSE(Gain_cdma_Cause_code_Data_Point_With_Prev(5, 0, cdma::UniversalHandoffDirection, ""));
}

TEST(MessageBytes, EveryTruncationOfABlockIsReadSafely) {
  std::string full = Writer()
                         .U8(msgbytes::SubType, 2)
                         .I32s(msgbytes::Cause, {16, 1})
                         .I32s(msgbytes::TargetCell, {62, 33})
                         .I32s(msgbytes::PscAdded, {1, 2, 3})
                         .I32(msgbytes::NewUarfcn, 10700)
                         .U8(msgbytes::BatonHandover, 1)
                         .I32s(msgbytes::TimerExpiry, {3210, 15})
                         .Raw(msgbytes::HandoffDirection, "\x01\x02\x03")
                         .U16(msgbytes::CdmaCause, 7)
                         .Bytes();
  for (size_t n = 0; n < full.size(); ++n) {
    std::string cut = full.substr(0, n);  // its own allocation: a sanitizer sees any overread
    bool whole = msgbytes::WellFormed(cut);
    auto cell = Gain_GSM_Handover_Data_Point(0, gsm::HandoverCommand, cut);
    EXPECT_TRUE(!cell || whole) << n;
    EXPECT_TRUE(!GainWCDMAActiveSetUpdateInfo(rrc::ActiveSetUpdate, cut) || whole) << n;
    EXPECT_TRUE(!GainTDSCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration, cut) || whole) << n;
    EXPECT_TRUE(!Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, tdscdma::MmTimerExpiryIndication, cut) || whole) << n;
    EXPECT_TRUE(!Gain_CDMA_Handoff_Dir_Param_Data_Point(0, cdma::UniversalHandoffDirection, cut) || whole) << n;
    EXPECT_TRUE(!Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, cdma::ReleaseOrder, cut) || whole) << n;
    EXPECT_TRUE(!GainUMTSMessageCauseCode(nas::Release, cut) || whole) << n;
  }
  EXPECT_TRUE(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, cdma::ReleaseOrder, full));
}

namespace {

// The bytes of a hex text ("02 08 00 ..."), blanks and line ends ignored.
std::string fromHex(const std::string& text) {
  std::string bytes;
  std::istringstream in(text);
  for (std::string pair; in >> pair;) bytes.push_back(static_cast<char>(std::stoi(pair, nullptr, 16)));
  return bytes;
}

// The fenced blocks of the "## Example" section of docs/message-bytes.md,
// and the section's text.
std::vector<std::string> exampleBlocks(std::string& section) {
  std::ifstream in(EVENTMANAGER_SOURCE_DIR "/docs/message-bytes.md");
  std::stringstream all;
  all << in.rdbuf();
  const std::string doc = all.str();
  size_t at = doc.find("\n## Example\n");
  section = at == std::string::npos ? std::string() : doc.substr(at);
  std::vector<std::string> blocks;
  for (size_t open = section.find("```"); open != std::string::npos; open = section.find("```", open)) {
    size_t start = section.find('\n', open) + 1;
    size_t close = section.find("\n```", start);
    blocks.push_back(section.substr(start, close - start));
    open = close + 4;
  }
  return blocks;
}

}  // namespace

// The literal examples of docs/message-bytes.md, read from the document: the
// readers answer what it says they answer, and the writer writes those bytes.
TEST(MessageBytes, TheDocumentsHexExamplesDecodeAsItSays) {
  std::string section;
  std::vector<std::string> blocks = exampleBlocks(section);
  ASSERT_GE(blocks.size(), 3u) << "the Example section of docs/message-bytes.md";

  // An RRC Connection Reject with cause congestion.
  const std::string reject = fromHex(blocks[0]);
  ASSERT_EQ(reject.size(), 10u);
  EXPECT_TRUE(msgbytes::WellFormed(reject));
  const std::string said = "returns the record\n`";
  size_t at = section.find(said);
  ASSERT_NE(at, std::string::npos);
  const std::string record = fromHex(section.substr(at + said.size(), section.find('`', at + said.size()) - at - said.size()));
  auto code = GainUMTSMessageCauseCode(0x412F0002, reject);
  ASSERT_TRUE(code);
  EXPECT_EQ(*code, record);
  EXPECT_NE(section.find("gives \"Reject Cause:\ncongestion\""), std::string::npos);
  EXPECT_EQ(GainUMTSMessageCauseInfo(0x412F0002, *code), "Reject Cause: congestion");

  // An Active Set Update adding 100 and 200 and removing 300.
  ASSERT_NE(section.find("adding 100 and 200 and removing 300"), std::string::npos);
  const std::string update = fromHex(blocks[1]);
  auto info = GainWCDMAActiveSetUpdateInfo(rrc::ActiveSetUpdate, update);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->Added, (std::vector<int32_t>{100, 200}));
  EXPECT_EQ(info->Removed, (std::vector<int32_t>{300}));
  // "Cut the last byte off": no longer well formed, every reader answers none.
  const std::string cut = update.substr(0, update.size() - 1);
  EXPECT_FALSE(msgbytes::WellFormed(cut));
  EXPECT_FALSE(GainWCDMAActiveSetUpdateInfo(rrc::ActiveSetUpdate, cut));
  EXPECT_FALSE(GainUMTSMessageCauseCode(0x412F0002, cut));
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(rrc::PhysicalChannelReconfiguration, cut));
  // The writer as the document writes it.
  ASSERT_NE(blocks[2].find(".I32s(msgbytes::PscAdded, {100, 200})"), std::string::npos);
  EXPECT_EQ(Writer().I32s(msgbytes::PscAdded, {100, 200}).I32s(msgbytes::PscRemoved, {300}).Bytes(), update);
}

// The LTE examples of the same section: a release redirecting to UMTS with
// its cause, an attach reject, and the writer's bytes of the release.
TEST(MessageBytes, TheDocumentsLteExamplesDecodeAsItSays) {
  std::string section;
  std::vector<std::string> blocks = exampleBlocks(section);
  ASSERT_GE(blocks.size(), 6u) << "the LTE examples of docs/message-bytes.md";

  const std::string release = fromHex(blocks[3]);
  ASSERT_TRUE(msgbytes::WellFormed(release));
  auto redirect = Gain_LTE_Redirect(0, 0x712F2202, release);
  ASSERT_TRUE(redirect);
  EXPECT_NE(section.find("gives system 1 (UTRA-FDD) and\ncarrier 10688"), std::string::npos);
  EXPECT_EQ(redirect->System, 1);
  EXPECT_EQ(redirect->Carrier, 10688);
  auto record = GainLTEMessageCauseCode(0x712F2202, release);
  ASSERT_TRUE(record);
  EXPECT_EQ(*record, fromHex("01 00 00 00 09 00 00 00"));
  EXPECT_NE(section.find("the record `01 00 00 00 09 00 00 00`"), std::string::npos);
  EXPECT_EQ(GainLTEMessageCauseInfo(0x712F2202, *record), "Cause: other(1)");
  // Without the TargetSystem element (bytes 13..18) the sub-type names UTRA-FDD.
  const std::string bare = release.substr(0, 13) + release.substr(19);
  ASSERT_TRUE(msgbytes::WellFormed(bare));
  EXPECT_EQ(Gain_LTE_Redirect(0, 0x712F2202, bare)->System, 1);

  auto reject = GainLTEMessageCauseCode(0x722F0744, fromHex(blocks[4]));
  ASSERT_TRUE(reject);
  EXPECT_EQ(GainLTEMessageCauseInfo(0x722F0744, *reject), "Cause: No suitable cells in tracking area(15)");

  ASSERT_NE(blocks[5].find(".I32(msgbytes::Earfcn, 10688)"), std::string::npos);
  EXPECT_EQ(Writer()
                .U8(msgbytes::SubType, 3)
                .I32s(msgbytes::Cause, {1, 9})
                .I32(msgbytes::TargetSystem, msgbytes::SystemUtraFdd)
                .I32(msgbytes::Earfcn, 10688)
                .Bytes(),
            release);
}
