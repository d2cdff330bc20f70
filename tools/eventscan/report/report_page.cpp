#include "report/report_page.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "kpi/kpi_output.h"
#include "log/log_time.h"
#include "report/report_route.h"
#include "report/report_svg.h"
#include "report/report_window.h"

namespace eventscan {

// The page template, its style sheet and its script, embedded at build time
// from tools/eventscan/report/.
extern const std::string_view ReportPageTemplate;
extern const std::string_view ReportStyleSheet;
extern const std::string_view ReportScript;
// The map and chart libraries the page inlines (empty where the build found none).
extern const std::string_view ReportMapScript;
extern const std::string_view ReportMapStyle;
extern const std::string_view ReportChartScript;
extern const std::string_view ReportChartStyle;

namespace {

std::string optionalAttr(const char* name, const std::optional<double>& v) {
  return v ? fmt::format(" data-{}=\"{}\"", name, *v) : fmt::format(" data-{}=\"\"", name);
}

// The KPI table of the summary: the numbers `eventscan kpi` prints, with the
// definition as this network's event names spell it and the notes beside.
std::string kpiTable(const ReportData& data) {
  if (!data.KpiFileFound)
    return fmt::format("<p class=\"def\">No KPI file: {} does not exist (docs/kpis.md describes it).</p>",
                       EscapeXml(data.KpiSource));
  std::string out = "<table class=\"kpi\"><tr><th>KPI</th><th class=\"num\">value</th><th>counted as</th></tr>";
  for (const KpiValue& k : data.Kpis) {
    std::string attrs = fmt::format(" data-kpi=\"{}\" data-kind=\"{}\"", EscapeXml(k.Name), KpiKindWord(k.Kind));
    std::string value = EscapeXml(KpiValueText(k));
    switch (k.Kind) {
      case KpiKind::Ratio:
        attrs += fmt::format(" data-numerator=\"{}\" data-denominator=\"{}\"", k.Numerator, k.Denominator) +
                 optionalAttr("value", k.Value);
        break;
      case KpiKind::Statistics:
        attrs += fmt::format(" data-count=\"{}\"", k.Count) + optionalAttr("mean", k.Mean) +
                 optionalAttr("median", k.Median) + optionalAttr("p90", k.P90) + optionalAttr("max", k.Max);
        break;
      case KpiKind::Count: attrs += fmt::format(" data-count=\"{}\"", k.Count); break;
      case KpiKind::Distribution:
        attrs += fmt::format(" data-count=\"{}\"", k.Count);
        for (const KpiBin& b : k.Bins) value += "<br><small>" + EscapeXml(BinText(b)) + "</small>";
        break;
    }
    std::string notes;
    for (const std::string& n : k.Notes) notes += "<br><small class=\"note\">" + EscapeXml(n) + "</small>";
    if (!k.Reference.empty()) notes += "<br><small>" + EscapeXml(k.Reference) + "</small>";
    out += fmt::format("<tr{}><td>{}</td><td class=\"value num\">{}</td><td class=\"def\">{}{}</td></tr>", attrs,
                       EscapeXml(k.Name), value, EscapeXml(k.CountedAs), notes);
  }
  if (data.Kpis.empty()) out += "<tr><td colspan=\"3\">no KPI applies to this network</td></tr>";
  out += "</table>";
  for (const std::string& f : data.KpiFaults) out += "<p class=\"def fault\">" + EscapeXml(f) + "</p>";
  return out + fmt::format("<p class=\"def\"><small>Defined in {}. Each occurrence counts once, from every result "
                           "recorded, whether its event is displayed or not; - where nothing was counted below the "
                           "line.</small></p>",
                           EscapeXml(data.KpiSource));
}

std::string countsTable(const ReportData& data) {
  std::string out = "<table class=\"counts\"><tr><th></th><th>event</th><th>kind</th><th class=\"num\">count</th>"
                    "<th>map</th><th>graph</th></tr>";
  for (const ReportStyle& s : data.Styles)
    out += fmt::format(
        "<tr data-event=\"{}\" style=\"color:{};background:{}\"><td>{}</td><td>{}</td><td>{}</td><td class=\"num\">{}"
        "</td><td>{}</td><td>{}</td></tr>",
        EscapeXml(s.Name), ColourText(s.FontRgb), ColourText(s.BackRgb),
        s.Icon >= 0 ? fmt::format("<span class=\"icon ic{}\"></span>", s.Icon) : "", EscapeXml(s.Name), s.Kind,
        s.Count, s.InMap ? "yes" : "", s.InGraph ? "yes" : "");
  if (data.Styles.empty()) out += "<tr><td></td><td colspan=\"5\">no events</td></tr>";
  return out + "</table>";
}

// The networks of the records: a capture mixes GSM and UMTS parts, each
// named with its share of the records.
std::string networksText(const ReportData& data) {
  if (data.Networks.size() < 2) return "network " + (data.Networks.empty() ? data.Network : data.Networks[0].first);
  std::string out = "networks ";
  for (size_t i = 0; i < data.Networks.size(); ++i)
    out += fmt::format("{}{} ({} records)", i ? ", " : "", data.Networks[i].first, data.Networks[i].second);
  return out;
}

std::string facts(const ReportData& data) {
  std::string span = data.Records ? fmt::format(", {} to {}", TimeText(data.Start), TimeText(data.End)) : "";
  std::string out = fmt::format("{} records, {} events, {}{}", data.Records, data.Events.size(), networksText(data),
                                span);
  if (data.Hidden)
    out += fmt::format("; {} {} of events not displayed left out", data.Hidden, data.Hidden == 1 ? "result" : "results");
  return EscapeXml(out);
}

std::string iconClasses(const ReportData& data) {
  std::string out;
  for (size_t i = 0; i < data.Icons.size(); ++i)
    out += fmt::format(".ic{}{{background-image:url({})}}\n", i, data.Icons[i]);
  return out;
}

std::string viewJson(const ReportData& data);

// The table's data. Every "<" is written \u003c (it stands only inside JSON
// strings), so no text from a log can end the script element or open a comment.
std::string tableData(const ReportData& data) {
  nlohmann::json styles = nlohmann::json::array(), events = nlohmann::json::array();
  for (const ReportStyle& s : data.Styles)
    styles.push_back({s.Name, s.Kind, ColourText(s.BackRgb), ColourText(s.FontRgb), s.Icon, s.InMap, s.InGraph});
  for (const ReportEvent& e : data.Events) {
    std::string details;
    for (const std::string& line : e.Details) {
      if (!details.empty()) details += " | ";
      details += line;
    }
    events.push_back({e.ShownRecord(), TimeText(e.Time), e.Style, std::move(details), e.Network});
  }
  nlohmann::json all{{"styles", std::move(styles)}, {"events", std::move(events)}, {"icons", data.Icons},
                     {"tiles", data.Tiles}};
  std::string text = all.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  text.pop_back();  // the closing brace: the view's columns follow
  text += ",\"view\":" + viewJson(data) + ",\"kpiWindow\":" + KpiWindowJson(data) + "}";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<')
      out += "\\u003c";
    else
      out += c;
  }
  return out;
}

// Numbers in the page's data: a fixed number of decimals with the trailing
// zeros dropped, null for a missing value.
void appendNumber(std::string& out, double v, int decimals) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  std::string text = fmt::format("{:.{}f}", v, decimals);
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  out += text;
}

