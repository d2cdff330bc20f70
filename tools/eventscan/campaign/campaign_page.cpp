#include "campaign/campaign_page.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <set>

#include <fmt/format.h>

#include "report/report_svg.h"

namespace eventscan {
namespace {

class Reader {
 public:
  explicit Reader(const std::string& path) : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
      std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
      sqlite3_close(db_);
      throw CampaignDbError(fmt::format("{}: cannot open the campaign database: {}", path, why));
    }
    sqlite3_busy_timeout(db_, 10000);
  }
  ~Reader() { sqlite3_close(db_); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Calls `row` with each row of `sql`.
  template <typename Row>
  void Each(const char* sql, Row&& row) {
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) fail();
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) row(s);
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE) fail();
  }

 private:
  [[noreturn]] void fail() {
    throw CampaignDbError(fmt::format("{}: cannot read the campaign database: {}", path_, sqlite3_errmsg(db_)));
  }
  std::string path_;
  sqlite3* db_ = nullptr;
};

std::string text(sqlite3_stmt* s, int i) {
  const unsigned char* t = sqlite3_column_text(s, i);
  return t ? std::string(reinterpret_cast<const char*>(t), static_cast<size_t>(sqlite3_column_bytes(s, i))) : "";
}
std::optional<double> real(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_double(s, i);
}
std::optional<int64_t> integer(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_int64(s, i);
}

std::string number(double v) { return fmt::format("{:.2f}", v); }

const char* const Palette[] = {"#1f77b4", "#2ca02c", "#9467bd", "#8c564b", "#e377c2",
                               "#17becf", "#bcbd22", "#7f7f7f", "#ff7f0e", "#393b79"};

}  // namespace

std::string CauseOf(const std::string& details) {
  size_t at = 0;
  while (at < details.size()) {
    size_t end = details.find('\n', at);
    if (end == std::string::npos) end = details.size();
    std::string_view line(details.data() + at, end - at);
    if (line.substr(0, 7) == "Cause: ") {
      std::string cause(line.substr(7));
      while (!cause.empty() && (cause.back() == ' ' || cause.back() == '\r')) cause.pop_back();
      return cause;
    }
    at = end + 1;
  }
  return {};
}

CampaignPageData ReadCampaignPage(const std::string& database) {
  Reader db(database);
  int version = -1;
  db.Each("PRAGMA user_version", [&](sqlite3_stmt* s) { version = sqlite3_column_int(s, 0); });
  if (version != CampaignSchemaVersion)
    throw CampaignDbError(version == 1 ? fmt::format("{}: a campaign database of schema version 1, which keeps no KPIs; "
                                                     "run the campaign again to bring it to version {}",
                                                     database, CampaignSchemaVersion)
                                       : fmt::format("{}: not a campaign database of schema version {} (it has {})",
                                                     database, CampaignSchemaVersion, version));
  CampaignPageData data;
  data.Database = database;
  std::map<int64_t, size_t> at;
  db.Each(
      "SELECT l.id, l.path, l.network, l.first_time, l.status, l.fault, l.size, l.records, "
      "(SELECT count(*) FROM results r WHERE r.log_id = l.id) FROM logs l ORDER BY l.path, l.id",
      [&](sqlite3_stmt* s) {
        CampaignPageLog log;
        log.Id = sqlite3_column_int64(s, 0);
        log.Path = text(s, 1);
        log.Network = text(s, 2);
        log.FirstTime = text(s, 3);
        log.Status = text(s, 4);
        log.Fault = text(s, 5);
        log.Size = sqlite3_column_int64(s, 6);
        log.Records = sqlite3_column_int64(s, 7);
        log.Results = sqlite3_column_int64(s, 8);
        at[log.Id] = data.Logs.size();
        data.Logs.push_back(std::move(log));
      });
  std::map<int64_t, std::pair<size_t, size_t>> kpiAt;  // kpi id: log, index
  db.Each(
      "SELECT id, log_id, name, kind, value, numerator, denominator, count, mean, median, p90, max, unit, counted_as, "
      "notes FROM kpis ORDER BY log_id, seq",
      [&](sqlite3_stmt* s) {
        auto log = at.find(sqlite3_column_int64(s, 1));
        if (log == at.end()) return;
        CampaignKpi k;
        k.Name = text(s, 2);
        k.Kind = text(s, 3);
        k.Value = real(s, 4);
        k.Numerator = integer(s, 5);
        k.Denominator = integer(s, 6);
        k.Count = integer(s, 7);
        k.Mean = real(s, 8);
        k.Median = real(s, 9);
        k.P90 = real(s, 10);
        k.Max = real(s, 11);
        k.Unit = text(s, 12);
        k.CountedAs = text(s, 13);
        k.Notes = text(s, 14);
        std::vector<CampaignKpi>& kpis = data.Logs[log->second].Kpis;
        kpiAt[sqlite3_column_int64(s, 0)] = {log->second, kpis.size()};
        kpis.push_back(std::move(k));
      });
  db.Each("SELECT kpi_id, label, count, share FROM kpi_bins ORDER BY kpi_id, seq", [&](sqlite3_stmt* s) {
    auto k = kpiAt.find(sqlite3_column_int64(s, 0));
    if (k == kpiAt.end()) return;
    data.Logs[k->second.first].Kpis[k->second.second].Bins.push_back(
        {text(s, 1), sqlite3_column_int64(s, 2), real(s, 3)});
  });
  db.Each("SELECT log_id, latitude, longitude FROM route_points ORDER BY log_id, seq", [&](sqlite3_stmt* s) {
    auto log = at.find(sqlite3_column_int64(s, 0));
    if (log != at.end())
      data.Logs[log->second].Route.emplace_back(sqlite3_column_double(s, 1), sqlite3_column_double(s, 2));
  });
  db.Each(
      "SELECT log_id, event, time, details, latitude, longitude FROM results WHERE event LIKE '%fail%' OR event LIKE "
      "'%drop%' OR event LIKE '%reject%' ORDER BY log_id, seq",
      [&](sqlite3_stmt* s) {
        data.Failures.push_back(
            {sqlite3_column_int64(s, 0), text(s, 1), text(s, 2), CauseOf(text(s, 3)), real(s, 4), real(s, 5)});
      });
  return data;
}

