// Gates watch every record a host feeds, measurements included, each record
// once and in order: a level that held for so long in measurement records
// fires once per hold period, an answer that comes after a measurement
// record ends the wait, and a request left unanswered fires at the first
// record past its limit, the last record of the log included (evaluated
// when the host ends the log). With Notify on or off the results are the same.
#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "testing/detection_fixture.h"

namespace {

double at(double s) { return FakeHost::At(10, 0, s); }
constexpr int32_t Rscp = 28;  // the UMTS field "RSCP"

struct GateRecords : DetectionFixture {
  TGateEvent* gate(const std::string& name, int32_t type) { return AddGate(name, type); }
  TGateEvent* lowRscp() {
    TGateEvent* g = gate("Low RSCP", 1);
    g->SetExpression("RSCP < -105");
    g->SetExpDuringTime(3000);
    g->SetExpTimes(3);
    return g;
  }
  TGateEvent* rrcNotAnswered() {
    TGateEvent* g = gate("No Answer To RRC Connection Request", 2);
    g->SetMessageCodeA(rrc::ConnectionRequest);
    g->SetMessageCodeB(rrc::ConnectionSetup);
    g->SetMsgDuringTime(3000);
    return g;
  }
  void measurement(double s, int32_t rscp = -80) { host.Add(at(s)).SetField(Rscp, rscp); }
  void message(double s, uint32_t code, int32_t rscp = -80) { host.Add(at(s), code).SetField(Rscp, rscp); }

  void resetGates() {
    for (int i = 0; i < gates.Count(); ++i) {
      TGateEvent* g = gates.ItemAs<TGateEvent>(i);
      g->TrueSpan = 0;
      g->TrueCount = 0;
      g->SpanStart = 0;
      g->WaitingForB = false;
    }
  }
  // Feeds the whole log as a host does and ends it; the gate results as
  // (record, event name), in the container's order.
  std::vector<std::pair<int32_t, std::string>> run(bool notify) {
    results.Clear();
    host.AddedCalls.clear();
    resetGates();
    feedAll(0, notify);
    results.EndLog(999, &gates);
    std::vector<std::pair<int32_t, std::string>> fired;
    for (int i = 0; i < results.GetCount(); ++i)
      if (results.Result(i)->Kind == 3) fired.emplace_back(results.GetResult(i)->RecordIndex, results.Result(i)->EventName());
    return fired;
  }
  using Rows = std::vector<std::pair<int32_t, std::string>>;
};

}  // namespace

// 30 s of RSCP at -115 dBm in measurement records, a record every 250 ms,
// with a message only at each end: held from 10:00:00, the gate is due at
// 3 s, 6 s, ... 30 s, i.e. at records 12, 24, ... 120 (a hand count: one
// firing per 3 s hold, counting afresh from each firing).
TEST_F(GateRecords, AMeasurementOnlyStretchFiresOncePerHoldPeriod) {
  network(2);
  lowRscp();
  ready();
  message(0, rrc::MeasurementReport, -115);
  for (int i = 1; i < 121; ++i) measurement(i * 0.25, -115);
  message(30.25, rrc::MeasurementReport, -115);
  ASSERT_EQ(host.Records.size(), 122u);
  Rows expected;
  for (int r = 12; r <= 120; r += 12) expected.emplace_back(r, "Low RSCP");
  EXPECT_EQ(run(true), expected);
  EXPECT_EQ(host.AddedCalls.size(), expected.size()) << "each firing is announced with Notify";
  EXPECT_EQ(run(false), expected);
}

TEST_F(GateRecords, MessageGatesSeeEveryRecordBetweenRequestAndAnswer) {
  network(2);
  rrcNotAnswered();
  ready();

  // Answered 2.4 s after the request, a measurement record between; a later
  // unrelated message comes well past the limit.
  message(0, rrc::ConnectionRequest);
  measurement(0.5);
  message(2.4, rrc::ConnectionSetup);
  for (int i = 0; i < 10; ++i) measurement(3 + i * 0.5);
  message(8, rrc::MeasurementReport);
  EXPECT_EQ(run(true), Rows{}) << "an answer after a measurement record ends the wait";
  EXPECT_EQ(run(false), Rows{});

  // Unanswered, measurement records to the end of the log: at exactly 3 s the
  // limit is not passed yet; the first record past it is the one of 3.5 s.
  host.Records.clear();
  message(0, rrc::ConnectionRequest);
  for (int i = 1; i <= 10; ++i) measurement(i * 0.5);
  EXPECT_EQ(run(true), (Rows{{7, "No Answer To RRC Connection Request"}}));
  EXPECT_EQ(run(false), (Rows{{7, "No Answer To RRC Connection Request"}}));

  // The only record past the limit is the last of the log: with Notify it is
  // evaluated when the host ends the log, and announced with that call.
  host.Records.clear();
  message(0, rrc::ConnectionRequest);
  measurement(1);
  measurement(2);
  measurement(3.2);
  EXPECT_EQ(run(true), (Rows{{3, "No Answer To RRC Connection Request"}}));
  ASSERT_EQ(host.AddedCalls.size(), 1u);
  EXPECT_EQ(host.AddedCalls[0].Context, 999u);
  EXPECT_EQ(host.AddedCalls[0].Flag, 1);
  EXPECT_EQ(run(false), (Rows{{3, "No Answer To RRC Connection Request"}}));
}

// An expression that always holds and never reaches its count: the gate's
// count is the number of records it evaluated. Every record is counted
// once, whatever the Notify of each feed, and none after the log ended.
TEST_F(GateRecords, EachRecordIsEvaluatedExactlyOnce) {
  network(2);
  TGateEvent* counter = gate("Counter", 1);
  counter->SetExpression("RSCP < 0");
  counter->SetExpTimes(1000000);
  ready();
  for (int i = 0; i < 200; ++i) (i % 7 == 3 ? message(i * 0.3, rrc::MeasurementReport) : measurement(i * 0.3));
  std::mt19937 random(7);
  for (int pattern = 0; pattern < 4; ++pattern) {
    SCOPED_TRACE("pattern " + std::to_string(pattern));
    resetGates();
    for (int i = 0; i < 200; ++i) {
      bool notify = pattern == 0 ? true : pattern == 1 ? false : random() % 2 == 0;
      feed(i, 0, notify);
    }
    results.EndLog(0, &gates);
    EXPECT_EQ(counter->TrueCount, 200);
    results.EndLog(0, &gates);
    EXPECT_EQ(counter->TrueCount, 200) << "a second end of the log evaluates nothing again";
  }

  // A record waiting when the host clears for another log is not evaluated
  // against that log.
  resetGates();
  feed(0, 0, true);
  feed(1, 0, true);
  results.Clear();
  results.EndLog(0, &gates);
  EXPECT_EQ(counter->TrueCount, 1);
}
