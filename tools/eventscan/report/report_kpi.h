// The ratios a drive-test engineer reads first (call setup success, dropped
// calls, handover success, data session success), each defined by the event
// names counted above and below the line, so the page can show the definition
// beside the number. Names are compared without regard to letter case.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "report/report_data.h"

namespace eventscan {

struct KpiDefinition {
  std::string Title;                    // "Call setup success"
  std::vector<std::string> Numerator;   // event names counted above the line
  std::vector<std::string> Denominator; // event names counted below the line
};

struct KpiValue {
  const KpiDefinition* Definition = nullptr;
  size_t Numerator = 0;
  size_t Denominator = 0;
  // Percent; none when nothing was counted below the line.
  std::optional<double> Percent() const {
    if (Denominator == 0) return std::nullopt;
    return 100.0 * static_cast<double>(Numerator) / static_cast<double>(Denominator);
  }
};

const std::vector<KpiDefinition>& KpiDefinitions();
// The ratios over the displayed events of a report.
std::vector<KpiValue> ComputeKpis(const ReportData& data);

}  // namespace eventscan
