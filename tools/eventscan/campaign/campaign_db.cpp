#include "campaign/campaign_db.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <fmt/format.h>

namespace eventscan {
namespace {

// Version 2 is version 1 and the tables that VersionTwo adds. docs/campaign.md
// describes every column; a change of the tables raises CampaignSchemaVersion
// and adds the step that brings the version before it up.
const char* const Schema = R"sql(
CREATE TABLE logs(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL,
  size INTEGER NOT NULL,
  content_hash TEXT NOT NULL UNIQUE,
  definitions_hash TEXT NOT NULL,
  network TEXT,
  device_type INTEGER,
  records INTEGER NOT NULL,
  first_time TEXT,
  last_time TEXT,
  route_m REAL NOT NULL,
  status TEXT NOT NULL CHECK(status IN ('ok', 'damaged', 'fault', 'crashed', 'timeout')),
  fault TEXT,
  run_seconds REAL NOT NULL,
  stored_at TEXT NOT NULL
);
CREATE INDEX logs_path ON logs(path);
CREATE INDEX logs_status ON logs(status);
CREATE TABLE results(
  id INTEGER PRIMARY KEY,
  log_id INTEGER NOT NULL REFERENCES logs(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  record INTEGER NOT NULL,
  time TEXT NOT NULL,
  event_id INTEGER,
  event TEXT NOT NULL,
  kind TEXT NOT NULL,
  network TEXT NOT NULL,
  details TEXT NOT NULL,
  latitude REAL,
  longitude REAL,
  serving_cell INTEGER,
  serving_signal REAL,
  UNIQUE(log_id, seq)
);
CREATE TABLE detail_values(
  result_id INTEGER NOT NULL REFERENCES results(id) ON DELETE CASCADE,
  name TEXT NOT NULL,
  value REAL NOT NULL,
  unit TEXT
);
CREATE INDEX detail_values_result ON detail_values(result_id);
CREATE TABLE faults(
  log_id INTEGER NOT NULL REFERENCES logs(id) ON DELETE CASCADE,
  source TEXT NOT NULL,
  line INTEGER,
  text TEXT NOT NULL
);
CREATE INDEX faults_log ON faults(log_id);
)sql";

// The indices that only queries read (by event, by detail name), kept apart:
// a campaign of many new logs builds them once at its end (CREATE INDEX sorts
// once) instead of updating them at each of thousands of inserts per log.
const char* const SearchIndices = R"sql(
CREATE INDEX IF NOT EXISTS results_event ON results(event, network, time);
CREATE INDEX IF NOT EXISTS detail_values_name ON detail_values(name, value);
)sql";

// The KPI table of each log and its route, for the campaign's pages.
const char* const VersionTwo = R"sql(
CREATE TABLE kpis(
  id INTEGER PRIMARY KEY,
  log_id INTEGER NOT NULL REFERENCES logs(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  name TEXT NOT NULL,
  kind TEXT NOT NULL CHECK(kind IN ('ratio', 'statistics', 'count', 'distribution')),
  value REAL,
  numerator INTEGER,
  denominator INTEGER,
  count INTEGER,
  mean REAL,
  median REAL,
  p90 REAL,
  max REAL,
  unit TEXT,
  counted_as TEXT,
  notes TEXT,
  UNIQUE(log_id, seq)
);
CREATE TABLE kpi_bins(
  kpi_id INTEGER NOT NULL REFERENCES kpis(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  label TEXT NOT NULL,
  count INTEGER NOT NULL,
  share REAL,
  PRIMARY KEY(kpi_id, seq)
) WITHOUT ROWID;
CREATE TABLE route_points(
  log_id INTEGER NOT NULL REFERENCES logs(id) ON DELETE CASCADE,
  seq INTEGER NOT NULL,
  latitude REAL NOT NULL,
  longitude REAL NOT NULL,
  PRIMARY KEY(log_id, seq)
) WITHOUT ROWID;
)sql";

std::string trimmed(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n\"");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n\"");
  return s.substr(b, e - b + 1);
}

