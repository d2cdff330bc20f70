// The KPI table of one log as a person or a program reads it: an aligned
// table, CSV (one row per KPI, a distribution one row per bin) or a JSON array
// (one object per KPI). The same value texts serve the report page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "kpi/kpi_table.h"

namespace eventscan {

enum class KpiFormat { Table, Csv, Json };

void WriteKpiTable(std::ostream& out, const std::vector<KpiValue>& kpis, KpiFormat format);

// One KPI as the JSON format writes it, on one line (a campaign's worker
// hands its table to the coordinator so).
std::string KpiJsonText(const KpiValue& kpi);

// "75.0 % (3/4)", "4 | mean 0.60 s, median 0.60, p90 0.69, max 0.69", "2",
// "-" when there is nothing to show. A distribution gives its sample count;
// its bins are shown apart (BinText).
std::string KpiValueText(const KpiValue& kpi);
// "< -105: 12.5 % (4)".
std::string BinText(const KpiBin& bin);

}  // namespace eventscan
