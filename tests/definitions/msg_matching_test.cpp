// Matching one message against message events: decoder comparison, sub-type
// masks, cause conditions per network, the special UMTS and TD-SCDMA
// messages, arming and the branch rule of MatchStart.
#include <gtest/gtest.h>

#include "definitions/msg_event_list.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"
#include "testing/fake_host.h"

namespace {

uint32_t codeNamed(uint8_t net, const std::string& name) {
  auto scan = [&](auto count, auto code, auto nameOf) -> uint32_t {
    for (int i = 0; i < count(); ++i)
      if (nameOf(code(i)) == name) return code(i);
    return 0;
  };
  uint32_t c = 0;
  switch (net) {
    case 0: c = scan(NetGSML3LogMsgTypesCount, NetGSML3LogMsgTypeCode, NetGSML3LogMsgTypeName); break;
    case 1: c = scan(NetCDMAL3LogMsgTypesCount, NetCDMAL3LogMsgTypeCode, NetCDMAL3LogMsgTypeName); break;
    case 2: c = scan(NetWCDMAL3LogMsgTypesCount, NetWCDMAL3LogMsgTypeCode, NetWCDMAL3LogMsgTypeName); break;
    case 3: c = scan(NetTDSCDMAL3LogMsgTypesCount, NetTDSCDMAL3LogMsgTypeCode, NetTDSCDMAL3LogMsgTypeName); break;
  }
  EXPECT_NE(c, 0u) << "no message named " << name << " in network " << int(net);
  return c;
}

struct Matching : ::testing::Test {
  FakeHost host;
  TMsgEventList list;
  std::string bytes;

  TMsgEvent* event(uint8_t net) {
    list.SetNetType(net);
    auto* e = new TMsgEvent(&list);
    list.Add(e);
    return e;
  }
  static TLevelNode* level(TMsgEvent* e, TLevelNode* parent, std::vector<uint32_t> codes, uint32_t mask = 0,
                           int32_t reason = -9999) {
    auto* l = new TLevelNode(e, parent);
    for (uint32_t c : codes) l->MsgNodes->AddNode(e->Network(), c, mask);
    l->ReasonNum = reason;
    parent ? parent->AddChild(l) : e->AddLevel(l);
    return l;
  }
  // The input for record `index` of the fake log.
  TMatchInput input(int32_t index, int32_t subIndex = -1) {
    const HandsetRecord& r = host.Records[index];
    bytes = r.MessageBytes;
    TMatchInput in;
    in.MessageCode = r.MessageCode;
    in.SubIndex = subIndex;
    in.Data = &bytes;
    in.RecordRef = static_cast<uint32_t>(index);
    in.OnGetRecord = host.Loader();
    return in;
  }
};

}  // namespace

TEST_F(Matching, SubTypeMasks) {
  TMsgEvent* e = event(0);
  uint32_t report = codeNamed(0, "Measurement Report");
  TLevelNode* l = level(e, nullptr, {report}, 0x6);
  host.Add(1, report);
  struct {
    int32_t sub;
    bool matches;
  } cases[] = {{0, false}, {1, true}, {2, true}, {3, false}, {-1, true}, {31, false}};
  for (auto c : cases) EXPECT_EQ(l->MatchLevel(input(0, c.sub)), c.matches) << "sub-type " << c.sub;
  l->MsgNodes->Node(0)->SubCode = 0;
  EXPECT_TRUE(l->MatchLevel(input(0, 7)));
  host.Records[0].MessageCode = report + 1;
  EXPECT_FALSE(l->MatchLevel(input(0, 1)));
}

TEST_F(Matching, GsmCauseComesFromTheServiceTypeReader) {
  TMsgEvent* e = event(0);
  uint32_t request = codeNamed(0, "CM Service Request");
  TLevelNode* l = level(e, nullptr, {request}, 0, 17);
  host.Add(1, request).MessageBytes = msgbytes::Writer().I32(msgbytes::CmServiceType, 17).Bytes();
  host.Add(1, request).MessageBytes = msgbytes::Writer().I32(msgbytes::CmServiceType, 1).Bytes();
  host.Add(1, request);  // the reader finds nothing
  host.Add(1, request).MessageBytes = std::string("\x03\x08\x11", 3);  // length runs past the end
  EXPECT_TRUE(l->MatchLevel(input(0)));
  EXPECT_FALSE(l->MatchLevel(input(1)));
  EXPECT_FALSE(l->MatchLevel(input(2)));
  EXPECT_FALSE(l->MatchLevel(input(3)));
  EXPECT_TRUE(host.Loads.empty());  // GSM causes never need the record

  l->ReasonNum = -9999;  // any cause: nothing is asked
  EXPECT_TRUE(l->MatchLevel(input(2)));
  EXPECT_TRUE(host.Loads.empty());
}

