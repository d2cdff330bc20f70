// The drive-test report as one self-contained HTML page: summary (ratios and
// counts per event), route map, signal graph and the filterable event table.
// Styles, script and icons are inline; opening the page fetches nothing.
#pragma once

#include <ostream>

#include "report/report_data.h"

namespace eventscan {

void WriteReportPage(std::ostream& out, const ReportData& data);

}  // namespace eventscan
