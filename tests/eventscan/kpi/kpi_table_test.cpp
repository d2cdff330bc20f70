// The KPI file and the KPI table on results built by hand: every expected
// value below is counted by hand from the results listed beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include <fmt/format.h>

#include <nlohmann/json.hpp>

#include "kpi/kpi_file.h"
#include "kpi/kpi_output.h"
#include "kpi/kpi_table.h"

using namespace eventscan;

namespace {

constexpr double Second = 1.0 / 86400;

KpiResult result(int32_t record, double seconds, const std::string& event, std::vector<std::string> details = {}) {
  return {record, 1000 + seconds * Second, event, std::move(details)};
}

const KpiValue& named(const std::vector<KpiValue>& table, const std::string& name) {
  for (const KpiValue& k : table)
    if (k.Name == name) return k;
  ADD_FAILURE() << "no KPI " << name;
  static KpiValue none;
  return none;
}

}  // namespace

TEST(KpiFile, FaultsNameTheLineAndDropOnlyTheirKpi) {
  const std::string text = R"(stray = 1
# a comment
[Handover success]
kind = ratio
success = Handover Success
failure = Handover Failure
merge within = 1

[Broken bins]
kind = distribution
field = RSCP
bins = -95, -105

[No kind]
events = Call Drop

[Bad network]
kind = count
networks = GSM, LTE
events = Call Drop

[Typo]
kind = count
evnets = Call Drop

[Call drops]
kind = count
networks = gsm, Td-Scdma
events = Call Drop, call drop
[Call drops]
kind = count
networks = TD-SCDMA
events = Call Drop
)";
  KpiFile file = ParseKpiText(text, "home/Kpis.cfg");
  // A fault before the first KPI drops nothing; one inside a KPI drops it.
  ASSERT_EQ(file.Kpis.size(), 2u);
  EXPECT_EQ(file.Kpis[0].Name, "Handover success");
  EXPECT_EQ(file.Kpis[0].MergeWithin, 1);
  EXPECT_EQ(file.Kpis[0].Networks, 0x0F);
  EXPECT_EQ(file.Kpis[1].Name, "Call drops");
  EXPECT_EQ(file.Kpis[1].Networks, 0b1001);
  const std::vector<std::string> expected = {
      "home/Kpis.cfg:1: 'stray' comes before the first [KPI name]",
      "home/Kpis.cfg:12: bin edges must increase from left to right",
      "home/Kpis.cfg:14: KPI 'No kind' has no 'kind'",
      "home/Kpis.cfg:19: unknown network 'LTE'",
      "home/Kpis.cfg:24: unknown key 'evnets'",
      "home/Kpis.cfg:22: KPI 'Typo' has no 'events'",
      "home/Kpis.cfg:30: KPI 'Call drops' is defined again for a network (first at line 26)",
  };
  EXPECT_EQ(file.Faults, expected);
}

