// The campaign database: one SQLite file (WAL, foreign keys, schema version in
// PRAGMA user_version) with the campaign's logs, their results with the
// numbers of their detail lines and the context of their record, and the
// faults found in each log. Only the coordinating process opens it for
// writing; each log's rows are replaced in one transaction, so a run that is
// killed leaves every log either whole or absent. Single-threaded.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace eventscan {

class CampaignDbError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr int CampaignSchemaVersion = 2;

struct ResultContext {
  std::optional<double> Latitude, Longitude;  // degrees
  std::optional<int64_t> ServingCell;
  std::optional<double> ServingSignal;        // dBm
};

struct DetailValue {
  std::string Name;
  double Value = 0;
  std::string Unit;  // empty when the line gave none
};

struct CampaignResult {
  int32_t Record = 0;        // as `eventscan run` prints it (a capture's frame number)
  std::string Time;          // "2026-03-14 10:00:01.250"
  std::optional<int32_t> EventId;  // test events only
  std::string Event, Kind, Network;
  std::vector<std::string> Details;
  ResultContext Context;
};

struct CampaignFault {
  std::string Source;  // "log" (a line of the log) or "library" (a definition file)
  std::optional<int32_t> Line;
  std::string Text;
};

struct CampaignKpiBin {
  std::string Label;
  int64_t Count = 0;
  std::optional<double> Share;  // percent
};

// One row of the log's KPI table, as `eventscan kpi --format json` gives it.
struct CampaignKpi {
  std::string Name, Kind, Unit, CountedAs, Notes;
  std::optional<double> Value;  // a distribution has none (its bins have shares)
  std::optional<int64_t> Numerator, Denominator, Count;
  std::optional<double> Mean, Median, P90, Max;
  std::vector<CampaignKpiBin> Bins;
};

// Everything the database keeps of one log.
struct LogOutcome {
  std::string Path;
  uint64_t Size = 0;
  std::string ContentHash, DefinitionsHash;
  std::string Network;          // as run: the header's or --network's
  std::optional<int32_t> DeviceType;
  int64_t Records = 0;
  std::string FirstTime, LastTime;  // empty without records
  double RouteMetres = 0;
  std::string Status;           // "ok", "damaged", "fault", "crashed", "timeout"
  std::string Fault;            // why the status is not ok
  double RunSeconds = 0;
  std::vector<CampaignResult> Results;
  std::vector<CampaignFault> Faults;
  std::vector<CampaignKpi> Kpis;
  std::vector<std::pair<double, double>> Route;  // latitude, longitude; thinned

  // Forgets what a run gave of the log, for a log that did not run to its
  // end: a part of its rows would pass for the whole.
  void DropRows() {
    Results.clear();
    Kpis.clear();
    Route.clear();
    Records = 0;
  }
};

// "Name: value (unit)" or "Name: value" of a detail line with a number for
// its value; none for any other line.
std::optional<DetailValue> ParseDetailValue(const std::string& line);

class CampaignDb {
 public:
  // Creates the file and its schema, or opens one of this schema version (a
  // file of version 1 is brought to this version in place, its rows kept);
  // raises CampaignDbError naming the file otherwise.
  explicit CampaignDb(const std::string& path);
  ~CampaignDb();
  CampaignDb(const CampaignDb&) = delete;
  CampaignDb& operator=(const CampaignDb&) = delete;

  // Whether a log of this content was run with these definitions and ended ok.
  bool HasCompleted(const std::string& contentHash, const std::string& definitionsHash);
  // Whether any log of this size was run with these definitions and ended
  // ok: a log of another size cannot have the content of one that is done.
  bool HasCompletedOfSize(uint64_t size, const std::string& definitionsHash);
  // Replaces whatever was kept of this content or path by `log`, in one transaction.
  void Store(const LogOutcome& log);
  int64_t StoredLogs();
  // The indices that only queries use (by event, by detail name) are dropped
  // until BuildSearchIndices makes them again in one pass each; a run that is
  // killed in between leaves them to the next one. The rows are the same
  // either way.
  void DeferSearchIndices();
  void BuildSearchIndices();

 private:
  void exec(const char* sql);
  sqlite3_stmt* prepare(const char* sql);
  // Steps a bound query: whether it gave a row; resets it.
  bool anyRow(sqlite3_stmt* query);
  [[noreturn]] void fail(const char* what);

  std::string path_;
  sqlite3* db_ = nullptr;
  sqlite3_stmt* completed_ = nullptr;
  sqlite3_stmt* completedOfSize_ = nullptr;
  sqlite3_stmt* deleteLog_ = nullptr;
  sqlite3_stmt* insertLog_ = nullptr;
  sqlite3_stmt* insertResult_ = nullptr;
  sqlite3_stmt* insertValue_ = nullptr;
  sqlite3_stmt* insertFault_ = nullptr;
  sqlite3_stmt* insertKpi_ = nullptr;
  sqlite3_stmt* insertBin_ = nullptr;
  sqlite3_stmt* insertPoint_ = nullptr;
};

}  // namespace eventscan
