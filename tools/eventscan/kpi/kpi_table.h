// The KPI table of one log: a pure function from the results of the log (as
// any caller stores them: the report after a run, a campaign from its
// database) and the measurement samples the distributions need, to one value
// per KPI that applies to the log's network. Each occurrence counts once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "kpi/kpi_file.h"

namespace eventscan {

struct KpiResult {
  int32_t Record = 0;
  double Time = 0;                    // days
  std::string Event;
  std::vector<std::string> Details;   // the detail lines
};

struct KpiLog {
  uint8_t Network = 255;
  std::vector<KpiResult> Results;     // every result the library recorded, in any order
  // Measurement samples by field name (as Kpis.cfg names it, letter case
  // ignored): one value per record that carries the field.
  std::map<std::string, std::vector<double>> Samples;
  // The time (days) of each of those samples, where the caller keeps them
  // (a report page recomputes the table for a time window from them).
  std::map<std::string, std::vector<double>> SampleTimes;
  // The events the network has, to keep the definition texts to that
  // network's names: its message and gate events, and the test events (which
  // every network shares) that the log holds. Empty when unknown: every name
  // is shown.
  std::vector<std::string> KnownEvents;
  // Events the library did not record because they were hidden when the log
  // was fed; a KPI that counts one says so beside its value.
  std::vector<std::string> Hidden;
  // The time of the log's last record (days), when the caller knows it: an
  // attempt whose timer has not run out by then is not counted.
  std::optional<double> End;
};

struct KpiBin {
  std::string Label;                  // "< -105", "-105 to -95", ">= -75"
  size_t Count = 0;
  std::optional<double> Share;        // percent of the samples
};

struct KpiValue {
  std::string Name;
  KpiKind Kind = KpiKind::Count;
  std::string Unit;
  // Ratio: percent; count: the count; statistics: the mean. None when there
  // is nothing to divide by or nothing to average.
  std::optional<double> Value;
  size_t Numerator = 0, Denominator = 0;                 // ratio
  size_t Count = 0;                                      // statistics, count; distribution: samples
  std::optional<double> Mean, Median, P90, Max;          // statistics
  std::vector<KpiBin> Bins;                              // distribution
  std::string CountedAs;              // the definition as this network's names spell it
  std::vector<std::string> Notes;     // hidden events, a missing field
  std::string Reference;              // where the definition comes from
};

// Whether a KPI is in the table of a log of `network` (a network without
// definitions, 255, gets the KPIs of every network).
bool KpiApplies(const KpiDefinition& kpi, uint8_t network);

// The KPIs of `kpis` that apply to the log's network, in file order.
std::vector<KpiValue> ComputeKpiTable(const std::vector<KpiDefinition>& kpis, const KpiLog& log);

// The number a detail line gives for `name`: the line starts with the name
// (letter case ignored), then ':' or '=' or a space, then the number, which
// may group thousands with commas ("Average: 1,720,387 (bps)").
std::optional<double> DetailValue(const std::string& line, const std::string& name);

// Percentile by nearest rank over sorted values (p in 0..100).
double NearestRank(const std::vector<double>& sorted, double p);

}  // namespace eventscan
