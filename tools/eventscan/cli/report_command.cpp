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
#include "kpi/kpi_run.h"
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
    KpiFile kpis = ReadHomeKpiFile();
    for (const std::string& fault : kpis.Faults) std::cerr << TerminalText(fault) << '\n';
    // The same record sources as `eventscan run`: whatever it reads, the
    // report draws.
    std::optional<LogInput> input = OpenLogOrCapture(o.Log, read);
    if (!input) return ExitInput;
    const uint8_t network = input->Header().Network;
    std::string page;
    size_t events = 0;
    {
      // The results read their records through the session, so the report is
      // gathered while it is open.
      // --only and --skip choose the rows drawn, not what is counted: the
      // session records every event, the filter is applied as rows are read.
      HostSession session(*library, network);
      ReportDefinitionsFault(*library, session);
      // Every event is recorded while the log is fed, so the KPIs count
      // hidden events too; the page draws only the displayed ones, read once
      // the switches are back as they were.
      std::optional<ReportTrack> track;
      // The route and the signal are taken from each record of a stream as it passes.
      if (input->Stream) {
        track.emplace(input->Stream->Name(), network);
        track->UseKpis(KpiHintsOf(kpis.Kpis, network));
      }
      std::vector<std::string> unknownFields;
      std::vector<KpiValue> table = FeedForKpiTable(session, *library, *input, kpis, unknownFields,
                                                    [&track](const HandsetRecord& rec) {
                                                      if (track) track->Add(rec);
                                                    });
      if (!FinishInput(*input)) return ExitInput;
      const bool changedWhenFed = input->Changed();
      for (const std::string& field : unknownFields)
        std::cerr << TerminalText(fmt::format("{}: the field catalogue has no field '{}'", kpis.Path, field)) << '\n';
      // The rows shown: the user's choice of events, and of a log that changed
      // while it was read only the records that still read as they were fed.
      EventFilter shown = filter;
      shown.TakeRecordChecksOf(session.Filter());
      ReportData data = track ? CollectReport(session.Results(), std::move(*track), shown)
                              : CollectReport(session.Results(), *input->Parsed, shown, KpiHintsOf(kpis.Kpis, network));
      // The records as `eventscan run` shows them: a capture's frame numbers.
      if (!input->Frames.empty())
        for (ReportEvent& e : data.Events) {
          int32_t record = e.Record;
          ShowRecordOfRow(*input, {}, record, e.Network);
          e.Shown = record;
        }
      ReportChangeFoundLate(*input, changedWhenFed);
      data.Kpis = std::move(table);
      data.KpiSource = kpis.Path;
      data.KpiFileFound = kpis.Found;
      data.KpiFaults = kpis.Faults;
      events = data.Events.size();
      std::ostringstream text;
      WriteReportPage(text, data);
      page = std::move(text).str();
    }
    WriteFileAtomically(o.Output, page);
    std::cerr << fmt::format("{}: {} records, {} events, {} bytes\n", o.Output, input->Records(), events,
                             page.size());
    return input->Faulty() ? ExitInput : ExitOk;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