// "1,720,387", "-3", "0.654": digits grouped by commas in threes, an optional fraction.
std::optional<double> numberOf(const std::string& text) {
  std::string plain;
  size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) plain += text[i++];
  size_t digits = 0, group = 0;
  bool grouped = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      plain += c;
      ++digits;
      ++group;
    } else if (c == ',' && digits > 0 && (!grouped ? group <= 3 : group == 3)) {
      grouped = true;
      group = 0;
    } else {
      break;
    }
  }
  if (digits == 0 || (grouped && group != 3)) return std::nullopt;
  if (i < text.size() && text[i] == '.') {
    plain += text[i++];
    size_t fraction = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++fraction) plain += text[i];
    if (fraction == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  return std::strtod(plain.c_str(), nullptr);
}

}  // namespace

std::optional<DetailValue> ParseDetailValue(const std::string& line) {
  const std::string text = trimmed(line);
  const size_t colon = text.find(": ");
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  DetailValue v;
  v.Name = trimmed(text.substr(0, colon));
  std::string rest = trimmed(text.substr(colon + 2));
  if (!rest.empty() && rest.back() == ')') {
    size_t open = rest.rfind('(');
    if (open == std::string::npos) return std::nullopt;
    v.Unit = trimmed(rest.substr(open + 1, rest.size() - open - 2));
    rest = trimmed(rest.substr(0, open));
    if (v.Unit.empty()) return std::nullopt;
  }
  auto number = numberOf(rest);
  if (!number || v.Name.empty()) return std::nullopt;
  v.Value = *number;
  return v;
}