template <typename Values, typename Get>
void appendArray(std::string& out, const Values& values, Get get, int decimals) {
  out += '[';
  bool first = true;
  for (const auto& v : values) {
    if (!first) out += ',';
    first = false;
    appendNumber(out, get(v), decimals);
  }
  out += ']';
}

constexpr size_t MaxSeriesPoints = 30000;
constexpr double MinGapSeconds = 2;

// A series as the graph draws it: seconds from the log's start, a null value
// where the samples pause far longer than their typical step (a gap is drawn
// as a gap), and beyond MaxSeriesPoints the lowest and the highest sample of
// each time slot, so that peaks survive the thinning.
std::string seriesJson(const ReportSeries& s, double start) {
  const auto& in = s.Samples;
  std::vector<double> steps;
  for (size_t i = 1; i < in.size(); ++i) steps.push_back((in[i].Time - in[i - 1].Time) * 86400);
  double gap = MinGapSeconds;
  if (!steps.empty()) {
    std::nth_element(steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2), steps.end());
    gap = std::max(gap, 5 * steps[steps.size() / 2]);
  }
  std::vector<std::pair<double, double>> out;  // (seconds, value)
  const double nan = std::nan("");
  if (in.size() <= MaxSeriesPoints) {
    for (size_t i = 0; i < in.size(); ++i) {
      const double t = (in[i].Time - start) * 86400;
      if (i && (in[i].Time - in[i - 1].Time) * 86400 > gap) out.emplace_back(t, nan);
      out.emplace_back(t, in[i].Value);
    }
  } else {
    const double first = in.front().Time, span = std::max(in.back().Time - first, 1e-12);
    const double slot = span / static_cast<double>(MaxSeriesPoints / 2);
    size_t i = 0;
    while (i < in.size()) {
      const auto bucket = static_cast<long long>((in[i].Time - first) / slot);
      size_t lo = i, hi = i, j = i + 1;
      for (; j < in.size() && static_cast<long long>((in[j].Time - first) / slot) == bucket; ++j) {
        if ((in[j].Time - in[j - 1].Time) * 86400 > gap) break;
        if (in[j].Value < in[lo].Value) lo = j;
        if (in[j].Value > in[hi].Value) hi = j;
      }
      for (size_t k : {std::min(lo, hi), std::max(lo, hi)}) {
        if (k != std::min(lo, hi) && lo == hi) break;
        out.emplace_back((in[k].Time - start) * 86400, in[k].Value);
      }
      if (j < in.size() && (in[j].Time - in[j - 1].Time) * 86400 > gap)
        out.emplace_back((in[j].Time - start) * 86400, nan);
      i = j;
    }
  }
  std::string json = "{\"name\":" + nlohmann::json(s.Name).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                     ",\"label\":" + nlohmann::json(s.Label).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                     ",\"t\":";
  appendArray(json, out, [](const auto& p) { return p.first; }, 3);
  json += ",\"v\":";
  appendArray(json, out, [](const auto& p) { return p.second; }, 2);
  return json + "}";
}

