// Detail lines of message-sequence levels, driven through a real event tree,
// a fake host that loads prepared records, and message bytes carrying the
// decoded elements the decoder and diagnosis components read.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "definitions/msg_event_list.h"
#include "detection/level_detail.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"
#include "eventmanager/outside/wcdma_decoder.h"
#include "testing/fake_host.h"

namespace {

using msgbytes::Writer;
using Lines = std::vector<std::string>;

// A message code from the network's catalogue, by the message's name.
uint32_t codeNamed(uint8_t net, const std::string& name) {
  int count = net == 0 ? NetGSML3LogMsgTypesCount() : net == 2 ? NetWCDMAL3LogMsgTypesCount()
                                                               : NetTDSCDMAL3LogMsgTypesCount();
  for (int i = 0; i < count; ++i) {
    uint32_t code = net == 0 ? NetGSML3LogMsgTypeCode(i) : net == 2 ? NetWCDMAL3LogMsgTypeCode(i)
                                                                    : NetTDSCDMAL3LogMsgTypeCode(i);
    std::string found = net == 0 ? NetGSML3LogMsgTypeName(code) : net == 2 ? NetWCDMAL3LogMsgTypeName(code)
                                                                           : NetTDSCDMAL3LogMsgTypeName(code);
    if (found == name) return code;
  }
  ADD_FAILURE() << "no message named " << name;
  return 0;
}

// A three-level sequence of one network: top, middle and reporting level,
// attributed to records 0, 1 and 2 of the fake host's log.
struct Sequence {
  FakeHost Host;
  TMsgEventList List;
  TMsgEvent* Event;
  TLevelNode* Top;
  TLevelNode* Middle;
  TLevelNode* Reporting;
  TDetailLines Details;

  explicit Sequence(uint8_t net) {
    List.SetNetType(net);
    Event = new TMsgEvent(&List);
    List.Add(Event);
    Top = new TLevelNode(Event, nullptr);
    Event->AddLevel(Top);
    Middle = new TLevelNode(Event, Top);
    Top->AddChild(Middle);
    Reporting = new TLevelNode(Event, Middle);
    Middle->AddChild(Reporting);
    Top->RecordIndex = 0;
    Middle->RecordIndex = 1;
    Reporting->RecordIndex = 2;
    for (int i = 0; i < 3; ++i) Host.Add(FakeHost::At(9, 30, 10.0 + i)).NetType = net;
  }
  HandsetRecord& Record(int index) { return Host.Records[index]; }
  Lines Build(TLevelNode* level, int32_t flag) {
    level->DetailFlag = flag;
    BuildLevelDetail(*level, Details, Host.Loader(), 0);
    return Texts();
  }
  Lines Texts() const {
    Lines out;
    for (const TDetailLine& d : Details) out.push_back(d.Text);
    return out;
  }
};

struct Case {
  const char* What;
  uint8_t Net;
  int32_t Flag;
  std::function<void(HandsetRecord&, uint8_t)> Prepare;
  Lines Expected;
};

auto message(const std::string& name, Writer bytes) {
  return [name, bytes](HandsetRecord& r, uint8_t net) {
    r.MessageCode = codeNamed(net, name);
    r.MessageBytes = bytes.Bytes();
  };
}

template <typename... Then>
auto with(std::function<void(HandsetRecord&, uint8_t)> first, Then... then) {
  return [=](HandsetRecord& r, uint8_t net) {
    first(r, net);
    (then(r), ...);
  };
}

auto field(int32_t id, int32_t value) {
  return [=](HandsetRecord& r) { r.SetField(id, value); };
}
auto onNet(uint8_t net) {
  return [=](HandsetRecord& r) { r.NetType = net; };
}

}  // namespace

