// The detection passes through a fake host that records every callback:
// test items and event-table entries, arming, message sequences with their
// waiting window, gates, vendor traces and the events derived from radio data.
#include <gtest/gtest.h>

#include <cstring>

#include "block_builder.h"
#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/event_property.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "properties/event_property_list.h"
#include "testing/detection_fixture.h"

namespace {

struct Passes : DetectionFixture {
  std::vector<std::string> names() {
    std::vector<std::string> out;
    for (int i = 0; i < results.GetCount(); ++i) {
      std::string n;
      results.GetResult(i)->GetEventName(n);
      out.push_back(n);
    }
    return out;
  }
};

double sec(double s) { return FakeHost::At(10, 0, s); }

}  // namespace

TEST_F(Passes, TestItemsBecomeResultsForAcceptedIdentifiers) {
  network(0);
  HandsetRecord& r = host.Add(sec(0));
  addItem(r, 54, sec(0.1));  // Start Dial
  addItem(r, 1, sec(0.2));
  addItem(r, 2, sec(0.3));
  host.Refused.insert(2);
  feedAll();
  ASSERT_EQ(results.GetCount(), 2);
  ASSERT_EQ(host.AddedCalls.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(host.AddedCalls[i].Flag, 0);
    EXPECT_EQ(host.AddedCalls[i].Kind, 2);
    EXPECT_EQ(host.AddedCalls[i].Context, 100u);
    EXPECT_EQ(results.GetResult(i)->ItemIndex, i);
  }
  EXPECT_EQ(results.GetResult(0)->GetTestEventId(), 54);
  EXPECT_DOUBLE_EQ(results.GetResult(1)->GetTime(), sec(0.2));

  results.Clear();
  testProps.Items(testProps.IndexOfName(TTestEvents::NameOf(1)))->SetDisplay(false);
  results.OnEventFilter = {};
  feedAll();  // without a filter nothing is recorded
  EXPECT_EQ(results.GetCount(), 0);
  results.OnEventFilter = host.Filter();
  feedAll();
  EXPECT_EQ(results.GetCount(), 1);  // 1 is not displayed, 2 refused
}

TEST_F(Passes, TwoAndThreeLevelSequencesReportAtTheirRecords) {
  network(0);
  TMsgEvent* call = event("Call");
  TLevelNode* request = level(call, nullptr, gsm::CmServiceRequest, "");
  TLevelNode* alerting = level(call, request, gsm::Alerting, "Call Alerting");
  level(call, alerting, gsm::Connect, "Call Connect");
  TMsgEvent* lu = event("LU");
  level(lu, level(lu, nullptr, gsm::LocationUpdatingRequest), gsm::LocationUpdatingAccept, "Location Update Success");
  ready();
  host.Add(sec(0));                   // measurement
  host.Add(sec(1), gsm::CmServiceRequest);
  host.Add(sec(2), gsm::LocationUpdatingRequest);
  host.Add(sec(3), gsm::Alerting);
  host.Add(sec(4), gsm::LocationUpdatingAccept);
  host.Add(sec(5), gsm::Connect);
  feedAll();
  ASSERT_EQ(names(), (std::vector<std::string>{"Call Alerting", "Location Update Success", "Call Connect"}));
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 3);
  EXPECT_EQ(results.GetResult(1)->RecordIndex, 4);
  EXPECT_EQ(results.GetResult(2)->RecordIndex, 5);
  ASSERT_EQ(host.AddedCalls.size(), 3u);
  EXPECT_EQ(host.AddedCalls[2].Flag, 1);
  EXPECT_EQ(host.AddedCalls[2].Kind, 1);
  EXPECT_EQ(host.AddedCalls[2].Index, 2);
  EXPECT_EQ(host.AddedCalls[2].Context, 105u);
  EXPECT_FALSE(call->HasCurrentLevel());  // the leaf completed the sequence

  // A reporting level whose property is not displayed reports nothing and
  // leaves the event where it is, so the sequence still goes on from there.
  results.Clear();
  msgProps.Items(msgProps.IndexOfName("Call Alerting"))->SetDisplay(false);
  for (int i = 0; i < 4; ++i) feed(i);
  EXPECT_EQ(call->CurrentLevel, alerting);
  feed(4);
  feed(5);
  EXPECT_EQ(names(), (std::vector<std::string>{"Location Update Success", "Call Connect"}));
  EXPECT_EQ(results.GetResult(1)->RecordIndex, 5);
}

