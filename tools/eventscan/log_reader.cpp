#include "log_reader.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "log_time.h"
#include "networks.h"
#include "record_parser.h"

namespace eventscan {
namespace {

using json = nlohmann::json;

LogHeader readHeader(std::string_view line, const std::string& name, const ReadOptions& options) {
  auto where = [&](const std::string& what) { return LogError(fmt::format("{}:1: {}", name, what)); };
  json h = json::parse(line, nullptr, false);
  if (h.is_discarded() || !h.is_object() || h.value("format", std::string()) != LogFormatName)
    throw where(fmt::format("the first line is not an {} header ({{\"format\": \"{}\", ...}})", LogFormatName,
                            LogFormatName));
  LogHeader header;
  const json& version = h["version"];
  if (!version.is_number_integer() || version.get<int>() != LogFormatVersion)
    throw where(fmt::format("unsupported log version {} (this eventscan reads version {})", version.dump(),
                            LogFormatVersion));
  header.Version = LogFormatVersion;
  if (h.contains("network") && h["network"].is_string()) {
    header.NetworkName = h["network"].get<std::string>();
    header.Network = NetworkIndex(header.NetworkName).value_or(255);
  }
  if (options.Network) {
    header.Network = *options.Network;
    header.NetworkName = NetworkName(*options.Network);
  }
  if (header.NetworkName.empty()) throw where("the header names no \"network\" (give --network)");
  if (h.contains("device")) {
    const json& d = h["device"];
    if (!d.is_number_integer() || d.get<int64_t>() < 0 || d.get<int64_t>() > 255)
      throw where("\"device\" must be a device type 0..255");
    header.DeviceType = static_cast<uint8_t>(d.get<int>());
  }
  if (h.contains("start") && h["start"].is_string())
    header.StartTime = ParseIsoTime(h["start"].get<std::string>()).value_or(0);
  return header;
}

// Reads one record line into the log; false when it was malformed (the fault
// is then recorded and the log is as it was before the line).
bool readRecord(std::string_view line, int lineNumber, ParsedLog& log, const ReadOptions& options) {
  const size_t events = log.Events.size();
  auto index = static_cast<int32_t>(log.Records.size());
  log.Records.emplace_back();
  log.Feeds.push_back(RecordFeed{RecordKind::Measurement, log.Header.DeviceType, lineNumber});
  LineTarget target{log.Records.back(), log.Feeds.back(), log.Events, log.EventOrigins, index};
  if (options.FastPath && ParseRecordFast(line, log.Header, target)) return true;
  log.Records.back() = HandsetRecord();
  log.Feeds.back() = RecordFeed{RecordKind::Measurement, log.Header.DeviceType, lineNumber};
  try {
    json parsed = json::parse(line);
    ParseRecordJson(parsed, log.Header, target);
    return true;
  } catch (const json::parse_error& e) {
    std::string what = e.what();
    auto pos = what.find("syntax error");
    log.Faults.push_back({log.Path, lineNumber, "not valid JSON: " + (pos == std::string::npos ? what : what.substr(pos))});
  } catch (const std::exception& e) {
    log.Faults.push_back({log.Path, lineNumber, e.what()});
  }
  log.Records.pop_back();
  log.Feeds.pop_back();
  log.Events.resize(events);
  log.EventOrigins.resize(events);
  return false;
}

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

}  // namespace

ParsedLog ReadLogText(std::string_view text, const std::string& name, const ReadOptions& options) {
  ParsedLog log;
  log.Path = name;
  size_t pos = 0;
  int lineNumber = 0;
  bool headerSeen = false;
  log.Records.reserve(text.size() / 96 + 16);
  log.Feeds.reserve(text.size() / 96 + 16);
  while (pos < text.size()) {
    const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
    size_t end = nl ? static_cast<size_t>(nl - text.data()) : text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    if (!headerSeen) {
      log.Header = readHeader(line, name, options);
      headerSeen = true;
      continue;
    }
    if (!readRecord(line, lineNumber, log, options) && options.Strict) {
      log.Stopped = true;
      return log;
    }
  }
  if (!headerSeen) throw LogError(fmt::format("{}:1: the log is empty (no {} header)", name, LogFormatName));
  checkEventTable(log);
  if (options.Strict && !log.Faults.empty()) log.Stopped = true;
  return log;
}

ParsedLog ReadLog(const std::string& path, const ReadOptions& options) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw LogError(fmt::format("{}: is a directory, not a log", path));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw LogError(fmt::format("{}: cannot open the log: {}", path, std::strerror(errno)));
  std::string text;
  in.seekg(0, std::ios::end);
  auto size = in.tellg();
  if (size > 0) {
    text.resize(static_cast<size_t>(size));
    in.seekg(0);
    in.read(text.data(), size);
  }
  if (!in && !in.eof()) throw LogError(fmt::format("{}: cannot read the log", path));
  return ReadLogText(text, path, options);
}

}  // namespace eventscan