std::vector<CampaignKpi> CombineKpis(const std::vector<const CampaignPageLog*>& logs) {
  std::vector<CampaignKpi> all;
  std::map<std::pair<std::string, std::string>, size_t> at;
  std::map<size_t, double> weighted;  // statistics: sum of count times mean
  for (const CampaignPageLog* log : logs)
    for (const CampaignKpi& k : log->Kpis) {
      auto [it, added] = at.try_emplace({k.Name, k.Kind}, all.size());
      if (added) {
        CampaignKpi c;
        c.Name = k.Name;
        c.Kind = k.Kind;
        c.Unit = k.Unit;
        c.CountedAs = k.CountedAs;
        c.Count = 0;
        if (k.Kind == "ratio") c.Numerator = 0, c.Denominator = 0;
        all.push_back(std::move(c));
      }
      CampaignKpi& c = all[it->second];
      *c.Count += k.Count.value_or(0);
      if (k.Kind == "ratio") {
        *c.Numerator += k.Numerator.value_or(0);
        *c.Denominator += k.Denominator.value_or(0);
      } else if (k.Kind == "statistics" && k.Mean && k.Count) {
        weighted[it->second] += *k.Mean * static_cast<double>(*k.Count);
        if (k.Max && (!c.Max || *k.Max > *c.Max)) c.Max = k.Max;
      } else if (k.Kind == "distribution") {
        for (const CampaignKpiBin& b : k.Bins) {
          auto bin = std::find_if(c.Bins.begin(), c.Bins.end(), [&b](const CampaignKpiBin& x) { return x.Label == b.Label; });
          if (bin == c.Bins.end()) c.Bins.push_back({b.Label, b.Count, std::nullopt});
          else bin->Count += b.Count;
        }
      }
    }
  for (size_t i = 0; i < all.size(); ++i) {
    CampaignKpi& c = all[i];
    if (c.Kind == "ratio") {
      c.Count.reset();
      if (*c.Denominator > 0) c.Value = 100.0 * static_cast<double>(*c.Numerator) / static_cast<double>(*c.Denominator);
    } else if (c.Kind == "count") {
      c.Value = static_cast<double>(*c.Count);
    } else if (c.Kind == "statistics") {
      if (*c.Count > 0) c.Value = c.Mean = weighted[i] / static_cast<double>(*c.Count);
    } else if (c.Kind == "distribution") {
      int64_t total = 0;
      for (const CampaignKpiBin& b : c.Bins) total += b.Count;
      for (CampaignKpiBin& b : c.Bins)
        if (total > 0) b.Share = 100.0 * static_cast<double>(b.Count) / static_cast<double>(total);
      c.Count = total;
    }
  }
  return all;
}