TEST_F(Passes, WaitingWindowClosesAfterFiveSecondsOfRecordTime) {
  network(3);
  TMsgEvent* call = event("TD Call");
  TLevelNode* start = level(call, nullptr, rrc::RadioBearerReconfigurationComplete);
  level(call, start, rrc::ConnectionRelease, "TD Call End");
  ready();
  host.Add(sec(0), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(1), rrc::ConnectionRelease);               // the window opens here
  host.Add(sec(6), rrc::PhysicalChannelReconfiguration);  // exactly 5 s later: still open
  feedAll();
  EXPECT_TRUE(call->InProgress);
  EXPECT_EQ(results.GetCount(), 0);
  host.Add(sec(6.5), rrc::PhysicalChannelReconfiguration);
  feed(3);
  EXPECT_FALSE(call->InProgress);
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 1);
  EXPECT_DOUBLE_EQ(results.GetResult(0)->GetTime(), sec(1));
  EXPECT_EQ(host.AddedCalls.back().Context, 103u);
}

TEST_F(Passes, WatchCodesCancelOrRewindTheWindow) {
  struct Case {
    std::vector<uint32_t> codes;
    bool waiting;
  } cases[] = {
      // cancels before the first watch code
      {{rrc::SignallingConnectionReleaseIndication}, false},
      // but not after it
      {{rrc::ConnectionRequest, rrc::SignallingConnectionReleaseIndication}, true},
      // cancels after both
      {{rrc::ConnectionRequest, rrc::ConnectionSetup, rrc::CellChangeOrderFromUtran}, false},
      // back to the first state
      {{rrc::ConnectionRequest, rrc::ConnectionSetup, rrc::SignallingConnectionRelease}, true},
  };
  for (const Case& c : cases) {
    messages.Clear();
    host.Records.clear();
    network(3);
    TMsgEvent* call = event("TD Call");
    level(call, level(call, nullptr, rrc::RadioBearerReconfigurationComplete), rrc::ConnectionRelease, "TD Call End");
    ready();
    host.Add(sec(0), rrc::RadioBearerReconfigurationComplete);
    host.Add(sec(1), rrc::ConnectionRelease);
    double t = 1.5;
    for (uint32_t code : c.codes) host.Add(sec(t += 0.5), code);
    feedAll();
    EXPECT_EQ(call->InProgress, c.waiting) << c.codes.size() << " watch codes";
    if (!c.waiting) {
      EXPECT_FALSE(call->WatchFirst);
    }
    EXPECT_EQ(results.GetCount(), 0);
  }
}

TEST_F(Passes, StartDialReportsTheWaitingCallFirst) {
  network(3);
  TMsgEvent* call = event("TD Call");
  call->StartedFlag = 1;
  call->Armed = true;
  level(call, level(call, nullptr, rrc::RadioBearerReconfigurationComplete), rrc::ConnectionRelease, "TD Call End");
  ready();
  host.Add(sec(0), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(1), rrc::ConnectionRelease);
  addItem(host.Add(sec(2)), 54, sec(2));  // Start Dial
  feedAll();
  ASSERT_EQ(results.GetCount(), 2);
  EXPECT_EQ(names()[0], "TD Call End");
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 1);
  EXPECT_DOUBLE_EQ(results.GetResult(0)->GetTime(), sec(1));
  EXPECT_TRUE(call->Armed);
  EXPECT_FALSE(call->InProgress);
  EXPECT_FALSE(call->HasCurrentLevel());

  addItem(host.Add(sec(3)), 56, sec(3));  // Hangup Dial disarms
  feed(3);
  EXPECT_FALSE(call->Armed);
  EXPECT_DOUBLE_EQ(results.LastHangupTime(), sec(3));
}

