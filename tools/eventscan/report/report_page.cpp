#include "report/report_page.h"

#include <algorithm>
#include <string>
#include <string_view>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "log/log_time.h"
#include "report/report_kpi.h"
#include "report/report_svg.h"

namespace eventscan {

// The page template, its style sheet and its script, embedded at build time
// from tools/eventscan/report/.
extern const std::string_view ReportPageTemplate;
extern const std::string_view ReportStyleSheet;
extern const std::string_view ReportScript;

namespace {

std::string joinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) {
    if (!out.empty()) out += " + ";
    out += n;
  }
  return out;
}

// "(A + B) / (C)"; a denominator that begins with the numerator's names is
// written "(A + B) / (the same + C)", which keeps long definitions readable.
std::string definitionText(const KpiDefinition& d) {
  const auto& n = d.Numerator;
  const auto& all = d.Denominator;
  if (n.size() > 1 && all.size() > n.size() && std::equal(n.begin(), n.end(), all.begin()))
    return fmt::format("({}) / (the same + {})", joinNames(n), joinNames({all.begin() + static_cast<long>(n.size()), all.end()}));
  return fmt::format("({}) / ({})", joinNames(n), joinNames(all));
}

std::string kpiTable(const ReportData& data) {
  std::string out = "<table class=\"kpi\"><tr><th>ratio</th><th class=\"num\">value</th><th>counted as</th></tr>";
  for (const KpiValue& k : ComputeKpis(data)) {
    auto percent = k.Percent();
    std::string value = percent ? fmt::format("{:.1f} %", *percent) : "n/a";
    out += fmt::format(
        "<tr data-kpi=\"{}\" data-numerator=\"{}\" data-denominator=\"{}\" data-percent=\"{}\"><td>{}</td>"
        "<td class=\"value num\">{} <small>({} / {})</small></td><td class=\"def\">{}</td></tr>",
        EscapeXml(k.Definition->Title), k.Numerator, k.Denominator, percent ? fmt::format("{:.4f}", *percent) : "",
        EscapeXml(k.Definition->Title), value, k.Numerator, k.Denominator, EscapeXml(definitionText(*k.Definition)));
  }
  return out + "</table><p class=\"def\"><small>Each count is the number of displayed results of the events named; "
               "n/a where nothing was counted below the line.</small></p>";
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