TEST_F(Matching, CdmaCauseLoadsTheRecordForItsCauseState) {
  TMsgEvent* e = event(1);
  uint32_t release = cdma::ReleaseOrderMobileStation;  // a release order carries the cause
  TLevelNode* l = level(e, nullptr, {release}, 0, 9);
  HandsetRecord& withCause = host.Add(1, release);
  withCause.MessageBytes = msgbytes::Writer().U16(msgbytes::CdmaCause, 9).Bytes();
  HandsetRecord& fromState = host.Add(1, release);
  fromState.SetField(21, 9);  // the cause carried over from the previous message
  host.Add(1, release).SetField(21, 4);
  EXPECT_TRUE(l->MatchLevel(input(0)));
  EXPECT_TRUE(l->MatchLevel(input(1)));
  EXPECT_FALSE(l->MatchLevel(input(2)));
  EXPECT_EQ(host.Loads, (std::vector<int32_t>{0, 1, 2}));

  TMatchInput lost = input(0);
  lost.RecordRef = 99;  // the host has no such record: the condition fails
  EXPECT_FALSE(l->MatchLevel(lost));
}

TEST_F(Matching, ThreeGCausesUseTheMessageCauseReaderForTheRejectCode) {
  for (uint8_t net : {uint8_t(2), uint8_t(3)}) {
    SCOPED_TRACE(int(net));
    TMsgEvent* e = event(net);
    TLevelNode* reject = level(e, nullptr, {rrc::ConnectionReject}, 0, 5);
    uint32_t request = codeNamed(net, "CM Service Request");
    TLevelNode* service = level(e, nullptr, {request}, 0, 1);
    host.Records.clear();
    host.Add(1, rrc::ConnectionReject).MessageBytes = msgbytes::Writer().I32(msgbytes::Cause, 5).Bytes();
    host.Add(1, rrc::ConnectionReject).MessageBytes = msgbytes::Writer().I32(msgbytes::CmServiceType, 5).Bytes();
    host.Add(1, request).MessageBytes = msgbytes::Writer().I32(msgbytes::CmServiceType, 1).Bytes();
    EXPECT_TRUE(reject->MatchLevel(input(0)));
    EXPECT_FALSE(reject->MatchLevel(input(1)));
    EXPECT_TRUE(service->MatchLevel(input(2)));
    list.Clear();
  }
}

TEST_F(Matching, ReconfigurationCountsOnlyWithANewFrequency) {
  for (uint8_t net : {uint8_t(2), uint8_t(3)}) {
    SCOPED_TRACE(int(net));
    TMsgEvent* e = event(net);
    // The second node would match the same message, but the failed check of
    // the first ends the level.
    constexpr uint32_t reconfiguration = rrc::PhysicalChannelReconfiguration;
    TLevelNode* l = level(e, nullptr, {reconfiguration, reconfiguration});
    host.Records.clear();
    host.Add(1, reconfiguration).MessageBytes = msgbytes::Writer().I32(msgbytes::NewUarfcn, 10700).Bytes();
    host.Add(1, reconfiguration).MessageBytes = msgbytes::Writer().I32(msgbytes::PscList, 100).Bytes();
    host.Add(1, reconfiguration).MessageBytes = std::string("\x07\x04\x01", 3);  // truncated block
    EXPECT_TRUE(l->MatchLevel(input(0)));
    EXPECT_FALSE(l->MatchLevel(input(1)));
    EXPECT_FALSE(l->MatchLevel(input(2)));
    EXPECT_EQ(e->CurrentLevel, l);  // only the first record advanced the event

    host.ThrowOnLoad = true;  // an error while checking only means "no match"
    EXPECT_FALSE(l->MatchLevel(input(0)));
    host.ThrowOnLoad = false;
    list.Clear();
  }
}

