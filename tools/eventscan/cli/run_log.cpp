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
#include "output/early_rows.h"
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

// What a row shows of its record when the rows are written once the log has
// been fed: a capture's frame number and network, a streamed log's network.
RowAdjust recordShown(const LogInput& input, const NetworkChanges& nets) {
  if (!input.Frames.empty())
    return [&input](ResultRow& row) { ShowRecordOfRow(input, {}, row.RecordIndex, row.Network); };
  if (input.Stream) return [&nets](ResultRow& row) { nets.Show(row); };
  return {};
}

std::string summaryLine(const LogInput& input, size_t rows, std::chrono::steady_clock::time_point started) {
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::string summary = fmt::format("{} records, {} results, {:.3f} seconds", input.Records(), rows, seconds);
  if (input.Faults()) summary += fmt::format(", {} malformed lines skipped", input.Faults());
  return summary;
}

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
      EarlyRows earlyRows(*input.Stream, writer, outputStream);
      session.Feed(
          *input.Stream,
          [&](const HandsetRecord& rec) {
            nets.Take(rec.NetType);
            if (early) earlyRows.Fed(rec, session.Results());
          },
          [&](const LogStream& s, bool complete) {
            progress.Reading(s.RecordsFound(), s.BytesRead(), s.Size(), complete);
            if (!complete) earlyRows.Flush();
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
      rows = WriteResults(o, session.Results(), session.Filter(), format, recordShown(input, nets));
    }
    (tableOnStdout ? o : std::cerr) << summaryLine(input, rows, started) << '\n';
    o.flush();
  }  // the session ends here: the library saves what changed
  std::vector<std::string> faults = LibraryFaults(library);
  ReportLibraryFaults(faults, faultsBefore);
  ReportChangeFoundLate(input, changedWhenFed);
  // The rows written are sound, but not the log's all: those before the change or the damage.
  if (input.Faulty()) return ExitInput;
  return faults.size() == faultsBefore ? ExitOk : ExitSave;
}

}  // namespace eventscan
