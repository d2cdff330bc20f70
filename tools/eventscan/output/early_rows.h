// The rows of a log written while it is fed, as soon as no later result can
// come before them, and their results freed: the memory for results stays
// that of the last few seconds of the log, and a reader sees the first rows
// at once. Records are taken to come in time order, give or take
// ClockSlackDays; a line that steps back further is warned of once, and the
// rows of its results follow those already written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <ostream>

#include "host/final_rows.h"
#include "log/log_stream.h"
#include "output/output_formats.h"

namespace eventscan {

class EarlyRows {
 public:
  // Rows of `log` go through `writer` to `output()`, asked for once there
  // are rows to write.
  EarlyRows(LogStream& log, RowWriter& writer, std::function<std::ostream&()> output);

  // Record `rec`, the log's current one, was fed: every RowStep records the
  // rows no later result can come before are written and their results freed.
  void Fed(const HandsetRecord& rec, TEventsResult& results);
  // Hands the rows written so far to the reader.
  void Flush();

 private:
  // The earliest time the results of the current line can have: its
  // record's, and that of each record its event-table entries name.
  double earliestOfLine(const HandsetRecord& rec);
  void warnOfStepBack(double earliest);
  // Writes and frees the results final once no record earlier than
  // `earliest` is to come.
  void writeFinal(TEventsResult& results, double earliest);

  LogStream& log_;
  RowWriter& writer_;
  std::function<std::ostream&()> output_;
  std::ostream* out_ = nullptr;  // once rows were written
  int32_t fed_ = 0;
  double promised_ = -std::numeric_limits<double>::infinity();  // no record is to be earlier than this
  bool steppedBack_ = false;
  size_t nextEntry_ = 0;  // the first event-table entry not looked at
};

}  // namespace eventscan