CampaignDb::CampaignDb(const std::string& path) : path_(path) {
  // One thread only uses the connection: no mutex.
  const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string why = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw CampaignDbError(fmt::format("{}: cannot open the campaign database: {}", path, why));
  }
  try {
    sqlite3_busy_timeout(db_, 10000);
    // Larger pages for a new database (an existing one keeps its own): a log
    // adds some hundred kilobytes of rows, and at 16 KiB a page the commits
    // write a quarter of the WAL frames, which took some 15 % of the
    // coordinator's time off.
    exec("PRAGMA page_size=16384");
    exec("PRAGMA journal_mode=WAL");
    exec("PRAGMA foreign_keys=ON");
    // WAL with NORMAL synchronisation never corrupts the file and keeps every
    // committed log across a crash of the process; only a power cut may lose
    // the last commits, which a rerun then repeats.
    exec("PRAGMA synchronous=NORMAL");
    // The coordinator is the one writer and must keep up with every worker:
    // a page cache that holds the indices' working set spares reading them
    // back at each log, and fewer, larger checkpoints copy a page changed by
    // several logs into the database once. Rows are appended, so the working
    // set is small: 16 MiB is as fast as 64 MiB on a campaign of 100 logs
    // and keeps the coordinator's memory flat once a campaign's database
    // outgrows it (the cache holds the whole database until then).
    exec("PRAGMA cache_size=-16384");
    exec("PRAGMA wal_autocheckpoint=2048");  // pages: a WAL of 32 MiB
    sqlite3_stmt* version = prepare("PRAGMA user_version");
    int found = sqlite3_step(version) == SQLITE_ROW ? sqlite3_column_int(version, 0) : -1;
    sqlite3_finalize(version);
    if (found == 0) {
      sqlite3_stmt* tables = prepare("SELECT count(*) FROM sqlite_schema");
      int count = sqlite3_step(tables) == SQLITE_ROW ? sqlite3_column_int(tables, 0) : -1;
      sqlite3_finalize(tables);
      if (count != 0)
        throw CampaignDbError(fmt::format("{}: a database that is not a campaign database; nothing was changed", path));
      exec("BEGIN IMMEDIATE");
      exec(Schema);
      exec(SearchIndices);
      exec(VersionTwo);
      exec(fmt::format("PRAGMA user_version={}", CampaignSchemaVersion).c_str());
      exec("COMMIT");
    } else if (found == 1) {
      // Every row of version 1 stays; its logs have no KPI rows until they
      // run again, so none of them is taken as done by the next campaign.
      exec("BEGIN IMMEDIATE");
      try {
        exec(VersionTwo);
        exec("UPDATE logs SET definitions_hash = 'version 1: ' || definitions_hash");
        exec(fmt::format("PRAGMA user_version={}", CampaignSchemaVersion).c_str());
        exec("COMMIT");
      } catch (...) {
        char* ignored = nullptr;
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, &ignored);
        sqlite3_free(ignored);
        throw;
      }
    } else if (found != CampaignSchemaVersion) {
      throw CampaignDbError(fmt::format("{}: campaign schema version {}, this eventscan writes version {}; nothing "
                                        "was changed (a newer eventscan wrote it)",
                                        path, found, CampaignSchemaVersion));
    }
    // An index, not a table: a database without it is of the same version.
    exec("CREATE INDEX IF NOT EXISTS logs_size ON logs(size)");
    completedOfSize_ = prepare(
        "SELECT 1 FROM logs WHERE size = ?1 AND definitions_hash = ?2 AND status = 'ok' LIMIT 1");
    completed_ = prepare(
        "SELECT 1 FROM logs WHERE content_hash = ?1 AND definitions_hash = ?2 AND status = 'ok'");
    deleteLog_ = prepare("DELETE FROM logs WHERE content_hash = ?1 OR path = ?2");
    insertLog_ = prepare(
        "INSERT INTO logs(path, size, content_hash, definitions_hash, network, device_type, records, first_time, "
        "last_time, route_m, status, fault, run_seconds, stored_at) "
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, strftime('%Y-%m-%d %H:%M:%f', 'now'))");
    insertResult_ = prepare(
        "INSERT INTO results(log_id, seq, record, time, event_id, event, kind, network, details, latitude, longitude, "
        "serving_cell, serving_signal) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    insertValue_ = prepare("INSERT INTO detail_values(result_id, name, value, unit) VALUES(?1, ?2, ?3, ?4)");
    insertFault_ = prepare("INSERT INTO faults(log_id, source, line, text) VALUES(?1, ?2, ?3, ?4)");
    insertKpi_ = prepare(
        "INSERT INTO kpis(log_id, seq, name, kind, value, numerator, denominator, count, mean, median, p90, max, unit, "
        "counted_as, notes) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
    insertBin_ = prepare("INSERT INTO kpi_bins(kpi_id, seq, label, count, share) VALUES(?1, ?2, ?3, ?4, ?5)");
    insertPoint_ = prepare("INSERT INTO route_points(log_id, seq, latitude, longitude) VALUES(?1, ?2, ?3, ?4)");
  } catch (...) {
    for (sqlite3_stmt* s : {completed_, completedOfSize_, deleteLog_, insertLog_, insertResult_, insertValue_, insertFault_, insertKpi_,
                            insertBin_, insertPoint_})
      sqlite3_finalize(s);
    sqlite3_close(db_);
    throw;
  }
}

CampaignDb::~CampaignDb() {
  for (sqlite3_stmt* s : {completed_, completedOfSize_, deleteLog_, insertLog_, insertResult_, insertValue_, insertFault_, insertKpi_,
                          insertBin_, insertPoint_})
    sqlite3_finalize(s);
  sqlite3_close(db_);
}

int64_t CampaignDb::StoredLogs() {
  sqlite3_stmt* s = prepare("SELECT count(*) FROM logs");
  const int64_t n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
  sqlite3_finalize(s);
  return n;
}

void CampaignDb::DeferSearchIndices() {
  exec("DROP INDEX IF EXISTS results_event; DROP INDEX IF EXISTS detail_values_name");
}

void CampaignDb::BuildSearchIndices() {
  // Nothing else runs when a campaign ends: the sorter that builds the
  // indices may use every core (its helper threads only sort; the one
  // writer stays this connection).
  const long cores = sysconf(_SC_NPROCESSORS_ONLN);
  exec(fmt::format("PRAGMA threads={}", std::clamp(cores - 1, 0L, 8L)).c_str());
  exec(SearchIndices);
  exec("PRAGMA threads=0");
}

