#include "cli/run_log.h"

#include <unistd.h>

#include <iostream>
#include <vector>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "host/host_library.h"
#include "host/host_session.h"
#include "log/networks.h"
#include "log/record_parser.h"
#include "output/progress.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

void warnWithoutDefinitions(HostLibrary& library, uint8_t network, const LogHeader& header) {
  if (network > 3) {
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
    ReportDefinitionsFault(library, session);
    ProgressMeter progress(std::cerr, isatty(STDERR_FILENO) != 0, started);
    // A log may mix networks (a capture written as a log): the network of
    // each record is kept, a byte a record, so that each row shows its own.
    std::vector<uint8_t> nets;
    bool mixed = false;
    if (input.Stream) {
      session.Feed(
          *input.Stream,
          [&](const HandsetRecord& rec) {
            mixed = mixed || rec.NetType != network;
            nets.push_back(rec.NetType);
          },
          [&](const LogStream& s, bool complete) {
            progress.Reading(s.RecordsFound(), s.BytesRead(), s.Size(), complete);
          });
      if (!FinishInput(input)) return ExitInput;
      changedWhenFed = input.Changed();
    } else {
      session.Feed(*input.Parsed, std::ref(progress), input.Restarts);
    }
    if (!mixed) nets.clear();
    RowAdjust byFrame;
    if (!input.Frames.empty() || mixed)
      byFrame = [&input, &nets](ResultRow& row) { ShowRecordOfRow(input, nets, row.RecordIndex, row.Network); };
    std::ostream& out = output();
    const size_t rows = WriteResults(out, session.Results(), session.Filter(), format, byFrame);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::string summary = fmt::format("{} records, {} results, {:.3f} seconds", input.Records(), rows, seconds);
    if (input.Faults()) summary += fmt::format(", {} malformed lines skipped", input.Faults());
    if (tableOnStdout)
      out << summary << '\n';
    else
      std::cerr << summary << '\n';
    out.flush();
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
