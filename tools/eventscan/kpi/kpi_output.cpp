#include "kpi/kpi_output.h"

#include <algorithm>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "output/row_text.h"

namespace eventscan {
namespace {

std::string number(double v) { return fmt::format("{:.2f}", v); }

std::string csvField(const std::string& s) {
  RowBuffer b;
  AppendCsvField(b, s);
  return fmt::to_string(b);
}

nlohmann::json optionalNumber(const std::optional<double>& v) { return v ? nlohmann::json(*v) : nlohmann::json(); }

std::string notesText(const KpiValue& k) { return fmt::format("{}", fmt::join(k.Notes, "; ")); }

nlohmann::json jsonOf(const KpiValue& k) {
    nlohmann::json o;
    o["name"] = k.Name;
    o["kind"] = KpiKindWord(k.Kind);
    switch (k.Kind) {
      case KpiKind::Ratio:
        o["value"] = optionalNumber(k.Value);
        o["numerator"] = k.Numerator;
        o["denominator"] = k.Denominator;
        break;
      case KpiKind::Statistics:
        o["value"] = optionalNumber(k.Value);
        o["count"] = k.Count;
        o["mean"] = optionalNumber(k.Mean);
        o["median"] = optionalNumber(k.Median);
        o["p90"] = optionalNumber(k.P90);
        o["max"] = optionalNumber(k.Max);
        break;
      case KpiKind::Count:
        o["value"] = k.Count;
        break;
      case KpiKind::Distribution: {
        // The value is the share of each bin in percent, in bin order.
        nlohmann::json shares = nlohmann::json::array(), bins = nlohmann::json::array();
        for (const KpiBin& b : k.Bins) {
          shares.push_back(optionalNumber(b.Share));
          bins.push_back({{"bin", b.Label}, {"count", b.Count}, {"share", optionalNumber(b.Share)}});
        }
        o["value"] = shares;
        o["samples"] = k.Count;
        o["bins"] = bins;
        break;
      }
    }
    if (!k.Unit.empty()) o["unit"] = k.Unit;
    o["counted_as"] = k.CountedAs;
    if (!k.Notes.empty()) o["notes"] = k.Notes;
    if (!k.Reference.empty()) o["reference"] = k.Reference;
    return o;
}

void writeJson(std::ostream& out, const std::vector<KpiValue>& kpis) {
  nlohmann::json all = nlohmann::json::array();
  for (const KpiValue& k : kpis) all.push_back(jsonOf(k));
  out << all.dump(2) << '\n';
}

// One printed line per KPI, and one per bin of a distribution.
struct Line {
  std::string Name, Kind, Value, Notes;
};

std::vector<Line> linesOf(const std::vector<KpiValue>& kpis) {
  std::vector<Line> lines;
  for (const KpiValue& k : kpis) {
    lines.push_back({k.Name, KpiKindWord(k.Kind), KpiValueText(k), notesText(k)});
    if (k.Kind == KpiKind::Distribution)
      for (const KpiBin& b : k.Bins)
        lines.push_back({k.Name + " " + b.Label, "bin",
                         b.Share ? fmt::format("{:.1f} % ({})", *b.Share, b.Count) : std::string("-"), ""});
  }
  return lines;
}

void writeCsv(std::ostream& out, const std::vector<KpiValue>& kpis) {
  out << "name,kind,value,numerator,denominator,count,mean,median,p90,max,unit,notes\n";
  auto opt = [](const std::optional<double>& v) { return v ? fmt::format("{}", *v) : std::string(); };
  for (const KpiValue& k : kpis) {
    std::string num, den, count;
    if (k.Kind == KpiKind::Ratio) num = std::to_string(k.Numerator), den = std::to_string(k.Denominator);
    if (k.Kind != KpiKind::Ratio) count = std::to_string(k.Count);
    std::string value = k.Kind == KpiKind::Distribution ? std::string() : opt(k.Value);
    out << fmt::format("{},{},{},{},{},{},{},{},{},{},{},{}\n", csvField(k.Name), KpiKindWord(k.Kind), value, num, den,
                       count, opt(k.Mean), opt(k.Median), opt(k.P90), opt(k.Max), csvField(k.Unit),
                       csvField(notesText(k)));
    if (k.Kind == KpiKind::Distribution)
      for (const KpiBin& b : k.Bins)
        out << fmt::format("{},bin,{},,,{},,,,,%,\n", csvField(k.Name + " " + b.Label), opt(b.Share), b.Count);
  }
}

void writeTable(std::ostream& out, const std::vector<KpiValue>& kpis) {
  std::vector<Line> lines = linesOf(kpis);
  size_t name = 3, kind = 4, value = 5;
  for (const Line& l : lines) {
    name = std::max(name, l.Name.size());
    kind = std::max(kind, l.Kind.size());
    value = std::max(value, l.Value.size());
  }
  out << fmt::format("{:<{}}  {:<{}}  {:<{}}  {}\n", "KPI", name, "kind", kind, "value", value, "notes");
  for (const Line& l : lines) {
    std::string text = fmt::format("{:<{}}  {:<{}}  {:<{}}  {}", l.Name, name, l.Kind, kind, l.Value, value, l.Notes);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out << text << '\n';
  }
}

}  // namespace

std::string KpiValueText(const KpiValue& k) {
  std::string unit = k.Unit.empty() ? "" : " " + k.Unit;
  switch (k.Kind) {
    case KpiKind::Ratio:
      if (!k.Value) return fmt::format("- (0/0)");
      return fmt::format("{:.1f} % ({}/{})", *k.Value, k.Numerator, k.Denominator);
    case KpiKind::Statistics:
      if (!k.Mean) return "- (0 values)";
      return fmt::format("n {}, mean {}{}, median {}, p90 {}, max {}", k.Count, number(*k.Mean), unit,
                         number(*k.Median), number(*k.P90), number(*k.Max));
    case KpiKind::Count: return std::to_string(k.Count);
    case KpiKind::Distribution: return fmt::format("{} samples", k.Count);
  }
  return "-";
}

std::string BinText(const KpiBin& b) {
  return b.Share ? fmt::format("{}: {:.1f} % ({})", b.Label, *b.Share, b.Count) : fmt::format("{}: -", b.Label);
}

std::string KpiJsonText(const KpiValue& kpi) {
  return jsonOf(kpi).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void WriteKpiTable(std::ostream& out, const std::vector<KpiValue>& kpis, KpiFormat format) {
  switch (format) {
    case KpiFormat::Table: writeTable(out, kpis); break;
    case KpiFormat::Csv: writeCsv(out, kpis); break;
    case KpiFormat::Json: writeJson(out, kpis); break;
  }
}

}  // namespace eventscan
