// Message catalogues: consistency of positions, codes and names, sub-types
// and comparison (the named codes: message_codes_test.cpp).
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"

namespace {

struct Net {
  const char* name;
  std::function<int()> count;
  std::function<uint32_t(int)> code;
  std::function<std::string(int)> desc;
  std::function<std::string(uint32_t)> msgName;
};

const Net kNets[] = {
    {"GSM", NetGSML3LogMsgTypesCount, NetGSML3LogMsgTypeCode, NetGSML3LogMsgTypeDesc, NetGSML3LogMsgTypeName},
    {"CDMA", NetCDMAL3LogMsgTypesCount, NetCDMAL3LogMsgTypeCode, NetCDMAL3LogMsgTypeDesc, NetCDMAL3LogMsgTypeName},
    {"WCDMA", NetWCDMAL3LogMsgTypesCount, NetWCDMAL3LogMsgTypeCode, NetWCDMAL3LogMsgTypeDesc, NetWCDMAL3LogMsgTypeName},
    {"TDSCDMA", NetTDSCDMAL3LogMsgTypesCount, NetTDSCDMAL3LogMsgTypeCode, NetTDSCDMAL3LogMsgTypeDesc,
     NetTDSCDMAL3LogMsgTypeName},
};

}  // namespace

TEST(MessageCatalogue, PositionsCodesAndNamesAgree) {
  for (const Net& n : kNets) {
    SCOPED_TRACE(n.name);
    ASSERT_GT(n.count(), 40);
    std::set<uint32_t> codes;
    for (int i = 0; i < n.count(); ++i) {
      uint32_t code = n.code(i);
      EXPECT_TRUE(codes.insert(code).second) << std::hex << code;
      std::string name = n.msgName(code);
      EXPECT_FALSE(name.empty()) << std::hex << code;
      EXPECT_NE(n.desc(i).find(name), std::string::npos);
    }
    EXPECT_EQ(n.code(-1), 0u);
    EXPECT_EQ(n.code(n.count()), 0u);
    EXPECT_EQ(n.desc(n.count()), "");
    EXPECT_EQ(n.msgName(0xFFFFFFFF), "");
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
