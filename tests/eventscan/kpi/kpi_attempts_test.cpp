// Attempts followed one by one ('answer within'): each case is a few requests
// and answers at times written beside them, its outcome counted by hand on the
// rules of docs/kpis.md ("Following attempts").
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kpi/kpi_attempts.h"
#include "kpi/kpi_file.h"
#include "kpi/kpi_table.h"

using namespace eventscan;

namespace {

constexpr double Second = 1.0 / 86400;
using Kind = KpiMark::Kind;
using End = KpiAttempt::End;

KpiMark at(double seconds, Kind kind, int32_t record = -1) {
  return {1000 + seconds * Second, record < 0 ? static_cast<int32_t>(seconds * 10) : record, kind};
}

std::vector<End> outcomes(const std::vector<KpiAttempt>& attempts) {
  std::vector<End> out;
  for (const KpiAttempt& a : attempts) out.push_back(a.How);
  return out;
}

KpiResult result(int32_t record, double seconds, const std::string& event) {
  return {record, 1000 + seconds * Second, event, {}};
}

}  // namespace

TEST(KpiAttempts, EachRequestIsFollowedToItsFirstAnswerOrItsTimer) {
  const std::optional<double> logEnd = 1000 + 600 * Second;
  struct Case {
    const char* What;
    std::vector<KpiMark> Marks;
    std::vector<End> Expected;
  };
  const std::vector<Case> cases = {
      // Three requests 7 s apart, each within 15 s of the one before, never
      // answered: one attempt, failed 15 s after the last (at 29 s).
      {"retransmissions", {at(0, Kind::Attempt), at(7, Kind::Attempt), at(14, Kind::Attempt)}, {End::Unanswered}},
      // A request unanswered for 16.4 s, then sent again and accepted: the
      // timer ran out first, so two attempts.
      {"a request after the timer", {at(0, Kind::Attempt), at(16.4, Kind::Attempt), at(17.6, Kind::Success)},
       {End::Unanswered, End::Success}},
      // Answered exactly when the timer runs out: answered.
      {"an answer at 15 s", {at(0, Kind::Attempt), at(15, Kind::Success)}, {End::Success}},
      // A reject, then a timeout mark 15.5 s after the request: the mark
      // changes nothing.
      {"a mark after the reject", {at(0, Kind::Attempt), at(1, Kind::Failure), at(15.5, Kind::Failure)},
       {End::Failure}},
      // Cut by the release 0.7 s after the request, requested again at 5 s on
      // a new connection and accepted: two attempts.
      {"cut, then again", {at(0, Kind::Attempt), at(0.7, Kind::Failure), at(5, Kind::Attempt), at(6, Kind::Success)},
       {End::Failure, End::Success}},
      // The test process's success before any request is an attempt of its
      // own; its report 0.5 s after an accept belongs to that attempt.
      {"test items", {at(2, Kind::Success), at(30, Kind::Attempt), at(31, Kind::Success), at(31.5, Kind::Success)},
       {End::Success, End::Success}},
      // A success and a failure reported on one record: a success.
      {"one record", {at(0, Kind::Attempt), at(3, Kind::Failure, 77), at(3, Kind::Success, 77)}, {End::Success}},
      // A request 10 s before the log's last record: its timer has not run
      // out, it is not counted.
      {"the end of the log", {at(0, Kind::Attempt), at(1, Kind::Success), at(590, Kind::Attempt)},
       {End::Success, End::Waiting}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    EXPECT_EQ(outcomes(FollowAttempts(c.Marks, 15, logEnd)), c.Expected);
  }
  // Without a known end the waiting attempt has run out of time.
  EXPECT_EQ(outcomes(FollowAttempts({at(590, Kind::Attempt)}, 15, std::nullopt)), std::vector<End>{End::Unanswered});
  // The failed attempt of the first case ends when the timer runs out after
  // the last repeat.
  std::vector<KpiAttempt> repeated =
      FollowAttempts({at(0, Kind::Attempt), at(7, Kind::Attempt), at(14, Kind::Attempt)}, 15, logEnd);
  ASSERT_EQ(repeated.size(), 1u);
  EXPECT_NEAR((repeated[0].Answered - repeated[0].Start) / Second, 29, 1e-6);
}

TEST(KpiAttempts, RatiosAndTimesOfFollowedAttemptsWithTheirNotes) {
  KpiFile file = ParseKpiText(R"([Attach success]
kind = ratio
attempt = Attach Attempt
success = Attach Accepted, Attach Success
failure = Attach Rejected, Attach Cut by Release
merge within = 2
answer within = 15
[Call set-up time]
kind = statistics
attempt = Start Dial, Call Attempt
success = Call Alerting, Call Established
failure = Call Setup Failure
answer within = 30
unit = s
)",
                              "Kpis.cfg");
  ASSERT_TRUE(file.Faults.empty()) << file.Faults.front();
  KpiLog log;
  log.Network = 2;
  log.End = 1000 + 300 * Second;
  log.Results = {
      // Attach: the test item before any request (1); a request accepted,
      // with the item 0.4 s later merged into the accept (2); a reject (3);
      // three requests 5 s apart never answered (4); cut by a release (5); a
      // request 8 s before the end (not counted).
      result(5, 5, "Attach Success"),
      result(10, 10, "Attach Attempt"), result(11, 11, "Attach Accepted"), result(12, 11.4, "Attach Success"),
      result(20, 20, "Attach Attempt"), result(21, 21, "Attach Rejected"),
      result(30, 30, "Attach Attempt"), result(31, 35, "Attach Attempt"), result(32, 40, "Attach Attempt"),
      result(60, 60, "Attach Attempt"), result(61, 60.8, "Attach Cut by Release"),
      result(290, 292, "Attach Attempt"),
      // Calls: dialled at 100, requested at 100.3, alerted at 103.5, connected
      // at 106 (3.5 s); requested at 150 without a dial, connected at 154.25
      // without an Alerting (4.25 s); dialled at 200, failed at 202 (none).
      result(100, 100, "Start Dial"), result(101, 100.3, "Call Attempt"), result(105, 103.5, "Call Alerting"),
      result(106, 106, "Call Established"),
      result(150, 150, "Call Attempt"), result(154, 154.25, "Call Established"),
      result(200, 200, "Start Dial"), result(201, 202, "Call Setup Failure"),
  };
  std::vector<KpiValue> table = ComputeKpiTable(file.Kpis, log);
  ASSERT_EQ(table.size(), 2u);
  const KpiValue& attach = table[0];
  EXPECT_EQ(attach.Numerator, 2u);
  EXPECT_EQ(attach.Denominator, 5u);
  EXPECT_EQ(attach.Notes, (std::vector<std::string>{
                              "1 attempt not answered within 15 s",
                              "1 attempt at the end of the log, before 15 s had passed, not counted"}));
  EXPECT_EQ(attach.CountedAs,
            "(Attach Accepted + Attach Success) / (attempts Attach Attempt, answered within 15 s by Attach Accepted + "
            "Attach Success or failed by Attach Rejected + Attach Cut by Release)");
  const KpiValue& setup = table[1];
  ASSERT_EQ(setup.Count, 2u);
  EXPECT_NEAR(*setup.Mean, (3.5 + 4.25) / 2, 1e-6);
  EXPECT_NEAR(*setup.Max, 4.25, 1e-6);
}

