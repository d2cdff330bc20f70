#include "log/log_reader.h"

#include <algorithm>

#include <fmt/format.h>

namespace eventscan {
namespace {

// Entries that name a record the log does not have are faults of the line
// that declared them; they are dropped.
void checkEventTable(ParsedLog& log) {
  size_t kept = 0;
  for (size_t i = 0; i < log.Events.size(); ++i) {
    if (static_cast<size_t>(log.Events[i].RecordIndex) < log.Records.size()) {
      log.Events[kept] = log.Events[i];
      log.EventOrigins[kept++] = log.EventOrigins[i];
      continue;
    }
    int line = log.Feeds[log.EventOrigins[i].DeclaredBy].Line;
    log.Faults.push_back({log.Path, line,
                          fmt::format("events: record {} is not in the log ({} records)", log.Events[i].RecordIndex,
                                      log.Records.size())});
  }
  log.Events.resize(kept);
  log.EventOrigins.resize(kept);
  std::stable_sort(log.Faults.begin(), log.Faults.end(), [](const LogFault& a, const LogFault& b) { return a.Line < b.Line; });
}

ParsedLog collect(std::unique_ptr<LogSource> source, const std::string& name, const ReadOptions& options) {
  ReadOptions collecting = options;
  collecting.CacheRecords = 1;  // nothing asks for records again
  LogStream stream(std::move(source), name, collecting);
  ParsedLog log;
  log.Path = name;
  log.Header = stream.Header();
  while (stream.Next()) {
    log.Records.push_back(std::move(stream.Current()));
    log.Feeds.push_back(stream.CurrentFeed());
  }
  log.Events = std::move(stream.Events());
  log.EventOrigins = stream.EventOrigins();
  // Records held in memory are kept only when every one of them is sound.
  if (stream.Changed()) throw LogChanged(stream.ChangeText());
  log.Faults = stream.Faults();
  log.Warnings = stream.Warnings();
  if (stream.Stopped()) {
    log.Stopped = true;
    return log;
  }
  checkEventTable(log);
  if (options.Strict && !log.Faults.empty()) log.Stopped = true;
  return log;
}

}  // namespace

ParsedLog ReadLogText(std::string_view text, const std::string& name, const ReadOptions& options) {
  return collect(TextLogSource(text), name, options);
}

ParsedLog ReadLog(const std::string& path, const ReadOptions& options) {
  return collect(OpenLogSource(path), path, options);
}

}  // namespace eventscan
