// The detection passes at their edges: results that outlive their
// definitions, record references that are not record indexes, time limits
// met to the millisecond, waiting windows opened, restarted and re-armed,
// gates fed with Notify, and a CDMA log that starts inside a call.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "properties/event_property_list.h"
#include "testing/detection_fixture.h"

namespace {

double sec(double s) { return FakeHost::At(10, 0, s); }

struct Edges : DetectionFixture {
  TGateEvent* gate(const std::string& name, int32_t type) { return AddGate(name, type); }
  // Record index and time of every result of kind `kind` (1 message, 2 test, 3 gate).
  std::vector<std::pair<int32_t, double>> of(int32_t kind) {
    std::vector<std::pair<int32_t, double>> out;
    for (int i = 0; i < results.GetCount(); ++i)
      if (results.Result(i)->Kind == kind) out.emplace_back(results.GetResult(i)->RecordIndex, results.GetResult(i)->GetTime());
    return out;
  }
};

}  // namespace

// A result keeps what it reports about its definition: the definitions can
// be cleared or reloaded while the host still lists the results (under the
// sanitizer build a result that followed its level would read freed memory).
TEST_F(Edges, ResultsAnswerAfterTheirDefinitionsAreCleared) {
  network(0);
  TMsgEvent* call = event("Call");
  level(call, level(call, nullptr, gsm::CmServiceRequest), gsm::Alerting, "Call Setup", 6);
  TMsgEvent* lu = event("LU");
  level(lu, nullptr, gsm::LocationUpdatingRequest, "LU Request", 1);
  gate("LU Not Answered", 2)->SetMessageCodeA(gsm::LocationUpdatingRequest);
  gates.ItemAs<TGateEvent>(0)->SetMessageCodeB(gsm::LocationUpdatingAccept);
  ready();
  host.Add(sec(0), gsm::CmServiceRequest);
  host.Add(sec(1), gsm::Alerting);
  host.Add(sec(2), gsm::LocationUpdatingRequest);
  host.Add(sec(3), gsm::MeasurementReport);
  feedAll(0, false);
  ASSERT_EQ(results.GetCount(), 3);
  std::vector<bool> flags;
  std::vector<std::string> names;
  for (int i = 0; i < results.GetCount(); ++i) {
    flags.push_back(results.GetResult(i)->HasDetailFlag6());
    names.push_back(results.Result(i)->EventName());
  }
  EXPECT_EQ(flags, (std::vector<bool>{true, false, false}));

  messages.Clear();
  gates.Clear();
  for (int i = 0; i < results.GetCount(); ++i) {
    TEventResult* r = results.GetResult(i);
    EXPECT_EQ(r->HasDetailFlag6(), flags[i]) << names[i];
    std::string name;
    r->GetEventName(name);
    EXPECT_EQ(name, names[i]);
    EXPECT_EQ(r->GetTestEventId(), -1);
  }
}

// Matching hands the record view's reference to OnGetRecord, not the record
// index: a host may number its records for loading in its own way.
TEST_F(Edges, MatchingLoadsRecordsByTheirReference) {
  struct Case {
    const char* what;
    uint8_t net;
    uint32_t code;
    int32_t reason;
    void (*fill)(HandsetRecord&);
  } cases[] = {
      {"CDMA cause state", 1, cdma::ReleaseOrderMobileStation, 9, [](HandsetRecord& r) { r.SetField(21, 9); }},
      {"WCDMA reconfiguration", 2, rrc::RadioBearerReconfiguration, -9999,
       [](HandsetRecord& r) { r.MessageBytes = msgbytes::Writer().I32(msgbytes::NewUarfcn, 10700).Bytes(); }},
      {"TD-SCDMA reconfiguration", 3, rrc::PhysicalChannelReconfiguration, -9999,
       [](HandsetRecord& r) { r.MessageBytes = msgbytes::Writer().I32(msgbytes::NewUarfcn, 10055).Bytes(); }},
      {"dedicated only", 2, nas::AssignmentCommand, -9999, [](HandsetRecord& r) { r.MessageInfo = 2u << 24; }},
      {"not in 3G idle", 3, nas::HandoverCommand, -9999, [](HandsetRecord& r) { r.NetType = 0; }},
  };
  constexpr uint32_t Base = 7000;
  // References are Base + index; the loader takes both kinds of number.
  results.OnGetRecord = {[](void* self, RecordView* view, int32_t n) -> int32_t {
                           auto* host = static_cast<FakeHost*>(self);
                           host->Loads.push_back(n);
                           int32_t index = n >= int32_t(Base) ? n - int32_t(Base) : n;
                           if (index < 0 || index >= int32_t(host->Records.size())) {
                             view->Reset();
                             return 0;
                           }
                           view->Load(&host->Records[index]);
                           return 1;
                         },
                         &host};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    results.Clear();
    messages.Clear();
    host.Records.clear();
    host.Loads.clear();
    network(c.net);
    level(event("Special"), nullptr, c.code, "Special Seen", 0, c.reason);
    ready();
    host.Add(sec(0));
    c.fill(host.Add(sec(1), c.code));
    for (size_t i = 0; i < host.Records.size(); ++i) host.Records[i].Reference = Base + uint32_t(i);
    feedAll();
    ASSERT_EQ(of(1).size(), 1u);
    EXPECT_THAT(host.Loads, ::testing::Contains(int32_t(Base + 1)))
        << "matching must ask for the record by its reference";
  }
}