TEST_F(Matching, StateDependentMessages) {
  for (uint8_t net : {uint8_t(2), uint8_t(3)}) {
    SCOPED_TRACE(int(net));
    TMsgEvent* e = event(net);
    TLevelNode* dedicatedOnly = level(e, nullptr, {nas::AssignmentCommand});
    TLevelNode* notIn3gIdle = level(e, nullptr, {nas::HandoverCommand});
    host.Records.clear();
    host.Add(1, nas::AssignmentCommand).MessageInfo = 2u << 24;
    host.Add(1, nas::AssignmentCommand).MessageInfo = 1u << 24;
    HandsetRecord& own = host.Add(1, nas::HandoverCommand);
    own.NetType = net;  // in the event's own network and not in GSM mode
    HandsetRecord& gsm = host.Add(1, nas::HandoverCommand);
    gsm.NetType = 0;  // in GSM mode
    EXPECT_TRUE(dedicatedOnly->MatchLevel(input(0)));
    EXPECT_FALSE(dedicatedOnly->MatchLevel(input(1)));
    EXPECT_FALSE(notIn3gIdle->MatchLevel(input(2)));
    EXPECT_TRUE(notIn3gIdle->MatchLevel(input(3)));
    list.Clear();
  }
  // The same codes on GSM are plain messages.
  TMsgEvent* g = event(0);
  TLevelNode* plain = level(g, nullptr, {nas::AssignmentCommand});
  host.Records.clear();
  host.Add(1, nas::AssignmentCommand);
  EXPECT_TRUE(plain->MatchLevel(input(0)));
}

TEST_F(Matching, TdProgressCodeMarksTheEventAndClearsTheHangupTime) {
  TMsgEvent* e = event(3);
  TLevelNode* l = level(e, nullptr, {rrc::ConnectionRelease});
  host.Add(1, rrc::ConnectionRelease);
  double hangup = 5;  // the feeding container's
  TMatchInput in = input(0);
  in.HangupTime = &hangup;
  EXPECT_TRUE(l->MatchLevel(in));
  EXPECT_TRUE(e->InProgress);
  EXPECT_EQ(hangup, 0);

  TMsgEvent* u = event(2);  // the list was cleared with the network change
  TLevelNode* lu = level(u, nullptr, {rrc::ConnectionRelease});
  hangup = 5;
  in = input(0);
  in.HangupTime = &hangup;
  EXPECT_TRUE(lu->MatchLevel(in));
  EXPECT_FALSE(u->InProgress);
  EXPECT_EQ(hangup, 5);
}

TEST_F(Matching, ArmingAndBranches) {
  TMsgEvent* e = event(2);
  TLevelNode* a = level(e, nullptr, {rrc::ConnectionRequest});
  TLevelNode* a2 = level(e, a, {rrc::ConnectionSetup});
  TLevelNode* b = level(e, nullptr, {rrc::SignallingConnectionRelease});
  host.Add(1, rrc::ConnectionRequest);
  host.Add(1, rrc::ConnectionSetup);
  host.Add(1, rrc::SignallingConnectionRelease);

  EXPECT_FALSE(e->MatchNext(input(0)));  // nothing under way
  EXPECT_TRUE(host.Loads.empty());

  e->StartedFlag = 3;
  EXPECT_FALSE(e->MatchStart(input(0)));
  e->Armed = true;
  EXPECT_TRUE(e->MatchStart(input(0)));
  EXPECT_EQ(e->CurrentLevel, a);
  e->StartedFlag = 0;
  e->Armed = false;

  EXPECT_FALSE(e->MatchStart(input(2)));  // B's first step while A is under way
  EXPECT_EQ(e->CurrentLevel, a);
  EXPECT_TRUE(e->MatchNext(input(1)));
  EXPECT_EQ(e->CurrentLevel, a2);
  EXPECT_EQ(e->PreviousLevel, a);
  a2->RecordIndex = 1;
  EXPECT_TRUE(e->MatchStart(input(0)));  // A's first step again restarts A
  EXPECT_EQ(e->CurrentLevel, a);
  EXPECT_EQ(a2->RecordIndex, 0);  // run state cleared by the restart

  e->ResetRun();
  EXPECT_TRUE(e->MatchStart(input(2)));
  EXPECT_EQ(e->CurrentLevel, b);
}