// A log's own values belong to the container of that log: two containers fed
// in turn (two logs in one host) each keep their own time of the last
// hang-up, which a sequence one of them puts in progress clears only there,
// and each its own publishing variant, which decides whether a last-data
// item shows its transfer (the texts of a document example: 2500 ms in all,
// 2000 ms transferring 1000 bytes).
TEST_F(Passes, TwoContainersFedInTurnKeepTheirOwnLogValues) {
  network(3);
  event("Call")->StartedFlag = 1;  // a hang-up stamps the time while disarming a call event
  TMsgEvent* release = event("TD Release");
  level(release, nullptr, rrc::ConnectionRelease, "TD Released");
  ready();
  const std::string lastData = BlockBuilder().I32(0, 2500).I32(4, 2000).I32(8, 1000).Bytes();
  HandsetRecord& first = host.Add(sec(2));
  addItem(first, 56, sec(2));  // Hangup Dial
  addItem(first, 12, sec(2), lastData);  // FTP Download Last Data
  host.Add(sec(8), rrc::ConnectionRelease);
  results.SetPublishId(1);

  struct OtherLog : TDefinitionSet {
    FakeHost host;
    TActEventsResult results;
  } other;
  other.results.OnGetRecord = other.host.Loader();
  other.results.OnEventFilter = other.host.Filter();
  other.results.SetNetType(3);
  other.SetNetwork(3);
  other.AddEvent("Call")->StartedFlag = 1;
  other.Link();
  HandsetRecord& otherFirst = other.host.Add(sec(7));
  AddTestItem(otherFirst, 56, sec(7));
  AddTestItem(otherFirst, 12, sec(7), lastData);
  auto feedOther = [&](int32_t i) {
    other.results.FeedRecord(0, i, false, true, true, 0, &other.messages, &other.gates, &other.tests);
  };

  feed(0);
  feedOther(0);
  EXPECT_DOUBLE_EQ(results.LastHangupTime(), sec(2));
  EXPECT_DOUBLE_EQ(other.results.LastHangupTime(), sec(7));
  feed(1);  // the release puts this log's event in progress
  ASSERT_TRUE(release->InProgress);
  EXPECT_EQ(results.LastHangupTime(), 0);
  EXPECT_DOUBLE_EQ(other.results.LastHangupTime(), sec(7));

  auto lastDataLines = [](TActEventsResult& container) {
    std::vector<std::string> lines;
    for (int i = 0; i < container.GetCount(); ++i)
      if (container.GetResult(i)->GetTestEventId() == 12)
        for (const TResultDetail& line : *container.GetResult(i)->Details) lines.push_back(line.Text);
    return lines;
  };
  EXPECT_EQ(lastDataLines(results), std::vector<std::string>{}) << "publishing variant 1 leaves the transfer out";
  EXPECT_EQ(lastDataLines(other.results),
            (std::vector<std::string>{"Total Time: 2.500 (s)", "Transimit Time: 2.000 (s)",
                                      "Transimit Size: 1000 (Byte)", "Average: 4,000 (bps)"}));
}

TEST_F(Passes, FailingHostCallbackLeavesNoEventWaiting) {
  network(3);
  TMsgEvent* call = event("TD Call");
  level(call, level(call, nullptr, rrc::RadioBearerReconfigurationComplete), rrc::ConnectionRelease, "TD Call End");
  ready();
  host.Add(sec(0), rrc::RadioBearerReconfigurationComplete);
  host.Add(sec(1), rrc::ConnectionRelease);
  host.Add(sec(9), rrc::PhysicalChannelReconfiguration);
  feed(0);
  feed(1);
  ASSERT_TRUE(call->InProgress);
  results.OnEventAdded = {[](void*, uint32_t, TEventResult*, uint8_t, uint8_t, int32_t) {
                            throw std::runtime_error("host failed");
                          },
                          nullptr};
  EXPECT_THROW(feed(2), std::runtime_error);
  EXPECT_FALSE(call->InProgress);
  EXPECT_EQ(results.GetCount(), 1);  // added once, before the host heard of it
  results.OnEventAdded = host.Announcer();
  feed(2);
  EXPECT_EQ(results.GetCount(), 1);
}

