// A log's lines read and parsed on a thread of their own, ahead of the
// stream that takes them: the reading thread scans lines into batches (a few
// thousand records or a few MiB of lines each, four batches at most, so the
// memory is bounded whatever the log's size; a batch also ends where the
// bytes read so far do, so that nothing waits behind a slow pipe) and the stream takes the
// outcomes one by one, in the order one thread would have found them. A
// record is handed over by swapping its buffers with the taker's, which go
// back to the reading thread with the batch and are filled again (a record
// the taker owns by pointer trades places with the batch's, so that nothing
// is copied at all). An error
// of the input is handed over at the place it was found and raised there.
//
// The stream and the reading thread share nothing else but the source, whose
// calls are serialised: the stream reads earlier lines again while the
// reading thread reads on.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "log/line_scan.h"
#include "log/log_source.h"

namespace eventscan {

// A source whose calls may come from two threads; one call at a time.
class SharedSource : public LogSource {
 public:
  explicit SharedSource(std::unique_ptr<LogSource> inner) : inner_(std::move(inner)) {}
  size_t Read(char* buffer, size_t size) override;
  void ReadAt(uint64_t offset, size_t size, char* out) override;
  uint64_t Size() const override;
  std::string Damage() const override;
  std::string Growth() const override;
  // Without the lock: it ends a wait for a pipe's bytes.
  void Cancel() override { inner_->Cancel(); }
  // Whether the source has reported damage: read on the reading thread only.
  bool Damaged() const { return damaged_; }

 private:
  mutable std::mutex mutex_;
  std::unique_ptr<LogSource> inner_;
  bool damaged_ = false;
};

// What the stream takes: the outcome of one scan, and for a record what its
// line added besides it.
struct TakenLine {
  ScannedLine Scan;
  uint64_t Passed = 0;  // input bytes passed once the line was scanned
};

class ReadAhead {
 public:
  // Starts reading on a thread of its own: `scanner`, past the header and
  // told it, is then used by that thread alone.
  ReadAhead(std::unique_ptr<LineScanner> scanner, SharedSource& source);
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The next outcome, waiting for it if need be. A record is swapped into
  // `target.Record`, or, when `owner` holds that record, the batch's record
  // takes its place in `owner` (target.Record then names the record given
  // back); its event-table entries are appended and its unknown field names
  // replace `target.Unknown`; a fault's reason replaces `target.FaultText`.
  // Raises what reading raised, where it raised it.
  TakenLine Take(ScanTarget target, std::unique_ptr<HandsetRecord>* owner = nullptr);
  // The damage of a compressed input, once a line taken was read after the
  // source found it; empty before.
  const std::string& Damage() const { return damage_; }

 private:
  struct Item {
    TakenLine Taken;
    uint32_t Events = 0;   // event-table entries of a record
    uint32_t Unknown = 0;  // unknown field names of a record
    bool Damaged = false;  // the source had found damage once the line was scanned
  };
  struct Batch {
    std::vector<Item> Items;
    std::vector<std::unique_ptr<HandsetRecord>> Records;
    std::vector<EventTableEntry> Events;
    std::vector<DeclaredEvent> Origins;
    std::vector<std::string> Unknown;
    std::vector<std::string> Texts;  // the reasons of faults
    size_t Bytes = 0;                // of the lines scanned
    std::exception_ptr Failure;      // raised after the last item
    // The taker's place in each list.
    size_t Next = 0, Record = 0, Event = 0, Name = 0, Text = 0;
  };

  void run();
  // Scans into `batch` until it is full or the lines end; false at their end.
  bool fill(Batch& batch);

  std::unique_ptr<LineScanner> scanner_;
  SharedSource& source_;
  int32_t records_ = 0;  // found by the reading thread

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::unique_ptr<Batch>> free_;  // to fill
  std::deque<std::unique_ptr<Batch>> full_;   // to take, in order
  bool cancelled_ = false;

  std::unique_ptr<Batch> taking_;  // the taker's batch
  std::string damage_;
  std::thread thread_;
};

}  // namespace eventscan
