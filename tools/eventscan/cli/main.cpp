// eventscan: the reference host of the events library. Loads
// libeventmanager.so as any host does and runs logs through it.
#include <algorithm>
#include <cctype>
#include <iostream>
#include <map>
#include <vector>

#include <CLI/CLI.hpp>
#include <fmt/format.h>
#include <fmt/ranges.h>

#include "cli/command_setup.h"
#include "cli/commands.h"
#include "host/large_pages.h"
#include "support/text_escape.h"

using namespace eventscan;

namespace {

void addCommon(CLI::App* cmd, CommonOptions& o) {
  cmd->add_option("--home", o.Home, "directory with EventsDefine.cfg and EventsProperty.cfg (sets EVENTMANAGER_HOME)");
  cmd->add_option("--library", o.Library, "the events library to load (default: libeventmanager.so beside eventscan)");
}

}  // namespace

int main(int argc, char** argv) {
  UseLargeHeapPages(argv);
  CLI::App app{"eventscan: runs drive-test logs through the events library and prints the detected events"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("eventscan ") + EVENTSCAN_VERSION);
  const std::string exitStatus =
      "Exit status: 0 ok, 1 wrong usage, 2 input fault (a log, definition file or output that cannot be read or "
      "written), 3 results written but the library could not save its properties file.";
  app.footer(exitStatus);

  RunOptions run;
  CLI::App* runCmd = app.add_subcommand("run", "detect the events of one log");
  runCmd->add_option("log", run.Log,
                     "the log (JSON Lines, see docs/log-format.md; - reads it from standard input) or a GSMTAP capture "
                     "(pcap, pcapng)")
      ->required();
  addCommon(runCmd, run);
  runCmd->add_option("--network", run.Network, "network of the log (GSM, CDMA, UMTS, TD-SCDMA, LTE) instead of the header's");
  std::map<std::string, OutputFormat> formats{
      {"table", OutputFormat::Table}, {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json},
      {"jsonl", OutputFormat::JsonLines}};
  runCmd->add_option("--format", run.Format,
                     "table, csv (RFC 4180), json (one array) or jsonl (one object a line, written as it goes)")
      ->transform(CLI::Validator(
          [&formats](std::string& value) -> std::string {
            std::string lower = value;
            for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            auto it = formats.find(lower);
            if (it == formats.end()) return "unknown format \"" + value + "\": the formats are table, csv, json and jsonl";
            value = std::to_string(static_cast<int>(it->second));
            return {};
          },
          "FORMAT"));
  runCmd->add_option("--output", run.Output, "write the rows to this file instead of stdout");
  runCmd->add_flag("--strict", run.Strict, "stop at the first malformed line (exit status 2)");
  runCmd->add_flag("--parse-only", run.ParseOnly,
                   "read and parse every record, detect nothing: prints the record count and the malformed lines");
  runCmd->add_option("--threads", run.Threads,
                     "1: read, parse and detect on one thread; 2: read and parse the log on a second thread "
                     "(default with two cores or more)")
      ->check(CLI::Range(1, 2));
  runCmd->add_option("--max-line-bytes", run.MaxLineBytes,
                     "skip log lines longer than this as malformed (default 16777216)")
      ->check(CLI::PositiveNumber);
  auto* only = runCmd->add_option("--only", run.Only, "report only these events (identifiers or names, comma-separated)");
  runCmd->add_option("--skip", run.Skip, "report all events but these (identifiers or names)")->excludes(only);

  CommonOptions check;
  CLI::App* checkCmd = app.add_subcommand("check", "load the definition files and report every fault");
  addCommon(checkCmd, check);

  CommonOptions list;
  std::optional<std::string> listNetwork;
  CLI::App* listCmd = app.add_subcommand("list", "list the defined events with their display properties");
  addCommon(listCmd, list);
  listCmd->add_option("--network", listNetwork, "only this network (GSM, CDMA, UMTS, TD-SCDMA, LTE)");

  ReportOptions report;
  CLI::App* reportCmd = app.add_subcommand("report", "write a drive-test report page (route map, signal graph, events)");
  auto* reportLog =
      reportCmd->add_option("log", report.Log, "the log (JSON Lines, see docs/log-format.md; - reads standard input)");
  reportCmd->add_option("--db", report.Database, "a campaign database: the campaign's page (docs/campaign.md)")
      ->excludes(reportLog);
  reportCmd->add_option("-o,--output", report.Output, "the HTML page to write")->required();
  addCommon(reportCmd, report);
  reportCmd->add_option("--network", report.Network, "network of the log instead of the header's");
  reportCmd->add_flag("--strict", report.Strict, "stop at the first malformed line (exit status 2)");
  auto* reportOnly = reportCmd->add_option("--only", report.Only, "report only these events");
  reportCmd->add_option("--skip", report.Skip, "report all events but these")->excludes(reportOnly);

  KpiOptions kpi;
  CLI::App* kpiCmd = app.add_subcommand("kpi", "print the KPI table of one log, as Kpis.cfg in the home defines it");
  kpiCmd->add_option("log", kpi.Log, "the log (JSON Lines; - reads standard input) or a GSMTAP capture")->required();
  addCommon(kpiCmd, kpi);
  kpiCmd->add_option("--network", kpi.Network, "network of the log instead of the header's");
  kpiCmd->add_flag("--strict", kpi.Strict, "stop at the first malformed line (exit status 2)");
  std::map<std::string, KpiFormat> kpiFormats{
      {"table", KpiFormat::Table}, {"csv", KpiFormat::Csv}, {"json", KpiFormat::Json}};
  kpiCmd->add_option("--format", kpi.Format, "table, csv or json (one array, one object a KPI)")
      ->transform(CLI::CheckedTransformer(kpiFormats, CLI::ignore_case));

  DemoOptions demo;
  CLI::App* demoCmd = app.add_subcommand("demo", "run every bundled sample log against the sample definitions");
  addCommon(demoCmd, demo);
  demoCmd->add_option("--data", demo.Data, "a sample directory with logs/ (default: the installed or built sample)");

  ImportOptions import;
  CLI::App* importCmd = app.add_subcommand("import", "write a GSMTAP capture (pcap, pcapng) as a log, through tshark");
  importCmd->add_option("capture", import.Capture, "the capture")->required();
  importCmd->add_option("-o,--output", import.Output, "the log to write (default: stdout)");
  importCmd->add_flag("--stats", import.Stats, "list the skipped frames and the message types without a catalogue code");

  MessagesOptions messages;
  CLI::App* messagesCmd = app.add_subcommand(
      "messages", "list a network's message catalogue: name, code in hex and decimal (as EventsDefine.cfg writes it), "
                  "sub-types");
  messagesCmd->add_option("--network", messages.Network, "GSM, CDMA, UMTS, TD-SCDMA or LTE")->required();
  messagesCmd->add_option("--find", messages.Find, "only the messages whose name holds this text (letter case ignored)");

  PropertiesOptions properties;
  CLI::App* propertiesCmd =
      app.add_subcommand("properties", "open the window in which a person sets how events are shown (needs a display)");
  addCommon(propertiesCmd, properties);
  propertiesCmd->add_option("--networks", properties.Networks, "only these networks, comma-separated (GSM,UMTS,LTE)");

  MaintainOptions maintain;
  CLI::App* maintainCmd = app.add_subcommand(
      "maintain", "open the window in which a person creates and edits message and warning events (needs a display)");
  addCommon(maintainCmd, maintain);
  maintainCmd->add_option("--networks", maintain.Networks, "only these networks, comma-separated (GSM,UMTS,LTE)");
  maintainCmd->add_flag("--read-only", maintain.ReadOnly, "show the events without changing them");

  CampaignCommandOptions campaign;
  CLI::App* campaignCmd =
      app.add_subcommand("campaign", "run many logs, each in a worker process, into one SQLite database");
  campaignCmd->add_option("logs", campaign.Inputs, "logs, captures (also .gz) and directories holding them")
      ->required();
  campaignCmd->add_option("--db", campaign.Database, "the campaign database (SQLite, created when missing)")
      ->required();
  addCommon(campaignCmd, campaign);
  campaignCmd->add_option("--network", campaign.Network, "network of every log instead of its header's");
  campaignCmd->add_option("--jobs,-j", campaign.Jobs, "logs run at a time (default: the number of cores)")
      ->check(CLI::PositiveNumber);
  campaignCmd->add_option("--log-timeout", campaign.LogTimeout,
                          "seconds one log may take before its worker is stopped, not counting time the machine's load keeps the "
                          "worker waiting for a core (default: no limit)")
      ->check(CLI::PositiveNumber);
  campaignCmd->add_flag("--force", campaign.Force, "run every log again, also those already in the database");
  campaignCmd->add_flag("--quiet", campaign.Quiet, "no progress, no summary");
  campaignCmd->add_option("--scheduler", campaign.Scheduler,
                          "a Dask scheduler (tcp://HOST:8786): each log is a task on its workers, which read the logs "
                          "and eventscan at the same paths (--jobs: tasks handed over at a time, default 64)");

  CampaignWorkerCommandOptions worker;
  // internal: one log of a campaign, or (--serve) each log named on stdin
  CLI::App* workerCmd = app.add_subcommand("campaign-worker", "");
  workerCmd->group("");
  workerCmd->add_option("log", worker.Log);
  workerCmd->add_flag("--serve", worker.Serve);
  addCommon(workerCmd, worker);
  workerCmd->add_option("--network", worker.Network);

  const std::vector<CLI::App*> commands = {runCmd,    campaignCmd, checkCmd,    listCmd,       demoCmd,    importCmd,
                                           reportCmd, kpiCmd,      messagesCmd, propertiesCmd, maintainCmd};
  for (CLI::App* sub : commands) sub->footer(exitStatus);

  // A first word that is no command: most likely a typo of one.
  if (argc > 1 && argv[1][0] != '-') {
    std::vector<std::string> names;
    for (CLI::App* sub : commands) names.push_back(sub->get_name());
    const std::string word = argv[1];
    if (word != workerCmd->get_name() && std::find(names.begin(), names.end(), word) == names.end()) {
      std::vector<std::string> near = ClosestNames(word, names, 1);
      std::cerr << "eventscan: \"" << TerminalText(word) << "\" is no command"
                << (near.empty() ? "" : "; did you mean \"" + near.front() + "\"?") << "\n"
                << "the commands: " << fmt::format("{}", fmt::join(names, ", ")) << "\n";
      return ExitUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? ExitOk : ExitUsage;
  }
  if (*runCmd) return RunCommand(run);
  if (*campaignCmd) return CampaignCommand(campaign);
  if (*workerCmd) return CampaignWorkerCommand(worker);
  if (*checkCmd) return CheckCommand(check);
  if (*listCmd) return ListCommand(list, listNetwork);
  if (*demoCmd) return DemoCommand(demo);
  if (*importCmd) return ImportCommand(import);
  if (*messagesCmd) return MessagesCommand(messages);
  if (*reportCmd) {
    if (report.Database) return CampaignReportCommand(report);
    if (report.Log.empty()) {
      std::cerr << "report: a log or --db is required\n";
      return ExitUsage;
    }
    return ReportCommand(report);
  }
  if (*kpiCmd) return KpiCommand(kpi);
  if (*propertiesCmd) return PropertiesCommand(properties, argc, argv);
  if (*maintainCmd) return MaintainCommand(maintain, argc, argv);
  return ExitUsage;
}
