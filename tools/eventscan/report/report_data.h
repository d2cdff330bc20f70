// What a drive-test report shows, gathered once after a run: the displayed
// results with their display properties (read through TEventResult and the
// TEventProperty fields, as any host reads them), the route of the drive and
// the serving-signal series. Plain values only, so the page writer needs no
// library object and tests can build a report of any size by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "eventmanager/event_result.h"
#include "host/event_filter.h"
#include "kpi/kpi_table.h"
#include "log/log_types.h"

namespace eventscan {

struct GeoPoint {
  double Lat = 0;  // degrees
  double Lon = 0;
};

// How one event name is drawn; shared by every result of that name.
struct ReportStyle {
  std::string Name;
  std::string Kind;              // "message", "test", "gate"
  uint32_t BackRgb = 0xFFFFFF;   // 0xRRGGBB
  uint32_t FontRgb = 0;
  bool InMap = false;
  bool InGraph = false;
  int Icon = -1;                 // index into ReportData::Icons, -1 none
  size_t Count = 0;              // displayed results of this name
};

struct ReportEvent {
  int32_t Record = 0;
  double Time = 0;               // days
  int Style = 0;                 // index into ReportData::Styles
  std::optional<GeoPoint> Where; // the record's position, or the last one before it
  std::vector<std::string> Details;
  std::string Network;           // of the record the event was found at (a capture mixes GSM and UMTS)
};

struct SignalSample {
  double Time = 0;  // days
  double Value = 0;
};

struct ReportData {
  std::string LogName;
  std::string Network;
  size_t Records = 0;
  double Start = 0, End = 0;             // days, first and last record time
  std::vector<ReportStyle> Styles;       // in order of first appearance
  std::vector<ReportEvent> Events;       // displayed results, in the container's order
  std::vector<std::string> Icons;        // PNG data URIs
  std::vector<GeoPoint> Route;           // one point per record that has a position
  std::string SignalName;                // "RxLevSub (dBm)"; empty without a series
  std::vector<SignalSample> Signal;
  size_t Hidden = 0;                     // results left out because their event is not displayed
  // The KPI table of the log, computed from every result (not only the
  // displayed ones), and where it comes from: the KPI file and its faults.
  std::vector<KpiValue> Kpis;
  std::string KpiSource;
  bool KpiFileFound = true;
  std::vector<std::string> KpiFaults;
};

// "#rrggbb" of a Windows colour (red in the lowest byte).
uint32_t RgbOfWindowsColour(int32_t colour);
std::string ColourText(uint32_t rgb);

// The serving-signal field of a network: the first of its candidates that the
// log carries is drawn. Empty for a network without candidates.
std::vector<std::string> SignalFieldsOf(uint8_t network);

// The route and the signal series of a log, gathered record by record as the
// log is fed (nothing of the log itself is kept).
class ReportTrack {
 public:
  ReportTrack(std::string logName, uint8_t network);
  void Add(const HandsetRecord& record);

 private:
  friend ReportData CollectReport(TEventsResult&, ReportTrack&&, const EventFilter&);
  struct Series {
    int32_t Field = -1;
    double Scale = 1;
    std::string Label;
    std::vector<SignalSample> Samples;
  };
  std::string logName_;
  uint8_t network_;
  size_t records_ = 0;
  double start_ = 0, end_ = 0;
  std::vector<GeoPoint> route_;
  std::vector<int32_t> routeAt_;  // per record: the route point standing for it, -1 none
  std::vector<uint8_t> netOf_;    // per record: its network
  std::vector<Series> series_;    // every candidate; the first one the log carries is drawn
};

// Reads the results of a finished run. Results whose property has Display off
// are counted in Hidden and kept nowhere else; the filter selects rows as
// `eventscan run` does.
ReportData CollectReport(TEventsResult& results, ReportTrack&& track, const EventFilter& filter);
ReportData CollectReport(TEventsResult& results, const ParsedLog& log, const EventFilter& filter);

}  // namespace eventscan
