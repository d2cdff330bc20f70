// Following the attempts of a procedure one by one, as a KPI that has
// 'answer within' counts them: each request is answered by its first success
// or failure, or fails when its timer runs out first; a request sent again
// while the first waits is the same attempt. A pure function of the
// occurrences of the KPI's lists, in the log's time order.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace eventscan {

// One occurrence of one of the KPI's lists (kpi_table.cpp builds them).
struct KpiMark {
  enum class Kind { Attempt, Success, Failure };
  double Time = 0;       // days
  int32_t Record = 0;
  Kind What = Kind::Attempt;
};

struct KpiAttempt {
  enum class End {
    Success,
    Failure,     // a failure answered it
    Unanswered,  // its timer ran out first
    Waiting,     // the log ends before its timer runs out: not counted
  };
  double Start = 0;          // days: the first request (or the answer, for an answer without one)
  double Answered = 0;       // days: the answer; the timer's end when unanswered
  End How = End::Waiting;
  bool Requested = true;     // false: an answer before any request of the log
};

// The attempts the marks make, with `answerWithin` seconds as the timer and
// `logEnd` the time of the log's last record (days), when it is known; with
// none, an attempt still waiting at the end has run out of time.
//   - A request opens an attempt; sent again before the attempt is answered
//     and before its timer runs out, it is the same attempt and starts the
//     timer again.
//   - The first success or failure after it answers it; a success and a
//     failure of one record are a success.
//   - An answer while no attempt waits belongs to the attempt answered last
//     and changes nothing (the connect after the alerting, the test process's
//     report after the accept, a timeout mark after the reject); before the
//     first request of the log it is an attempt of its own (the log began
//     after its request, or only the test process reported it).
std::vector<KpiAttempt> FollowAttempts(std::vector<KpiMark> marks, double answerWithin,
                                       std::optional<double> logEnd);

}  // namespace eventscan
