// What a host does to give one log its KPI table: every event of the network
// recorded while the log is fed (display switches decide what is drawn, not
// what is counted), the measurement samples the distributions need taken from
// each record as it passes, and the results read back as a KpiLog.
// Single-threaded, like the library.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "eventmanager/event_result.h"
#include "host/host_library.h"
#include "host/host_session.h"
#include "host/log_input.h"
#include "kpi/kpi_table.h"
#include "kpi/kpi_window.h"
#include "log/log_types.h"

namespace eventscan {

// Kpis.cfg of the library's home (EffectiveHomeDirectory).
KpiFile ReadHomeKpiFile();

// While it lives, every event of the network (and every test event) has its
// Display switch on, so the library records hidden events too; the switches
// come back as they were when it ends. The fields are set directly, not
// through the setters, so nothing is marked changed and nothing is saved.
class AllEventsRecorded {
 public:
  AllEventsRecorded(HostLibrary& library, uint8_t network);
  ~AllEventsRecorded();
  AllEventsRecorded(const AllEventsRecorded&) = delete;
  AllEventsRecorded& operator=(const AllEventsRecorded&) = delete;

 private:
  std::vector<std::pair<TEventProperty*, bool>> saved_;
};

// The samples of the fields the distributions of `kpis` read, record by
// record, of the records in `window`, with their times.
class KpiSampler {
 public:
  explicit KpiSampler(const std::vector<KpiDefinition>& kpis, KpiWindow window = {});
  void Add(const HandsetRecord& record);
  std::map<std::string, std::vector<double>> Take() { return std::move(samples_); }
  std::map<std::string, std::vector<double>> TakeTimes() { return std::move(times_); }
  // The latest time of a record in the window (days), none before the first.
  std::optional<double> LastTime() const { return last_; }
  // The fields named that the field catalogue does not know.
  const std::vector<std::string>& Unknown() const { return unknown_; }

 private:
  struct Field {
    int32_t Id;
    std::vector<double>* Values;
    std::vector<double>* Times;
  };
  std::vector<Field> fields_;
  std::map<std::string, std::vector<double>> samples_, times_;
  KpiWindow window_;
  std::vector<std::string> unknown_;
  std::optional<double> last_;
};

// Every result of a finished run, with the network's event names, and the
// events that are hidden now (which the library did not record unless the
// run was fed under AllEventsRecorded; pass `allRecorded` then). Results
// outside `window` are left out.
KpiLog CollectKpiLog(TEventsResult& results, HostLibrary& library, uint8_t network, KpiSampler&& samples,
                     bool allRecorded, const KpiWindow& window = {});

// What `eventscan kpi` does with a log, for every caller that needs its KPI
// table (the kpi command, a campaign's worker): feeds `input` through
// `session` with every event recorded, takes the distributions' samples from
// each record (and hands the record to `each`), and computes the table. The
// display switches are back as they were when it returns, so the results can
// then be read as `eventscan run` shows them by leaving out those whose event
// is not displayed (ShownAsRun). Fields that `kpis` names and the field
// catalogue lacks are added to `unknownFields`. The caller reports the
// input's faults (FinishInput) as it does for any run.
// With a window, the table is that of the records and results in it, as if
// the log held only those (an attempt whose timer runs past the window's last
// record is not counted).
std::vector<KpiValue> FeedForKpiTable(HostSession& session, HostLibrary& library, LogInput& input,
                                      const KpiFile& kpis, std::vector<std::string>& unknownFields,
                                      const std::function<void(const HandsetRecord&)>& each = {},
                                      const KpiWindow& window = {});
// The same feeding, giving what the table is computed from.
KpiLog FeedForKpiLog(HostSession& session, HostLibrary& library, LogInput& input, const KpiFile& kpis,
                     std::vector<std::string>& unknownFields,
                     const std::function<void(const HandsetRecord&)>& each = {}, const KpiWindow& window = {});

// Whether `eventscan run` would have this result, once the switches are back:
// the library records no hidden message or test event (gates it records
// whatever their switch).
bool ShownAsRun(TEventResult& result);

}  // namespace eventscan
