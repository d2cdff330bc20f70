// eventscan kpi on the sample logs, as a user runs it: each KPI of the
// default set against counts this test takes itself from the logs' messages,
// test items and measured values, from the hand-counted event lists of
// tests/e2e/hand_counts and the hand-counted KPIs of tests/e2e/hand_counts/kpis
// (attempts followed to their answers, set-up times from the record times),
// never from eventscan's rows. Display switches change
// no KPI and are left as they were; the report's summary shows the same
// numbers; a fault in Kpis.cfg is reported with its line and the other KPIs
// are still computed.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include "testing/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using Command = e2e::ShellResult;

Command shell(const std::string& line, const fs::path& work) { return e2e::Shell("EVENTMANAGER_SPEECH=0 " + line, work); }

std::string kpiCommand(const fs::path& log, const fs::path& home, const std::string& format) {
  return std::string(EVENTSCAN_PROGRAM) + " kpi '" + log.string() + "' --home '" + home.string() + "' --format " + format;
}

// What the test reads from one sample log itself.
struct LogCounts {
  std::map<std::string, size_t> Messages;   // by message name
  std::map<int, size_t> Items;              // test items by identifier
  std::vector<double> PingTimes;            // ms, from the extra data of Ping Success items
  std::map<std::string, std::vector<double>> Fields;
  std::map<std::string, size_t> Events;     // the hand-counted message and gate events
};

uint32_t littleEndian32(const std::string& hex, size_t byte) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint32_t>(std::stoul(hex.substr(2 * (byte + i), 2), nullptr, 16));
  return v;
}

LogCounts countLog(const std::string& name) {
  LogCounts c;
  std::istringstream lines(e2e::ReadFile(e2e::SampleLog(name)));
  std::string line;
  std::getline(lines, line);  // the header
  while (std::getline(lines, line)) {
    json record = json::parse(line);
    if (record.value("kind", "") == "message") ++c.Messages[record.value("msg", "")];
    if (record.contains("fields"))
      for (auto& [field, value] : record["fields"].items()) c.Fields[field].push_back(value.get<double>());
    if (record.contains("items"))
      for (const json& item : record["items"]) {
        int id = item["id"];
        ++c.Items[id];
        // Ping reply: address, bytes, a word, TTL, then the time in ms.
        if (id == 48) c.PingTimes.push_back(littleEndian32(item["extra"], 16));
      }
  }
  std::istringstream counted(e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "hand_counts" / (name + ".txt")));
  while (std::getline(counted, line)) {
    if (line.empty() || line[0] == '#') continue;
    ++c.Events[line.substr(line.find(' ') + 1)];
  }
  return c;
}

// "NAME = a/b" (a ratio), "NAME = t1, t2, ..." (statistics, seconds) or
// "NAME = n" (a count), as tests/e2e/hand_counts/kpis writes them.
std::map<std::string, std::string> handCountedKpis(const std::string& name) {
  std::map<std::string, std::string> out;
  std::istringstream lines(e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "hand_counts" / "kpis" / (name + ".txt")));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find(" = ");
    out[line.substr(0, eq)] = line.substr(eq + 3);
  }
  return out;
}

const json& kpiNamed(const json& table, const std::string& name) {
  for (const json& k : table)
    if (k["name"] == name) return k;
  ADD_FAILURE() << "no KPI " << name;
  static const json none = json::object();
  return none;
}

void expectRatio(const json& table, const std::string& name, size_t numerator, size_t denominator) {
  SCOPED_TRACE(name);
  const json& k = kpiNamed(table, name);
  EXPECT_EQ(k.value("kind", ""), "ratio");
  EXPECT_EQ(k.value("numerator", size_t(99)), numerator);
  EXPECT_EQ(k.value("denominator", size_t(99)), denominator);
  if (denominator == 0) {
    EXPECT_TRUE(k["value"].is_null());
  } else {
    EXPECT_NEAR(k.value("value", -1.0), 100.0 * numerator / denominator, 1e-9);
  }
}