// What the interactive map and graph draw, as columns of numbers: the
// fields over time, the route with its time and serving signal, and each
// event's time and position (aligned with the table's rows).
std::string viewJson(const ReportData& data) {
  std::string out = "{\"start\":" + nlohmann::json(TimeText(data.Start)).dump();
  out += ",\"span\":";
  appendNumber(out, (data.End - data.Start) * 86400, 3);
  std::vector<ReportSeries> fallback;
  const std::vector<ReportSeries>* fields = &data.Fields;
  if (data.Fields.empty() && !data.Signal.empty()) {
    fallback.push_back({"signal", data.SignalName, data.Signal});
    fields = &fallback;
  }
  out += ",\"fields\":[";
  int serving = fields->empty() ? -1 : 0;
  for (size_t i = 0; i < fields->size(); ++i) {
    if (i) out += ',';
    out += seriesJson((*fields)[i], data.Start);
    if ((*fields)[i].Name == data.SignalField) serving = static_cast<int>(i);
  }
  out += fmt::format("],\"serving\":{}", serving);
  const size_t n = data.Route.size();
  const std::vector<size_t> kept = ThinRoute(data);
  const bool timed = data.RouteTime.size() == n;
  out += ",\"route\":{\"lat\":";
  appendArray(out, kept, [&](size_t i) { return data.Route[i].Lat; }, 6);
  out += ",\"lon\":";
  appendArray(out, kept, [&](size_t i) { return data.Route[i].Lon; }, 6);
  out += ",\"t\":";
  appendArray(out, kept, [&](size_t i) { return timed ? (data.RouteTime[i] - data.Start) * 86400 : std::nan(""); }, 3);
  out += ",\"v\":";
  appendArray(out, RouteSegmentValues(data, kept), [](double v) { return v; }, 2);
  out += "},\"bins\":";
  appendArray(out, data.SignalBins, [](double v) { return v; }, 3);
  out += ",\"ev\":{\"t\":";
  appendArray(out, data.Events, [&](const ReportEvent& e) { return (e.Time - data.Start) * 86400; }, 3);
  out += ",\"lat\":";
  appendArray(out, data.Events, [](const ReportEvent& e) { return e.Where ? e.Where->Lat : std::nan(""); }, 6);
  out += ",\"lon\":";
  appendArray(out, data.Events, [](const ReportEvent& e) { return e.Where ? e.Where->Lon : std::nan(""); }, 6);
  out += "},\"failures\":";
  appendArray(out, data.Failures, [](const ReportFailure& f) { return static_cast<double>(f.Event); }, 0);
  const bool frames = std::any_of(data.Events.begin(), data.Events.end(), [](const ReportEvent& e) { return e.Shown.has_value(); });
  out += fmt::format(",\"frames\":{}", frames ? "true" : "false");
  out += ",\"networks\":[";
  for (size_t i = 0; i < data.Networks.size(); ++i) out += (i ? ",\"" : "\"") + data.Networks[i].first + "\"";
  return out + "]}";
}

