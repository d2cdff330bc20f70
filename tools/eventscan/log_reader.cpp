#include "log_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

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

std::string longLine(size_t size, size_t limit) {
  return fmt::format("the line has {} bytes, more than the limit of {} bytes (raise it with --max-line-bytes)", size,
                     limit);
}

bool blank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// A record emptied for the next line; its buffers keep their capacity, so a
// reused record allocates nothing for lines no longer than those before.
void resetRecord(HandsetRecord& r) {
  HandsetRecord fresh;
  fresh.MessageBytes = std::move(r.MessageBytes);
  fresh.MessageBytes.clear();
  fresh.Fields = std::move(r.Fields);
  fresh.Fields.clear();
  fresh.Items = std::move(r.Items);
  fresh.Items.clear();
  fresh.ExtraPool = std::move(r.ExtraPool);
  fresh.ExtraPool.clear();
  r = std::move(fresh);
}

LogError systemError(const std::string& path, const char* what) {
  return LogError(fmt::format("{}: {}: {}", path, what, std::strerror(errno)));
}

size_t readSome(int fd, char* buffer, size_t size, const std::string& path) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw systemError(path, "cannot read the log");
  }
}

void readExactly(int fd, uint64_t offset, size_t size, char* out, const std::string& path) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd, out + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw systemError(path, "cannot read the log again");
    if (n == 0) throw LogError(fmt::format("{}: the log became shorter while it was read", path));
    done += static_cast<size_t>(n);
  }
}