void CampaignDb::fail(const char* what) {
  throw CampaignDbError(fmt::format("{}: {}: {}", path_, what, sqlite3_errmsg(db_)));
}

void CampaignDb::exec(const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string why = message ? message : sqlite3_errmsg(db_);
    sqlite3_free(message);
    throw CampaignDbError(fmt::format("{}: {}", path_, why));
  }
}

sqlite3_stmt* CampaignDb::prepare(const char* sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql, -1, &s, nullptr) != SQLITE_OK) fail("cannot prepare a statement");
  return s;
}

namespace {

void bindText(sqlite3_stmt* s, int i, const std::string& text) {
  // The strings outlive the statement's step: SQLite need not copy them.
  sqlite3_bind_text(s, i, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}
void bindTextOrNull(sqlite3_stmt* s, int i, const std::string& text) {
  if (text.empty()) sqlite3_bind_null(s, i);
  else bindText(s, i, text);
}
template <typename T>
void bindOptional(sqlite3_stmt* s, int i, const std::optional<T>& v) {
  if (!v) sqlite3_bind_null(s, i);
  else if constexpr (std::is_floating_point_v<T>) sqlite3_bind_double(s, i, *v);
  else sqlite3_bind_int64(s, i, *v);
}

}  // namespace

bool CampaignDb::HasCompleted(const std::string& contentHash, const std::string& definitionsHash) {
  sqlite3_reset(completed_);
  bindText(completed_, 1, contentHash);
  bindText(completed_, 2, definitionsHash);
  return anyRow(completed_);
}

bool CampaignDb::HasCompletedOfSize(uint64_t size, const std::string& definitionsHash) {
  sqlite3_reset(completedOfSize_);
  sqlite3_bind_int64(completedOfSize_, 1, static_cast<sqlite3_int64>(size));
  bindText(completedOfSize_, 2, definitionsHash);
  return anyRow(completedOfSize_);
}

bool CampaignDb::anyRow(sqlite3_stmt* query) {
  int rc = sqlite3_step(query);
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) fail("cannot read the logs");
  sqlite3_reset(query);
  return rc == SQLITE_ROW;
}