TEST(KpiTable, EachOccurrenceCountsOnce) {
  KpiFile file = ParseKpiText(R"([Handover success]
kind = ratio
success = Handover Success, Baton Handover Success, Soft Handoff Success, Handoff Success
failure = Handover Failure, Inter-RAT Handover Failure
merge within = 1
[Handovers]
kind = count
events = Handover Success, Baton Handover Success, Soft Handoff Success, Handoff Success
[Set-up success]
kind = ratio
networks = GSM
success = Call Established
attempt = Start Dial
[Elsewhere]
kind = count
networks = CDMA
events = Call Drop
)",
                              "Kpis.cfg");
  ASSERT_TRUE(file.Faults.empty()) << file.Faults.front();
  KpiLog log;
  log.Network = 0;
  log.Results = {
      // Two names of one baton handover on one record: one success.
      result(41, 21.0, "Handover Success"), result(41, 21.0, "Baton Handover Success"),
      // A message event and the handset's test item 0.07 s apart: one.
      result(37, 17.00, "Soft Handoff Success"), result(38, 17.07, "Handoff Success"),
      // Two handovers of one name half a second apart are two.
      result(60, 30.0, "Handover Success"), result(61, 30.5, "Handover Success"),
      // One failure reported under two names on one record: one failure.
      result(154, 74.0, "Handover Failure"), result(154, 74.0, "Inter-RAT Handover Failure"),
      // Letter case does not matter.
      result(200, 90.0, "start dial"), result(202, 91.0, "Start Dial"), result(205, 95.0, "CALL ESTABLISHED"),
  };
  log.KnownEvents = {"Handover Success", "Handover Failure", "Start Dial", "Call Established"};
  std::vector<KpiValue> table = ComputeKpiTable(file.Kpis, log);
  ASSERT_EQ(table.size(), 3u) << "the CDMA KPI is not on a GSM log's table";
  const KpiValue& ho = named(table, "Handover success");
  EXPECT_EQ(ho.Numerator, 4u);
  EXPECT_EQ(ho.Denominator, 5u);
  ASSERT_TRUE(ho.Value);
  EXPECT_DOUBLE_EQ(*ho.Value, 80.0);
  // Only the names this network defines are shown in the definition.
  EXPECT_EQ(ho.CountedAs, "(Handover Success) / (Handover Success + Handover Failure)");
  // Without a merge window only the records join: 37 and 38 are two.
  EXPECT_EQ(named(table, "Handovers").Count, 5u);
  const KpiValue& setup = named(table, "Set-up success");
  EXPECT_EQ(setup.Numerator, 1u);
  EXPECT_EQ(setup.Denominator, 2u);

  // Nothing counted below the line: no value rather than 0 %.
  log.Results.clear();
  table = ComputeKpiTable(file.Kpis, log);
  EXPECT_EQ(named(table, "Handover success").Denominator, 0u);
  EXPECT_FALSE(named(table, "Handover success").Value);
}

TEST(KpiTable, StatisticsBinsAndHiddenEvents) {
  KpiFile file = ParseKpiText(R"([Set-up time]
kind = statistics
events = Outgoing Call Setup
detail = Delay
unit = s
[Throughput]
kind = statistics
events = FTP Download Last Data
detail = Average
scale = 0.001
[RSCP]
kind = distribution
field = rscp
bins = -105, -95.0
scale = +1
[Drops]
kind = count
events = Call Drop
)",
                              "Kpis.cfg");
  ASSERT_TRUE(file.Faults.empty()) << file.Faults.front();
  KpiLog log;
  log.Network = 2;
  for (int i = 0; i < 10; ++i)  // delays 0.1 .. 1.0 s in a shuffled order
    log.Results.push_back(result(10 * i, i, "Outgoing Call Setup", {fmt::format("Delay: {:.1f} (s)", ((i * 7) % 10 + 1) / 10.0)}));
  log.Results.push_back(result(200, 100, "Outgoing Call Setup", {"no delay given"}));
  log.Results.push_back(result(300, 200, "FTP Download Last Data",
                               {"Total Time: 5.776 (s)", "Transimit Size: 1048576 (Byte)", "Average: 1,720,387 (bps)"}));
  log.Samples["RSCP"] = {-110, -105, -100, -95.5, -95, -60};
  log.Hidden = {"Call Drop", "Low RSCP"};
  std::vector<KpiValue> table = ComputeKpiTable(file.Kpis, log);

  const KpiValue& setup = named(table, "Set-up time");
  EXPECT_EQ(setup.Count, 10u) << "a result without the detail gives no value";
  EXPECT_NEAR(*setup.Mean, 0.55, 1e-12);
  EXPECT_NEAR(*setup.Median, 0.55, 1e-12);  // between 0.5 and 0.6
  EXPECT_DOUBLE_EQ(*setup.P90, 0.9);      // the 9th of 10 by nearest rank
  EXPECT_DOUBLE_EQ(*setup.Max, 1.0);
  EXPECT_NEAR(*named(table, "Throughput").Mean, 1720.387, 1e-9);

  // Each edge opens the bin above it.
  const KpiValue& rscp = named(table, "RSCP");
  ASSERT_EQ(rscp.Bins.size(), 3u);
  EXPECT_EQ(rscp.Bins[0].Label, "< -105");
  EXPECT_EQ(rscp.Bins[0].Count, 1u);
  EXPECT_EQ(rscp.Bins[1].Label, "-105 to -95");
  EXPECT_EQ(rscp.Bins[1].Count, 3u);
  EXPECT_EQ(rscp.Bins[2].Label, ">= -95");
  EXPECT_EQ(rscp.Bins[2].Count, 2u);
  EXPECT_DOUBLE_EQ(*rscp.Bins[1].Share, 50.0);

  const KpiValue& drops = named(table, "Drops");
  EXPECT_EQ(drops.Count, 0u);
  ASSERT_EQ(drops.Notes.size(), 1u);
  EXPECT_NE(drops.Notes[0].find("'Call Drop' is hidden"), std::string::npos) << drops.Notes[0];
  EXPECT_TRUE(setup.Notes.empty());

  // The JSON a script reads: the fields named for each kind.
  std::ostringstream json;
  WriteKpiTable(json, table, KpiFormat::Json);
  nlohmann::json all = nlohmann::json::parse(json.str());
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0]["kind"], "statistics");
  EXPECT_EQ(all[0]["count"], 10);
  EXPECT_DOUBLE_EQ(all[0]["p90"].get<double>(), 0.9);
  ASSERT_EQ(all[2]["value"].size(), 3u);
  EXPECT_NEAR(all[2]["value"][0].get<double>(), 100.0 / 6, 1e-9);
  EXPECT_NEAR(all[2]["value"][2].get<double>(), 200.0 / 6, 1e-9);
  EXPECT_EQ(all[2]["samples"], 6);
  EXPECT_EQ(all[3]["value"], 0);
}