// A file read in order and again at any offset through the same descriptor.
class FileSource : public LogSource {
 public:
  FileSource(int fd, bool owned, uint64_t base, uint64_t size, std::string path)
      : fd_(fd), owned_(owned), base_(base), size_(size), path_(std::move(path)) {
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  ~FileSource() override {
    if (owned_) ::close(fd_);
  }
  size_t Read(char* buffer, size_t size) override { return readSome(fd_, buffer, size, path_); }
  void ReadAt(uint64_t offset, size_t size, char* out) override {
    readExactly(fd_, base_ + offset, size, out, path_);
  }
  uint64_t Size() const override { return size_; }

 private:
  int fd_;
  bool owned_;
  uint64_t base_;  // where the log began in the file (standard input may be positioned)
  uint64_t size_;
  std::string path_;
};

// A pipe: what is read is also written to an unlinked temporary file, which
// answers the reads at an offset. It costs the log's size on the temporary
// file system and a write per block; the file goes with the process.
class SpillSource : public LogSource {
 public:
  SpillSource(int fd, bool owned, std::string name) : fd_(fd), owned_(owned), path_(std::move(name)) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/eventscan-stdin-XXXXXX";
    spill_ = mkostemp(path.data(), O_CLOEXEC);
    if (spill_ < 0)
      throw LogError(fmt::format("{}: no temporary file to keep the log in ({}): {}", path_, path, std::strerror(errno)));
    ::unlink(path.c_str());
  }
  ~SpillSource() override {
    ::close(spill_);
    if (owned_) ::close(fd_);
  }
  size_t Read(char* buffer, size_t size) override {
    size_t n = readSome(fd_, buffer, size, path_);
    for (size_t done = 0; done < n;) {
      ssize_t w = ::write(spill_, buffer + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw systemError(path_, "cannot keep the log in a temporary file");
      done += static_cast<size_t>(w);
    }
    return n;
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override { readExactly(spill_, offset, size, out, path_); }

 private:
  int fd_;
  bool owned_;
  std::string path_;
  int spill_ = -1;
};

class TextSource : public LogSource {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min(size, text_.size() - pos_);
    std::memcpy(buffer, text_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override {
    std::memcpy(out, text_.data() + offset, size);
  }
  uint64_t Size() const override { return text_.size(); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

size_t cacheRecords(const ReadOptions& options) {
  if (options.CacheRecords) return options.CacheRecords;
  if (const char* text = std::getenv("EVENTSCAN_RECORD_CACHE"))
    if (auto n = ParseDecimalOrHex<size_t>(text); n && *n > 0) return *n;
  return 4096;
}

}  // namespace

std::unique_ptr<LogSource> OpenLogSource(const std::string& path) {
  if (path == "-") {
    struct stat st {};
    if (fstat(STDIN_FILENO, &st) != 0) throw systemError("<stdin>", "cannot read the log");
    if (S_ISREG(st.st_mode)) {
      off_t at = lseek(STDIN_FILENO, 0, SEEK_CUR);
      if (at < 0) at = 0;
      return std::make_unique<FileSource>(STDIN_FILENO, false, static_cast<uint64_t>(at),
                                          static_cast<uint64_t>(st.st_size - at), "<stdin>");
    }
    return std::make_unique<SpillSource>(STDIN_FILENO, false, "<stdin>");
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw LogError(fmt::format("{}: is a directory, not a log", path));
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw LogError(fmt::format("{}: cannot open the log: {}", path, std::strerror(errno)));
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    LogError error = systemError(path, "cannot read the log");
    close(fd);
    throw error;
  }
  // A named pipe or a device cannot be read again at an offset: kept aside like a pipe on standard input.
  if (!S_ISREG(st.st_mode)) return std::make_unique<SpillSource>(fd, true, path);
  return std::make_unique<FileSource>(fd, true, 0, static_cast<uint64_t>(st.st_size), path);
}

std::unique_ptr<LogSource> TextLogSource(std::string_view text) { return std::make_unique<TextSource>(text); }

// Lines out of fixed-size blocks: a line that straddles two blocks is moved to
// the front of the buffer and completed by the next read; the buffer grows
// only for a line longer than a block, and never past the line limit (a
// longer line is passed over without being kept).
struct LogStream::Reader {
  enum class Got { Line, TooLong, End };

  std::unique_ptr<LogSource> Source;
  std::vector<char> Buffer;
  size_t Begin = 0, End = 0;  // unread bytes
  uint64_t BufferOffset = 0;  // input offset of Buffer[0]
  bool Eof = false;
  int Line = 0;               // lines passed
  size_t MaxLine;

  Reader(std::unique_ptr<LogSource> source, size_t block, size_t maxLine)
      : Source(std::move(source)), Buffer(std::max<size_t>(block, 2)), MaxLine(maxLine) {}

  // The next line without its line end, and the input offset of its first
  // byte; for TooLong, `size` is the line's length.
  Got NextLine(std::string_view& line, uint64_t& offset, size_t& size) {
    for (;;) {
      const char* b = Buffer.data();
      const char* nl = Begin < End ? static_cast<const char*>(std::memchr(b + Begin, '\n', End - Begin)) : nullptr;
      if (nl || (Eof && Begin < End)) {
        const size_t stop = nl ? static_cast<size_t>(nl - b) : End;
        offset = BufferOffset + Begin;
        line = std::string_view(b + Begin, stop - Begin);
        Begin = nl ? stop + 1 : End;
        ++Line;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        size = line.size();
        return size > MaxLine ? Got::TooLong : Got::Line;
      }
      if (Eof) return Got::End;
      // No line end yet. Past the limit (and a '\r' that may end it) the line
      // is too long whatever follows.
      if (End - Begin > MaxLine + 1) return skipLong(offset, size);
      if (Begin > 0) {
        std::memmove(Buffer.data(), b + Begin, End - Begin);
        BufferOffset += Begin;
        End -= Begin;
        Begin = 0;
      }
      if (End == Buffer.size()) Buffer.resize(std::min(Buffer.size() * 2, MaxLine + 2));
      size_t n = Source->Read(Buffer.data() + End, Buffer.size() - End);
      if (n == 0) Eof = true;
      End += n;
    }
  }

  // Passes over the rest of a line that does not fit, counting its bytes.
  Got skipLong(uint64_t& offset, size_t& size) {
    offset = BufferOffset + Begin;
    size_t count = End - Begin;
    bool cr = Buffer[End - 1] == '\r';
    for (;;) {
      BufferOffset += End;
      Begin = End = 0;
      size_t n = Source->Read(Buffer.data(), Buffer.size());
      if (n == 0) {
        Eof = true;
        break;
      }
      End = n;
      const char* nl = static_cast<const char*>(std::memchr(Buffer.data(), '\n', n));
      if (!nl) {
        count += n;
        cr = Buffer[n - 1] == '\r';
        continue;
      }
      const auto k = static_cast<size_t>(nl - Buffer.data());
      count += k;
      if (k > 0) cr = Buffer[k - 1] == '\r';
      Begin = k + 1;
      break;
    }
    ++Line;
    size = count - (cr ? 1 : 0);
    return Got::TooLong;
  }

  uint64_t Passed() const { return BufferOffset + Begin; }
};

LogStream::LogStream(std::unique_ptr<LogSource> source, std::string name, const ReadOptions& options)
    : name_(std::move(name)), options_(options),
      currentRecord_(std::make_unique<HandsetRecord>()), scratch_(std::make_unique<HandsetRecord>()) {
  const size_t maxLine = std::min<size_t>(options.MaxLineBytes, UINT32_MAX);
  reader_ = std::make_unique<Reader>(std::move(source), options.BlockBytes, maxLine);
  options_.MaxLineBytes = maxLine;
  cache_.resize(cacheRecords(options));
  std::string_view line;
  uint64_t offset = 0;
  size_t size = 0;
  for (;;) {
    Reader::Got got = reader_->NextLine(line, offset, size);
    if (got == Reader::Got::End)
      throw LogError(fmt::format("{}:1: the log is empty (no {} header)", name_, LogFormatName));
    if (got == Reader::Got::TooLong)
      throw LogError(fmt::format("{}:{}: {}", name_, reader_->Line, longLine(size, options_.MaxLineBytes)));
    if (blank(line)) continue;
    header_ = readHeader(line, name_, options_);
    return;
  }
}

LogStream::~LogStream() = default;

uint64_t LogStream::BytesRead() const { return reader_->Passed(); }
uint64_t LogStream::Size() const { return reader_->Source->Size(); }

RecordFeed LogStream::feedOf(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= index_.size()) return {};
  const RecordIndexEntry& e = index_[static_cast<size_t>(index)];
  return RecordFeed{static_cast<RecordKind>(e.Kind), static_cast<uint8_t>(e.DeviceType), e.Line};
}

bool LogStream::scanNext(HandsetRecord& into) {
  std::string_view line;
  uint64_t offset = 0;
  size_t size = 0;
  while (!stopped_) {
    Reader::Got got = reader_->NextLine(line, offset, size);
    if (got == Reader::Got::End) return false;
    const int lineNumber = reader_->Line;
    if (got == Reader::Got::TooLong) {
      faults_.push_back({name_, lineNumber, longLine(size, options_.MaxLineBytes)});
      if (options_.Strict) stopped_ = true;
      continue;
    }
    if (blank(line)) continue;
    const size_t events = events_.size();
    const auto index = static_cast<int32_t>(index_.size());
    resetRecord(into);
    RecordFeed feed{RecordKind::Measurement, header_.DeviceType, lineNumber};
    LineTarget target{into, feed, events_, origins_, index};
    try {
      ParseRecordLine(line, header_, target, options_.FastPath);
    } catch (const std::exception& e) {
      faults_.push_back({name_, lineNumber, e.what()});
      events_.resize(events);
      origins_.resize(events);
      if (options_.Strict) stopped_ = true;
      continue;
    }
    RecordIndexEntry entry{};
    entry.Offset = offset;
    entry.Kind = static_cast<uint8_t>(feed.Kind);
    entry.DeviceType = feed.DeviceType;
    entry.Line = lineNumber;
    entry.Length = static_cast<uint32_t>(line.size());
    index_.push_back(entry);
    return true;
  }
  return false;
}

void LogStream::reread(int32_t index, HandsetRecord& into) {
  ++rereads_;
  const RecordIndexEntry& e = index_[static_cast<size_t>(index)];
  lineBuffer_.resize(e.Length);
  reader_->Source->ReadAt(e.Offset, e.Length, lineBuffer_.data());
  resetRecord(into);
  RecordFeed feed{RecordKind::Measurement, header_.DeviceType, e.Line};
  // The line's entries are in the table already.
  scratchEvents_.clear();
  scratchOrigins_.clear();
  LineTarget target{into, feed, scratchEvents_, scratchOrigins_, index};
  try {
    ParseRecordLine(lineBuffer_, header_, target, options_.FastPath);
  } catch (const std::exception& error) {
    throw LogError(fmt::format("{}:{}: the line changed while the log was read: {}", name_, e.Line, error.what()));
  }
}

bool LogStream::Next() {
  if (stopped_) return false;
  // The record leaving is the one the library most likely asks for again.
  if (current_ >= 0 && static_cast<size_t>(current_) < index_.size()) {
    Slot& slot = cache_[static_cast<size_t>(current_) % cache_.size()];
    std::swap(slot.Record, currentRecord_);
    slot.Index = current_;
    if (!currentRecord_) currentRecord_ = std::make_unique<HandsetRecord>();
  }
  const int32_t next = current_ + 1;
  if (static_cast<size_t>(next) < index_.size()) {
    reread(next, *currentRecord_);  // read ahead before
  } else if (!scanNext(*currentRecord_)) {
    current_ = static_cast<int32_t>(index_.size());  // past the end: every record is answered from its line
    return false;
  }
  current_ = next;
  return true;
}

HandsetRecord* LogStream::Record(int32_t index) {
  if (index < 0) return nullptr;
  if (index == current_ && static_cast<size_t>(index) < index_.size()) return currentRecord_.get();
  Slot& slot = cache_[static_cast<size_t>(index) % cache_.size()];
  if (static_cast<size_t>(index) >= index_.size()) {
    while (static_cast<size_t>(index) >= index_.size())
      if (!scanNext(*scratch_)) return nullptr;
    std::swap(slot.Record, scratch_);
    slot.Index = index;
    if (!scratch_) scratch_ = std::make_unique<HandsetRecord>();
    return slot.Record.get();
  }
  if (slot.Index == index) return slot.Record.get();
  if (!slot.Record) slot.Record = std::make_unique<HandsetRecord>();
  slot.Index = -1;  // until the line is read
  reread(index, *slot.Record);
  slot.Index = index;
  return slot.Record.get();
}

bool LogStream::Reaches(int32_t index) {
  return index >= 0 && (static_cast<size_t>(index) < index_.size() || Record(index) != nullptr);
}

bool LogStream::CheckEvent(size_t position) {
  const int32_t record = events_[position].RecordIndex;
  const int32_t declaredBy = origins_[position].DeclaredBy;
  if (Reaches(record)) return true;
  if (stopped_) return false;  // strict reading stopped at a line read ahead
  faults_.push_back({name_, index_[static_cast<size_t>(declaredBy)].Line,
                     fmt::format("events: record {} is not in the log ({} records)", record, index_.size())});
  if (options_.Strict) stopped_ = true;
  return false;
}

namespace {

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
  log.Faults = stream.Faults();
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