std::string cellsTable(const ReportData& data) {
  if (data.Cells.empty()) return "<p class=\"def\">No record of this log names its serving cell.</p>";
  std::string out = "<table class=\"cells\"><tr><th>network</th><th>serving cell</th><th class=\"num\">samples</th>"
                    "<th class=\"num\">mean</th><th class=\"num\">worst</th><th class=\"num\">events</th>"
                    "<th class=\"num\">failures</th></tr>";
  for (const ReportCell& c : data.Cells) {
    std::string mean = c.Samples ? fmt::format("{:.1f}", c.Sum / static_cast<double>(c.Samples)) : "-";
    std::string worst = c.Worst ? fmt::format("{:.1f}", *c.Worst) : "-";
    out += fmt::format("<tr data-cell=\"{}\"><td>{}</td><td>{}</td><td class=\"num\">{}</td><td class=\"num\">{}</td>"
                       "<td class=\"num\">{}</td><td class=\"num\">{}</td><td class=\"num{}\">{}</td></tr>",
                       EscapeXml(c.Cell), c.Network, EscapeXml(c.Cell), c.Samples, mean, worst, c.Events,
                       c.Failures ? " bad" : "", c.Failures);
  }
  return out + "</table>";
}

// A small drawing of the serving signal before a failure: the seconds before
// it left to right, the failure at the right edge.
std::string sparkline(const ReportFailure& f, double at) {
  constexpr double W = 240, H = 60, Window = 10;
  std::string out = fmt::format("<svg class=\"spark\" viewBox=\"0 0 {0:.0f} {1:.0f}\" width=\"{0:.0f}\" height=\"{1:.0f}\">"
                                "<rect class=\"paper\" width=\"{0:.0f}\" height=\"{1:.0f}\"/>", W, H);
  if (f.Signal.empty()) return out + fmt::format("<text x=\"8\" y=\"{:.0f}\" class=\"nodata\">no samples</text></svg>", H / 2);
  double lo = f.Signal[0].Value, hi = lo;
  for (const SignalSample& s : f.Signal) lo = std::min(lo, s.Value), hi = std::max(hi, s.Value);
  if (hi - lo < 1) lo -= 0.5, hi += 0.5;
  std::string path;
  for (const SignalSample& s : f.Signal) {
    double x = W * (1 - (at - s.Time) * 86400 / Window), y = 6 + (H - 18) * (hi - s.Value) / (hi - lo);
    path += fmt::format("{}{:.1f} {:.1f}", path.empty() ? "M" : "L", x, y);
  }
  return out + fmt::format("<path class=\"signal\" d=\"{}\"/><text x=\"2\" y=\"{:.0f}\">{:.0f} .. {:.0f}</text></svg>",
                           path, H - 2, lo, hi);
}

