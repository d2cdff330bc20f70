// What a drive-test report shows, gathered once after a run: the displayed
// results with their display properties (read through TEventResult and the
// TEventProperty fields, as any host reads them), the route of the drive and
// the serving-signal series. Plain values only, so the page writer needs no
// library object and tests can build a report of any size by hand.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "eventmanager/event_result.h"
#include "host/event_filter.h"
#include "kpi/kpi_file.h"
#include "kpi/kpi_table.h"
#include "log/log_types.h"
#include "log/networks.h"

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
  // The record as `eventscan run` shows it: a capture's frame number; none
  // where it is the record index itself.
  std::optional<int32_t> Shown;
  int32_t ShownRecord() const { return Shown ? *Shown : Record; }
};

struct SignalSample {
  double Time = 0;  // days
  double Value = 0;
};

// A numeric field of the log over time, in the field's unit.
struct ReportSeries {
  std::string Name;                      // "RSCP"
  std::string Label;                     // "WCDMA serving CPICH RSCP (dBm)"
  std::vector<SignalSample> Samples;
};

// One serving cell: the records that had it and the results found there.
struct ReportCell {
  std::string Network;
  std::string Cell;                      // "BCCH 62 / BSIC 17", "PSC 210"
  size_t Samples = 0;                    // records with a serving-signal value
  double Sum = 0;
  std::optional<double> Worst;
  size_t Events = 0, Failures = 0;
};

// A layer-3 message of the log, for the drill-down of a failure.
struct ReportMessage {
  double Time = 0;                       // days
  int32_t Record = 0;
  std::string Name;
};

// A failure with what led to it: the serving signal and the messages of the
// seconds before.
struct ReportFailure {
  size_t Event = 0;                      // index into ReportData::Events
  std::string Cause;
  std::vector<SignalSample> Signal;
  std::vector<ReportMessage> Messages;   // in log order
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
  // Every numeric field the log carries (the serving signal among them), the
  // route point times and the serving signal at each, the networks present
  // with their record counts, the serving cells and the failures.
  std::vector<ReportSeries> Fields;
  std::string SignalField;               // name of the serving-signal field drawn first
  std::vector<double> RouteTime;         // days, one per route point (may be empty)
  std::vector<double> RouteValue;        // serving signal at each route point, NaN none
  std::vector<double> SignalBins;        // edges of the route's colour bins
  std::vector<std::pair<std::string, size_t>> Networks;
  std::vector<ReportCell> Cells;
  std::vector<ReportFailure> Failures;
  size_t FailuresLeftOut = 0;            // beyond the drill-downs the page lists
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

// What the KPI file tells the report: the failure events (a KPI's failures)
// and the serving signal's distribution bins of the log's network.
struct ReportKpiHints {
  std::vector<std::string> FailureEvents;  // lower case
  std::vector<double> SignalBins;
};
ReportKpiHints KpiHintsOf(const std::vector<KpiDefinition>& kpis, uint8_t network);
// A failure by its name: one the KPI file counts as a failure, or a name
// that says so ("... Failure", "... Drop", "... Rejected", "... Blocked").
bool IsFailureEvent(const std::string& name, const ReportKpiHints& hints);

// The route and the signal series of a log, gathered record by record as the
// log is fed (nothing of the log itself is kept).
class ReportTrack {
 public:
  ReportTrack(std::string logName, uint8_t network);
  void Add(const HandsetRecord& record);
  void UseKpis(ReportKpiHints hints) { hints_ = std::move(hints); }

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
  std::vector<ReportSeries> fields_;
  std::vector<int32_t> fieldAt_;  // field id -> index into fields_, -1 none
  std::vector<double> routeTime_, routeValue_;
  std::vector<int32_t> cellAt_;   // per record: the serving cell (last known), -1 none
  std::vector<ReportCell> cells_;
  std::map<std::string, int32_t> cellIndex_;
  struct Message {
    double Time;
    int32_t Record;
    uint32_t Code;
    uint8_t Net;
  };
  std::vector<Message> messages_;
  std::vector<double> scaleOf_;
  std::vector<size_t> netRecords_ = std::vector<size_t>(NetworkCount, 0);
  double lastServing_ = std::nan("");
  ReportKpiHints hints_;
};

// Reads the results of a finished run. Results whose property has Display off
// are counted in Hidden and kept nowhere else; the filter selects rows as
// `eventscan run` does.
ReportData CollectReport(TEventsResult& results, ReportTrack&& track, const EventFilter& filter);
ReportData CollectReport(TEventsResult& results, const ParsedLog& log, const EventFilter& filter,
                         ReportKpiHints hints = {});

}  // namespace eventscan