void CampaignDb::Store(const LogOutcome& log) {
  auto step = [this](sqlite3_stmt* s, const char* what) {
    if (sqlite3_step(s) != SQLITE_DONE) fail(what);
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
  };
  exec("BEGIN IMMEDIATE");
  try {
    bindText(deleteLog_, 1, log.ContentHash);
    bindText(deleteLog_, 2, log.Path);
    step(deleteLog_, "cannot remove the earlier rows of a log");

    bindText(insertLog_, 1, log.Path);
    sqlite3_bind_int64(insertLog_, 2, static_cast<sqlite3_int64>(log.Size));
    bindText(insertLog_, 3, log.ContentHash);
    bindText(insertLog_, 4, log.DefinitionsHash);
    bindTextOrNull(insertLog_, 5, log.Network);
    bindOptional(insertLog_, 6, log.DeviceType);
    sqlite3_bind_int64(insertLog_, 7, log.Records);
    bindTextOrNull(insertLog_, 8, log.FirstTime);
    bindTextOrNull(insertLog_, 9, log.LastTime);
    sqlite3_bind_double(insertLog_, 10, log.RouteMetres);
    bindText(insertLog_, 11, log.Status);
    bindTextOrNull(insertLog_, 12, log.Fault);
    sqlite3_bind_double(insertLog_, 13, log.RunSeconds);
    step(insertLog_, "cannot store a log");
    const sqlite3_int64 logId = sqlite3_last_insert_rowid(db_);

    int64_t seq = 0;
    std::string details;
    for (const CampaignResult& r : log.Results) {
      details.clear();
      for (size_t i = 0; i < r.Details.size(); ++i) {
        if (i) details += '\n';
        details += r.Details[i];
      }
      sqlite3_bind_int64(insertResult_, 1, logId);
      sqlite3_bind_int64(insertResult_, 2, seq++);
      sqlite3_bind_int(insertResult_, 3, r.Record);
      bindText(insertResult_, 4, r.Time);
      bindOptional(insertResult_, 5, r.EventId);
      bindText(insertResult_, 6, r.Event);
      bindText(insertResult_, 7, r.Kind);
      bindText(insertResult_, 8, r.Network);
      bindText(insertResult_, 9, details);
      bindOptional(insertResult_, 10, r.Context.Latitude);
      bindOptional(insertResult_, 11, r.Context.Longitude);
      bindOptional(insertResult_, 12, r.Context.ServingCell);
      bindOptional(insertResult_, 13, r.Context.ServingSignal);
      step(insertResult_, "cannot store a result");
      const sqlite3_int64 resultId = sqlite3_last_insert_rowid(db_);
      for (const std::string& line : r.Details) {
        auto v = ParseDetailValue(line);
        if (!v) continue;
        sqlite3_bind_int64(insertValue_, 1, resultId);
        bindText(insertValue_, 2, v->Name);
        sqlite3_bind_double(insertValue_, 3, v->Value);
        bindTextOrNull(insertValue_, 4, v->Unit);
        step(insertValue_, "cannot store a detail value");
      }
    }
    for (const CampaignFault& f : log.Faults) {
      sqlite3_bind_int64(insertFault_, 1, logId);
      bindText(insertFault_, 2, f.Source);
      bindOptional(insertFault_, 3, f.Line);
      bindText(insertFault_, 4, f.Text);
      step(insertFault_, "cannot store a fault");
    }
    int64_t kpiSeq = 0;
    for (const CampaignKpi& k : log.Kpis) {
      sqlite3_bind_int64(insertKpi_, 1, logId);
      sqlite3_bind_int64(insertKpi_, 2, kpiSeq++);
      bindText(insertKpi_, 3, k.Name);
      bindText(insertKpi_, 4, k.Kind);
      bindOptional(insertKpi_, 5, k.Value);
      bindOptional(insertKpi_, 6, k.Numerator);
      bindOptional(insertKpi_, 7, k.Denominator);
      bindOptional(insertKpi_, 8, k.Count);
      bindOptional(insertKpi_, 9, k.Mean);
      bindOptional(insertKpi_, 10, k.Median);
      bindOptional(insertKpi_, 11, k.P90);
      bindOptional(insertKpi_, 12, k.Max);
      bindTextOrNull(insertKpi_, 13, k.Unit);
      bindTextOrNull(insertKpi_, 14, k.CountedAs);
      bindTextOrNull(insertKpi_, 15, k.Notes);
      step(insertKpi_, "cannot store a KPI");
      const sqlite3_int64 kpiId = sqlite3_last_insert_rowid(db_);
      int64_t binSeq = 0;
      for (const CampaignKpiBin& b : k.Bins) {
        sqlite3_bind_int64(insertBin_, 1, kpiId);
        sqlite3_bind_int64(insertBin_, 2, binSeq++);
        bindText(insertBin_, 3, b.Label);
        sqlite3_bind_int64(insertBin_, 4, b.Count);
        bindOptional(insertBin_, 5, b.Share);
        step(insertBin_, "cannot store a KPI bin");
      }
    }
    int64_t pointSeq = 0;
    for (const auto& [lat, lon] : log.Route) {
      sqlite3_bind_int64(insertPoint_, 1, logId);
      sqlite3_bind_int64(insertPoint_, 2, pointSeq++);
      sqlite3_bind_double(insertPoint_, 3, lat);
      sqlite3_bind_double(insertPoint_, 4, lon);
      step(insertPoint_, "cannot store a route point");
    }
    exec("COMMIT");
  } catch (...) {
    for (sqlite3_stmt* s : {deleteLog_, insertLog_, insertResult_, insertValue_, insertFault_, insertKpi_, insertBin_,
                            insertPoint_}) {
      sqlite3_reset(s);
      sqlite3_clear_bindings(s);
    }
    char* ignored = nullptr;
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, &ignored);
    sqlite3_free(ignored);
    throw;
  }
}

}  // namespace eventscan
