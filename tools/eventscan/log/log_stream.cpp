#include "log/log_stream.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include <fmt/format.h>

#include "log/line_scan.h"
#include "log/read_ahead.h"
#include "log/log_header.h"
#include "support/text_case.h"

namespace eventscan {
namespace {

size_t cacheRecords(const ReadOptions& options) {
  if (options.CacheRecords) return options.CacheRecords;
  if (const char* text = std::getenv("EVENTSCAN_RECORD_CACHE"))
    if (auto n = ParseDecimalOrHex<size_t>(text); n && *n > 0) return *n;
  return 4096;
}

}  // namespace

LogStream::LogStream(std::unique_ptr<LogSource> source, std::string name, const ReadOptions& options)
    : name_(std::move(name)), options_(options),
      currentRecord_(std::make_unique<HandsetRecord>()), scratch_(std::make_unique<HandsetRecord>()) {
  options_.MaxLineBytes = std::min<size_t>(options.MaxLineBytes, UINT32_MAX);
  SharedSource* shared = nullptr;
  if (options.Threads > 1) {
    auto wrapped = std::make_unique<SharedSource>(std::move(source));
    shared = wrapped.get();
    source = std::move(wrapped);
  }
  source_ = source.get();
  auto scanner = std::make_unique<LineScanner>(std::move(source), options_);
  cache_.resize(cacheRecords(options));
  LineSplitter& lines = scanner->Lines();
  std::string_view line;
  uint64_t offset = 0;
  size_t size = 0;
  for (;;) {
    LineSplitter::Got got = lines.NextLine(line, offset, size);
    if (got == LineSplitter::Got::End)
      throw LogError(fmt::format("{}:1: the log is empty (no {} header)", name_, LogFormatName));
    if (got == LineSplitter::Got::TooLong)
      throw LogError(fmt::format("{}:{}: {}", name_, lines.LineNumber(), LongLineText(size, options_.MaxLineBytes)));
    if (BlankLine(line)) continue;
    header_ = ReadLogHeader(line, name_, options_.Network);
    break;
  }
  scanner->SetHeader(header_);
  passed_ = scanner->Passed();
  if (shared) ahead_ = std::make_unique<ReadAhead>(std::move(scanner), *shared);
  else scanner_ = std::move(scanner);
}

LogStream::~LogStream() = default;

uint64_t LogStream::BytesRead() const { return ahead_ ? passed_ : scanner_->Passed(); }
uint64_t LogStream::Size() const { return source_->Size(); }
std::string LogStream::Damage() const { return ahead_ ? ahead_->Damage() : source_->Damage(); }

RecordFeed LogStream::feedOf(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= index_.size()) return {};
  const RecordIndexEntry& e = index_[static_cast<size_t>(index)];
  return RecordFeed{static_cast<RecordKind>(e.Kind), static_cast<uint8_t>(e.DeviceType), e.Line};
}

bool LogStream::scanNext(std::unique_ptr<HandsetRecord>& into) {
  while (!stopped_) {
    ScanTarget target{*into, events_, origins_, unknownFields_, faultText_};
    ScannedLine scanned;
    if (ahead_) {
      const TakenLine taken = ahead_->Take(target, &into);
      scanned = taken.Scan;
      passed_ = taken.Passed;
    } else {
      scanned = scanner_->Scan(static_cast<int32_t>(index_.size()), target);
    }
    switch (scanned.What) {
      case ScannedLine::Kind::End:
        return false;
      case ScannedLine::Kind::Fault:
        faults_.push_back({name_, scanned.Line, std::move(faultText_)});
        if (options_.Strict) stopped_ = true;
        continue;
      case ScannedLine::Kind::Record:
        if (!unknownFields_.empty()) noteUnknownFields(scanned.Line);
        index_.push_back(scanned.Entry());
        return true;
    }
  }
  return false;
}

void LogStream::noteUnknownFields(int line) {
  for (const std::string& name : unknownFields_) {
    if (unknownSeen_.size() >= 100 && !unknownSeen_.count(AsciiLowerCopy(name))) {
      ++unlistedUnknown_;
      continue;
    }
    if (unknownSeen_.insert(AsciiLowerCopy(name)).second)
      warnings_.push_back({name_, line,
                           fmt::format("warning: unknown field \"{}\": its values are passed over, the rest of "
                                       "each record is read (reported once)",
                                       ClipValue(name))});
  }
}