TEST_F(Passes, ExpressionGatesCountTimeAndRecords) {
  network(0);
  auto* gate = new TGateEvent(&gates);
  gate->EventName = "Low RxLev";
  gate->SetGateType(1);
  gate->SetExpression("RxLevSub < -100");
  gate->SetExpTimes(3);
  gates.Add(gate);
  ready();
  for (int i = 0; i < 7; ++i) host.Add(sec(i), gsm::MeasurementReport).SetField(3, -105);
  for (int i = 0; i < 7; ++i) feed(i, 0, false);
  ASSERT_EQ(results.GetCount(), 2);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 2);  // the third true record
  EXPECT_EQ(results.GetResult(1)->RecordIndex, 5);  // and the sixth
  EXPECT_TRUE(results.GetResult(0)->IsKind(2));

  // 1500 ms with one record a second: false at 0, true from 1, fires at 2.
  results.Clear();
  host.Records.clear();
  gate->TrueSpan = gate->TrueCount = 0;
  gate->SpanStart = 0;
  gate->SetExpTimes(1);
  gate->SetExpDuringTime(1500);
  host.Add(sec(0), gsm::MeasurementReport).SetField(3, -90);
  for (int i = 1; i < 4; ++i) host.Add(sec(i), gsm::MeasurementReport).SetField(3, -105);
  host.Add(sec(4), gsm::MeasurementReport);  // no value: skipped, counters untouched
  for (int i = 0; i < 5; ++i) feed(i, 0, false);
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 2);

  // With Notify a fed record waits for the next feed, or for the end of the
  // log, and is announced then with that call's context.
  results.Clear();
  gate->TrueSpan = gate->TrueCount = 0;
  gate->SpanStart = 0;
  gate->SetExpDuringTime(0);
  feed(2, 0, true);
  EXPECT_EQ(results.GetCount(), 0);
  results.EndLog(300, &gates);  // the first evaluation fires at once
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 2);
  EXPECT_EQ(host.AddedCalls.back().Kind, 3);
  EXPECT_EQ(host.AddedCalls.back().Context, 300u);
  results.EndLog(301, &gates);  // nothing waits any more
  EXPECT_EQ(results.GetCount(), 1);
}

TEST_F(Passes, MessageGatesFireWhenNoAnswerCameInTime) {
  network(0);
  auto* gate = new TGateEvent(&gates);
  gate->EventName = "LU Not Answered";
  gate->SetGateType(2);
  gate->SetMessageCodeA(gsm::LocationUpdatingRequest);
  gate->SetMessageCodeB(gsm::LocationUpdatingAccept);
  gate->SetMsgDuringTime(3000);
  gates.Add(gate);
  ready();
  host.Add(sec(0), gsm::LocationUpdatingRequest);
  host.Add(sec(2), gsm::MeasurementReport);
  host.Add(sec(4), gsm::MeasurementReport);
  for (int i = 0; i < 3; ++i) feed(i, 0, false);
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 2);

  results.Clear();
  host.Records[1].MessageCode = gsm::LocationUpdatingAccept;  // answered at 10:00:02
  for (int i = 0; i < 3; ++i) feed(i, 0, false);
  EXPECT_EQ(results.GetCount(), 0);
}

TEST_F(Passes, EventTableEntriesNeedAMatchingDefinition) {
  network(0);
  TMsgEvent* call = event("Outgoing Call Attempt");
  level(call, nullptr, gsm::CmServiceRequest, "Outgoing Call Attempt");
  ready();
  host.Add(sec(0));
  std::vector<EventTableEntry> table = {{10003, 0}, {10004, 0}, {1, 0}};
  SetEventTable(&table);
  results.FeedEvent(0, 0, &messages, &gates, &tests, 0);
  results.FeedEvent(1, 0, &messages, &gates, &tests, 0);
  results.FeedEvent(2, 0, &messages, &gates, &tests, 0);
  results.FeedEvent(7, 0, &messages, &gates, &tests, 0);  // outside the table
  SetEventTable(nullptr);
  ASSERT_EQ(results.GetCount(), 2);
  EXPECT_TRUE(results.GetResult(0)->IsKind(0));
  EXPECT_TRUE(results.GetResult(1)->IsKind(1));
  EXPECT_TRUE(host.AddedCalls.empty());  // event-table results are not announced
}

TEST_F(Passes, VendorTraceCodesFollowTheirFlags) {
  struct Case {
    std::vector<uint32_t> codes;
    std::vector<int32_t> ids;
  } cases[] = {
      {{18, 19}, {}},
      {{17, 18}, {204, 205}},
      {{100, 17}, {220}},
      {{100, 33, 17}, {220, 207, 204}},
      {{100, 5, 17}, {220}},
  };
  for (const Case& c : cases) {
    TActEventsResult fresh;
    fresh.OnGetRecord = host.Loader();
    fresh.OnEventFilter = host.Filter();
    host.Records.clear();
    for (uint32_t code : c.codes) host.Add(sec(host.Records.size())).MessageInfo = code << 16;
    for (size_t i = 0; i < host.Records.size(); ++i)
      fresh.FeedRecord(0, static_cast<int32_t>(i), false, false, true, 27, &messages, &gates, &tests);
    std::vector<int32_t> ids;
    for (int i = 0; i < fresh.GetCount(); ++i) ids.push_back(fresh.GetResult(i)->GetTestEventId());
    EXPECT_EQ(ids, c.ids) << c.codes.size() << " codes starting " << c.codes[0];
  }
}

