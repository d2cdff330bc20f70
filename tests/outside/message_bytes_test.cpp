// Decoded elements written with msgbytes::Writer come back through every
// reader; short or malformed blocks give none.
#include <gtest/gtest.h>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"
#include "eventmanager/outside/wcdma_decoder.h"

using msgbytes::Writer;

namespace {

constexpr uint32_t GsmHandoverCommand = 0x012F062B;
constexpr uint32_t GsmCmServiceRequest = 0x012F0524;
constexpr uint32_t GsmDisconnect = 0x012F1325;
constexpr uint32_t RrcConnectionReject = 0x412F0002;
constexpr uint32_t RrcConnectionRelease = 0x412F0401;
constexpr uint32_t ActiveSetUpdate = 0x412F0103;
constexpr uint32_t PhysicalChannelReconfiguration = 0x412F0313;
constexpr uint32_t HandoverFromUtran = 0x412F0106;
constexpr uint32_t NasHandoverCommand = 0x512F062B;
constexpr uint32_t NasCmServiceRequest = 0x512F0524;
constexpr uint32_t MmTimerExpiry = 0x60860000;
constexpr uint32_t CdmaRelease = 0x10080115;
constexpr uint32_t CdmaUniversalHandoff = 0x10082200;

int32_t I32(const std::string& record, size_t offset) { return msgbytes::ReadI32(record, offset); }

}  // namespace

