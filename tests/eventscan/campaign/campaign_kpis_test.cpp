// The KPI tables a campaign keeps and the campaign's page, as a user gets
// them: each log's rows against what `eventscan kpi --format json` prints for
// it, the page's campaign and day figures against sums the test makes from
// those outputs, its links, a hostile log name, and an older database.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>

#include "campaign_support.h"
#include "testing/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

using campaign::Ran;

std::string quoted(const std::string& s) { return campaign::Quoted(s); }
Ran run(const std::string& args, const fs::path& work) { return campaign::Run(args, work); }
std::vector<std::string> query(const fs::path& db, const std::string& sql) { return campaign::Query(db, sql, true); }

std::string one(const fs::path& db, const std::string& sql) {
  std::vector<std::string> rows = query(db, sql);
  return rows.size() == 1 ? rows[0] : "(" + std::to_string(rows.size()) + " rows)";
}

// A JSON number as SQLite prints a REAL, and null as NULL: both read back
// the same double, so the texts compare.
std::string sqlNumber(const json& v) {
  if (v.is_null()) return "NULL";
  return one(":memory:", "SELECT " + json(v.get<double>()).dump() + " + 0.0");
}

fs::path sampleCopy(const fs::path& dir, const std::string& name, const std::string& as) {
  fs::create_directories(dir);
  fs::path to = dir / (as + ".jsonl");
  e2e::WriteFile(to, e2e::ReadFile(e2e::SampleLog(name)));
  return to;
}