TEST(LevelDetail, TextsByNetworkAndFlag) {
  Writer target = Writer().I32s(msgbytes::TargetCell, {62, 33});
  Writer activeSet = Writer().I32s(msgbytes::PscAdded, {100, 200}).I32s(msgbytes::PscRemoved, {300});
  std::vector<Case> cases = {
      {"GSM handover", 0, 3, with(message("Handover Command", target), field(0, 45), field(1, 12)),
       {"BCCH: 45 --> 62", "BSIC: 12 --> 33"}},
      {"GSM handover without a target cell", 0, 3, message("Handover Command", Writer()), {}},
      {"a GSM command without a cause", 0, 1, message("Handover Command", target), {}},
      {"active set update", 2, 2, message("Active Set Update", activeSet), {"Add PSC: 100, 200", "Remove PSC: 300"}},
      {"active set update that only removes", 2, 2,
       message("Active Set Update", Writer().I32s(msgbytes::PscRemoved, {300})), {"Remove PSC: 300"}},
      {"reconfiguration keeping its UARFCN", 2, 3,
       with(message("Physical Channel Reconfiguration",
                    Writer().I32(msgbytes::NewUarfcn, -9999).I32s(msgbytes::PscList, {5, 6})),
            field(98, 10700)),
       {"Frequency: 10700 --> 10700", "PSC List: 5, 6"}},
      {"reconfiguration to a new UARFCN without codes", 2, 3,
       with(message("Physical Channel Reconfiguration", Writer().I32(msgbytes::NewUarfcn, 10562)), field(98, 10700)),
       {"Frequency: 10700 --> 10562", "PSC List:"}},
      {"WCDMA handset in GSM: handover from the GSM fields", 2, 3,
       with(message("Handover from UTRAN Command", target), onNet(0), field(17, 70), field(7, 21)),
       {"BCCH: 70 --> 62", "BSIC: 21 --> 33"}},
      {"UMTS to GSM", 2, 4, message("Handover from UTRAN Command", target), {"UMTS To GSM(BCCH: 62, BSIC: 33)"}},
      {"UMTS to GSM without a target", 2, 4, message("Handover from UTRAN Command", Writer()), {}},
      {"WCDMA flag without a text", 2, 5, message("Handover from UTRAN Command", target), {}},
      {"TD-SCDMA reconfiguration", 3, 3,
       with(message("Physical Channel Reconfiguration",
                    Writer().I32(msgbytes::NewUarfcn, 10080).I32(msgbytes::NewCellParamId, 42)
                        .U8(msgbytes::BatonHandover, 1)),
            field(203, 10055), field(204, 17)),
       {"Frequency: 10055 --> 10080", "CPI: 17 --> 42", "Baton handover"}},
      {"TD-SCDMA reconfiguration without baton", 3, 3,
       with(message("Physical Channel Reconfiguration", Writer().I32(msgbytes::NewCellParamId, 42)),
            field(203, 10055), field(204, 17)),
       {"Frequency: 10055 --> -9999", "CPI: 17 --> 42", "Not Baton handover"}},
      {"TD-SCDMA handset in GSM: handover on flag 1", 3, 1,
       with(message("Handover from UTRAN Command", target), onNet(0), field(37, 80), field(36, 7)),
       {"BCCH: 80 --> 62", "BSIC: 7 --> 33"}},
      {"TD-SCDMA handset in GSM: handover on flag 3", 3, 3,
       with(message("Handover from UTRAN Command", target), onNet(0), field(37, 80), field(36, 7)),
       {"BCCH: 80 --> 62", "BSIC: 7 --> 33"}},
      {"TD to GSM", 3, 7, message("Handover from UTRAN Command", target), {"TD To GSM(BCCH: 62, BSIC: 33)"}},
      {"CDMA has only the delay", 1, 3, [](HandsetRecord&, uint8_t) {}, {}},
      {"CDMA delay", 1, 6, [](HandsetRecord&, uint8_t) {}, {"Delay: 2.000 (s)"}},
  };
  for (const Case& c : cases) {
    Sequence s(c.Net);
    c.Prepare(s.Record(2), c.Net);
    EXPECT_EQ(s.Build(s.Reporting, c.Flag), c.Expected) << c.What;
    EXPECT_TRUE(s.Reporting->DetailDone) << c.What;
    for (const TDetailLine& d : s.Details) EXPECT_EQ(d.RecordIndex, 2) << c.What;
  }
}

TEST(LevelDetail, CauseLinesPlaceTheDiagnosisText) {
  // A release with cause 16: the wording is the diagnosis component's.
  std::string bytes = Writer().I32s(msgbytes::Cause, {16, 0}).Bytes();
  for (uint8_t net : {2, 3}) {
    Sequence s(net);
    uint32_t code = codeNamed(net, "RRC Connection Release");
    s.Record(2).MessageCode = code;
    s.Record(2).MessageBytes = bytes;
    std::optional<std::string> record =
        net == 2 ? GainUMTSMessageCauseCode(code, bytes) : GainTDSCDMAMessageCauseCode(code, bytes);
    ASSERT_TRUE(record);
    std::string text = net == 2 ? GainUMTSMessageCauseInfo(code, *record) : GainTDSCDMAMessageCauseInfo(code, *record);
    EXPECT_FALSE(text.empty());
    EXPECT_EQ(s.Build(s.Reporting, 1), Lines{text}) << "network " << int(net);
  }
}

