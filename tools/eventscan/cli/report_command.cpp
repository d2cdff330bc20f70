// eventscan report: one log or capture through the library, as `eventscan
// run` feeds it, written as the drive-test report page.
#include <iostream>
#include <memory>
#include <sstream>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "host/host_session.h"
#include "host/log_input.h"
#include "report/report_data.h"
#include "report/report_file.h"
#include "report/report_page.h"
#include "support/text_escape.h"

namespace eventscan {

int ReportCommand(const ReportOptions& o) {
  ReadOptions read;
  EventFilter filter;
  if (!PrepareLogOptions(o, read, filter)) return ExitUsage;
  if (OutputIsInput(o.Log, o.Output)) return ExitUsage;
  // Outlives the library's errors, as in RunCommand.
  std::unique_ptr<HostLibrary> library;
  try {
    if (auto missing = MissingOutputFolder(o.Output)) {
      std::cerr << TerminalText(*missing) << '\n';
      return ExitInput;
    }
    library = OpenCommandLibrary(o);
    WarnUnknownEvents(*library, o);
    ReportLibraryFaults(LibraryFaults(*library));
    // The same record sources as `eventscan run`: whatever it reads, the
    // report draws.
    std::optional<LogInput> input = OpenLogOrCapture(o.Log, read);
    if (!input) return ExitInput;
    std::string page;
    size_t events = 0;
    {
      // The results read their records through the session, so the report is
      // gathered while it is open.
      HostSession session(*library, input->Header().Network, filter);
      ReportDefinitionsFault(*library, session);
      ReportData data;
      if (input->Stream) {
        // The route and the signal are taken from each record as it passes.
        ReportTrack track(input->Stream->Name(), input->Header().Network);
        session.Feed(*input->Stream, [&track](const HandsetRecord& rec) { track.Add(rec); });
        if (!FinishInput(*input)) return ExitInput;
        const bool changedWhenFed = input->Changed();
        data = CollectReport(session.Results(), std::move(track), session.Filter());
        if (input->Changed() && !changedWhenFed) std::cerr << TerminalText(input->Stream->ChangeText()) << '\n';
      } else {
        session.Feed(*input->Parsed, {}, input->Restarts);
        data = CollectReport(session.Results(), *input->Parsed, session.Filter());
      }
      events = data.Events.size();
      std::ostringstream text;
      WriteReportPage(text, data);
      page = std::move(text).str();
    }
    WriteFileAtomically(o.Output, page);
    std::cerr << fmt::format("{}: {} records, {} events, {} bytes\n", o.Output, input->Records(), events,
                             page.size());
    return input->Changed() || input->Damaged() ? ExitInput : ExitOk;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