TEST(CampaignKpis, EachLogsRowsAreWhatKpiPrintsAndThePageSumsThem) {
  e2e::TempHome home;
  e2e::TempDir work;
  const fs::path logs = work.Path() / "logs";
  std::vector<fs::path> paths;
  for (const char* name : e2e::SampleNames) paths.push_back(sampleCopy(logs, name, name));
  // A name a page must show as text, never as markup.
  const std::string hostile = "<img src=x onerror=alert(1)>&";
  paths.push_back(sampleCopy(logs, "gsm", hostile));
  e2e::WriteFile(paths.back(), e2e::ReadFile(paths.back()) + "\n");  // other content than gsm.jsonl
  const fs::path db = work.Path() / "campaign.sqlite";
  Ran r = run("campaign " + quoted(logs) + " --db " + quoted(db) + " --home " + quoted(home.Path()) + " --quiet",
              work.Path());
  ASSERT_EQ(r.Status, 0) << r.Err;

  // The query indices, built once at the end of a campaign of new logs.
  EXPECT_EQ(query(db, "SELECT name FROM sqlite_schema WHERE name IN ('results_event', 'detail_values_name') ORDER BY "
                      "name"),
            (std::vector<std::string>{"detail_values_name", "results_event"}));

  // Per log: the stored rows are the kpi command's table, field by field.
  std::map<std::string, std::pair<long, long>> summed;  // ratio name: numerator, denominator over all logs
  std::map<std::string, std::map<std::string, std::pair<long, long>>> perDay;
  std::map<std::string, long> counted;  // count KPIs over all logs
  for (const fs::path& log : paths) {
    SCOPED_TRACE(log.string());
    Ran kpi = run("kpi " + quoted(log) + " --home " + quoted(home.Path()) + " --format json", work.Path());
    ASSERT_EQ(kpi.Status, 0) << kpi.Err;
    const json table = json::parse(kpi.Out);
    const std::string id = one(db, "SELECT id FROM logs WHERE path = " + json(log.string()).dump());
    const std::string day = one(db, "SELECT substr(first_time, 1, 10) FROM logs WHERE id = " + id);
    std::vector<std::string> stored =
        query(db,
              "SELECT id, name, kind, value, numerator, denominator, count, mean, median, p90, max, coalesce(unit, '') "
              "FROM kpis WHERE log_id = " +
                  id + " ORDER BY seq");
    ASSERT_EQ(stored.size(), table.size());
    ASSERT_FALSE(table.empty());
    for (size_t i = 0; i < table.size(); ++i) {
      const json& k = table[i];
      const std::string kind = k["kind"];
      std::vector<std::string> expected{k["name"], kind};
      if (kind == "ratio") {
        expected.insert(expected.end(), {sqlNumber(k["value"]), k["numerator"].dump(), k["denominator"].dump(), "NULL",
                                         "NULL", "NULL", "NULL", "NULL"});
        summed[k["name"]].first += k["numerator"].get<long>();
        summed[k["name"]].second += k["denominator"].get<long>();
        perDay[day][k["name"]].first += k["numerator"].get<long>();
        perDay[day][k["name"]].second += k["denominator"].get<long>();
      } else if (kind == "statistics") {
        expected.insert(expected.end(), {sqlNumber(k["value"]), "NULL", "NULL", k["count"].dump(), sqlNumber(k["mean"]),
                                         sqlNumber(k["median"]), sqlNumber(k["p90"]), sqlNumber(k["max"])});
      } else if (kind == "count") {
        expected.insert(expected.end(),
                        {sqlNumber(k["value"]), "NULL", "NULL", k["value"].dump(), "NULL", "NULL", "NULL", "NULL"});
        counted[k["name"]] += k["value"].get<long>();
      } else {
        expected.insert(expected.end(), {"NULL", "NULL", "NULL", k["samples"].dump(), "NULL", "NULL", "NULL", "NULL"});
      }
      expected.push_back(k.value("unit", ""));
      std::string row = stored[i].substr(stored[i].find('\t') + 1);
      std::string want;
      for (size_t c = 0; c < expected.size(); ++c) want += (c ? "\t" : "") + expected[c];
      EXPECT_EQ(row, want) << k.dump();
      if (kind == "distribution") {
        std::vector<std::string> bins;
        for (const json& b : k["bins"])
          bins.push_back(b["bin"].get<std::string>() + "\t" + b["count"].dump() + "\t" + sqlNumber(b["share"]));
        EXPECT_EQ(query(db, "SELECT label, count, share FROM kpi_bins WHERE kpi_id = " +
                                stored[i].substr(0, stored[i].find('\t')) + " ORDER BY seq"),
                  bins);
      }
    }
  }
  // Handovers counted by hand from the logs' messages: GSM 2 Handover Complete and 1 Handover Failure (twice:
  // gsm.jsonl and its copy), UMTS 3 Active Set Update Complete and 1 Handover from UTRAN Failure, TD-SCDMA 2 and
  // 1, CDMA 3 soft handoffs: 12 of 16 over the campaign.
  EXPECT_EQ(summed["Handover success"], std::make_pair(12L, 16L));

  // The page, with one log gone from where the campaign found it.
  fs::remove(paths[1]);
  const fs::path page = work.Path() / "pages" / "campaign.html";
  fs::create_directories(page.parent_path());
  r = run("report --db " + quoted(db) + " -o " + quoted(page) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Err.find(paths[1].string() + ": not there"), std::string::npos) << r.Err;
  const std::string html = e2e::ReadFile(page);
  auto cell = [&html](const std::string& scope, const std::string& name) {
    std::smatch m;
    const std::regex re("data-scope=\"" + scope + "\" data-kpi=\"" + name +
                        "\" data-kind=\"[a-z]+\"(?: data-numerator=\"(\\d+)\" data-denominator=\"(\\d+)\")?"
                        "(?: data-count=\"(\\d+)\")?");
    if (!std::regex_search(html, m, re)) return std::string("(none)");
    return m[3].matched ? m[3].str() : m[1].str() + "/" + m[2].str();
  };
  for (const auto& [name, nd] : summed) {
    SCOPED_TRACE(name);
    EXPECT_EQ(cell("campaign", name), std::to_string(nd.first) + "/" + std::to_string(nd.second));
    // The ratio of the sums, not the mean of the logs' ratios.
    std::smatch m;
    if (nd.second > 0) {
      ASSERT_TRUE(std::regex_search(
          html, m, std::regex("data-scope=\"campaign\" data-kpi=\"" + name + "\"[^>]*data-value=\"([0-9.]+)\"")));
      EXPECT_NEAR(std::stod(m[1]), 100.0 * static_cast<double>(nd.first) / static_cast<double>(nd.second), 1e-9);
    }
    // The same sum as SQL gives it from the stored rows.
    EXPECT_EQ(one(db, "SELECT sum(numerator) || '/' || sum(denominator) FROM kpis WHERE name = " + json(name).dump()),
              cell("campaign", name));
  }
  for (const auto& [name, n] : counted) EXPECT_EQ(cell("campaign", name), std::to_string(n)) << name;
  for (const auto& [day, kpis] : perDay)
    for (const auto& [name, nd] : kpis)
      EXPECT_EQ(cell("day " + day, name), std::to_string(nd.first) + "/" + std::to_string(nd.second)) << day << name;
  // Per log, the page shows what the database holds.
  for (const std::string& row :
       query(db, "SELECT log_id, name, numerator || '/' || denominator FROM kpis WHERE kind = 'ratio'")) {
    const size_t a = row.find('\t'), b = row.find('\t', a + 1);
    EXPECT_EQ(cell("log " + row.substr(0, a), row.substr(a + 1, b - a - 1)), row.substr(b + 1)) << row;
  }

  // Every log still present has its own page, linked; the removed one has none.
  std::vector<std::string> links;
  const std::regex href("<a class=\"log\" href=\"([^\"]+)\"");
  for (auto it = std::sregex_iterator(html.begin(), html.end(), href); it != std::sregex_iterator(); ++it)
    links.push_back((*it)[1]);
  EXPECT_EQ(links.size(), paths.size() - 1);
  for (const std::string& link : links) {
    ASSERT_TRUE(fs::is_regular_file(page.parent_path() / link)) << link;
    EXPECT_NE(e2e::ReadFile(page.parent_path() / link).find("<svg"), std::string::npos) << link;
  }

  // The hostile name is text wherever it shows.
  EXPECT_EQ(html.find("<img"), std::string::npos);
  EXPECT_NE(html.find("&lt;img src=x onerror=alert(1)&gt;&amp;.jsonl"), std::string::npos);
  EXPECT_NE(html.find("Top failure causes"), std::string::npos);
  EXPECT_NE(html.find("class=\"failure\""), std::string::npos);

  // A screenshot for a person to look at, where chromium is installed.
  if (std::system("command -v chromium >/dev/null 2>&1") == 0) {
    const fs::path shot = fs::path(SCREENSHOT_DIR) / "campaign-page.png";
    fs::create_directories(shot.parent_path());
    std::system(("chromium --headless --no-sandbox --disable-gpu --screenshot=" + quoted(shot) +
                 " --window-size=1400,1000 " + quoted("file://" + page.string()) + " >/dev/null 2>&1")
                    .c_str());
    EXPECT_TRUE(fs::exists(shot));
  }
}

