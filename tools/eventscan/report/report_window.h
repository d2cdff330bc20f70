// What a report page needs to recompute the KPI table for a time window
// chosen on it, written as the page's JSON: the KPIs' definitions, every
// result their lists name (record, time, event), the detail values the
// statistics read, the distributions' samples already in their bins, and the
// time of every record. Times are whole microseconds from the log's first
// record (its millisecond): the window takes the records whose time rounded
// to the millisecond is in it, as `eventscan kpi --from/--to` does, so the
// page and the command count the same records.
#pragma once

#include <string>

#include "report/report_data.h"

namespace eventscan {

std::string KpiWindowJson(const ReportData& data);

}  // namespace eventscan
