#include "kpi/kpi_attempts.h"

#include <algorithm>

namespace eventscan {
namespace {

constexpr double SecondsPerDay = 86400.0;
// Record times are days in a double: a microsecond's slack keeps an answer
// that comes exactly as the timer runs out an answer.
constexpr double Slack = 1e-6 / SecondsPerDay;

}  // namespace

std::vector<KpiAttempt> FollowAttempts(std::vector<KpiMark> marks, double answerWithin,
                                       std::optional<double> logEnd) {
  // Time order; on one record the request comes before its answers and a
  // success before a failure (a failure on a success's record is no second
  // answer).
  std::stable_sort(marks.begin(), marks.end(), [](const KpiMark& a, const KpiMark& b) {
    if (a.Time != b.Time) return a.Time < b.Time;
    if (a.Record != b.Record) return a.Record < b.Record;
    return a.What < b.What;
  });
  const double window = answerWithin / SecondsPerDay;
  std::vector<KpiAttempt> out;
  bool waiting = false;      // out.back() waits for its answer
  double deadline = 0;
  bool requested = false;    // a request has been seen
  std::optional<int32_t> successRecord;  // of the last success
  for (const KpiMark& m : marks) {
    if (m.What == KpiMark::Kind::Failure && successRecord == m.Record) continue;
    if (m.What == KpiMark::Kind::Success) successRecord = m.Record;
    if (waiting && m.Time > deadline + Slack) {
      out.back().How = KpiAttempt::End::Unanswered;
      out.back().Answered = deadline;
      waiting = false;
    }
    if (m.What == KpiMark::Kind::Attempt) {
      if (!waiting) {
        out.push_back({m.Time, 0, KpiAttempt::End::Waiting, true});
        waiting = true;
      }
      deadline = m.Time + window;
      requested = true;
      continue;
    }
    const KpiAttempt::End how =
        m.What == KpiMark::Kind::Success ? KpiAttempt::End::Success : KpiAttempt::End::Failure;
    if (waiting) {
      out.back().How = how;
      out.back().Answered = m.Time;
      waiting = false;
    } else if (!requested) {
      out.push_back({m.Time, m.Time, how, false});
    }
  }
  if (waiting && (!logEnd || *logEnd > deadline + Slack)) {
    out.back().How = KpiAttempt::End::Unanswered;
    out.back().Answered = deadline;
  }
  return out;
}

}  // namespace eventscan
