// Faults inside a readable EventsDefine.cfg, seen from a host: a gate
// expression that does not parse and a document with another root element are
// reported with the file, and the host keeps going with what could be read.
#include <gtest/gtest.h>

#include <regex>

#include "cli/commands.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

std::string gateFile(const std::string& expression) {
  return R"(<?xml version="1.0"?>
<Events>
  <Message><GSM/><CDMA/><UMTS/><TD-SCDMA/></Message>
  <Gate>
    <GSM>
      <GateEvent-0 EventName="Weak Signal" GateType="1" Expression=")" +
         expression + R"(" ExpDuringTime="0" ExpTimes="1"/>
    </GSM>
    <CDMA/><UMTS/><TD-SCDMA/>
  </Gate>
  <Aliases><GSM/><CDMA/><UMTS/><TD-SCDMA/></Aliases>
</Events>
)";
}

int resultsNamed(TEventsResult& results, const std::string& wanted) {
  int count = 0;
  for (int32_t i = 0; i < results.GetCount(); ++i) {
    std::string name;
    results.GetResult(i)->GetEventName(name);
    count += name == wanted;
  }
  return count;
}

}  // namespace

TEST(DefinitionFaults, GateExpressionsThatDoNotParseAreReportedWithTheirPlace) {
  struct Case {
    const char* Expression;  // as stored (XML-escaped)
    const char* Fault;       // a regular expression for the one fault; empty: none
  };
  const Case cases[] = {
      {"RxLevSub &lt;", R"(EventsDefine\.cfg:6: <GateEvent-0> 'Weak Signal': Expression 'RxLevSub <': .* at position \d+)"},
      {"RxLevSubb &lt; -100", R"(EventsDefine\.cfg:6: <GateEvent-0> 'Weak Signal': Expression 'RxLevSubb < -100': unknown field 'RxLevSubb' at position 1)"},
      {"RxLevSub &lt; -100, TA &gt; 3", R"(EventsDefine\.cfg:6: .*'Weak Signal'.*unexpected ',' at position 16.*)"},
      {"RxLevSub &lt; -100", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Expression);
    e2e::TempHome home;
    const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
    e2e::WriteFile(file, gateFile(c.Expression));
    const std::string before = e2e::ReadFile(file);
    e2e::InFreshProcess([&] {
      e2e::LoadedLibrary library(home.Path());
      {
        // Loading the network again reports nothing new.
        HostSession session(*library, 0);
        session.Reload(0);
      }
      std::vector<std::string> faults = library.Faults();
      if (*c.Fault == 0) {
        EXPECT_TRUE(faults.empty()) << faults.front();
        return;
      }
      ASSERT_EQ(faults.size(), 1u);
      EXPECT_TRUE(std::regex_search(faults[0], std::regex(c.Fault))) << faults[0];
    });
    e2e::InFreshProcess([&] {
      CommonOptions check;
      check.Home = home.Path().string();
      check.Library = EVENTMANAGER_LIBRARY;
      EXPECT_EQ(CheckCommand(check), *c.Fault ? ExitInput : ExitOk);
    });
    EXPECT_EQ(e2e::ReadFile(file), before) << "the user's text is kept as written";
  }
}

TEST(DefinitionFaults, AnotherRootLeavesTheListsAsTheyAreAndTestEventsStillWork) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsDefine.cfg";
  e2e::WriteFile(file, "<?xml version=\"1.0\"?>\n<Definitions>\n  <Message/>\n</Definitions>\n");
  const std::string before = e2e::ReadFile(file);
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    HostSession session(*library, 0);  // loading the definitions does not raise
    session.Reload(2);
    ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
    session.Reload(0);
    session.Feed(log);
    EXPECT_GE(resultsNamed(session.Results(), "Start Dial"), 1) << "test events still link";
    std::vector<std::string> faults = library.Faults();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_TRUE(std::regex_search(faults[0], std::regex(R"(EventsDefine\.cfg:2: root element <Definitions>)")))
        << faults[0];
  });
  const e2e::fs::path output = home.Path() / "out.csv";
  e2e::InFreshProcess([&] {
    RunOptions run;
    run.Home = home.Path().string();
    run.Library = EVENTMANAGER_LIBRARY;
    run.Log = e2e::SampleLog("gsm").string();
    run.Format = OutputFormat::Csv;
    run.Output = output.string();
    EXPECT_EQ(RunCommand(run), ExitOk);
  });
  EXPECT_NE(e2e::ReadFile(output).find("Start Dial"), std::string::npos);
  EXPECT_EQ(e2e::ReadFile(file), before);
}
