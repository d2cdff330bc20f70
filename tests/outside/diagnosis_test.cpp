// Cause texts of the diagnosis components and the timer names of the
// TD-SCDMA decoder.
#include <gtest/gtest.h>

#include "eventmanager/outside/cdma_diagnosis.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"

namespace {

std::string Record(int32_t cause, int32_t family) {
  return msgbytes::Writer().I32s(0, {cause, family}).Bytes().substr(2);
}

}  // namespace

TEST(Diagnosis, CauseTextsNameTheCause) {
  struct Case {
    uint32_t code;
    std::string record;
    const char* text;
  };
  const Case cases[] = {
      {rrc::ConnectionReject, Record(0, 0), "Reject Cause: congestion"},
      {rrc::ConnectionRelease, Record(0, 0), "Release Cause: normal event"},
      {rrc::ConnectionRequest, Record(9, 0), "Establishment Cause: emergency call"},
      {rrc::CellUpdate, Record(5, 0), "Cell Update Cause: radio link failure"},
      {rrc::ConnectionRelease, Record(40, 0), "Release Cause: unknown(40)"},
      {nas::Release, Record(16, 1), "Cause: Normal call clearing(16)"},
      {nas::LocationUpdatingReject, Record(17, 2), "Cause: Network failure(17)"},
      {nas::ChannelRelease, Record(3, 3), "Cause: Abnormal release, timer expired(3)"},
      {nas::Release, Record(200, 1), "Cause: Unknown cause(200)"},
      {rrc::ConnectionReject, Record(0, 0).substr(0, 7), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GainUMTSMessageCauseInfo(c.code, c.record), c.text);
    EXPECT_EQ(GainTDSCDMAMessageCauseInfo(c.code, c.record), c.text);
  }
  EXPECT_EQ(GainCDMAMessageCauseInfo(cdma::ReleaseOrder, Record(0, 5)), "Cause: Normal release(0)");
  EXPECT_EQ(GainCDMAMessageCauseInfo(cdma::ReleaseOrder, ""), "");
}

TEST(Diagnosis, CauseRecordFromTheMessageFeedsTheText) {
  auto record = GainUMTSMessageCauseCode(rrc::ConnectionReject, msgbytes::Writer().I32(msgbytes::Cause, 1).Bytes());
  ASSERT_TRUE(record);
  EXPECT_EQ(GainUMTSMessageCauseInfo(rrc::ConnectionReject, *record), "Reject Cause: unspecified");
  auto cc = GainTDSCDMAMessageCauseCode(nas::Disconnect, msgbytes::Writer().I32(msgbytes::Cause, 17).Bytes());
  ASSERT_TRUE(cc);
  EXPECT_EQ(GainTDSCDMAMessageCauseInfo(nas::Disconnect, *cc), "Cause: User busy(17)");
}

TEST(Diagnosis, TimerNames) {
  EXPECT_EQ(Parse_UE_TimeOut_Type(3210), "T3210");
  EXPECT_EQ(Parse_UE_TimeOut_Type(3380), "T3380");
  EXPECT_EQ(Parse_UE_TimeOut_Type(7), "Unknown Timer(7)");
}
