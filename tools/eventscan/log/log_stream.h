// A log read in one pass through a fixed block buffer: the stream keeps a
// small index entry per record and a cache of recent records, and gives back
// any record again on request by re-reading its line. Malformed lines are
// faults, skipped or, when strict, the end; a log that changes while it is
// read ends the stream where the change is found. Used from one thread; with
// ReadOptions::Threads 2 its lines are read and parsed ahead on a second
// thread of its own, with the same records, faults and progress.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "log/log_source.h"
#include "log/log_types.h"
#include "log/record_index.h"
#include "log/record_parser.h"

namespace eventscan {

class LineScanner;
class ReadAhead;

inline constexpr size_t DefaultMaxLineBytes = size_t(16) << 20;

struct ReadOptions {
  bool Strict = false;
  std::optional<uint8_t> Network;  // replaces the header's network
  // The reader of record lines. Tests and the fuzz target put the reference
  // reader here to compare the two on whole logs.
  RecordLineReader LineReader = ParseRecordLine;
  // A line longer than this is a fault of that line and is skipped, so one
  // huge line cannot take the memory of the whole machine. Default 16 MiB.
  size_t MaxLineBytes = DefaultMaxLineBytes;
  // Bytes read from the input at a time; a line may straddle blocks.
  size_t BlockBytes = size_t(4) << 20;
  // Earlier records kept parsed for the library to ask for again, at least 1;
  // older ones are read again from their line. 0: EVENTSCAN_RECORD_CACHE when
  // set (tests set it to 1 to force re-reading), else 4096.
  size_t CacheRecords = 0;
  // 2: the lines are read and parsed on a second thread, ahead of the records
  // the stream gives (a few batches ahead at most); 1: all on the caller's.
  int Threads = 1;
};

class LogStream {
 public:
  // Reads the header; raises LogError when there is none.
  LogStream(std::unique_ptr<LogSource> source, std::string name, const ReadOptions& options = {});
  ~LogStream();
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;

  const std::string& Name() const { return name_; }
  const LogHeader& Header() const { return header_; }

  // Moves to the next record of the log; false at its end, when strict
  // reading stopped at a fault, or when the log changed (Changed()).
  bool Next();
  int32_t CurrentIndex() const { return current_; }
  HandsetRecord& Current() { return *currentRecord_; }
  RecordFeed CurrentFeed() const { return feedOf(current_); }

  // Any record of the log by index: the current one, a recent one kept
  // parsed, an earlier one read again, a later one read ahead. Null when the
  // log has no such record. Once the log changed, only the records kept by
  // KeepSound are given. The record stays put until the next call of Record
  // or Next.
  HandsetRecord* Record(int32_t index);
  // Whether the log has this record (reads ahead as far as needed).
  bool Reaches(int32_t index);

  // The event table as far as it has been read; entries are added as lines
  // declare them (a read ahead declares them early).
  std::vector<EventTableEntry>& Events() { return events_; }
  const std::vector<DeclaredEvent>& EventOrigins() const { return origins_; }
  // Whether entry `position` names a record of the log; when it does not the
  // entry is a fault of the line that declared it (and stops strict reading).
  bool CheckEvent(size_t position);

  // Faults in the order they were found.
  const std::vector<LogFault>& Faults() const { return faults_; }
  // Field names the catalogue does not know, each with the first line that
  // has it ("warning: unknown field ..."); the records keep everything else.
  // At most 100 names are listed; UnlistedUnknownFields counts the others.
  const std::vector<LogFault>& Warnings() const { return warnings_; }
  size_t UnlistedUnknownFields() const { return unlistedUnknown_; }
  // Strict reading stopped at a fault, or the log changed.
  bool Stopped() const { return stopped_; }
  // The log changed while it was read (rewritten, cut, written to). The
  // records fed before the change was found are sound; the change was found
  // while record SoundRecords() was read or fed, and nothing from there on is
  // read. ChangeText() says so, naming the log and the last sound record.
  bool Changed() const { return !change_.empty(); }
  int32_t SoundRecords() const { return sound_; }
  const std::string& ChangeText() const { return change_; }
  // After a change: reads the records at `indexes` (the sound ones that
  // results stand on) once more and keeps them in memory, so that results
  // shown later read what was fed, whatever happens to the file. Returns the
  // indexes whose lines no longer read as they did; ChangeText counts them.
  std::set<int32_t> KeepSound(const std::set<int32_t>& indexes);
  // Where a damaged compressed log broke off (the records before it are
  // read); empty for a log read to its end.
  std::string Damage() const;
  // How the log grew while it was read, its appended records read too;
  // empty when it did not grow.
  std::string Growth() const { return source_->Growth(); }
  // Records found so far (read ahead included).
  size_t RecordsFound() const { return index_.size(); }
  const RecordIndexEntry& Entry(int32_t index) const { return index_[static_cast<size_t>(index)]; }
  // Bytes of the input passed so far, and its size when known (else 0).
  uint64_t BytesRead() const;
  uint64_t Size() const;
  size_t CacheSize() const { return cache_.size(); }
  // Lines parsed again because a record was asked for after it left the cache.
  size_t Rereads() const { return rereads_; }

 private:
  struct Slot {
    int32_t Index = -1;
    std::unique_ptr<HandsetRecord> Record;
  };
  RecordFeed feedOf(int32_t index) const;
  // The next record into `into`, which may be given another record to own
  // in its place.
  bool scanNext(std::unique_ptr<HandsetRecord>& into);
  LogSource& source() { return *source_; }
  void reread(int32_t index, HandsetRecord& into);
  bool next();
  HandsetRecord* record(int32_t index);
  // Stops the stream at a change found while `sound` records were fed.
  void stopAtChange(const LogChanged& change, int32_t sound);
  void noteUnknownFields(int line);

  std::string name_;
  ReadOptions options_;
  LogHeader header_;
  LogSource* source_ = nullptr;           // owned by the scanner's lines
  std::unique_ptr<LineScanner> scanner_;  // on this thread, or
  std::unique_ptr<ReadAhead> ahead_;      // on the reading thread
  uint64_t passed_ = 0;                   // input bytes passed, when read ahead
  std::string faultText_;
  RecordIndex index_;
  std::vector<EventTableEntry> events_;
  std::vector<DeclaredEvent> origins_;
  std::vector<LogFault> faults_;
  std::vector<LogFault> warnings_;
  std::vector<std::string> unknownFields_;  // of the line being read
  std::set<std::string> unknownSeen_;       // lower case
  size_t unlistedUnknown_ = 0;
  std::string change_;
  int32_t sound_ = -1;
  std::map<int32_t, std::unique_ptr<HandsetRecord>> kept_;  // after a change
  bool stopped_ = false;
  size_t rereads_ = 0;
  int32_t current_ = -1;
  std::unique_ptr<HandsetRecord> currentRecord_;
  std::unique_ptr<HandsetRecord> scratch_;
  std::vector<Slot> cache_;  // record i in slot i % size
  std::string lineBuffer_;
  std::vector<EventTableEntry> scratchEvents_;
  std::vector<DeclaredEvent> scratchOrigins_;
};

}  // namespace eventscan
