#include "report/report_data.h"

#include <algorithm>
#include <map>

#include <fmt/format.h>

#include "eventmanager/event_property.h"
#include "eventmanager/outside/data_access.h"
#include "log/networks.h"
#include "output/result_rows.h"
#include "report/report_icons.h"

namespace eventscan {
namespace {

// A measured value that a field of the catalogue scales (Ec/Io in 0.1 dB).
struct SignalField {
  const char* Field;
  double Scale;
  const char* Label;
};

// The serving cell's level first: it is what the coverage of a drive is judged
// by; the quality figure stands in where a log carries no level.
const std::vector<SignalField>& candidates(uint8_t network) {
  static const std::vector<SignalField> gsm{{"RxLevSub", 1, "RxLev Sub (dBm)"}, {"RxLevFull", 1, "RxLev Full (dBm)"}};
  static const std::vector<SignalField> cdma{{"CDMA_RxPower", 1, "Rx power (dBm)"},
                                             {"CDMA_EcIo", 0.1, "pilot Ec/Io (dB)"}};
  static const std::vector<SignalField> umts{{"RSCP", 1, "CPICH RSCP (dBm)"}, {"EcIo", 0.1, "CPICH Ec/Io (dB)"}};
  static const std::vector<SignalField> tdscdma{{"PCCPCH_RSCP", 1, "PCCPCH RSCP (dBm)"},
                                                {"DPCH_RSCP", 1, "DPCH RSCP (dBm)"}};
  static const std::vector<SignalField> none;
  switch (network) {
    case 0: return gsm;
    case 1: return cdma;
    case 2: return umts;
    case 3: return tdscdma;
    default: return none;
  }
}

constexpr int32_t LatitudeField = 70;   // 1e-6 degree
constexpr int32_t LongitudeField = 71;

std::optional<GeoPoint> positionOf(const HandsetRecord& rec) {
  int32_t lat = rec.Field(LatitudeField), lon = rec.Field(LongitudeField);
  if (lat == NoValue || lon == NoValue) return std::nullopt;
  if (lat < -90000000 || lat > 90000000 || lon < -180000000 || lon > 180000000) return std::nullopt;
  // A receiver without a fix writes zeros; that point is not on the route.
  if (lat == 0 && lon == 0) return std::nullopt;
  return GeoPoint{lat / 1e6, lon / 1e6};
}

// A catalogue field as the graph offers it: values scaled to the unit its
// description names ("(0.1 dB)" gives 0.1 and "dB").
struct FieldShape {
  std::string Name, Label;
  double Scale = 1;
};

std::optional<FieldShape> shapeOf(int32_t id, uint8_t network) {
  if (id == LatitudeField || id == LongitudeField) return std::nullopt;  // the map draws them
  const FieldInfo* found = nullptr;
  for (const FieldInfo& f : FieldCatalogue()) {
    if (f.Id != id) continue;
    if (network < NetworkCount && (f.Networks & (1u << network))) {
      found = &f;
      break;
    }
    if (!found) found = &f;
  }
  if (!found) return std::nullopt;
  FieldShape shape{found->Name, found->Description, 1};
  const std::string& d = shape.Label;
  if (size_t open = d.find("(0."); open != std::string::npos) {
    size_t close = d.find(')', open);
    std::string inside = d.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    shape.Scale = std::strtod(inside.c_str(), nullptr);
    size_t space = inside.find(' ');
    std::string unit = space == std::string::npos ? "" : inside.substr(space + 1);
    shape.Label = d.substr(0, open) + (unit.empty() ? "" : "(" + unit + ")");
    while (!shape.Label.empty() && shape.Label.back() == ' ') shape.Label.pop_back();
    if (!(shape.Scale > 0)) shape.Scale = 1;
  }
  return shape;
}

std::string lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The serving signal of a record, in its network's own field.
std::optional<double> servingOf(const HandsetRecord& rec) {
  for (const SignalField& f : candidates(rec.NetType)) {
    static thread_local std::map<std::string, int32_t> ids;
    auto [it, added] = ids.try_emplace(f.Field, -1);
    if (added) it->second = FieldIdByName(f.Field);
    if (it->second < 0) continue;
    int32_t v = rec.Field(it->second);
    if (v != NoValue) return v * f.Scale;
  }
  return std::nullopt;
}

// The serving cell a record names, as an engineer writes it; empty when the
// record names none.
std::string cellOf(const HandsetRecord& rec) {
  auto field = [&](int32_t id) { return rec.Field(id); };
  switch (rec.NetType) {
    case 0:
      if (field(0) == NoValue) return {};
      return field(1) == NoValue ? fmt::format("BCCH {}", field(0)) : fmt::format("BCCH {} / BSIC {}", field(0), field(1));
    case 1: return field(9) == NoValue ? std::string() : fmt::format("PN {}", field(9));
    case 2:
      if (field(99) == NoValue) return {};
      return field(98) == NoValue ? fmt::format("PSC {}", field(99)) : fmt::format("UARFCN {} / PSC {}", field(98), field(99));
    case 3:
      if (field(204) == NoValue) return {};
      return field(203) == NoValue ? fmt::format("CPI {}", field(204))
                                   : fmt::format("UARFCN {} / CPI {}", field(203), field(204));
    default: return {};
  }
}

constexpr double DrillSeconds = 10;
constexpr size_t MaxDrillDowns = 500;
constexpr size_t MaxDrillMessages = 200;

}  // namespace

ReportKpiHints KpiHintsOf(const std::vector<KpiDefinition>& kpis, uint8_t network) {
  ReportKpiHints hints;
  for (const KpiDefinition& k : kpis) {
    if (network < 4 && !(k.Networks & (1u << network))) continue;
    for (const std::string& f : k.Failure) hints.FailureEvents.push_back(lower(f));
    // The serving signal's bins: the distribution of this network's serving field.
    if (k.Kind == KpiKind::Distribution && hints.SignalBins.empty()) {
      const auto fields = SignalFieldsOf(network);
      if (std::any_of(fields.begin(), fields.end(), [&](const std::string& f) { return lower(f) == lower(k.Field); })) {
        for (double edge : k.Bins) hints.SignalBins.push_back(edge * k.Scale);
      }
    }
  }
  return hints;
}

bool IsFailureEvent(const std::string& name, const ReportKpiHints& hints) {
  const std::string low = lower(name);
  if (std::find(hints.FailureEvents.begin(), hints.FailureEvents.end(), low) != hints.FailureEvents.end()) return true;
  for (const char* word : {"fail", "drop", "reject", "block"})
    if (low.find(word) != std::string::npos) return true;
  return false;
}

uint32_t RgbOfWindowsColour(int32_t colour) {
  auto c = static_cast<uint32_t>(colour);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

std::string ColourText(uint32_t rgb) { return fmt::format("#{:06x}", rgb & 0xFFFFFF); }

std::vector<std::string> SignalFieldsOf(uint8_t network) {
  std::vector<std::string> out;
  for (const SignalField& f : candidates(network)) out.emplace_back(f.Field);
  return out;
}

ReportTrack::ReportTrack(std::string logName, uint8_t network) : logName_(std::move(logName)), network_(network) {
  for (const SignalField& f : candidates(network)) {
    int32_t id = FieldIdByName(f.Field);
    if (id >= 0) series_.push_back({id, f.Scale, f.Label, {}});
  }
}

void ReportTrack::Add(const HandsetRecord& rec) {
  if (records_ == 0) start_ = rec.Time;
  end_ = rec.Time;
  ++records_;
  // The route, and for every record the route point that stands for it: its
  // own position or the last one before it.
  if (auto p = positionOf(rec)) route_.push_back(*p);
  routeAt_.push_back(static_cast<int32_t>(route_.size()) - 1);
  netOf_.push_back(rec.NetType);
  for (Series& s : series_) {
    int32_t v = rec.Field(s.Field);
    if (v != NoValue) s.Samples.push_back({rec.Time, v * s.Scale});
  }
  if (rec.NetType < NetworkCount) ++netRecords_[rec.NetType];
  // Every catalogue field the record carries, one series per field name.
  for (const auto& [id, value] : rec.Fields) {
    if (id < 0 || id >= 1024 || value == NoValue) continue;
    const size_t slot = static_cast<size_t>(rec.NetType < NetworkCount ? rec.NetType : 0) * 1024 + static_cast<size_t>(id);
    if (fieldAt_.empty()) fieldAt_.assign(NetworkCount * 1024, -2);
    if (fieldAt_[slot] == -2) {
      fieldAt_[slot] = -1;
      if (auto shape = shapeOf(id, rec.NetType)) {
        auto same = std::find_if(fields_.begin(), fields_.end(), [&](const ReportSeries& f) { return f.Name == shape->Name; });
        if (same == fields_.end()) {
          fields_.push_back({shape->Name, shape->Label, {}});
          same = fields_.end() - 1;
        }
        fieldAt_[slot] = static_cast<int32_t>(same - fields_.begin());
        scaleOf_.resize(fields_.size(), 1);
        scaleOf_[static_cast<size_t>(fieldAt_[slot])] = shape->Scale;
      }
    }
    if (fieldAt_[slot] >= 0) {
      const auto f = static_cast<size_t>(fieldAt_[slot]);
      fields_[f].Samples.push_back({rec.Time, value * scaleOf_[f]});
    }
  }
  // The serving signal along the route, in the log's own network's field.
  const std::optional<double> serving = servingOf(rec);
  if (serving && rec.NetType == network_) lastServing_ = *serving;
  if (routeAt_.back() == static_cast<int32_t>(route_.size()) - 1 && route_.size() > routeTime_.size()) {
    routeTime_.push_back(rec.Time);
    routeValue_.push_back(lastServing_);
  }
  // The serving cell: named by the record, or the last one named before it
  // on the same network.
  std::string cell = cellOf(rec);
  int32_t at = cellAt_.empty() ? -1 : cellAt_.back();
  if (!cell.empty()) {
    std::string key = std::to_string(rec.NetType) + "/" + cell;
    auto [it, added] = cellIndex_.try_emplace(key, static_cast<int32_t>(cells_.size()));
    if (added) {
      ReportCell c;
      c.Network = NetworkName(rec.NetType);
      c.Cell = cell;
      cells_.push_back(std::move(c));
    }
    at = it->second;
  } else if (at >= 0 && cells_[static_cast<size_t>(at)].Network != NetworkName(rec.NetType)) {
    at = -1;
  }
  cellAt_.push_back(at);
  if (at >= 0 && serving) {
    ReportCell& c = cells_[static_cast<size_t>(at)];
    ++c.Samples;
    c.Sum += *serving;
    if (!c.Worst || *serving < *c.Worst) c.Worst = *serving;
  }
  if (rec.MessageCode != 0)
    messages_.push_back({rec.Time, static_cast<int32_t>(records_ - 1), rec.MessageCode, rec.NetType});
}

ReportData CollectReport(TEventsResult& results, const ParsedLog& log, const EventFilter& filter,
                         ReportKpiHints hints) {
  ReportTrack track(log.Path, log.Header.Network);
  track.UseKpis(std::move(hints));
  for (const HandsetRecord& rec : log.Records) track.Add(rec);
  return CollectReport(results, std::move(track), filter);
}

ReportData CollectReport(TEventsResult& results, ReportTrack&& track, const EventFilter& filter) {
  ReportData data;
  data.LogName = track.logName_;
  data.Network = NetworkName(track.network_);
  data.Records = track.records_;
  data.Start = track.start_;
  data.End = track.end_;
  data.Route = std::move(track.route_);
  const std::vector<int32_t> routeAt = std::move(track.routeAt_);
  const std::vector<uint8_t> netOf = std::move(track.netOf_);
  for (ReportTrack::Series& s : track.series_) {
    if (s.Samples.empty()) continue;
    data.SignalName = s.Label;
    data.Signal = std::move(s.Samples);
    break;
  }

  std::map<std::string, int> styleOf;  // event name -> style
  std::map<const TBitmap*, int> iconOf;
  const int32_t count = results.GetCount();
  for (int32_t i = 0; i < count; ++i) {
    TEventResult* r = results.GetResult(i);
    if (!r) continue;
    std::string name;
    r->GetEventName(name);
    if (!filter.AcceptsRow(r->GetTestEventId(), name)) continue;
    // Its time may read the record again: asked for first, the record is then judged.
    const double time = r->GetTime();
    if (!filter.AcceptsRecord(r->RecordIndex)) continue;
    // Display off hides the event everywhere: map, graph, table and counts.
    if (r->Property && !r->Property->Display) {
      ++data.Hidden;
      continue;
    }
    auto [it, added] = styleOf.try_emplace(name, static_cast<int>(data.Styles.size()));
    if (added) {
      ReportStyle s;
      s.Name = name;
      s.Kind = KindWord(*r);
      s.BackRgb = RgbOfWindowsColour(r->GetBackColor());
      s.FontRgb = RgbOfWindowsColour(r->GetFontColor());
      s.InMap = r->GetDrawInMap();
      s.InGraph = r->GetDrawInGraph();
      if (const TBitmap* bitmap = r->GetBitmap(); bitmap && bitmap->Width > 0 && bitmap->Height > 0) {
        auto [icon, fresh] = iconOf.try_emplace(bitmap, static_cast<int>(data.Icons.size()));
        if (fresh) data.Icons.push_back(PngDataUri(*bitmap));
        s.Icon = icon->second;
      }
      data.Styles.push_back(std::move(s));
    }
    ReportEvent e;
    e.Record = r->RecordIndex;
    e.Time = time;
    e.Style = it->second;
    if (e.Record >= 0 && static_cast<size_t>(e.Record) < routeAt.size() && routeAt[static_cast<size_t>(e.Record)] >= 0)
      e.Where = data.Route[static_cast<size_t>(routeAt[static_cast<size_t>(e.Record)])];
    e.Network = NetworkName(e.Record >= 0 && static_cast<size_t>(e.Record) < netOf.size()
                                ? netOf[static_cast<size_t>(e.Record)]
                                : track.network_);
    if (r->HasDetails() && r->Details)
      for (const TResultDetail& d : *r->Details) e.Details.push_back(d.Text);
    ++data.Styles[static_cast<size_t>(e.Style)].Count;
    const bool failure = IsFailureEvent(name, track.hints_);
    if (e.Record >= 0 && static_cast<size_t>(e.Record) < track.cellAt_.size()) {
      if (int32_t c = track.cellAt_[static_cast<size_t>(e.Record)]; c >= 0) {
        ++track.cells_[static_cast<size_t>(c)].Events;
        track.cells_[static_cast<size_t>(c)].Failures += failure;
      }
    }
    if (failure) {
      if (data.Failures.size() < MaxDrillDowns) {
        ReportFailure f;
        f.Event = data.Events.size();
        for (const std::string& line : e.Details)
          if (lower(line).find("cause") != std::string::npos) f.Cause += (f.Cause.empty() ? "" : " | ") + line;
        data.Failures.push_back(std::move(f));
      } else {
        ++data.FailuresLeftOut;
      }
    }
    data.Events.push_back(std::move(e));
  }
  // What led to each failure: the serving signal of its record's network and
  // the messages of the seconds before, in log order.
  const double window = DrillSeconds / 86400;
  for (ReportFailure& f : data.Failures) {
    const ReportEvent& e = data.Events[f.Event];
    const uint8_t net = e.Record >= 0 && static_cast<size_t>(e.Record) < netOf.size()
                            ? netOf[static_cast<size_t>(e.Record)] : track.network_;
    for (const std::string& name : SignalFieldsOf(net)) {
      auto series = std::find_if(track.fields_.begin(), track.fields_.end(),
                                 [&](const ReportSeries& s) { return s.Name == name; });
      if (series == track.fields_.end()) continue;
      auto from = std::lower_bound(series->Samples.begin(), series->Samples.end(), e.Time - window,
                                   [](const SignalSample& s, double t) { return s.Time < t; });
      for (auto it = from; it != series->Samples.end() && it->Time <= e.Time; ++it) f.Signal.push_back(*it);
      break;
    }
    const auto& msgs = track.messages_;
    auto from = std::lower_bound(msgs.begin(), msgs.end(), e.Time - window,
                                 [](const ReportTrack::Message& m, double t) { return m.Time < t; });
    for (auto it = from; it != msgs.end() && it->Time <= e.Time && it->Record <= e.Record; ++it)
      f.Messages.push_back({it->Time, it->Record, MessageNameByCode(it->Net, it->Code)});
    if (f.Messages.size() > MaxDrillMessages)
      f.Messages.erase(f.Messages.begin(), f.Messages.end() - static_cast<std::ptrdiff_t>(MaxDrillMessages));
    for (ReportMessage& m : f.Messages)
      if (m.Name.empty()) m.Name = fmt::format("message {}", m.Record);
  }
  data.Fields = std::move(track.fields_);
  for (const std::string& wanted : SignalFieldsOf(track.network_)) {
    if (std::any_of(data.Fields.begin(), data.Fields.end(), [&](const ReportSeries& s) { return s.Name == wanted; })) {
      data.SignalField = wanted;
      break;
    }
  }
  if (data.SignalField.empty() && !data.Fields.empty()) data.SignalField = data.Fields.front().Name;
  data.RouteTime = std::move(track.routeTime_);
  data.RouteValue = std::move(track.routeValue_);
  data.SignalBins = track.hints_.SignalBins;
  for (uint8_t n = 0; n < NetworkCount; ++n)
    if (track.netRecords_[n]) data.Networks.emplace_back(NetworkName(n), track.netRecords_[n]);
  data.Cells = std::move(track.cells_);
  return data;
}

}  // namespace eventscan
