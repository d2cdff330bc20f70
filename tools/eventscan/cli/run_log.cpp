#include "cli/run_log.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "host/final_rows.h"
#include "host/host_library.h"
#include "host/host_session.h"
#include "log/networks.h"
#include "log/record_parser.h"
#include "output/output_formats.h"
#include "output/progress.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

void warnWithoutDefinitions(HostLibrary& library, uint8_t network, const LogHeader& header) {
  if (network >= NetworkCount) {
    std::cerr << "warning: no definitions exist for the network \"" << TerminalText(ClipValue(header.NetworkName))
              << "\": only test items give results\n";
    return;
  }
  std::vector<TEventListing> events;
  try {
    library.EventManagerListEvents(network, events);
  } catch (const std::exception&) {
    events.clear();  // a definitions file that cannot be parsed, reported by the session
  }
  for (const TEventListing& e : events)
    if (e.Kind != 2) return;
  std::cerr << fmt::format("warning: {}EventsDefine.cfg defines no message or gate events for {}: only test items "
                           "give results\n",
                           EffectiveHomeDirectory(), NetworkName(network));
}

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

// The network of each record, kept where it changes (a byte a record for a
// log of 4 M records otherwise).
class NetworkChanges {
 public:
  explicit NetworkChanges(uint8_t network) : network_(network) {}
  void Take(uint8_t net) {
    if (net != (changes_.empty() ? network_ : changes_.back().second)) changes_.emplace_back(records_, net);
    ++records_;
  }
  // A row of a record whose network is not the log's shows its own; the
  // others show the log's, as the container names it.
  void Show(ResultRow& row) const {
    if (changes_.empty() || row.RecordIndex < 0 || row.RecordIndex >= records_) return;
    auto after = std::upper_bound(changes_.begin(), changes_.end(), row.RecordIndex,
                                  [](int32_t record, const auto& change) { return record < change.first; });
    if (after != changes_.begin() && std::prev(after)->second != network_)
      row.Network = NetworkName(std::prev(after)->second);
  }

 private:
  uint8_t network_;
  int32_t records_ = 0;
  std::vector<std::pair<int32_t, uint8_t>> changes_;  // the first record of a network and the network
};

}  // namespace

std::ostream& StandardOutput() { return std::cout; }

