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

}  // namespace

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
}

ReportData CollectReport(TEventsResult& results, const ParsedLog& log, const EventFilter& filter) {
  ReportTrack track(log.Path, log.Header.Network);
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
    data.Events.push_back(std::move(e));
  }
  return data;
}

}  // namespace eventscan
