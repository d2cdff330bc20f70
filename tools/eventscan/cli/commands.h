// The eventscan commands behind the command line and their options: run,
// check, list, demo, report, kpi, import, and the two that open the library's
// windows. Each returns its exit status (log/exit_codes.h); messages go to
// stderr and name the file and line concerned.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "log/exit_codes.h"
#include "kpi/kpi_output.h"
#include "output/output_formats.h"

namespace eventscan {

struct CommonOptions {
  std::optional<std::string> Home;     // EVENTMANAGER_HOME for the library
  std::optional<std::string> Library;  // libeventmanager.so to load
};

// What the commands that run one log share: the log or capture, how it is
// read, and which events are kept.
struct LogOptions : CommonOptions {
  std::string Log;
  std::optional<std::string> Network;
  bool Strict = false;
  size_t MaxLineBytes = size_t(16) << 20;  // longer log lines are skipped as faults
  std::string Only;
  std::string Skip;
};

struct RunOptions : LogOptions {
  OutputFormat Format = OutputFormat::Table;
  std::optional<std::string> Output;
  bool ParseOnly = false;  // read and parse every record, feed nothing
  int Threads = 0;         // 1: all on one thread, 2: the log read on a second one; 0: 2 with two cores or more
};

struct DemoOptions : CommonOptions {
  std::optional<std::string> Data;  // the sample directory (with logs/)
};

// eventscan report: runs one log through the library as `eventscan run` does
// and writes the drive-test report page instead of rows.
// With Database (--db) instead of a log: the campaign's page, and the page of
// each of its logs beside it.
struct ReportOptions : LogOptions {
  std::string Output;
  std::optional<std::string> Database;
};

// eventscan kpi: runs one log with every event recorded and prints its KPI
// table, as the home's Kpis.cfg defines it.
struct KpiOptions : LogOptions {
  KpiFormat Format = KpiFormat::Table;
};

// eventscan import: a capture written as a log in our format.
struct ImportOptions {
  std::string Capture;
  std::optional<std::string> Output;  // the log; stdout when absent (unless --stats)
  bool Stats = false;                 // list skipped frames and unmapped message types
};

// eventscan properties: opens the library's "Internal Event Manage" window
// for a person to change how events are shown; the library saves
// EventsProperty.cfg when the window closes with changes.
struct PropertiesOptions : CommonOptions {
  std::string Networks;  // "GSM,UMTS,LTE"; empty for all five
};

// eventscan maintain: opens the library's "Configure User Events" window for
// a person to create, edit and delete message and warning events; the
// library writes EventsDefine.cfg when the window closes after a change.
struct MaintainOptions : CommonOptions {
  std::string Networks;  // "GSM,UMTS,LTE"; empty for all five
  bool ReadOnly = false;
};

// eventscan messages: a network's message catalogue, optionally only the
// messages whose name holds a text (letter case ignored).
struct MessagesOptions {
  std::string Network;
  std::string Find;
};


// eventscan campaign: every log and capture named or found below the
// directories, each in a worker process, into one SQLite database.
struct CampaignCommandOptions : CommonOptions {
  std::vector<std::string> Inputs;
  std::string Database;
  std::optional<std::string> Network;
  unsigned Jobs = 0;
  double LogTimeout = 0;
  bool Force = false;
  bool Quiet = false;
  std::optional<std::string> Scheduler;  // a Dask scheduler: the logs run as tasks on its cluster
};

// eventscan campaign-worker (not listed in the help): one log of a campaign,
// its rows as JSON lines on stdout; with --serve each log named on stdin.
struct CampaignWorkerCommandOptions : CommonOptions {
  std::string Log;
  bool Serve = false;
  std::optional<std::string> Network;
};

int RunCommand(const RunOptions& options);
int MessagesCommand(const MessagesOptions& options);
int CampaignCommand(const CampaignCommandOptions& options);
int CampaignWorkerCommand(const CampaignWorkerCommandOptions& options);
int CheckCommand(const CommonOptions& options);
int ListCommand(const CommonOptions& options, const std::optional<std::string>& network);
int DemoCommand(const DemoOptions& options);
int ReportCommand(const ReportOptions& options);
int CampaignReportCommand(const ReportOptions& options);
int ImportCommand(const ImportOptions& options);
int KpiCommand(const KpiOptions& options);
// The window commands take main's arguments for the QApplication they run.
int PropertiesCommand(const PropertiesOptions& options, int argc, char** argv);
int MaintainCommand(const MaintainOptions& options, int argc, char** argv);

}  // namespace eventscan
