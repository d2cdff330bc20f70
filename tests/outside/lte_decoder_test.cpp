// The LTE decoder: its catalogue's sub-types and descriptions, and the
// readers of handover targets, redirects, EPS bearers and NR cell groups:
// each answers for the messages that carry its element and refuses short or
// malformed blocks (the named codes: message_codes_test.cpp; causes:
// lte_causes_test.cpp).
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"

using msgbytes::Writer;

TEST(LteCatalogue, SubTypesDescriptionsAndComparison) {
  // 32 RRC messages, 33 EMM and 23 ESM, counted by hand from the code list.
  ASSERT_EQ(NetLTEL3LogMsgTypesCount(), 88);
  const std::set<uint32_t> withSubTypes = {
      lte::ConnectionRequest,         lte::ConnectionReestablishmentRequest, lte::ConnectionRelease,
      lte::ConnectionReconfiguration, lte::ConnectionReconfigurationComplete, lte::MobilityFromEutraCommand,
      eps::AttachRequest,             eps::TrackingAreaUpdateRequest,         eps::ExtendedServiceRequest};
  std::set<std::string> protocols;
  for (int i = 0; i < NetLTEL3LogMsgTypesCount(); ++i) {
    const uint32_t code = NetLTEL3LogMsgTypeCode(i);
    EXPECT_EQ(NetLTEL3LogMsgTypeHasSubTypes(code), withSubTypes.count(code) == 1) << NetLTEL3LogMsgTypeDesc(i);
    const std::string desc = NetLTEL3LogMsgTypeDesc(i);
    protocols.insert(desc.substr(desc.rfind('[')));
  }
  EXPECT_EQ(protocols, (std::set<std::string>{"[RRC]", "[EMM]", "[ESM]"}));
  EXPECT_EQ(NetLTEL3LogMsgTypeDesc(0), "Master Information Block [RRC]");

  const std::string mtAccess = Writer().U8(msgbytes::SubType, 2).Bytes();
  EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(lte::ConnectionRequest, mtAccess), 2);
  EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(eps::ExtendedServiceRequest, Writer().U8(msgbytes::SubType, 0).Bytes()), 0);
  EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(lte::ConnectionSetup, mtAccess), -1);
  EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(lte::ConnectionRequest, Writer().U8(msgbytes::SubType, 32).Bytes()), -1);
  EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(lte::ConnectionRequest, mtAccess + "\x07"), -1);
  EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(lte::ConnectionRequest, ""), -1);

  EXPECT_TRUE(Compare_LTE_MsgInfo(0, eps::AttachReject, eps::AttachReject));
  EXPECT_FALSE(Compare_LTE_MsgInfo(0, lte::SecurityModeCommand, eps::SecurityModeCommand));
  EXPECT_FALSE(Compare_LTE_MsgInfo(0, eps::CipheredNas, eps::AttachReject));
}

namespace {

// Every reader, as text: "" for none, else its values.
std::string ReadAll(uint32_t code, const std::string& bytes) {
  std::string out;
  if (auto t = Gain_LTE_Target_Cell(0, code, bytes)) out += "cell " + std::to_string(t->Pci) + "/" + std::to_string(t->Earfcn) + ";";
  if (auto r = Gain_LTE_Redirect(0, code, bytes)) out += "redirect " + std::to_string(r->System) + "/" + std::to_string(r->Carrier) + ";";
  if (auto b = Gain_LTE_Eps_Bearer_Id(code, bytes)) out += "bearer " + std::to_string(*b) + ";";
  if (auto s = Gain_LTE_Scg_Info(code, bytes))
    out += "scg " + std::to_string(s->NrArfcn) + "/" + std::to_string(s->NrPci) + "/" + std::to_string(s->FailureType) + ";";
  if (auto c = GainLTEMessageCauseCode(code, bytes)) out += GainLTEMessageCauseInfo(code, *c) + ";";
  return out;
}

}  // namespace

