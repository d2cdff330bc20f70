#include "log_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <thread>

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
  // A "format" that is not text is no header either (value() would throw a JSON type error).
  if (h.is_discarded() || !h.is_object() || !h.contains("format") || !h["format"].is_string() ||
      h["format"].get<std::string>() != LogFormatName)
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
  try {
    ParseRecordLine(line, log.Header, target, options.FastPath);
    return true;
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

namespace {

size_t countLines(std::string_view text) {
  size_t lines = 0;
  for (const char *p = text.data(), *end = p + text.size();
       (p = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)))) != nullptr; ++p)
    ++lines;
  return lines;
}

// The next line at `pos` (without its line end); false at the end of the text.
bool nextLine(std::string_view text, size_t& pos, std::string_view& line) {
  if (pos >= text.size()) return false;
  const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', text.size() - pos));
  size_t end = nl ? static_cast<size_t>(nl - text.data()) : text.size();
  line = text.substr(pos, end - pos);
  pos = end + 1;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return true;
}

std::string longLine(size_t size, size_t limit) {
  return fmt::format("the line has {} bytes, more than the limit of {} bytes (raise it with --max-line-bytes)", size,
                     limit);
}

bool blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// Reads the record lines of `text`, whose first line is line `lineNumber` + 1.
void readRange(std::string_view text, int lineNumber, ParsedLog& log, const ReadOptions& options) {
  const size_t lines = countLines(text) + 1;
  log.Records.reserve(log.Records.size() + lines);
  log.Feeds.reserve(log.Feeds.size() + lines);
  size_t pos = 0;
  std::string_view line;
  while (nextLine(text, pos, line)) {
    ++lineNumber;
    if (line.size() > options.MaxLineBytes) {
      log.Faults.push_back({log.Path, lineNumber, longLine(line.size(), options.MaxLineBytes)});
      if (options.Strict) {
        log.Stopped = true;
        return;
      }
      continue;
    }
    if (blank(line)) continue;
    if (!readRecord(line, lineNumber, log, options) && options.Strict) {
      log.Stopped = true;
      return;
    }
  }
}

// Appends a part read on its own; its record indexes started at 0.
void append(ParsedLog& log, ParsedLog&& part) {
  const auto offset = static_cast<int32_t>(log.Records.size());
  for (HandsetRecord& r : part.Records) r.Reference += static_cast<uint32_t>(offset);
  for (size_t i = 0; i < part.Events.size(); ++i) {
    DeclaredEvent& origin = part.EventOrigins[i];
    origin.DeclaredBy += offset;
    if (!origin.RecordGiven) part.Events[i].RecordIndex += offset;
  }
  log.Records.insert(log.Records.end(), std::make_move_iterator(part.Records.begin()),
                     std::make_move_iterator(part.Records.end()));
  log.Feeds.insert(log.Feeds.end(), part.Feeds.begin(), part.Feeds.end());
  log.Events.insert(log.Events.end(), part.Events.begin(), part.Events.end());
  log.EventOrigins.insert(log.EventOrigins.end(), part.EventOrigins.begin(), part.EventOrigins.end());
  log.Faults.insert(log.Faults.end(), part.Faults.begin(), part.Faults.end());
}

// Below this size a log is read in one go; above it the second half is read
// on a second thread (records are independent of each other, and both halves
// are joined before anything else sees the log).
constexpr size_t ParallelThreshold = 8u << 20;

}  // namespace

ParsedLog ReadLogText(std::string_view text, const std::string& name, const ReadOptions& options) {
  ParsedLog log;
  log.Path = name;
  size_t pos = 0;
  int lineNumber = 0;
  std::string_view line;
  bool headerSeen = false;
  while (!headerSeen && nextLine(text, pos, line)) {
    ++lineNumber;
    if (line.size() > options.MaxLineBytes)
      throw LogError(fmt::format("{}:{}: {}", name, lineNumber, longLine(line.size(), options.MaxLineBytes)));
    if (blank(line)) continue;
    log.Header = readHeader(line, name, options);
    headerSeen = true;
  }
  if (!headerSeen) throw LogError(fmt::format("{}:1: the log is empty (no {} header)", name, LogFormatName));
  std::string_view body = text.substr(std::min(pos, text.size()));
  if (options.Strict || body.size() < ParallelThreshold) {
    readRange(body, lineNumber, log, options);
    if (log.Stopped) return log;
  } else {
    size_t half = body.find('\n', body.size() / 2);
    half = half == std::string_view::npos ? body.size() : half + 1;
    std::string_view first = body.substr(0, half), second = body.substr(half);
    ParsedLog tail;
    tail.Path = name;
    tail.Header = log.Header;
    const int tailLine = lineNumber + static_cast<int>(countLines(first));
    std::thread reader([&] { readRange(second, tailLine, tail, options); });
    readRange(first, lineNumber, log, options);
    reader.join();
    append(log, std::move(tail));
  }
  checkEventTable(log);
  if (options.Strict && !log.Faults.empty()) log.Stopped = true;
  return log;
}

ParsedLog ReadLog(const std::string& path, const ReadOptions& options) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw LogError(fmt::format("{}: is a directory, not a log", path));
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw LogError(fmt::format("{}: cannot open the log: {}", path, std::strerror(errno)));
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    close(fd);
    throw LogError(fmt::format("{}: cannot read the log: {}", path, std::strerror(errno)));
  }
  const auto size = static_cast<size_t>(st.st_size);
  if (size == 0) {
    close(fd);
    return ReadLogText({}, path, options);
  }
  // Mapped and read ahead in one go: a log of a million records is read
  // without copying it or faulting its pages in one by one.
  void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
  close(fd);
  if (data == MAP_FAILED) throw LogError(fmt::format("{}: cannot read the log: {}", path, std::strerror(errno)));
  struct Unmap {
    void* p;
    size_t n;
    ~Unmap() { munmap(p, n); }
  } unmap{data, size};
  return ReadLogText(std::string_view(static_cast<const char*>(data), size), path, options);
}

}  // namespace eventscan