std::string drillDowns(const ReportData& data) {
  if (data.Failures.empty()) return "<p class=\"def\">No failure among the events shown.</p>";
  std::string out;
  for (size_t i = 0; i < data.Failures.size(); ++i) {
    const ReportFailure& f = data.Failures[i];
    const ReportEvent& e = data.Events[f.Event];
    const ReportStyle& s = data.Styles[static_cast<size_t>(e.Style)];
    out += fmt::format("<details class=\"failure\" data-row=\"{}\"{}><summary><b>{}</b> at {}, {} {} ({})</summary>",
                       f.Event, i == 0 ? " open" : "", EscapeXml(s.Name), TimeText(e.Time), e.Shown ? "frame" : "record",
                       e.ShownRecord(), e.Network);
    // The cause is shown as its detail lines say it ("Cause: ...", "Reject
    // Cause: ..."), which name it already.
    out += fmt::format("<div class=\"drill\"><div><p>{}</p>{}<p class=\"def\">{} before it</p></div>",
                       f.Cause.empty() ? "Cause: not given" : EscapeXml(f.Cause), sparkline(f, e.Time),
                       data.SignalName.empty() ? "serving signal, 10 s" : EscapeXml(data.SignalName) + ", 10 s");
    out += "<ol class=\"messages\">";
    for (const ReportMessage& m : f.Messages)
      out += fmt::format("<li><span>{:+.3f} s</span> {}</li>", (m.Time - e.Time) * 86400, EscapeXml(m.Name));
    if (f.Messages.empty()) out += "<li>no message in the 10 s before</li>";
    out += "</ol></div></details>";
  }
  if (data.FailuresLeftOut)
    out += fmt::format("<p class=\"def\">{} more failures are in the table.</p>", data.FailuresLeftOut);
  return out;
}

std::string nameOptions(const ReportData& data) {
  std::string out;
  for (const ReportStyle& s : data.Styles) out += fmt::format("<option value=\"{}\">", EscapeXml(s.Name));
  return out;
}

}  // namespace

void WriteReportPage(std::ostream& out, const ReportData& data) {
  std::string_view page = ReportPageTemplate;
  std::string title = data.LogName;
  if (auto slash = title.find_last_of('/'); slash != std::string::npos) title.erase(0, slash + 1);
  // Each placeholder is replaced where it stands; inserted text is never
  // scanned again, so a log or event name that looks like one stays as it is.
  auto value = [&](std::string_view key) -> std::string {
    if (key == "TITLE") return EscapeXml(title);
    if (key == "STYLE") return std::string(ReportStyleSheet);
    if (key == "ICON_CLASSES") return iconClasses(data);
    if (key == "ICON_SYMBOLS") return IconSymbols(data);
    if (key == "FACTS") return facts(data);
    if (key == "KPIS") return kpiTable(data);
    if (key == "COUNTS") return countsTable(data);
    if (key == "MAP") return RouteMapSvg(data);
    if (key == "GRAPH") return SignalGraphSvg(data);
    if (key == "NAME_OPTIONS") return nameOptions(data);
    if (key == "CELLS") return cellsTable(data);
    if (key == "FAILURES") return drillDowns(data);
    if (key == "DATA") return tableData(data);
    if (key == "SCRIPT") return std::string(ReportScript);
    if (key == "LIBRARY_STYLES")
      return std::string(ReportMapStyle) + "\n" + std::string(ReportChartStyle);
    if (key == "MAP_LIBRARY") return std::string(ReportMapScript);
    if (key == "CHART_LIBRARY") return std::string(ReportChartScript);
    return "@" + std::string(key) + "@";
  };
  size_t at = 0;
  while (at < page.size()) {
    size_t open = page.find('@', at);
    size_t close = open == std::string_view::npos ? open : page.find('@', open + 1);
    if (close == std::string_view::npos) {
      out << page.substr(at);
      break;
    }
    std::string_view key = page.substr(open + 1, close - open - 1);
    bool placeholder = !key.empty() && key.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") == std::string_view::npos;
    if (!placeholder) {
      out << page.substr(at, close - at);
      at = close;
      continue;
    }
    out << page.substr(at, open - at) << value(key);
    at = close + 1;
  }
}

}  // namespace eventscan