int RunLog(HostLibrary& library, LogInput& input, const EventFilter& filter, OutputFormat format,
           const std::function<std::ostream&()>& output, bool tableOnStdout,
           std::chrono::steady_clock::time_point started) {
  const LogHeader& header = input.Header();
  const uint8_t network = header.Network;
  warnWithoutDefinitions(library, network, header);
  const size_t faultsBefore = LibraryFaults(library).size();
  bool changedWhenFed = false;  // else found as the rows read their records
  {
    HostSession session(library, network, filter);
    session.KeepNotices(false);
    ReportDefinitionsFault(library, session);
    ProgressMeter progress(std::cerr, isatty(STDERR_FILENO) != 0, started);
    // A log may mix networks (a capture written as a log): each row shows
    // the network of its own record, kept where it changes.
    NetworkChanges nets{network};
    std::ostream* out = nullptr;
    auto outputStream = [&]() -> std::ostream& { return out ? *out : *(out = &output()); };
    // A streamed log's rows are written while it is fed, as soon as no later
    // result can come before them, and their results freed: the memory for
    // results stays that of the last few seconds of the log, and a reader
    // sees the first rows at once. Not the table, whose widths need every
    // row, and not when reading is strict: a strict fault must leave no rows.
    const bool early = input.Stream && RowWriter::Streams(format) && !input.Strict;
    // While the log is fed, a row whose record no longer reads as it was
    // fed is left out, as it is from the rows written afterwards.
    EventFilter whileFed = filter;
    if (input.Stream)
      whileFed.CheckRecordsWith([&input](int32_t index) {
        return !input.Stream->Changed() || input.Stream->Record(index) != nullptr;
      });
    RowWriter writer(format, whileFed, [&nets](ResultRow& row) { nets.Show(row); });
    size_t rows = 0;
    if (input.Stream) {
      int32_t fed = 0;
      double promised = -std::numeric_limits<double>::infinity();  // no record is to be earlier than this
      bool steppedBack = false;
      size_t nextEntry = 0;  // the first event-table entry not looked at
      session.Feed(
          *input.Stream,
          [&](const HandsetRecord& rec) {
            nets.Take(rec.NetType);
            if (!early) return;
            LogStream& log = *input.Stream;
            double earliest = earliestTime(rec);
            // The entries this line declares are fed next; one that names
            // another record gives a result with that record's time.
            for (; nextEntry < log.EventOrigins().size() && log.EventOrigins()[nextEntry].DeclaredBy <= log.CurrentIndex();
                 ++nextEntry)
              if (log.EventOrigins()[nextEntry].RecordGiven)
                if (const HandsetRecord* named = log.Record(log.Events()[nextEntry].RecordIndex))
                  earliest = std::min(earliest, earliestTime(*named));
            if (earliest < promised && !steppedBack) {
              // Its results cannot go before the rows written: they follow them.
              steppedBack = true;
              std::cerr << fmt::format("warning: {}:{}: the line gives a time {:.3f} s earlier than rows already "
                                       "written: the rows of its results, and of any such line's, follow them\n",
                                       TerminalText(log.Name()), log.Entry(log.CurrentIndex()).Line,
                                       (promised - earliest) * 86400.0);
            }
            if ((++fed & (RowStep - 1)) != 0) return;
            // The records still to come are taken to be no earlier than
            // this one, less the slack.
            TEventsResult& results = session.Results();
            const int32_t final = results.FinalCount(earliest - ClockSlackDays);
            if (final == 0) return;
            // The records of these rows are read now, before any is written:
            // a log found changed here has its rows written as a changed
            // log's are, once it has been fed.
            for (int32_t i = 0; i < final && !log.Changed(); ++i)
              if (TEventResult* r = results.GetResult(i)) log.Record(r->RecordIndex);
            if (log.Changed()) return;
            promised = std::max(promised, earliest - ClockSlackDays);
            const bool first = !out;
            writer.Write(outputStream(), results, 0, final);
            results.ReleaseFirst(final);
            if (first) writer.Flush(*out);  // the reader has the first rows at once
          },
          [&](const LogStream& s, bool complete) {
            progress.Reading(s.RecordsFound(), s.BytesRead(), s.Size(), complete);
            if (out && !complete) writer.Flush(*out);
          });
      if (!FinishInput(input)) return ExitInput;
      changedWhenFed = input.Changed();
    } else {
      session.Feed(*input.Parsed, std::ref(progress), input.Restarts);
      FinishInput(input);
    }
    std::ostream& o = outputStream();
    if (early) {
      writer.UseFilter(session.Filter());  // with the records a changed log keeps
      writer.Write(o, session.Results(), 0, session.Results().GetCount());
      rows = writer.Finish(o);
    } else {
      RowAdjust byFrame;
      if (!input.Frames.empty())
        byFrame = [&input](ResultRow& row) { ShowRecordOfRow(input, {}, row.RecordIndex, row.Network); };
      else if (input.Stream)
        byFrame = [&nets](ResultRow& row) { nets.Show(row); };
      rows = WriteResults(o, session.Results(), session.Filter(), format, byFrame);
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string summary = fmt::format("{} records, {} results, {:.3f} seconds", input.Records(), rows, seconds);
    if (input.Faults()) summary += fmt::format(", {} malformed lines skipped", input.Faults());
    if (tableOnStdout)
      o << summary << '\n';
    else
      std::cerr << summary << '\n';
    o.flush();
  }  // the session ends here: the library saves what changed
  std::vector<std::string> faults = LibraryFaults(library);
  ReportLibraryFaults(faults, faultsBefore);
  if (input.Changed()) {
    // The rows written are sound, but not the log's all.
    if (!changedWhenFed) std::cerr << TerminalText(input.Stream->ChangeText()) << '\n';
    return ExitInput;
  }
  if (input.Damaged()) return ExitInput;  // the rows written are those before the damage
  return faults.size() == faultsBefore ? ExitOk : ExitSave;
}

}  // namespace eventscan
