// Message catalogues: consistency of positions, codes and names, and the
// codes the library treats specially.
#include <functional>
#include <set>

#include <gtest/gtest.h>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
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

TEST(MessageCatalogue, SpecialCodesHaveFittingNames) {
  const std::pair<uint32_t, const char*> threeG[] = {
      {0x412F0001, "RRC Connection Request"},       {0x412F0002, "RRC Connection Reject"},
      {0x412F0201, "RRC Connection Setup"},         {0x412F0203, "Signalling Connection Release"},
      {0x412F0204, "Signalling Connection Release Indication"},
      {0x412F0304, "Radio Bearer Setup"},           {0x412F030B, "Radio Bearer Reconfiguration"},
      {0x412F030D, "Transport Channel Reconfiguration"}, {0x412F0310, "Radio Bearer Release"},
      {0x412F0313, "Physical Channel Reconfiguration"},  {0x412F010A, "Cell Change Order from UTRAN"},
      {0x412F0401, "RRC Connection Release"},       {0x512F062B, "Handover Command"},
      {0x512F062E, "Assignment Command"},
  };
  for (auto [code, name] : threeG) {
    EXPECT_EQ(NetWCDMAL3LogMsgTypeName(code), name);
    EXPECT_EQ(NetTDSCDMAL3LogMsgTypeName(code), name);
  }
  EXPECT_EQ(NetTDSCDMAL3LogMsgTypeName(0x60860000), "MM Timer Expiry Indication");
  EXPECT_EQ(NetWCDMAL3LogMsgTypeName(0x60860000), "");
  const std::pair<uint32_t, const char*> cdma[] = {
      {0x10130000, "CDMA Access Probe Info"},   {0x10082200, "Universal Handoff Direction"},
      {0x10081F00, "General Handoff Direction"}, {0x10080500, "Handoff Direction"},
      {0x10081100, "Extended Handoff Direction"}, {0x10050A00, "Handoff Completion"},
      {0x10040400, "Origination"},              {0x10080115, "Release Order"},
  };
  for (auto [code, name] : cdma) EXPECT_EQ(NetCDMAL3LogMsgTypeName(code), name);
  EXPECT_EQ(NetGSML3LogMsgTypeName(0x012F062B), "Handover Command");
  EXPECT_EQ(NetGSML3LogMsgTypeName(0x012F0524), "CM Service Request");
}

TEST(MessageCatalogue, SubTypesAndComparison) {
  EXPECT_TRUE(NetWCDMAL3LogMsgTypeHasSubTypes(0x412F0001));
  EXPECT_TRUE(NetTDSCDMAL3LogMsgTypeHasSubTypes(0x412F0102));
  EXPECT_FALSE(NetWCDMAL3LogMsgTypeHasSubTypes(0x412F0401));
  EXPECT_TRUE(NetGSML3LogMsgTypeHasSubTypes(0x012F0524));
  EXPECT_FALSE(NetCDMAL3LogMsgTypeHasSubTypes(0x12345678));
  EXPECT_TRUE(Compare_WCDMA_MsgInfo(7, 0x412F0002, 0x412F0002));
  EXPECT_FALSE(Compare_TDSCDMA_MsgInfo(0, 0x412F0002, 0x512F0002));
  EXPECT_FALSE(Compare_GSM_MsgInfo(0, 0x012F062B, 0x012F062E));
  EXPECT_TRUE(Compare_CDMA_MsgInfo(0, 0x10130000, 0x10130000));
}
