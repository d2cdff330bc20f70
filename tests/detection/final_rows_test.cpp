// Results a host takes while it still feeds: how many from the first keep
// their places (FinalCount), freeing them (ReleaseFirst), and a log whose
// time steps back behind what was promised.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "definitions/gate_event.h"
#include "definitions/msg_event.h"
#include "testing/detection_fixture.h"

namespace {

double sec(double s) { return FakeHost::At(10, 0, s); }

struct FinalRows : DetectionFixture {
  // A call whose end waits five seconds in its window (reported at the
  // record that opened it), a message gate that fires when no answer came
  // within a second, and a test item: they arrive out of time order.
  void build() {
    network(3);
    TMsgEvent* call = event("TD Call");
    TLevelNode* start = level(call, nullptr, rrc::RadioBearerReconfigurationComplete);
    level(call, start, rrc::ConnectionRelease, "TD Call End");
    TGateEvent* gate = AddGate("No Answer", 2);
    gate->SetMessageCodeA(rrc::MeasurementControl);
    gate->SetMessageCodeB(rrc::MeasurementControlFailure);
    gate->SetMsgDuringTime(1000);
    ready();
    host.Add(sec(0), rrc::RadioBearerReconfigurationComplete);
    host.Add(sec(1), rrc::ConnectionRelease);    // the window opens here
    host.Add(sec(2), rrc::MeasurementControl);   // the gate waits for an answer
    host.Add(sec(3.5), rrc::MeasurementReport);  // none came: the gate fires here
    addItem(host.Add(sec(4)), 1, sec(4));         // PPP Dial Start
    host.Add(sec(6.5), rrc::MeasurementReport);  // the window closes
  }
  std::pair<std::string, int32_t> row(int32_t i) {
    std::string name;
    results.GetResult(i)->GetEventName(name);
    return {name, results.GetResult(i)->RecordIndex};
  }
  // Takes and frees the results that keep their places, as a host that
  // writes its rows while it feeds does.
  std::vector<std::pair<std::string, int32_t>> taken;
  int32_t take(double later) {
    const int32_t final = results.FinalCount(later);
    for (int32_t i = 0; i < final; ++i) taken.push_back(row(i));
    EXPECT_EQ(results.ReleaseFirst(final), final);
    return final;
  }
};

TEST_F(FinalRows, WaitingSequenceHoldsBackTheRowsAfterIt) {
  build();
  const std::vector<std::pair<std::string, int32_t>> byTime = {
      {"TD Call End", 1}, {"No Answer", 3}, {"PPP Dial Start", 4}};
  for (int32_t i = 0; i < 5; ++i) {
    feed(i);
    // The gate's and the item's results are there after record 4, but the
    // call still waits in its window with the time of record 1.
    EXPECT_EQ(take(host.Records[i].Time), 0) << "after record " << i;
  }
  EXPECT_EQ(results.GetCount(), 2);
  feed(5);
  EXPECT_EQ(take(host.Records[5].Time), 3);
  EXPECT_EQ(taken, byTime);
  EXPECT_EQ(results.GetCount(), 0);

  // The same log fed whole, nothing taken: the same order.
  results.Clear();
  feedAll();
  results.EndLog(200, &gates);
  ASSERT_EQ(results.GetCount(), 3);
  for (int32_t i = 0; i < 3; ++i) EXPECT_EQ(row(i), byTime[i]);
}

TEST_F(FinalRows, ResultsBeforeWhatWasCountedComeRightAfterIt) {
  build();
  for (int32_t i = 0; i < 6; ++i) feed(i);
  // Counted but kept: the host shows them and frees them later.
  ASSERT_EQ(results.FinalCount(sec(6.5)), 3);
  EXPECT_EQ(results.FinalCount(sec(0)), 3) << "the count never shrinks";
  // The clock steps back: an item of 10:00:00.5, earlier than every result,
  // comes after those counted, which keep their places.
  addItem(host.Add(sec(0.5)), 2, sec(0.5));  // PPP Dial Success
  feed(6);
  ASSERT_EQ(results.GetCount(), 4);
  EXPECT_EQ(row(0), std::make_pair(std::string("TD Call End"), 1));
  EXPECT_EQ(row(3), std::make_pair(std::string("PPP Dial Success"), 6));
  // More than was counted is not freed; the rest move up.
  EXPECT_EQ(results.ReleaseFirst(10), 3);
  ASSERT_EQ(results.GetCount(), 1);
  EXPECT_EQ(row(0), std::make_pair(std::string("PPP Dial Success"), 6));
  EXPECT_EQ(results.ReleaseFirst(1), 0);
  results.EndLog(200, &gates);
  EXPECT_EQ(results.FinalCount(sec(0.5)), 1);
  EXPECT_EQ(results.ReleaseFirst(1), 1);
  EXPECT_EQ(results.GetCount(), 0);
  EXPECT_EQ(results.FinalCount(sec(100)), 0);
}

}  // namespace