TEST(KpiFile, AnswerWithinIsCheckedWithTheKeysItNeeds) {
  KpiFile file = ParseKpiText(R"([No attempt]
kind = ratio
success = Attach Accepted
failure = Attach Rejected
answer within = 15
[Both forms]
kind = statistics
attempt = Call Attempt
success = Call Alerting
events = Outgoing Call Setup
detail = Delay
answer within = 30
[Zero]
kind = ratio
attempt = Attach Attempt
success = Attach Accepted
answer within = 0
[A count]
kind = count
events = Call Drop
answer within = 5
[Without a timer]
kind = ratio
attempt = Attach Attempt
success = Attach Accepted
failure = Attach Rejected
)",
                              "Kpis.cfg");
  EXPECT_TRUE(file.Kpis.empty());
  const std::vector<std::string> expected = {
      "Kpis.cfg:1: KPI 'No attempt' has no 'attempt'",
      "Kpis.cfg:6: KPI 'Both forms' times its attempts ('answer within'): it takes no 'events' or 'detail'",
      "Kpis.cfg:17: 'answer within' must be more than 0 seconds",
      "Kpis.cfg:18: KPI 'A count' has 'answer within', which only a ratio or statistics takes",
      "Kpis.cfg:22: KPI 'Without a timer' has both 'attempt' and 'failure'; a ratio takes one, or both with 'answer "
      "within'",
  };
  EXPECT_EQ(file.Faults, expected);
}