// GSM levels with the cause flag read the cause as 3G levels do; the texts
// are those of 3GPP TS 24.008 (CC 10.5.4.11, MM 10.5.3.6, GMM 10.5.5.14),
// 44.018 (RR 10.5.2.31) and 24.011 (RP 8.2.5.4).
TEST(LevelDetail, GsmCauseLinesNameTheCauseOfEachProtocol) {
  const struct {
    const char* message;
    int32_t cause;
    const char* line;
  } cases[] = {
      {"Disconnect", 16, "Cause: Normal call clearing(16)"},
      {"Release Complete", 17, "Cause: User busy(17)"},
      {"Location Updating Reject", 17, "Cause: Network failure(17)"},
      {"CM Service Reject", 34, "Cause: Service option temporarily out of order(34)"},
      {"Channel Release", 1, "Cause: Abnormal release, unspecified(1)"},
      {"Handover Failure", 3, "Cause: Abnormal release, timer expired(3)"},
      {"Attach Reject", 7, "Cause: GPRS services not allowed(7)"},
      {"RP-ERROR (Network to MS)", 21, "Cause: Short message transfer rejected(21)"},
  };
  for (const auto& c : cases) {
    Sequence s(0);
    s.Record(2).MessageCode = codeNamed(0, c.message);
    s.Record(2).MessageBytes = Writer().I32(msgbytes::Cause, c.cause).Bytes();
    EXPECT_EQ(s.Build(s.Reporting, 1), Lines{c.line}) << c.message;
  }
  // A message of the catalogue that carries no cause, and a cause element
  // cut short, give no line.
  Sequence none(0);
  none.Record(2).MessageCode = codeNamed(0, "Connect");
  none.Record(2).MessageBytes = Writer().I32(msgbytes::Cause, 16).Bytes();
  EXPECT_EQ(none.Build(none.Reporting, 1), Lines{});
  Sequence shortCause(0);
  shortCause.Record(2).MessageCode = codeNamed(0, "Disconnect");
  shortCause.Record(2).MessageBytes = std::string("\x02\x02\x10\x00", 4);
  EXPECT_EQ(shortCause.Build(shortCause.Reporting, 1), Lines{});
}

TEST(LevelDetail, DelayFromTheTopLevel) {
  Sequence s(0);
  s.Record(0).Time = FakeHost::At(9, 30, 10.0);
  s.Record(2).Time = FakeHost::At(9, 30, 11.5);
  EXPECT_EQ(s.Build(s.Reporting, 6), Lines{"Delay: 1.500 (s)"});
  // The level's view keeps the last record it loaded: the top level's.
  EXPECT_EQ(s.Host.Loads, (std::vector<int32_t>{2, 0}));
  EXPECT_EQ(s.Reporting->HandsetFields->Loaded(), &s.Record(0));

  Sequence top(2);
  EXPECT_EQ(top.Build(top.Top, 6), Lines{"Delay: 0.000 (s)"});
  // The delay ignores the skip flag.
  Sequence skipped(3);
  skipped.Record(2).Skip = true;
  EXPECT_EQ(skipped.Build(skipped.Reporting, 6), Lines{"Delay: 2.000 (s)"});
}

TEST(LevelDetail, NothingToDecodeStillMarksTheLevel) {
  Writer target = Writer().I32s(msgbytes::TargetCell, {62, 33});
  struct Case {
    const char* What;
    int32_t Flag;
    bool Skip;
    int32_t RecordIndex;
    size_t Loads;
  };
  for (const Case& c : std::vector<Case>{{"flag 0", 0, false, 2, 0},
                                         {"flag 9", 9, false, 2, 0},
                                         {"skipped message", 3, true, 2, 1},
                                         {"record the host does not have", 3, false, 40, 1},
                                         {"delay of a record the host does not have", 6, false, 40, 1}}) {
    Sequence s(0);
    s.Record(2).MessageCode = codeNamed(0, "Handover Command");
    s.Record(2).MessageBytes = target.Bytes();
    s.Record(2).Skip = c.Skip;
    s.Reporting->RecordIndex = c.RecordIndex;
    EXPECT_EQ(s.Build(s.Reporting, c.Flag), Lines{}) << c.What;
    EXPECT_TRUE(s.Reporting->DetailDone) << c.What;
    EXPECT_EQ(s.Host.Loads.size(), c.Loads) << c.What;
  }
  // Without a record loader nothing is decoded.
  Sequence s(0);
  s.Reporting->DetailFlag = 6;
  BuildLevelDetail(*s.Reporting, s.Details, TGetRecordEvent{}, 0);
  EXPECT_TRUE(s.Details.empty());
  EXPECT_TRUE(s.Reporting->DetailDone);
}