TEST_F(Passes, CellChangesAndHandoffsAreDerived) {
  network(0);
  auto idle = [&](double t, int32_t channel, int32_t cell) {
    HandsetRecord& r = host.Add(sec(t));
    r.SetField(0, channel);
    r.SetField(1, cell);
  };
  idle(0, 62, 12);
  idle(1, 62, 12);
  idle(2, 62, 14);
  feedAll();
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->GetTestEventId(), 162);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 2);
  ASSERT_EQ(host.Records[2].Items.size(), 1u);
  std::string_view extra = host.Records[2].Extra(host.Records[2].Items[0]);
  ASSERT_EQ(extra.size(), 16u);
  int32_t type, from, to;
  int16_t cellFrom, cellTo;
  std::memcpy(&type, extra.data(), 4);
  std::memcpy(&from, extra.data() + 4, 4);
  std::memcpy(&to, extra.data() + 8, 4);
  std::memcpy(&cellFrom, extra.data() + 12, 2);
  std::memcpy(&cellTo, extra.data() + 14, 2);
  EXPECT_EQ((std::vector<int32_t>{type, from, to, cellFrom, cellTo}), (std::vector<int32_t>{0, 62, 62, 12, 14}));

  // CDMA: after an idle record, direction values 3, 3, 5, 7 in dedicated
  // records derive a handoff failure on the fourth only.
  results.Clear();
  host.Records.clear();
  network(1);
  host.Add(sec(0));
  host.Add(sec(1));
  for (int v : {3, 3, 5, 7}) cdmaHandoff(v);
  feedAll();
  std::vector<int32_t> ids;
  for (int i = 0; i < results.GetCount(); ++i) ids.push_back(results.GetResult(i)->GetTestEventId());
  EXPECT_EQ(ids, (std::vector<int32_t>{195}));
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 5);
}

TEST_F(Passes, ThreeGCellMemoryAndTimerExpiry) {
  network(2);
  HandsetRecord& first = host.Add(sec(0));  // the first record never derives
  first.SetField(17, 62);
  first.SetField(7, 33);
  HandsetRecord& gsm = host.Add(sec(1));  // camped on GSM: remembered
  gsm.SetField(17, 62);
  gsm.SetField(7, 33);
  for (double t : {2.0, 3.0}) {  // back on WCDMA, twice on the same cell
    HandsetRecord& w = host.Add(sec(t));
    w.SetField(98, 10700);
    w.SetField(99, 212);
  }
  feedAll();
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->RecordIndex, 2);
  std::string_view extra = host.Records[2].Extra(host.Records[2].Items[0]);
  ASSERT_EQ(extra.size(), 16u);
  int32_t type, channel;
  int16_t cell;
  std::memcpy(&type, extra.data(), 4);
  std::memcpy(&channel, extra.data() + 10, 4);
  std::memcpy(&cell, extra.data() + 14, 2);
  EXPECT_EQ(type, 2);
  EXPECT_EQ(channel, 10700);
  EXPECT_EQ(cell, 212);

  // TD-SCDMA: a mobility-management timer expiry becomes item 161 with the
  // decoder's block as its extra data.
  results.Clear();
  host.Records.clear();
  network(3);
  host.Add(sec(0));
  host.Add(sec(1), tdscdma::MmTimerExpiryIndication).MessageBytes =
      msgbytes::Writer().I32s(msgbytes::TimerExpiry, {3210, 15}).Bytes();
  // truncated: nothing
  host.Add(sec(2), tdscdma::MmTimerExpiryIndication).MessageBytes = std::string("\x0B\x08\x01", 3);
  feedAll();
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(results.GetResult(0)->GetTestEventId(), 161);
  EXPECT_EQ(host.Records[1].Extra(host.Records[1].Items[0]).size(), 8u);
}