// The serving signal's field of each sample network and the default bins.
struct Signal {
  const char* Kpi;
  const char* Field;
  std::vector<double> Edges;
};
const std::map<std::string, Signal> Signals = {
    {"gsm", {"Serving RxLev", "RxLevSub", {-100, -90, -80, -70}}},
    {"cdma", {"Serving Rx power", "CDMA_RxPower", {-100, -90, -80, -70}}},
    {"umts", {"Serving RSCP", "RSCP", {-105, -95, -85, -75}}},
    {"tdscdma", {"Serving PCCPCH RSCP", "PCCPCH_RSCP", {-105, -95, -85, -75}}},
};

// Completed and failed handovers as each network's messages tell them.
std::pair<size_t, size_t> handovers(const std::string& name, LogCounts& c) {
  if (name == "gsm") return {c.Messages["Handover Complete"], c.Messages["Handover Failure"]};
  if (name == "cdma") return {c.Messages["Handoff Completion"], 0};
  if (name == "umts") return {c.Messages["Active Set Update Complete"], c.Messages["Handover from UTRAN Failure"]};
  return {c.Messages["Physical Channel Reconfiguration Complete"], c.Messages["Physical Channel Reconfiguration Failure"]};
}

}  // namespace

TEST(KpiOfSamples, EveryKpiMatchesTheCountsOfTheLog) {
  e2e::TempHome home;
  for (const char* sample : e2e::SampleNames) {
    const std::string name = sample;
    SCOPED_TRACE(name);
    Command run = shell(kpiCommand(e2e::SampleLog(name), home.Path(), "json"), home.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    const json table = json::parse(run.Out);
    LogCounts c = countLog(name);

    auto [completed, failed] = handovers(name, c);
    expectRatio(table, "Handover success", completed, completed + failed);
    // The hand counts: 75 % on UMTS, 66.7 % on TD-SCDMA, 3 of 3 on CDMA.
    const std::map<std::string, std::pair<size_t, size_t>> byHand = {
        {"gsm", {2, 3}}, {"cdma", {3, 3}}, {"umts", {3, 4}}, {"tdscdma", {2, 3}}};
    EXPECT_EQ(std::make_pair(completed, completed + failed), byHand.at(name));
    if (name == "cdma") {
      EXPECT_EQ(c.Items[194], completed) << "each handoff also has its test item";
    }

    for (const auto& [kpi, value] : handCountedKpis(name)) {
      SCOPED_TRACE(kpi + " = " + value);
      if (value.find('/') != std::string::npos) {
        expectRatio(table, kpi, std::stoul(value), std::stoul(value.substr(value.find('/') + 1)));
      } else if (value.find('.') != std::string::npos) {
        // Statistics of the hand-counted times: count, mean, median, p90 by
        // nearest rank, max.
        std::vector<double> t;
        std::istringstream items(value);
        for (std::string item; std::getline(items, item, ',');) t.push_back(std::stod(item));
        std::sort(t.begin(), t.end());
        const json& k = kpiNamed(table, kpi);
        ASSERT_EQ(k.value("count", size_t(0)), t.size());
        double sum = 0;
        for (double x : t) sum += x;
        const size_t n = t.size();
        EXPECT_NEAR(k.value("mean", 0.0), sum / n, 1e-3);
        EXPECT_NEAR(k.value("median", 0.0), n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2, 1e-3);
        EXPECT_NEAR(k.value("p90", 0.0), t[static_cast<size_t>(std::ceil(0.9 * n)) - 1], 1e-3);
        EXPECT_NEAR(k.value("max", 0.0), t.back(), 1e-3);
      } else {
        EXPECT_EQ(kpiNamed(table, kpi).value("value", -1), std::stoi(value));
      }
    }

    size_t established = c.Events["Call Established"];
    expectRatio(table, "Call drop", c.Events["Call Drop"], established);
    expectRatio(table, "Ping success", c.Items[48], c.Items[48] + c.Items[49]);
    expectRatio(table, "Data session success", c.Items[12] + c.Items[22], c.Items[6] + c.Items[17]);
    expectRatio(table, "SMS send success", c.Items[60] + c.Events["MO SMS Sent"],
                c.Items[60] + c.Events["MO SMS Sent"] + c.Items[61] + c.Events["MO SMS Failure"]);
    EXPECT_EQ(kpiNamed(table, "MO call attempts").value("value", -1), static_cast<int>(c.Items[54]));
    EXPECT_EQ(kpiNamed(table, "MO call set-ups").value("value", -1), static_cast<int>(c.Events["Outgoing Call Setup"]));

    // Ping round trips: count, mean, median, 90th percentile by nearest rank, max.
    std::vector<double> rtt = c.PingTimes;
    std::sort(rtt.begin(), rtt.end());
    ASSERT_EQ(rtt.size(), 5u);
    const json& ping = kpiNamed(table, "Ping round-trip time");
    EXPECT_EQ(ping.value("count", 0), 5);
    EXPECT_NEAR(ping.value("mean", 0.0), (rtt[0] + rtt[1] + rtt[2] + rtt[3] + rtt[4]) / 5, 1e-9);
    EXPECT_EQ(ping.value("median", 0.0), rtt[2]);
    EXPECT_EQ(ping.value("p90", 0.0), rtt[4]);  // rank ceil(0.9 * 5) = 5
    EXPECT_EQ(ping.value("max", 0.0), rtt[4]);

    // The serving signal in bins: every record that carries the field.
    const Signal& signal = Signals.at(name);
    const std::vector<double>& values = c.Fields[signal.Field];
    const json& distribution = kpiNamed(table, signal.Kpi);
    ASSERT_EQ(distribution.value("samples", size_t(0)), values.size());
    ASSERT_EQ(distribution["bins"].size(), signal.Edges.size() + 1);
    for (size_t bin = 0; bin <= signal.Edges.size(); ++bin) {
      size_t n = std::count_if(values.begin(), values.end(), [&](double v) {
        return (bin == 0 || v >= signal.Edges[bin - 1]) && (bin == signal.Edges.size() || v < signal.Edges[bin]);
      });
      EXPECT_EQ(distribution["bins"][bin]["count"], n) << bin;
      EXPECT_NEAR(distribution["value"][bin].get<double>(), 100.0 * n / values.size(), 1e-9) << bin;
    }
    // A network's table holds only its own KPIs.
    for (const json& k : table)
      for (const auto& [other, s] : Signals)
        if (other != name) {
          EXPECT_NE(k["name"], s.Kpi);
        }
  }
}

TEST(KpiOfSamples, DisplaySwitchesChangeNoKpiAndTheReportShowsTheSame) {
  e2e::TempHome home;
  std::map<std::string, std::string> visible;
  for (const char* name : e2e::SampleNames) {
    Command run = shell(kpiCommand(e2e::SampleLog(name), home.Path(), "json"), home.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    visible[name] = run.Out;
  }
  // Hidden: message events, test events and a gate that KPIs count.
  const std::set<std::string> hidden = {"Call Drop",   "Call Established", "Soft Handover Success", "Handover Success",
                                        "Ping Success", "Start Dial",      "Soft Handoff Success",  "Low RSCP"};
  const fs::path properties = home.Path() / "EventsProperty.cfg";
  {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(properties.c_str()));
    size_t switched = 0;
    for (pugi::xpath_node n : doc.select_nodes("//*[@EventName]"))
      if (hidden.count(n.node().attribute("EventName").as_string())) {
        n.node().attribute("Display").set_value("False");
        ++switched;
      }
    ASSERT_GE(switched, hidden.size());
    ASSERT_TRUE(doc.save_file(properties.c_str()));
  }
  const std::string before = e2e::ReadFile(properties);
  for (const char* name : e2e::SampleNames) {
    SCOPED_TRACE(name);
    Command run = shell(kpiCommand(e2e::SampleLog(name), home.Path(), "json"), home.Path());
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Out, visible[name]);

    // The report's summary: the same numbers, while the hidden events stay
    // off its event table; --skip chooses the rows drawn, not what is counted.
    for (const std::string options : {"", " --skip 'Ping Failure,Call Setup Failure'"}) {
      SCOPED_TRACE(options);
      const fs::path page = home.Path() / (std::string(name) + ".html");
      Command report = shell(std::string(EVENTSCAN_PROGRAM) + " report '" + e2e::SampleLog(name).string() + "' --home '" +
                                 home.Path().string() + "' -o '" + page.string() + "'" + options,
                             home.Path());
      ASSERT_EQ(report.Status, 0) << report.Err;
      const std::string text = e2e::ReadFile(page);
      for (const std::string& event : hidden)
        EXPECT_EQ(text.find("<tr data-event=\"" + event + "\""), std::string::npos) << event;
      for (const json& k : json::parse(run.Out)) {
        SCOPED_TRACE(k["name"].get<std::string>());
        std::smatch m;
        ASSERT_TRUE(std::regex_search(text, m, std::regex("<tr data-kpi=\"" + k["name"].get<std::string>() +
                                                          "\" data-kind=\"([a-z]+)\"([^>]*)>")));
        EXPECT_EQ(m[1], k["kind"].get<std::string>());
        const std::string attributes = m[2];
        auto attribute = [&](const std::string& key) {
          std::smatch a;
          EXPECT_TRUE(std::regex_search(attributes, a, std::regex(" data-" + key + "=\"([^\"]*)\""))) << key;
          return a[1].str();
        };
        auto same = [&](const std::string& key, const json& value) {
          std::string shown = attribute(key);
          if (value.is_null()) {
            EXPECT_EQ(shown, "") << key;
          } else {
            EXPECT_DOUBLE_EQ(std::stod(shown), value.get<double>()) << key;
          }
        };
        if (k["kind"] == "ratio") {
          same("numerator", k["numerator"]);
          same("denominator", k["denominator"]);
          same("value", k["value"]);
        } else if (k["kind"] == "statistics") {
          for (const char* key : {"count", "mean", "median", "p90", "max"}) same(key, k[key]);
        } else if (k["kind"] == "count") {
          same("count", k["value"]);
        } else {
          same("count", k["samples"]);
        }
    }
    }
  }
  EXPECT_EQ(e2e::ReadFile(properties), before) << "the switches are put back and nothing is saved";
}

TEST(KpiOfSamples, AFaultInTheKpiFileIsReportedWithItsLine) {
  e2e::TempHome home;
  const fs::path file = home.Path() / "Kpis.cfg";
  std::string text = e2e::ReadFile(file);
  const size_t lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  text += "\n[Broken]\nkind = ratoi\nsuccess = Call Established\n";
  e2e::WriteFile(file, text);
  Command run = shell(kpiCommand(e2e::SampleLog("umts"), home.Path(), "table"), home.Path());
  EXPECT_EQ(run.Status, 0);
  EXPECT_NE(run.Err.find(file.string() + ":" + std::to_string(lines + 3) + ": unknown kind 'ratoi'"), std::string::npos)
      << run.Err;
  EXPECT_NE(run.Out.find("Handover success"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("75.0 % (3/4)"), std::string::npos) << run.Out;
  EXPECT_EQ(run.Out.find("Broken"), std::string::npos) << run.Out;

  fs::remove(file);
  Command missing = shell(kpiCommand(e2e::SampleLog("umts"), home.Path(), "table"), home.Path());
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find(file.string() + ": no such file"), std::string::npos) << missing.Err;
}