TEST(KpiTable, DetailValuesAsResultsWriteThem) {
  const std::vector<std::tuple<std::string, std::string, std::optional<double>>> cases = {
      {"Delay: 0.654 (s)", "Delay", 0.654},
      {"Delay 823 ms", "delay", 823},
      {"Time = 198 ms", "Time", 198},
      {"Average: 1,720,387 (bps)", "Average", 1720387},
      {"Send SMS Delay: 4025 (ms)", "Send SMS Delay", 4025},
      {"Total Time: 5.776 (s)", "Time", std::nullopt},  // the name starts the line
      {"Delays: 5", "Delay", std::nullopt},
      {"Delay: none", "Delay", std::nullopt},
      {"Level: -95", "Level", -95},
      {"Count: 1,23", "Count", 1},  // a comma before fewer than three digits ends the number
      {"Gain: +2.5 dB", "Gain", 2.5},
  };
  for (const auto& [line, name, expected] : cases) EXPECT_EQ(DetailValue(line, name), expected) << line;
}

TEST(KpiFile, TheGuidesExampleAndTheSampleSetReadWithoutFaults) {
  auto read = [](const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string guide = read(std::string(EVENTMANAGER_SOURCE_DIR) + "/docs/kpis.md");
  const size_t start = guide.find("```ini\n");
  ASSERT_NE(start, std::string::npos);
  const size_t end = guide.find("```", start + 7);
  KpiFile example = ParseKpiText(guide.substr(start + 7, end - start - 7), "docs/kpis.md");
  EXPECT_TRUE(example.Faults.empty()) << example.Faults.front();
  std::set<KpiKind> kinds;
  for (const KpiDefinition& k : example.Kpis) kinds.insert(k.Kind);
  EXPECT_EQ(kinds.size(), 4u) << "an example of every kind";

  KpiFile sample = ReadKpiFile(std::string(EVENTMANAGER_SOURCE_DIR) + "/data/sample/Kpis.cfg");
  EXPECT_TRUE(sample.Found);
  EXPECT_TRUE(sample.Faults.empty()) << sample.Faults.front();
  EXPECT_GE(sample.Kpis.size(), 20u);
}
