// eventscan: the reference host of the events library. Loads
// libeventmanager.so as any host does and runs logs through it.
#include <map>

#include <CLI/CLI.hpp>

#include "commands.h"
#include "commands_properties.h"
#include "large_pages.h"

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

  RunOptions run;
  CLI::App* runCmd = app.add_subcommand("run", "detect the events of one log");
  runCmd->add_option("log", run.Log, "the log (JSON Lines, see docs/log-format.md)")->required();
  addCommon(runCmd, run);
  runCmd->add_option("--network", run.Network, "network of the log (GSM, CDMA, UMTS, TD-SCDMA) instead of the header's");
  std::map<std::string, OutputFormat> formats{
      {"table", OutputFormat::Table}, {"csv", OutputFormat::Csv}, {"json", OutputFormat::Json}};
  runCmd->add_option("--format", run.Format, "table, csv or json")
      ->transform(CLI::CheckedTransformer(formats, CLI::ignore_case));
  runCmd->add_option("--output", run.Output, "write the rows to this file instead of stdout");
  runCmd->add_flag("--strict", run.Strict, "stop at the first malformed line (exit status 2)");
  auto* only = runCmd->add_option("--only", run.Only, "report only these events (identifiers or names, comma-separated)");
  runCmd->add_option("--skip", run.Skip, "report all events but these (identifiers or names)")->excludes(only);

  CommonOptions check;
  CLI::App* checkCmd = app.add_subcommand("check", "load the definition files and report every fault");
  addCommon(checkCmd, check);

  CommonOptions list;
  std::optional<std::string> listNetwork;
  CLI::App* listCmd = app.add_subcommand("list", "list the defined events with their display properties");
  addCommon(listCmd, list);
  listCmd->add_option("--network", listNetwork, "only this network (GSM, CDMA, UMTS, TD-SCDMA)");

  DemoOptions demo;
  CLI::App* demoCmd = app.add_subcommand("demo", "run every bundled sample log against the sample definitions");
  addCommon(demoCmd, demo);
  demoCmd->add_option("--data", demo.Data, "the sample directory (default: data/sample of the source tree)");

  PropertiesOptions properties;
  CLI::App* propertiesCmd =
      app.add_subcommand("properties", "open the window in which a person sets how events are shown (needs a display)");
  addCommon(propertiesCmd, properties);
  propertiesCmd->add_option("--networks", properties.Networks, "only these networks, comma-separated (GSM,UMTS)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int status = app.exit(e);
    return status == 0 ? ExitOk : ExitUsage;
  }
  if (*runCmd) return RunCommand(run);
  if (*checkCmd) return CheckCommand(check);
  if (*listCmd) return ListCommand(list, listNetwork);
  if (*demoCmd) return DemoCommand(demo);
  if (*propertiesCmd) return PropertiesCommand(properties, argc, argv);
  return ExitUsage;
}
