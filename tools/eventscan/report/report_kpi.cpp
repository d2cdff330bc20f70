#include "report/report_kpi.h"

#include <algorithm>

#include "support/text_case.h"

namespace eventscan {
namespace {

size_t countOf(const ReportData& data, const std::vector<std::string>& names) {
  size_t n = 0;
  for (const ReportStyle& s : data.Styles)
    for (const std::string& name : names)
      if (EqualsIgnoringAsciiCase(s.Name, name)) {
        n += s.Count;
        break;
      }
  return n;
}

}  // namespace

// Attempts are counted by their outcome (established or failed), not by the
// dial of the test process, so logs without test items (captures) still give
// the ratio. Message-sequence names are those of the bundled definitions;
// test-event names are the fixed names of the test-event table.
const std::vector<KpiDefinition>& KpiDefinitions() {
  static const std::vector<KpiDefinition> all{
      {"Call setup success",
       {"Call Established"},
       {"Call Established", "Call Setup Failure", "Access Failure"}},
      {"Dropped calls", {"Call Drop"}, {"Call Established"}},
      {"Handover success",
       {"Handover Success", "Soft Handover Success", "Soft Handoff Success", "Baton Handover Success",
        "Handoff Success", "DaTang Handover Success in GSM Mode", "DaTang Handover Success from TDD to GSM"},
       {"Handover Success", "Soft Handover Success", "Soft Handoff Success", "Baton Handover Success",
        "Handoff Success", "DaTang Handover Success in GSM Mode", "DaTang Handover Success from TDD to GSM",
        "Handover Failure", "Inter-RAT Handover Failure", "Handoff Failure", "DaTang Handover Failure in GSM Mode",
        "DaTang Handover Failure from TDD to GSM"}},
      {"Data session success",
       {"FTP Download Last Data", "FTP Upload Last Data", "HTTP Download Last Data"},
       {"FTP Download Connect Request", "FTP Upload Connect Request", "HTTP Download Connect"}},
  };
  return all;
}

std::vector<KpiValue> ComputeKpis(const ReportData& data) {
  std::vector<KpiValue> out;
  for (const KpiDefinition& d : KpiDefinitions())
    out.push_back({&d, countOf(data, d.Numerator), countOf(data, d.Denominator)});
  return out;
}

}  // namespace eventscan