TEST(MessageBytes, EveryReaderReadsWhatTheWriterWrote) {
  std::string handover = Writer().I32s(msgbytes::TargetCell, {62, 33}).Bytes();
  auto gsm = Gain_GSM_Handover_Data_Point(0, GsmHandoverCommand, handover);
  ASSERT_TRUE(gsm);
  EXPECT_EQ(gsm->Bcch, 62);
  EXPECT_EQ(gsm->Bsic, 33);
  EXPECT_EQ(Gain_WCDMA_GSM_Handover_Data_Point(0, NasHandoverCommand, handover)->Bsic, 33);
  EXPECT_EQ(Gain_TDSCDMA_GSM_Handover_Data_Point(0, HandoverFromUtran, handover)->Bcch, 62);
  EXPECT_EQ(GainInterRatHandoverToGSMInfo(HandoverFromUtran, handover)->Bcch, 62);
  EXPECT_EQ(GainTDSCDMAInterRatHandoverToGSMInfo(HandoverFromUtran, handover)->Bsic, 33);

  EXPECT_EQ(Gain_GSM_CM_Service_Type_Data_Point(0, GsmCmServiceRequest, Writer().I32(msgbytes::CmServiceType, 1).Bytes()), 1);
  EXPECT_EQ(Gain_GSM_CM_Service_Type_Data_Point(0, GsmDisconnect, Writer().I32(msgbytes::Cause, 17).Bytes()), 17);
  EXPECT_EQ(Gain_WCDMA_CM_Service_Type_Data_Point(0, NasCmServiceRequest, Writer().I32(msgbytes::CmServiceType, 2).Bytes()), 2);
  EXPECT_EQ(Gain_TDSCDMA_CM_Service_Type_Data_Point(0, RrcConnectionRelease, Writer().I32(msgbytes::Cause, 3).Bytes()), 3);

  auto cause = GainUMTSMessageCauseCode(RrcConnectionReject, Writer().I32(msgbytes::Cause, 1).Bytes());
  ASSERT_TRUE(cause);
  ASSERT_EQ(cause->size(), 8u);
  EXPECT_EQ(I32(*cause, 0), 1);
  EXPECT_EQ(I32(*cause, 4), 0);  // RRC family by default
  auto nasCause = GainTDSCDMAMessageCauseCode(0x512F132D, Writer().I32s(msgbytes::Cause, {16, 1}).Bytes());
  ASSERT_TRUE(nasCause);
  EXPECT_EQ(I32(*nasCause, 0), 16);

  std::string asu = Writer().I32s(msgbytes::PscAdded, {100, 200}).I32s(msgbytes::PscRemoved, {300}).Bytes();
  auto set = GainWCDMAActiveSetUpdateInfo(ActiveSetUpdate, asu);
  ASSERT_TRUE(set);
  EXPECT_EQ(set->Added, (std::vector<int32_t>{100, 200}));
  EXPECT_EQ(set->Removed, (std::vector<int32_t>{300}));

  std::string reconf = Writer().I32(msgbytes::NewUarfcn, 10700).I32s(msgbytes::PscList, {12, 14}).Bytes();
  auto w = GainWCDMAPhysicalChannelReconfigurationInfo(PhysicalChannelReconfiguration, reconf);
  ASSERT_TRUE(w);
  EXPECT_EQ(w->NewUarfcn, 10700);
  EXPECT_EQ(w->Psc, (std::vector<int32_t>{12, 14}));

  std::string td = Writer().U8(msgbytes::BatonHandover, 1).I32(msgbytes::NewUarfcn, 10080).I32(msgbytes::NewCellParamId, 77).Bytes();
  auto t = GainTDSCDMAPhysicalChannelReconfigurationInfo(PhysicalChannelReconfiguration, td);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->BatonHandover, 1);
  EXPECT_EQ(t->NewUarfcn, 10080);
  EXPECT_EQ(t->NewCellParameterId, 77);

  auto timer = Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, MmTimerExpiry, Writer().I32s(msgbytes::TimerExpiry, {3210, 20}).Bytes());
  ASSERT_TRUE(timer);
  ASSERT_EQ(timer->size(), 8u);
  EXPECT_EQ(I32(*timer, 0), 3210);
  EXPECT_EQ(I32(*timer, 4), 20);

  EXPECT_EQ(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, CdmaRelease, Writer().U16(msgbytes::CdmaCause, 0x1234).Bytes()), 0x1234);
  auto handoff = Gain_CDMA_Handoff_Dir_Param_Data_Point(0, CdmaUniversalHandoff, Writer().Raw(msgbytes::HandoffDirection, "\x02\xFB").Bytes());
  ASSERT_TRUE(handoff);
  EXPECT_EQ(static_cast<int8_t>((*handoff)[1]), -5);

  EXPECT_EQ(GainNetWCDMAL3LogMsgSubIndex(0x412F0001, Writer().U8(msgbytes::SubType, 9).Bytes()), 9);
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
    EXPECT_FALSE(Gain_GSM_Handover_Data_Point(0, GsmHandoverCommand, c.bytes));
    EXPECT_FALSE(GainInterRatHandoverToGSMInfo(HandoverFromUtran, c.bytes));
  }
  EXPECT_FALSE(GainUMTSMessageCauseCode(RrcConnectionReject, Writer().Raw(msgbytes::Cause, "\x01\x02").Bytes()));
  EXPECT_FALSE(Gain_GSM_CM_Service_Type_Data_Point(0, GsmCmServiceRequest, Writer().U8(msgbytes::CmServiceType, 1).Bytes()));
  EXPECT_FALSE(GainWCDMAActiveSetUpdateInfo(ActiveSetUpdate, Writer().Raw(msgbytes::PscAdded, "\x01\x02\x03\x04\x05").Bytes()));
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(PhysicalChannelReconfiguration, Writer().U16(msgbytes::NewUarfcn, 1).Bytes()));
  EXPECT_FALSE(Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, MmTimerExpiry, Writer().I32(msgbytes::TimerExpiry, 3210).Bytes()));
  EXPECT_FALSE(Gain_CDMA_Handoff_Dir_Param_Data_Point(0, CdmaUniversalHandoff, Writer().U8(msgbytes::HandoffDirection, 1).Bytes()));
  EXPECT_FALSE(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, CdmaRelease, Writer().U8(msgbytes::CdmaCause, 1).Bytes()));
  EXPECT_EQ(GainNetWCDMAL3LogMsgSubIndex(0x412F0001, Writer().U8(msgbytes::SubType, 32).Bytes()), -1);
}