// Spans that the user gives in whole milliseconds are met exactly, whatever
// the time of day: day counts of two record times differ by the span only up
// to rounding, which may fall either side of it.
TEST_F(Edges, GateTimeLimitsAreMetToTheMillisecond) {
  network(0);
  TGateEvent* held = gate("Low RxLev", 1);
  held->SetExpression("RxLevSub < -100");
  held->SetExpTimes(1);
  held->SetExpDuringTime(1500);
  TGateEvent* unanswered = gate("LU Not Answered", 2);
  unanswered->SetMessageCodeA(gsm::LocationUpdatingRequest);
  unanswered->SetMessageCodeB(gsm::LocationUpdatingAccept);
  unanswered->SetMsgDuringTime(3000);
  ready();
  std::vector<int> heldMissed, answeredTooSoon;
  for (int s = 0; s < 60; ++s) {
    results.Clear();
    host.Records.clear();
    held->TrueSpan = held->TrueCount = 0;
    held->SpanStart = 0;
    unanswered->WaitingForB = false;
    // Expression false at s, true 1.5 s later: held exactly ExpDuringTime.
    host.Add(sec(s), gsm::MeasurementReport).SetField(3, -90);
    host.Add(sec(s + 1.5), gsm::MeasurementReport).SetField(3, -105);
    // A at s + 2, then an unrelated message exactly MsgDuringTime later.
    host.Add(sec(s + 2), gsm::LocationUpdatingRequest);
    host.Add(sec(s + 5), gsm::MeasurementReport);
    feedAll(0, false);
    std::vector<std::pair<int32_t, double>> fired = of(3);
    bool heldFired = false, unansweredFired = false;
    for (auto& f : fired) (f.first == 1 ? heldFired : unansweredFired) = true;
    if (!heldFired) heldMissed.push_back(s);
    if (unansweredFired) answeredTooSoon.push_back(s);
  }
  EXPECT_TRUE(heldMissed.empty()) << "held exactly 1500 ms but did not fire, e.g. at 10:00:" << heldMissed[0];
  EXPECT_TRUE(answeredTooSoon.empty()) << "fired at exactly 3000 ms, e.g. at 10:00:" << answeredTooSoon[0];

  // One millisecond more does fire the message gate.
  results.Clear();
  host.Records.clear();
  unanswered->WaitingForB = false;
  host.Add(sec(2), gsm::LocationUpdatingRequest);
  host.Add(sec(5.001), gsm::MeasurementReport);
  feedAll(0, false);
  EXPECT_EQ(of(3).size(), 1u);
}

// With Notify the gate pass evaluates each record when the next one is fed,
// once; the last one when the host ends the log.
TEST_F(Edges, NotifyEvaluatesEveryRecordOnce) {
  struct Case {
    std::vector<int32_t> rxlev;
    std::vector<int32_t> fired;
  } cases[] = {
      {{-105, -90, -90}, {}},       // one true record is not two
      {{-105, -105, -90}, {1}},     // the second true record fires
      {{-105, -105, -105, -105, -90}, {1, 3}},
      {{-90, -105, -105}, {2}},     // the last record fires as the log ends
      {{-90, -105}, {}},            // ends with one true record...
      {{-105, -90}, {}},            // ...which does not count in the next log
  };
  network(0);
  TGateEvent* low = gate("Low RxLev", 1);
  low->SetExpression("RxLevSub < -100");
  low->SetExpTimes(2);
  ready();
  for (const Case& c : cases) {
    results.Clear();
    host.Records.clear();
    for (size_t i = 0; i < c.rxlev.size(); ++i) host.Add(sec(i), gsm::MeasurementReport).SetField(3, c.rxlev[i]);
    feedAll(0, true);
    results.EndLog(0, &gates);
    std::vector<int32_t> fired;
    for (auto& f : of(3)) fired.push_back(f.first);
    EXPECT_EQ(fired, c.fired) << c.rxlev.size() << " records";
  }
}

