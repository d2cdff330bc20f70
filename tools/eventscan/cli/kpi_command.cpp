// eventscan kpi: one log or capture through the library with every event
// recorded (display switches decide what is drawn, never what is counted),
// and its KPI table as the home's Kpis.cfg defines it.
#include <iostream>
#include <memory>
#include <optional>

#include <fmt/format.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "host/host_session.h"
#include "host/log_input.h"
#include "kpi/kpi_output.h"
#include "kpi/kpi_run.h"
#include "support/text_escape.h"

namespace eventscan {

int KpiCommand(const KpiOptions& o) {
  ReadOptions read;
  EventFilter filter;
  if (!PrepareLogOptions(o, read, filter)) return ExitUsage;
  std::unique_ptr<HostLibrary> library;
  try {
    library = OpenCommandLibrary(o);
    ReportLibraryFaults(LibraryFaults(*library));
    KpiFile kpis = ReadHomeKpiFile();
    if (!kpis.Found) {
      std::cerr << fmt::format("{}: no such file: the KPIs are defined there (see docs/kpis.md; the sample home "
                               "has the default set)\n",
                               kpis.Path);
      return ExitInput;
    }
    // A faulty KPI is left out; the others are computed.
    for (const std::string& fault : kpis.Faults) std::cerr << TerminalText(fault) << '\n';
    std::optional<LogInput> input = OpenLogOrCapture(o.Log, read);
    if (!input) return ExitInput;
    std::vector<KpiValue> table;
    {
      HostSession session(*library, input->Header().Network, filter);
      ReportDefinitionsFault(*library, session);
      std::vector<std::string> unknown;
      table = FeedForKpiTable(session, *library, *input, kpis, unknown);
      if (!FinishInput(*input)) return ExitInput;
      for (const std::string& field : unknown)
        std::cerr << TerminalText(fmt::format("{}: the field catalogue has no field '{}'", kpis.Path, field)) << '\n';
    }
    WriteKpiTable(std::cout, table, o.Format);
    std::cout.flush();
    // A log that changed while it was read, or broke off, is a fault of the
    // log: the table is that of the records read.
    return input->Faulty() ? ExitInput : ExitOk;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
