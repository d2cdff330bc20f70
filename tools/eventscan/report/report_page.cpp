#include "report/report_page.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "kpi/kpi_output.h"
#include "log/log_time.h"
#include "report/report_svg.h"

namespace eventscan {

// The page template, its style sheet and its script, embedded at build time
// from tools/eventscan/report/.
extern const std::string_view ReportPageTemplate;
extern const std::string_view ReportStyleSheet;
extern const std::string_view ReportScript;

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

std::string facts(const ReportData& data) {
  std::string span = data.Records ? fmt::format(", {} to {}", TimeText(data.Start), TimeText(data.End)) : "";
  std::string out = fmt::format("{} records, {} events, network {}{}", data.Records, data.Events.size(), data.Network,
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

// The table's data. Every "<" is written \u003c (it stands only inside JSON
// strings), so no text from a log can end the script element or open a comment.
std::string tableData(const ReportData& data) {
  nlohmann::json styles = nlohmann::json::array(), events = nlohmann::json::array();
  for (const ReportStyle& s : data.Styles)
    styles.push_back({s.Name, s.Kind, ColourText(s.BackRgb), ColourText(s.FontRgb), s.Icon});
  for (const ReportEvent& e : data.Events) {
    std::string details;
    for (const std::string& line : e.Details) {
      if (!details.empty()) details += " | ";
      details += line;
    }
    events.push_back({e.Record, TimeText(e.Time), e.Style, std::move(details), e.Network});
  }
  nlohmann::json all{{"styles", std::move(styles)}, {"events", std::move(events)}};
  std::string text = all.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
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
    if (key == "DATA") return tableData(data);
    if (key == "SCRIPT") return std::string(ReportScript);
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