// A first-step level that puts its event in progress opens the window at its
// own record; a start that is undone leaves no waiting event behind. Either
// way nothing is reported at a record that matched nothing.
TEST_F(Edges, InProgressAlwaysHasAWindow) {
  network(3);
  TMsgEvent* td = event("TD Call");
  TLevelNode* end = level(td, nullptr, rrc::ConnectionRelease, "TD Call End");
  level(td, end, rrc::RadioBearerReconfigurationComplete, "TD Call Again");
  ready();
  host.Add(sec(0));                   // measurement
  host.Add(sec(1), rrc::ConnectionRelease);               // first step, in progress
  host.Add(sec(7), rrc::PhysicalChannelReconfiguration);  // the window has aged out
  feedAll();
  EXPECT_EQ(of(1), (std::vector<std::pair<int32_t, double>>{{1, sec(1)}}));
  EXPECT_FALSE(td->InProgress);

  // Branch A under way; B's first step fits the next message but is undone.
  results.Clear();
  messages.Clear();
  host.Records.clear();
  TMsgEvent* two = event("Two Branches");
  level(two, level(two, nullptr, rrc::RadioBearerReconfigurationComplete, "A Start"),
        rrc::PhysicalChannelReconfiguration, "A Done");
  level(two, nullptr, rrc::ConnectionRelease, "B Start");
  ready();
  host.Add(sec(0));
  host.Add(sec(1), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(2), rrc::ConnectionRelease);
  host.Add(sec(9), rrc::ConnectionRequest);
  feed(0);
  feed(1);
  feed(2);
  EXPECT_FALSE(two->InProgress) << "an undone start left the event waiting";
  feed(3);
  EXPECT_EQ(of(1), (std::vector<std::pair<int32_t, double>>{{1, sec(1)}}));
}

// A restart while a sequence waits reports the waiting sequence with the
// record indexes of its own run, then starts afresh.
TEST_F(Edges, RestartWhileWaitingReportsTheOldRunFirst) {
  network(3);
  TMsgEvent* td = event("TD Call");
  level(td, level(td, nullptr, rrc::RadioBearerReconfigurationComplete), rrc::ConnectionRelease, "TD Call End", 6);
  ready();
  host.Add(sec(0));
  host.Add(sec(1), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(2.5), rrc::ConnectionRelease);                 // waits
  host.Add(sec(3), rrc::RadioBearerReconfigurationComplete);  // starts again
  feedAll();
  ASSERT_EQ(of(1).size(), 1u);
  TEventResult* waited = results.GetResult(0);
  EXPECT_EQ(waited->RecordIndex, 2);
  ASSERT_EQ(waited->Details->size(), 1u);
  EXPECT_EQ((*waited->Details)[0].Text, "Delay: 1.500 (s)");
  EXPECT_FALSE(td->InProgress);
  EXPECT_EQ(td->CurrentLevel, td->Level(0));
  EXPECT_EQ(td->Level(0)->RecordIndex, 3);
}

// "Start Dial" ends the waiting window as close and cancel do, watch state
// included, so the next call's window starts from its first state.
TEST_F(Edges, StartDialClearsTheWatchState) {
  network(3);
  TMsgEvent* td = event("TD Call");
  td->StartedFlag = 1;
  td->Armed = true;
  level(td, level(td, nullptr, rrc::RadioBearerReconfigurationComplete), rrc::ConnectionRelease, "TD Call End");
  ready();
  host.Add(sec(0), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(1), rrc::ConnectionRelease);  // waits
  host.Add(sec(2), rrc::ConnectionRequest);  // first watch code seen
  addItem(host.Add(sec(3)), 54, sec(3));  // Start Dial reports the call
  host.Add(sec(4), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(5), rrc::ConnectionRelease);                      // the next call waits
  host.Add(sec(6), rrc::SignallingConnectionReleaseIndication);  // and is cancelled
  host.Add(sec(12), rrc::PhysicalChannelReconfiguration);
  feedAll();
  EXPECT_EQ(of(1), (std::vector<std::pair<int32_t, double>>{{1, sec(1)}}));
  EXPECT_FALSE(td->InProgress);
  EXPECT_FALSE(td->WatchFirst);
}

// A CDMA log that starts inside a call has no handoff value remembered: the
// first direction value is only remembered, not compared with a zero.
TEST_F(Edges, CdmaLogStartingInACallDerivesNoHandoffFailure) {
  network(1);
  host.Add(sec(0), cdma::UniversalHandoffDirection).MessageInfo = 2u << 24;
  for (int v : {3, 5, 7}) cdmaHandoff(v);
  feedAll();
  std::vector<int32_t> ids;
  for (int i = 0; i < results.GetCount(); ++i) ids.push_back(results.GetResult(i)->GetTestEventId());
  EXPECT_EQ(ids, (std::vector<int32_t>{195}));
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 3);
}