TEST(LteReaders, EachAnswersForTheMessagesThatCarryItsElement) {
  const std::string handover = Writer().U8(msgbytes::SubType, 1).I32(msgbytes::Pci, 301).I32(msgbytes::Earfcn, 1300).Bytes();
  const std::string intraFrequency = Writer().U8(msgbytes::SubType, 1).I32(msgbytes::Pci, 17).Bytes();
  const std::string toUmts = Writer().U8(msgbytes::SubType, 3).I32(msgbytes::TargetSystem, 1).I32(msgbytes::Earfcn, 10688).Bytes();
  const std::string gsmBySubType = Writer().U8(msgbytes::SubType, 2).I32(msgbytes::Earfcn, 70).Bytes();
  const std::string bearer = Writer().I32(msgbytes::EpsBearerId, 5).I32(msgbytes::Cause, 36).Bytes();
  const std::string endc = Writer().U8(msgbytes::SubType, 2).I32s(msgbytes::NrCell, {627264, 500}).Bytes();
  const std::string scgFailure = Writer().I32s(msgbytes::NrCell, {627264, 500}).I32(msgbytes::ScgFailureType, 3).Bytes();
  struct Case {
    uint32_t code;
    std::string bytes;
    std::string read;
  };
  const Case cases[] = {
      {lte::ConnectionReconfiguration, handover, "cell 301/1300;"},
      {lte::ConnectionReconfigurationComplete, handover, "cell 301/1300;"},
      {lte::ConnectionReconfiguration, intraFrequency, "cell 17/-9999;"},
      {lte::ConnectionReconfiguration, Writer().I32(msgbytes::Earfcn, 1300).Bytes(), ""},  // no target cell
      {lte::MeasurementReport, handover, ""},
      {lte::ConnectionRelease, toUmts, "redirect 1/10688;"},
      {lte::MobilityFromEutraCommand, toUmts, "redirect 1/10688;"},
      {lte::ConnectionRelease, gsmBySubType, "redirect 3/70;"},  // the system from the sub-type
      {lte::ConnectionRelease, Writer().U8(msgbytes::SubType, 7).Bytes(), "redirect 5/-9999;"},
      {lte::ConnectionRelease, Writer().U8(msgbytes::SubType, 0).Bytes(), ""},  // no redirection
      {lte::MobilityFromEutraCommand, gsmBySubType, ""},  // its sub-type is the purpose, not the system
      {lte::ConnectionRelease, Writer().I32(msgbytes::TargetSystem, 6).Bytes(), ""},  // no such system
      {lte::ConnectionReject, toUmts, ""},
      {eps::DeactivateEpsBearerContextRequest, bearer, "bearer 5;Cause: Regular deactivation(36);"},
      {eps::ActivateDedicatedEpsBearerContextAccept, bearer, "bearer 5;"},
      {eps::AttachReject, bearer, "Cause: Unknown cause(36);"},  // read as an EMM cause
      {eps::ActivateDefaultEpsBearerContextAccept, Writer().I32(msgbytes::EpsBearerId, 4).Bytes(), ""},
      {eps::ActivateDefaultEpsBearerContextAccept, Writer().I32(msgbytes::EpsBearerId, 16).Bytes(), ""},
      {lte::ConnectionReconfiguration, endc, "scg 627264/500/-9999;"},
      {lte::ScgFailureInformationNr, scgFailure, "scg 627264/500/3;Cause: synchReconfigFailureSCG(3);"},
      {lte::ScgFailureInformationNr, Writer().I32(msgbytes::ScgFailureType, 0).Bytes(), "scg -9999/-9999/0;Cause: t310-Expiry(0);"},
      {lte::ConnectionReconfiguration, Writer().I32(msgbytes::NrCell, 627264).Bytes(), ""},  // no PCI
      {lte::ConnectionRelease, endc, "redirect 3/-9999;"},  // sub-type 2 of a release: GERAN; no NR cell group
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(NetLTEL3LogMsgTypeName(c.code));
    EXPECT_EQ(ReadAll(c.code, c.bytes), c.read);
  }
}

TEST(LteReaders, BlocksCutShortGiveNothing) {
  // One block with every element; cut anywhere but between two elements, it
  // is malformed and no reader may answer, whatever the message.
  const std::string all = Writer()
                              .U8(msgbytes::SubType, 3)
                              .I32(msgbytes::Cause, 2)
                              .I32(msgbytes::Pci, 301)
                              .I32(msgbytes::Earfcn, 1300)
                              .I32(msgbytes::TargetSystem, 1)
                              .I32(msgbytes::EpsBearerId, 6)
                              .I32s(msgbytes::NrCell, {627264, 500})
                              .I32(msgbytes::ScgFailureType, 1)
                              .Bytes();
  std::set<size_t> boundaries;
  for (size_t pos = 0; pos <= all.size(); pos += 2 + static_cast<uint8_t>(all[pos + 1])) {
    boundaries.insert(pos);
    if (pos == all.size()) break;
  }
  for (int i = 0; i < NetLTEL3LogMsgTypesCount(); ++i) {
    const uint32_t code = NetLTEL3LogMsgTypeCode(i);
    for (size_t cut = 1; cut < all.size(); ++cut) {
      if (boundaries.count(cut)) continue;
      EXPECT_EQ(ReadAll(code, all.substr(0, cut)), "") << NetLTEL3LogMsgTypeName(code) << " cut to " << cut;
      EXPECT_EQ(GainNetLTEL3LogMsgSubIndex(code, all.substr(0, cut)), -1);
    }
  }
}
