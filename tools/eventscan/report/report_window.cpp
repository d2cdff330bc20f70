#include "report/report_window.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "kpi/kpi_window.h"
#include "support/text_case.h"

namespace eventscan {
namespace {

// Times from the first record as the steps from one to the next, in `unit`
// microseconds, written as text: "151,1000*200,-3" is 151, then 200 steps of
// 1000, then a step back of 3. A log written once a second takes a few
// characters however long it is, a jittery one four or five a record.
std::string stepsText(const std::vector<double>& days, long long origin, long long unit) {
  std::string out;
  long long last = 0, step = 0, repeats = 0;
  auto flush = [&] {
    if (!repeats) return;
    if (!out.empty()) out += ',';
    out += std::to_string(step);
    if (repeats > 1) out += '*' + std::to_string(repeats);
  };
  for (size_t i = 0; i < days.size(); ++i) {
    const long long now = (MicrosecondsOf(days[i]) - origin) / unit;
    const long long next = i ? now - last : now;
    if (repeats && next == step && i > 1) {
      ++repeats;
    } else {
      flush();
      step = next;
      repeats = 1;
    }
    last = now;
  }
  flush();
  return out;
}

// Milliseconds where every time is a whole millisecond (a log), microseconds
// otherwise (a capture).
long long unitOf(const std::vector<double>& days, long long origin) {
  for (double d : days)
    if ((MicrosecondsOf(d) - origin) % 1000 != 0) return 1;
  return 1000;
}

bool namedIn(const std::vector<std::string>& names, const std::string& event) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsIgnoringAsciiCase(n, event); });
}

const char* kindWord(KpiKind kind) { return KpiKindWord(kind); }

}  // namespace

std::string KpiWindowJson(const ReportData& data) {
  const KpiLog& log = data.KpiInput;
  // The page's start to the millisecond, as its time texts show it.
  const long long origin = MillisecondsOf(data.Start) * 1000;
  // The results any KPI of the table names, with their names numbered.
  std::vector<std::string> names;  // lower case
  auto nameIndex = [&](const std::string& event) {
    std::string key = AsciiLowerCopy(event);
    auto it = std::find(names.begin(), names.end(), key);
    if (it != names.end()) return static_cast<int>(it - names.begin());
    names.push_back(key);
    return static_cast<int>(names.size() - 1);
  };
  auto named = [&](const std::string& event) {
    return std::any_of(data.KpiDefinitions.begin(), data.KpiDefinitions.end(), [&](const KpiDefinition& d) {
      return namedIn(d.Success, event) || namedIn(d.Attempt, event) || namedIn(d.Failure, event) ||
             namedIn(d.Events, event);
    });
  };
  std::vector<size_t> kept;
  nlohmann::json rec = nlohmann::json::array(), at = nlohmann::json::array(), name = nlohmann::json::array();
  for (size_t i = 0; i < log.Results.size(); ++i) {
    const KpiResult& r = log.Results[i];
    if (!named(r.Event)) continue;
    kept.push_back(i);
    rec.push_back(r.Record);
    at.push_back(MicrosecondsOf(r.Time) - origin);
    name.push_back(nameIndex(r.Event));
  }
  auto indices = [&](const std::vector<std::string>& list) {
    nlohmann::json out = nlohmann::json::array();
    for (const std::string& n : list) out.push_back(nameIndex(n));
    return out;
  };
  nlohmann::json kpis = nlohmann::json::array();
  for (const KpiDefinition& d : data.KpiDefinitions) {
    nlohmann::json k{{"name", d.Name},           {"kind", kindWord(d.Kind)},     {"unit", d.Unit},
                     {"success", indices(d.Success)}, {"attempt", indices(d.Attempt)}, {"failure", indices(d.Failure)},
                     {"events", indices(d.Events)},   {"merge", d.MergeWithin},      {"answer", d.AnswerWithin},
                     {"scale", d.Scale}};
    if (d.Kind == KpiKind::Statistics && d.AnswerWithin <= 0) {
      // The value each result gives: its first detail line of that name.
      nlohmann::json values = nlohmann::json::array();
      for (size_t j = 0; j < kept.size(); ++j) {
        const KpiResult& r = log.Results[kept[j]];
        if (!namedIn(d.Events, r.Event)) continue;
        for (const std::string& line : r.Details)
          if (std::optional<double> v = DetailValue(line, d.Detail)) {
            values.insert(values.end(), {j, *v * d.Scale});
            break;
          }
      }
      k["values"] = std::move(values);
    }
    if (d.Kind == KpiKind::Distribution) {
      std::string bins;
      const std::vector<double>* samples = nullptr;
      const std::vector<double>* times = nullptr;  // a subsequence of the record times, in the same order
      for (const auto& [field, values] : log.Samples)
        if (EqualsIgnoringAsciiCase(field, d.Field)) samples = &values;
      for (const auto& [field, values] : log.SampleTimes)
        if (EqualsIgnoringAsciiCase(field, d.Field)) times = &values;
      k["field"] = d.Field;
      k["edges"] = d.Bins;
      if (samples && times && times->size() == samples->size()) {
        // One character a record: '0' for a sample in the first bin, '1' for
        // the next..., '-' for a record without one.
        size_t next = 0;
        for (double t : data.RecordTimes) {
          if (next < times->size() && (*times)[next] == t) {
            const double x = (*samples)[next++] * d.Scale;
            bins += static_cast<char>('0' + (std::upper_bound(d.Bins.begin(), d.Bins.end(), x) - d.Bins.begin()));
          } else {
            bins += '-';
          }
        }
        if (next == times->size()) k["bins"] = std::move(bins);
      }
    }
    kpis.push_back(std::move(k));
  }
  const long long unit = unitOf(data.RecordTimes, origin);
  nlohmann::json all{{"unit", unit},
                     {"records", stepsText(data.RecordTimes, origin, unit)},
                     {"names", names},
                     {"results", {{"record", std::move(rec)}, {"t", std::move(at)}, {"name", std::move(name)}}},
                     {"kpis", std::move(kpis)}};
  return all.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace eventscan