std::string CampaignKpiText(const CampaignKpi& k) {
  const std::string unit = k.Unit.empty() ? "" : " " + k.Unit;
  if (k.Kind == "ratio") {
    if (!k.Value) return fmt::format("- ({}/{})", k.Numerator.value_or(0), k.Denominator.value_or(0));
    return fmt::format("{:.1f} % ({}/{})", *k.Value, k.Numerator.value_or(0), k.Denominator.value_or(0));
  }
  if (k.Kind == "statistics") {
    if (!k.Mean) return "- (0 values)";
    std::string t = fmt::format("n {}, mean {}{}", k.Count.value_or(0), number(*k.Mean), unit);
    if (k.Median) t += ", median " + number(*k.Median);
    if (k.P90) t += ", p90 " + number(*k.P90);
    if (k.Max) t += ", max " + number(*k.Max);
    return t;
  }
  if (k.Kind == "count") return std::to_string(k.Count.value_or(0));
  std::string t = fmt::format("{} samples", k.Count.value_or(0));
  for (const CampaignKpiBin& b : k.Bins)
    t += b.Share ? fmt::format("; {}: {:.1f} % ({})", b.Label, *b.Share, b.Count) : fmt::format("; {}: -", b.Label);
  return t;
}

namespace {

// The numbers a test or a script reads back, as attributes of the value's cell.
std::string kpiCell(const CampaignKpi& k, const std::string& scope) {
  std::string attrs = fmt::format(" data-scope=\"{}\" data-kpi=\"{}\" data-kind=\"{}\"", EscapeXml(scope),
                                  EscapeXml(k.Name), EscapeXml(k.Kind));
  if (k.Numerator) attrs += fmt::format(" data-numerator=\"{}\"", *k.Numerator);
  if (k.Denominator) attrs += fmt::format(" data-denominator=\"{}\"", *k.Denominator);
  if (k.Count) attrs += fmt::format(" data-count=\"{}\"", *k.Count);
  if (k.Value) attrs += fmt::format(" data-value=\"{}\"", *k.Value);
  return fmt::format("<td class=\"num\"{}>{}</td>", attrs, EscapeXml(CampaignKpiText(k)));
}

std::string kpiTable(const std::vector<CampaignKpi>& kpis, const std::string& scope) {
  if (kpis.empty()) return "<p class=\"def\">No KPIs.</p>";
  std::string out = "<table class=\"kpi\"><tr><th>KPI</th><th class=\"num\">value</th><th>notes</th></tr>";
  for (const CampaignKpi& k : kpis)
    out += fmt::format("<tr><td title=\"{}\">{}</td>{}<td class=\"def\">{}</td></tr>", EscapeXml(k.CountedAs),
                       EscapeXml(k.Name), kpiCell(k, scope), EscapeXml(k.Notes));
  return out + "</table>";
}

// Every route on one flat local projection, each log in its colour, the
// failures as red rings with their event, cause and log on hover.
std::string campaignMap(const CampaignPageData& data) {
  constexpr double W = 960, H = 560, M = 36;
  std::string out = fmt::format("<svg id=\"map\" viewBox=\"0 0 {:.0f} {:.0f}\" role=\"img\" aria-label=\"routes of "
                                "the campaign\"><rect class=\"paper\" width=\"{:.0f}\" height=\"{:.0f}\"/>",
                                W, H, W, H);
  double latMin = 90, latMax = -90, lonMin = 180, lonMax = -180;
  auto extend = [&](double lat, double lon) {
    latMin = std::min(latMin, lat), latMax = std::max(latMax, lat);
    lonMin = std::min(lonMin, lon), lonMax = std::max(lonMax, lon);
  };
  for (const CampaignPageLog& l : data.Logs)
    for (const auto& [lat, lon] : l.Route) extend(lat, lon);
  for (const CampaignFailure& f : data.Failures)
    if (f.Latitude && f.Longitude) extend(*f.Latitude, *f.Longitude);
  if (latMin > latMax)
    return out + fmt::format("<text x=\"{:.0f}\" y=\"{:.0f}\" text-anchor=\"middle\">no positions in this "
                             "campaign</text></svg>",
                             W / 2, H / 2);
  const double cosLat = std::cos((latMin + latMax) / 2 * 3.14159265358979323846 / 180);
  const double spanX = std::max((lonMax - lonMin) * cosLat, 1e-6), spanY = std::max(latMax - latMin, 1e-6);
  const double scale = std::min((W - 2 * M) / spanX, (H - 2 * M) / spanY);
  const double offX = (W - spanX * scale) / 2, offY = (H - spanY * scale) / 2;
  auto x = [&](double lon) { return offX + (lon - lonMin) * cosLat * scale; };
  auto y = [&](double lat) { return offY + (latMax - lat) * scale; };
  std::map<int64_t, size_t> colour;
  for (size_t i = 0; i < data.Logs.size(); ++i) {
    const CampaignPageLog& l = data.Logs[i];
    colour[l.Id] = i;
    if (l.Route.empty()) continue;
    std::string path;
    for (const auto& [lat, lon] : l.Route)
      path += fmt::format("{}{:.1f} {:.1f}", path.empty() ? "M" : "L", x(lon), y(lat));
    out += fmt::format("<path class=\"route\" data-log=\"{}\" stroke=\"{}\" d=\"{}\"><title>{}</title></path>", l.Id,
                       Palette[i % std::size(Palette)], path, EscapeXml(l.Path));
  }
  std::map<int64_t, const CampaignPageLog*> byId;
  for (const CampaignPageLog& l : data.Logs) byId[l.Id] = &l;
  for (const CampaignFailure& f : data.Failures) {
    if (!f.Latitude || !f.Longitude) continue;
    const CampaignPageLog* l = byId[f.Log];
    out += fmt::format(
        "<circle class=\"failure\" data-log=\"{}\" cx=\"{:.1f}\" cy=\"{:.1f}\" r=\"6\"><title>{} {}{}{}</title></circle>",
        f.Log, x(*f.Longitude), y(*f.Latitude), EscapeXml(f.Event), EscapeXml(f.Time),
        f.Cause.empty() ? "" : " · " + EscapeXml(f.Cause), l ? " · " + EscapeXml(l->Path) : "");
  }
  // A scale bar: metres per pixel along a meridian.
  const ScaleBar bar = ChooseScaleBar(111320.0 / scale, 160);
  if (bar.Pixels > 0)
    out += fmt::format("<path class=\"scale\" d=\"M20 {0:.0f}h{1:.0f}\"/><text x=\"20\" y=\"{2:.0f}\">{3}</text>",
                       H - 20, bar.Pixels, H - 26,
                       bar.Metres >= 1000 ? fmt::format("{:g} km", bar.Metres / 1000) : fmt::format("{:g} m", bar.Metres));
  return out + "</svg>";
}

const char* const Style = R"css(
body{font:14px/1.4 system-ui,sans-serif;margin:0 24px 40px;color:#222}
h1{font-size:22px;margin:18px 0 4px}h2{font-size:17px;margin:24px 0 8px;border-bottom:1px solid #ddd}
table{border-collapse:collapse;margin:4px 0 12px}td,th{padding:3px 10px;border-bottom:1px solid #eee;text-align:left;vertical-align:top}
th{background:#f4f4f4}.num{text-align:right;font-variant-numeric:tabular-nums}.def{color:#666;font-size:12px}
.bad{color:#b00}svg#map{width:100%;max-width:960px;border:1px solid #ccc;background:#fafafa}
.paper{fill:#fafafa}.route{fill:none;stroke-width:2.5;opacity:.8}.failure{fill:none;stroke:#d00;stroke-width:2.5}
.scale{stroke:#333;stroke-width:3}details{margin:2px 0}summary{cursor:pointer}
.days td{font-size:12px}
)css";

}  // namespace

void WriteCampaignPage(std::ostream& out, const CampaignPageData& data, const std::map<int64_t, std::string>& links) {
  std::vector<const CampaignPageLog*> all;
  std::map<std::string, std::vector<const CampaignPageLog*>> days;
  int64_t records = 0, results = 0;
  size_t ok = 0;
  for (const CampaignPageLog& l : data.Logs) {
    all.push_back(&l);
    days[l.Day()].push_back(&l);
    records += l.Records;
    results += l.Results;
    if (l.Status == "ok") ++ok;
  }
  out << "<!DOCTYPE html><html lang=\"en\"><head><meta charset=\"utf-8\"><meta name=\"viewport\" "
         "content=\"width=device-width\"><title>Campaign "
      << EscapeXml(data.Database) << "</title><style>" << Style << "</style></head><body>";
  out << fmt::format("<h1>Campaign {}</h1><p>{} logs ({} ok, {} not), {} records, {} results, {} failures.</p>",
                     EscapeXml(data.Database), data.Logs.size(), ok, data.Logs.size() - ok, records, results,
                     data.Failures.size());

  out << "<h2>Routes and failures</h2>" << campaignMap(data);

  out << "<h2>Top failure causes</h2>";
  std::map<std::string, std::pair<size_t, std::set<std::string>>> causes;
  for (const CampaignFailure& f : data.Failures) {
    auto& c = causes[f.Cause.empty() ? "(no cause given)" : f.Cause];
    ++c.first;
    c.second.insert(f.Event);
  }
  std::vector<std::pair<std::string, std::pair<size_t, std::set<std::string>>>> ranked(causes.begin(), causes.end());
  // Failures without a cause are listed last: they name no cause to look into.
  std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
    const bool aNone = a.first == "(no cause given)", bNone = b.first == "(no cause given)";
    if (aNone != bNone) return bNone;
    return a.second.first > b.second.first;
  });
  if (ranked.empty()) out << "<p>No failures.</p>";
  else {
    out << "<table class=\"causes\"><tr><th>cause</th><th class=\"num\">failures</th><th>events</th></tr>";
    for (size_t i = 0; i < ranked.size() && i < 20; ++i) {
      std::string events;
      for (const std::string& e : ranked[i].second.second) events += (events.empty() ? "" : ", ") + EscapeXml(e);
      out << fmt::format("<tr><td>{}</td><td class=\"num\" data-cause=\"{}\">{}</td><td>{}</td></tr>",
                         EscapeXml(ranked[i].first), EscapeXml(ranked[i].first), ranked[i].second.first, events);
    }
    out << "</table>";
  }

  out << "<h2>KPIs of the whole campaign</h2><p class=\"def\">Ratios from the numerators and denominators summed over "
         "the logs; statistics give the count-weighted mean and the largest maximum (median and 90th percentile are "
         "per log).</p>"
      << kpiTable(CombineKpis(all), "campaign");

  // One column a day; a KPI that a day's logs lack has an empty cell.
  out << "<h2>KPIs per day</h2><p class=\"def\">A log counts on the day of its first record.</p><table "
         "class=\"kpi days\"><tr><th>KPI</th>";
  std::vector<std::vector<CampaignKpi>> perDay;
  for (const auto& [day, logs] : days) {
    out << fmt::format("<th class=\"num\">{} · {} {}</th>", EscapeXml(day), logs.size(), logs.size() == 1 ? "log" : "logs");
    perDay.push_back(CombineKpis(logs));
  }
  out << "</tr>";
  for (const CampaignKpi& k : CombineKpis(all)) {
    out << fmt::format("<tr><td>{}</td>", EscapeXml(k.Name));
    size_t column = 0;
    for (const auto& [day, logs] : days) {
      const std::vector<CampaignKpi>& kpis = perDay[column++];
      auto it = std::find_if(kpis.begin(), kpis.end(),
                             [&k](const CampaignKpi& d) { return d.Name == k.Name && d.Kind == k.Kind; });
      out << (it == kpis.end() ? std::string("<td></td>") : kpiCell(*it, "day " + day));
    }
    out << "</tr>";
  }
  out << "</table>";

  out << "<h2>Logs</h2><table class=\"logs\"><tr><th>log</th><th>day</th><th>network</th><th "
         "class=\"num\">records</th><th class=\"num\">results</th><th>status</th></tr>";
  for (const CampaignPageLog& l : data.Logs) {
    auto link = links.find(l.Id);
    std::string name = link == links.end() ? EscapeXml(l.Path)
                                           : fmt::format("<a class=\"log\" href=\"{}\">{}</a>",
                                                         EscapeXml(link->second), EscapeXml(l.Path));
    out << fmt::format(
        "<tr><td>{}</td><td>{}</td><td>{}</td><td class=\"num\">{}</td><td class=\"num\">{}</td><td{}>{}{}</td></tr>",
        name, EscapeXml(l.Day()), EscapeXml(l.Network), l.Records, l.Results, l.Status == "ok" ? "" : " class=\"bad\"",
        EscapeXml(l.Status), l.Fault.empty() ? "" : ": " + EscapeXml(l.Fault));
  }
  out << "</table><h2>KPIs per log</h2>";
  for (const CampaignPageLog& l : data.Logs)
    out << fmt::format("<details><summary>{}</summary>", EscapeXml(l.Path))
        << kpiTable(l.Kpis, "log " + std::to_string(l.Id)) << "</details>";
  out << "</body></html>\n";
}

}  // namespace eventscan
