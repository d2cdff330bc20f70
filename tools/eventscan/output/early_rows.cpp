#include "output/early_rows.h"

#include <algorithm>
#include <iostream>

#include <fmt/format.h>

#include "support/text_escape.h"

namespace eventscan {
namespace {

// The earliest time a record's results can sort by: its own two and those
// of its test items.
double earliestTime(const HandsetRecord& rec) {
  double earliest = std::min(rec.Time, rec.OrderTime);
  for (const TestItem& item : rec.Items) {
    const double time = item.Time;  // a packed field: read, never bound to a reference
    earliest = std::min(earliest, time);
  }
  return earliest;
}

}  // namespace

EarlyRows::EarlyRows(LogStream& log, RowWriter& writer, std::function<std::ostream&()> output)
    : log_(log), writer_(writer), output_(std::move(output)) {}

double EarlyRows::earliestOfLine(const HandsetRecord& rec) {
  double earliest = earliestTime(rec);
  // The entries this line declares are fed next; one that names another
  // record gives a result with that record's time.
  for (; nextEntry_ < log_.EventOrigins().size() && log_.EventOrigins()[nextEntry_].DeclaredBy <= log_.CurrentIndex();
       ++nextEntry_)
    if (log_.EventOrigins()[nextEntry_].RecordGiven)
      if (const HandsetRecord* named = log_.Record(log_.Events()[nextEntry_].RecordIndex))
        earliest = std::min(earliest, earliestTime(*named));
  return earliest;
}

void EarlyRows::warnOfStepBack(double earliest) {
  // Its results cannot go before the rows written: they follow them.
  steppedBack_ = true;
  std::cerr << fmt::format("warning: {}:{}: the line gives a time {:.3f} s earlier than rows already written: the "
                           "rows of its results, and of any such line's, follow them\n",
                           TerminalText(log_.Name()), log_.Entry(log_.CurrentIndex()).Line,
                           (promised_ - earliest) * 86400.0);
}

void EarlyRows::Fed(const HandsetRecord& rec, TEventsResult& results) {
  const double earliest = earliestOfLine(rec);
  if (earliest < promised_ && !steppedBack_) warnOfStepBack(earliest);
  if ((++fed_ & (RowStep - 1)) != 0) return;
  writeFinal(results, earliest);
}

void EarlyRows::writeFinal(TEventsResult& results, double earliest) {
  // The records still to come are taken to be no earlier than this one,
  // less the slack.
  const int32_t final = results.FinalCount(earliest - ClockSlackDays);
  if (final == 0) return;
  // The records of these rows are read now, before any is written: a log
  // found changed here has its rows written as a changed log's are, once it
  // has been fed.
  for (int32_t i = 0; i < final && !log_.Changed(); ++i)
    if (TEventResult* r = results.GetResult(i)) log_.Record(r->RecordIndex);
  if (log_.Changed()) return;
  promised_ = std::max(promised_, earliest - ClockSlackDays);
  const bool first = !out_;
  if (first) out_ = &output_();
  writer_.Write(*out_, results, 0, final);
  results.ReleaseFirst(final);
  if (first) writer_.Flush(*out_);  // the reader has the first rows at once
}

void EarlyRows::Flush() {
  if (out_) writer_.Flush(*out_);
}

}  // namespace eventscan