TEST(CampaignKpis, AnOlderDatabaseIsUpgradedInPlaceAndANewerOneIsLeftAlone) {
  e2e::TempHome home;
  e2e::TempDir work;
  const fs::path db = work.Path() / "campaign.sqlite";
  const fs::path first = sampleCopy(work.Path() / "a", "umts", "umts");
  Ran r = run("campaign " + quoted(first) + " --db " + quoted(db) + " --home " + quoted(home.Path()) + " --quiet",
              work.Path());
  ASSERT_EQ(r.Status, 0) << r.Err;
  // What a version 1 database is: the same tables without the KPIs and routes.
  query(db, "DROP TABLE kpi_bins");
  query(db, "DROP TABLE kpis");
  query(db, "DROP TABLE route_points");
  query(db, "PRAGMA user_version = 1");
  const std::string results = one(db, "SELECT count(*) FROM results");
  ASSERT_NE(results, "0");

  r = run("report --db " + quoted(db) + " -o " + quoted(work.Path() / "c.html"), work.Path());
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find(db.string() + ": a campaign database of schema version 1"), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(work.Path() / "c.html"));

  const fs::path second = sampleCopy(work.Path() / "b", "gsm", "gsm");
  r = run("campaign " + quoted(second) + " --db " + quoted(db) + " --home " + quoted(home.Path()) + " --quiet",
          work.Path());
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(one(db, "PRAGMA user_version"), "2");
  EXPECT_EQ(one(db, "SELECT count(*) FROM results r JOIN logs l ON l.id = r.log_id WHERE l.path = " +
                        json(first.string()).dump()),
            results);
  EXPECT_NE(one(db, "SELECT count(*) FROM kpis"), "0");
  // The old log has no KPIs yet; the next run of it is not skipped, since the KPI file is part of the
  // definitions hash that version 1 did not cover.
  r = run("campaign " + quoted(first) + " --db " + quoted(db) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_NE(r.Err.find("1 ok, 0 faulty, 0 skipped"), std::string::npos) << r.Err;
  r = run("campaign " + quoted(first) + " --db " + quoted(db) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_NE(r.Err.find("0 ok, 0 faulty, 1 skipped"), std::string::npos) << r.Err;
  // A changed KPI file runs it again.
  e2e::WriteFile(home.Path() / "Kpis.cfg", e2e::ReadFile(home.Path() / "Kpis.cfg") +
                                               "\n[Drops]\nkind = count\n"
                                               "networks = all\nevents = Call Drop\n");
  r = run("campaign " + quoted(first) + " --db " + quoted(db) + " --home " + quoted(home.Path()), work.Path());
  EXPECT_NE(r.Err.find("1 ok, 0 faulty, 0 skipped"), std::string::npos) << r.Err;
  EXPECT_EQ(one(db, "SELECT count(*) FROM kpis k JOIN logs l ON l.id = k.log_id WHERE k.name = 'Drops' AND l.path = " +
                        json(first.string()).dump()),
            "1");

  // A database of a newer eventscan is refused, named, and left as it was.
  query(db, "PRAGMA user_version = 3");
  r = run("campaign " + quoted(second) + " --db " + quoted(db) + " --home " + quoted(home.Path()) + " --force",
          work.Path());
  EXPECT_NE(r.Status, 0);
  EXPECT_NE(r.Err.find(db.string() + ": campaign schema version 3"), std::string::npos) << r.Err;
  EXPECT_EQ(one(db, "PRAGMA user_version"), "3");
  EXPECT_EQ(one(db, "PRAGMA integrity_check"), "ok");
}

}  // namespace