TEST(LevelDetail, EachLevelOfARunIsDescribedOnce) {
  Sequence s(2);
  s.Record(0).Time = FakeHost::At(9, 30, 10.0);
  s.Record(1).Time = FakeHost::At(9, 30, 10.25);
  s.Record(2).Time = FakeHost::At(9, 30, 13.0);
  s.Top->DetailFlag = 6;
  s.Middle->DetailFlag = 6;
  s.Reporting->DetailFlag = 6;

  // A first result reported by the middle level covers it and the top level.
  AppendLevelDetails(*s.Middle, s.Details, s.Host.Loader(), 0);
  EXPECT_EQ(s.Texts(), (Lines{"Delay: 0.250 (s)", "Delay: 0.000 (s)"}));
  EXPECT_EQ(s.Details[0].RecordIndex, 1);
  EXPECT_EQ(s.Details[1].RecordIndex, 0);

  // The second result of the same run only adds the reporting level.
  s.Details.clear();
  AppendLevelDetails(*s.Reporting, s.Details, s.Host.Loader(), 0);
  EXPECT_EQ(s.Texts(), Lines{"Delay: 3.000 (s)"});

  // A new run clears the marks and describes every level again.
  s.Event->ResetRun();
  s.Top->RecordIndex = 0;
  s.Middle->RecordIndex = 1;
  s.Reporting->RecordIndex = 2;
  s.Details.clear();
  AppendLevelDetails(*s.Reporting, s.Details, s.Host.Loader(), 0);
  EXPECT_EQ(s.Texts(), (Lines{"Delay: 3.000 (s)", "Delay: 0.250 (s)", "Delay: 0.000 (s)"}));
}

// LTE levels: the EMM, ESM or RRC cause (24.301, 36.331 texts as
// docs/message-bytes.md gives them), the target of a handover, the system a
// release or mobility command sends the handset to, and the delay.
TEST(LevelDetail, LteTextsByFlag) {
  const struct {
    const char* what;
    uint32_t code;
    int32_t flag;
    Writer bytes;
    std::vector<std::pair<int32_t, int32_t>> fields;
    Lines expected;
  } cases[] = {
      {"attach reject, EMM cause", eps::AttachReject, 1, Writer().I32s(msgbytes::Cause, {13}), {},
       {"Cause: Roaming not allowed in this tracking area(13)"}},
      {"re-establishment request, cause from its sub-type", lte::ConnectionReestablishmentRequest, 1,
       Writer().U8(msgbytes::SubType, 1), {}, {"Cause: handoverFailure(1)"}},
      {"a message without a cause", lte::ConnectionSetup, 1, Writer(), {}, {}},
      {"handover with its carrier", lte::ConnectionReconfiguration, 3,
       Writer().U8(msgbytes::SubType, 1).I32(msgbytes::Pci, 101).I32(msgbytes::Earfcn, 1300), {{304, 6300}},
       {"PCI 101 EARFCN 1300"}},
      {"intra-frequency handover: the serving carrier", lte::ConnectionReconfiguration, 3,
       Writer().U8(msgbytes::SubType, 1).I32(msgbytes::Pci, 101), {{304, 6300}}, {"PCI 101 EARFCN 6300"}},
      {"handover target without any carrier", lte::ConnectionReconfiguration, 3,
       Writer().U8(msgbytes::SubType, 1).I32(msgbytes::Pci, 101), {}, {"PCI 101"}},
      {"reconfiguration without a target", lte::ConnectionReconfiguration, 3, Writer(), {}, {}},
      {"release redirected to UMTS (sub-type 3, UTRA-FDD)", lte::ConnectionRelease, 4,
       Writer().U8(msgbytes::SubType, 3).I32(msgbytes::Earfcn, 10688), {}, {"LTE To UMTS(UARFCN: 10688)"}},
      {"release redirected to GSM, flag 5", lte::ConnectionRelease, 5,
       Writer().U8(msgbytes::SubType, 2).I32(msgbytes::Earfcn, 20), {}, {"LTE To GSM(ARFCN: 20)"}},
      {"mobility from E-UTRA to TD-SCDMA without a carrier", lte::MobilityFromEutraCommand, 4,
       Writer().I32(msgbytes::TargetSystem, 2), {}, {"LTE To TD-SCDMA"}},
      {"release without redirection", lte::ConnectionRelease, 4, Writer().U8(msgbytes::SubType, 0), {}, {}},
      {"delay", eps::AttachAccept, 6, Writer(), {}, {"Delay: 2.000 (s)"}},
  };
  for (const auto& c : cases) {
    Sequence s(4);
    s.Record(2).MessageCode = c.code;
    s.Record(2).MessageBytes = c.bytes.Bytes();
    for (auto [id, value] : c.fields) s.Record(2).SetField(id, value);
    EXPECT_EQ(s.Build(s.Reporting, c.flag), c.expected) << c.what;
  }
}
