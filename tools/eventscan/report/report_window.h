// What a report page needs to recompute the KPI table for a time window
// chosen on it, written as the page's JSON: the KPIs' definitions, every
// result their lists name (record, time, event), the detail values the
// statistics read, the distributions' samples already in their bins, and the
// time of every record. Times are whole milliseconds from the log's first
// record, the precision `eventscan kpi --from/--to` compares with, so the page
// and the command count the same records.
#pragma once

#include <string>

#include "report/report_data.h"

namespace eventscan {

std::string KpiWindowJson(const ReportData& data);

}  // namespace eventscan