void LogStream::stopAtChange(const LogChanged& change, int32_t sound) {
  stopped_ = true;
  sound_ = std::max<int32_t>(sound, 0);
  if (sound_ == 0) {
    change_ = fmt::format("{}; no record was read before it, so the log is not run", change.what());
    return;
  }
  if (static_cast<size_t>(sound_) >= index_.size() && current_ >= sound_) {
    change_ = fmt::format("{}; it was found after the whole log was fed, as results read their records again: the "
                          "results shown stand on the lines as they were first read, and the rest are left out",
                          change.what());
    return;
  }
  change_ = fmt::format("{}; the results are those of records 0 to {} (line {}), read before it; the rest of the "
                        "log is not run",
                        change.what(), sound_ - 1, index_[static_cast<size_t>(sound_ - 1)].Line);
}

void LogStream::reread(int32_t index, HandsetRecord& into) {
  ++rereads_;
  const RecordIndexEntry& e = index_[static_cast<size_t>(index)];
  lineBuffer_.resize(e.Length);
  source().ReadAt(e.Offset, e.Length, lineBuffer_.data());
  ResetRecord(into);
  RecordFeed feed{RecordKind::Measurement, header_.DeviceType, e.Line};
  // The line's entries are in the table already.
  scratchEvents_.clear();
  scratchOrigins_.clear();
  LineTarget target{into, feed, scratchEvents_, scratchOrigins_, index};
  try {
    options_.LineReader(lineBuffer_, header_, target);
  } catch (const std::exception& error) {
    // The line's bytes passed their check: only a change the check missed
    // gets here.
    throw LogChanged(fmt::format("{}: the log changed while it was read (line {} no longer reads: {})", name_, e.Line,
                                 error.what()));
  }
}

bool LogStream::Next() {
  if (stopped_) return false;
  try {
    return next();
  } catch (const LogChanged& change) {
    stopAtChange(change, current_ + 1);  // the current record was fed whole
    return false;
  }
}

HandsetRecord* LogStream::Record(int32_t index) {
  if (!change_.empty()) {
    auto it = kept_.find(index);
    return it == kept_.end() ? nullptr : it->second.get();
  }
  try {
    return record(index);
  } catch (const LogChanged& change) {
    stopAtChange(change, current_);  // asked for while the current record is fed
    return nullptr;
  }
}

std::set<int32_t> LogStream::KeepSound(const std::set<int32_t>& indexes) {
  std::set<int32_t> lost;
  for (int32_t index : indexes) {
    if (index < 0 || index >= sound_ || kept_.count(index)) continue;
    auto record = std::make_unique<HandsetRecord>();
    const Slot& slot = cache_[static_cast<size_t>(index) % cache_.size()];
    try {
      if (slot.Index == index && slot.Record) *record = *slot.Record;  // parsed from the bytes that were fed
      else reread(index, *record);
      kept_.emplace(index, std::move(record));
    } catch (const LogChanged&) {
      lost.insert(index);
    }
  }
  if (!lost.empty())
    change_ += fmt::format("; the results of {} of those records are left out too: their lines no longer read as they "
                           "were read",
                           lost.size());
  return lost;
}

bool LogStream::next() {
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
  } else if (!scanNext(currentRecord_)) {
    current_ = static_cast<int32_t>(index_.size());  // past the end: every record is answered from its line
    return false;
  }
  current_ = next;
  return true;
}

HandsetRecord* LogStream::record(int32_t index) {
  if (index < 0) return nullptr;
  if (index == current_ && static_cast<size_t>(index) < index_.size()) return currentRecord_.get();
  Slot& slot = cache_[static_cast<size_t>(index) % cache_.size()];
  if (static_cast<size_t>(index) >= index_.size()) {
    while (static_cast<size_t>(index) >= index_.size())
      if (!scanNext(scratch_)) return nullptr;
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

}  // namespace eventscan
