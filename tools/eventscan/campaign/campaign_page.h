// The campaign's page: what a campaign database holds read back (its logs,
// their KPI tables, routes and failures) and written as one self-contained
// HTML page with the KPI table per log, per day and for the whole campaign,
// all routes on one map with the failures, and the top failure causes.
// Reading opens the database read-only; single-threaded.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "campaign/campaign_db.h"

namespace eventscan {

struct CampaignPageLog {
  int64_t Id = 0;
  std::string Path, Network, FirstTime, Status, Fault;
  int64_t Size = 0, Records = 0, Results = 0;
  std::vector<CampaignKpi> Kpis;
  std::vector<std::pair<double, double>> Route;  // latitude, longitude
  std::string Day() const { return FirstTime.size() >= 10 ? FirstTime.substr(0, 10) : std::string("(no records)"); }
};

// A failure result: an event whose name holds "fail", "drop" or "reject"
// (letter case ignored), with the cause its "Cause: ..." detail line gives.
struct CampaignFailure {
  int64_t Log = 0;
  std::string Event, Time, Cause;  // Cause empty when the result gave none
  std::optional<double> Latitude, Longitude;
};

struct CampaignPageData {
  std::string Database;
  std::vector<CampaignPageLog> Logs;  // by path
  std::vector<CampaignFailure> Failures;
};

// Raises CampaignDbError naming the file when it is not a campaign database
// of this schema version (nothing is written to it).
CampaignPageData ReadCampaignPage(const std::string& database);

// KPIs of several logs as one: ratios from the summed numerators and
// denominators, counts summed, statistics with the count-weighted mean and the
// largest maximum (median and 90th percentile need the values, so they are
// left out), distributions from the summed bin counts. Kept per name and
// kind, in the order first met.
std::vector<CampaignKpi> CombineKpis(const std::vector<const CampaignPageLog*>& logs);

// "75.0 % (3/4)", "n 6, mean 0.92 s, median 0.70, p90 2.38, max 2.38", ...
std::string CampaignKpiText(const CampaignKpi& kpi);

// The text of the first "Cause: ..." line of a result's details (joined by
// newlines), as it stands: "Cause: Network failure(17)" gives
// "Network failure(17)"; empty without one.
std::string CauseOf(const std::string& details);

// `links` maps a log's id to the href of its own report page (a log without
// one is listed without a link).
void WriteCampaignPage(std::ostream& out, const CampaignPageData& data, const std::map<int64_t, std::string>& links);

}  // namespace eventscan