TEST(MessageBytes, ReadersAnswerOnlyForMessagesThatCarryTheElement) {
  std::string cell = Writer().I32s(msgbytes::TargetCell, {62, 33}).Bytes();
  EXPECT_FALSE(Gain_GSM_Handover_Data_Point(0, GsmDisconnect, cell));
  EXPECT_FALSE(GainInterRatHandoverToGSMInfo(RrcConnectionRelease, cell));
  EXPECT_FALSE(Gain_GSM_CM_Service_Type_Data_Point(0, GsmHandoverCommand, Writer().I32(msgbytes::Cause, 1).Bytes()));
  EXPECT_FALSE(GainUMTSMessageCauseCode(ActiveSetUpdate, Writer().I32(msgbytes::Cause, 1).Bytes()));
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(RrcConnectionRelease, Writer().I32(msgbytes::NewUarfcn, 1).Bytes()));
  EXPECT_FALSE(Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, RrcConnectionRelease, Writer().I32s(msgbytes::TimerExpiry, {1, 2}).Bytes()));
  EXPECT_FALSE(Gain_CDMA_Handoff_Dir_Param_Data_Point(0, CdmaRelease, Writer().Raw(msgbytes::HandoffDirection, "\x02\x03").Bytes()));
  EXPECT_EQ(GainNetWCDMAL3LogMsgSubIndex(RrcConnectionRelease, Writer().U8(msgbytes::SubType, 1).Bytes()), -1);
}

TEST(MessageBytes, ReconfigurationWithoutNewChannelKeepsTheMarker) {
  auto w = GainWCDMAPhysicalChannelReconfigurationInfo(PhysicalChannelReconfiguration,
                                                       Writer().I32s(msgbytes::PscList, {5}).Bytes());
  ASSERT_TRUE(w);
  EXPECT_EQ(w->NewUarfcn, -9999);
  EXPECT_FALSE(GainWCDMAPhysicalChannelReconfigurationInfo(PhysicalChannelReconfiguration, ""));
  // At most eight codes are kept from a longer list.
  auto many = GainWCDMAPhysicalChannelReconfigurationInfo(
      PhysicalChannelReconfiguration, Writer().I32s(msgbytes::PscList, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}).Bytes());
  ASSERT_TRUE(many);
  EXPECT_EQ(many->Psc.size(), 8u);
}

TEST(MessageBytes, CdmaCauseFallsBackToTheCarriedState) {
  EXPECT_EQ(Gain_cdma_Cause_code_Data_Point_With_Prev(5, 0, CdmaRelease, ""), 5);
  EXPECT_FALSE(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, CdmaRelease, ""));
  EXPECT_FALSE(Gain_cdma_Cause_code_Data_Point_With_Prev(5, 0, CdmaUniversalHandoff, ""));
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
    auto cell = Gain_GSM_Handover_Data_Point(0, GsmHandoverCommand, cut);
    EXPECT_TRUE(!cell || whole) << n;
    EXPECT_TRUE(!GainWCDMAActiveSetUpdateInfo(ActiveSetUpdate, cut) || whole) << n;
    EXPECT_TRUE(!GainTDSCDMAPhysicalChannelReconfigurationInfo(PhysicalChannelReconfiguration, cut) || whole) << n;
    EXPECT_TRUE(!Gain_TDSCDMA_MM_TimeOut_Indication_Data_Point(0, MmTimerExpiry, cut) || whole) << n;
    EXPECT_TRUE(!Gain_CDMA_Handoff_Dir_Param_Data_Point(0, CdmaUniversalHandoff, cut) || whole) << n;
    EXPECT_TRUE(!Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, CdmaRelease, cut) || whole) << n;
    EXPECT_TRUE(!GainUMTSMessageCauseCode(0x512F132D, cut) || whole) << n;
  }
  EXPECT_TRUE(Gain_cdma_Cause_code_Data_Point_With_Prev(0, 0, CdmaRelease, full));
}
