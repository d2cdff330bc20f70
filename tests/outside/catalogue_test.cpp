// Message catalogues: consistency of positions, codes and names, sub-types
// and comparison (the named codes: message_codes_test.cpp).
#include <set>

#include <gtest/gtest.h>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"
#include "testing/decoder_catalogues.h"

TEST(MessageCatalogue, PositionsCodesAndNamesAgree) {
  for (const TDecoderCatalogue& n : kDecoderCatalogues) {
    SCOPED_TRACE(n.Name);
    ASSERT_GT(n.Count(), 40);
    std::set<uint32_t> codes;
    for (int i = 0; i < n.Count(); ++i) {
      uint32_t code = n.Code(i);
      EXPECT_TRUE(codes.insert(code).second) << std::hex << code;
      std::string name = n.MsgName(code);
      EXPECT_FALSE(name.empty()) << std::hex << code;
      EXPECT_NE(n.Desc(i).find(name), std::string::npos);
    }
    EXPECT_EQ(n.Code(-1), 0u);
    EXPECT_EQ(n.Code(n.Count()), 0u);
    EXPECT_EQ(n.Desc(n.Count()), "");
    EXPECT_EQ(n.MsgName(0xFFFFFFFF), "");
  }
}

TEST(MessageCatalogue, SubTypesAndComparison) {
  EXPECT_TRUE(NetWCDMAL3LogMsgTypeHasSubTypes(rrc::ConnectionRequest));
  EXPECT_TRUE(NetTDSCDMAL3LogMsgTypeHasSubTypes(rrc::MeasurementReport));
  EXPECT_FALSE(NetWCDMAL3LogMsgTypeHasSubTypes(rrc::ConnectionRelease));
  EXPECT_TRUE(NetGSML3LogMsgTypeHasSubTypes(gsm::CmServiceRequest));
  EXPECT_FALSE(NetCDMAL3LogMsgTypeHasSubTypes(0x12345678));
  EXPECT_TRUE(Compare_WCDMA_MsgInfo(7, rrc::ConnectionReject, rrc::ConnectionReject));
  EXPECT_FALSE(Compare_TDSCDMA_MsgInfo(0, rrc::ConnectionReject, nas::Prefix | (rrc::ConnectionReject & 0xFFFF)));
  EXPECT_FALSE(Compare_GSM_MsgInfo(0, gsm::HandoverCommand, gsm::AssignmentCommand));
  EXPECT_TRUE(Compare_CDMA_MsgInfo(0, cdma::AccessProbeInfo, cdma::AccessProbeInfo));
}
