#include "log/read_ahead.h"

#include <algorithm>
#include <iterator>

namespace eventscan {
namespace {

// A batch ends at whichever comes first; four of them are the most in flight.
// Each batch handed over costs both threads a wake-up, and the taker is
// often the faster side, waiting for every batch: a batch holds a few
// milliseconds of parsing, so that the hand-overs cost next to nothing
// beside it (at 512 lines, a wait and a wake-up every 512 records cost more
// than the second thread saved when the log is only read).
constexpr size_t BatchLines = 4096;
constexpr size_t BatchBytes = size_t(2) << 20;
constexpr size_t Batches = 4;
// Bytes of message and item buffers a record of a batch keeps for the next line.
constexpr size_t KeptRecordBytes = 1024;

}  // namespace

size_t SharedSource::Read(char* buffer, size_t size) {
  // A pipe may keep the reading thread waiting for the writer: it waits
  // unlocked, so that the stream meanwhile reads earlier lines again (rows
  // of the records already handed over are written without waiting for
  // more of the log).
  inner_->AwaitBytes();
  std::lock_guard lock(mutex_);
  const size_t n = inner_->Read(buffer, size);
  // Damage is found by a read; looked for once a read, not once a line.
  if (!damaged_) damaged_ = !inner_->Damage().empty();
  return n;
}

void SharedSource::ReadAt(uint64_t offset, size_t size, char* out) {
  std::lock_guard lock(mutex_);
  inner_->ReadAt(offset, size, out);
}

uint64_t SharedSource::Size() const {
  std::lock_guard lock(mutex_);
  return inner_->Size();
}

std::string SharedSource::Damage() const {
  std::lock_guard lock(mutex_);
  return inner_->Damage();
}

std::string SharedSource::Growth() const {
  std::lock_guard lock(mutex_);
  return inner_->Growth();
}

ReadAhead::ReadAhead(std::unique_ptr<LineScanner> scanner, SharedSource& source)
    : scanner_(std::move(scanner)), source_(source) {
  for (size_t i = 0; i < Batches; ++i) {
    auto batch = std::make_unique<Batch>();
    batch->Items.reserve(BatchLines);
    batch->Records.reserve(BatchLines);
    free_.push_back(std::move(batch));
  }
  thread_ = std::thread([this] { run(); });
}

ReadAhead::~ReadAhead() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  changed_.notify_all();
  // The reading thread may wait for a pipe whose writer has more to say.
  source_.Cancel();
  thread_.join();
}

void ReadAhead::run() {
  for (;;) {
    std::unique_ptr<Batch> batch;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return cancelled_ || !free_.empty(); });
      if (cancelled_) return;
      batch = std::move(free_.back());
      free_.pop_back();
    }
    bool more = false;
    try {
      more = fill(*batch);
    } catch (...) {
      // Out of memory, say: raised to the taker after the lines before it.
      batch->Failure = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      full_.push_back(std::move(batch));
    }
    changed_.notify_all();
    if (!more) return;
  }
}

bool ReadAhead::fill(Batch& b) {
  b.Items.clear();
  b.Events.clear();
  b.Origins.clear();
  b.Unknown.clear();
  b.Texts.clear();
  b.Bytes = 0;
  b.Failure = nullptr;
  b.Next = b.Record = b.Event = b.Name = b.Text = 0;
  size_t records = 0;
  std::vector<std::string> unknown;
  std::string text;
  while (b.Items.size() < BatchLines && b.Bytes < BatchBytes) {
    // What is scanned goes to the taker before a read that may wait (a pipe
    // whose writer is slow): a line that has come is never held back.
    if (!b.Items.empty() && !scanner_->Lines().Buffered()) return true;
    if (records == b.Records.size()) b.Records.push_back(std::make_unique<HandsetRecord>());
    // The records of the batches keep their buffers from line to line; one
    // that held a long message or long item texts gives them up, so that the
    // batches' records keep a few MiB at most whatever the lines were.
    if (HandsetRecord& slot = *b.Records[records];
        slot.MessageBytes.capacity() + slot.ExtraPool.capacity() > KeptRecordBytes)
      b.Records[records] = std::make_unique<HandsetRecord>();
    const size_t events = b.Events.size();
    Item item;
    // What Scan raises is raised to the taker once it has taken every line before.
    item.Taken.Scan = scanner_->Scan(records_, {*b.Records[records], b.Events, b.Origins, unknown, text});
    item.Taken.Passed = scanner_->Passed();
    item.Damaged = source_.Damaged();
    switch (item.Taken.Scan.What) {
      case ScannedLine::Kind::End:
        b.Items.push_back(item);
        return false;
      case ScannedLine::Kind::Fault:
        b.Texts.push_back(std::move(text));
        break;
      case ScannedLine::Kind::Record:
        ++records;
        ++records_;
        item.Events = static_cast<uint32_t>(b.Events.size() - events);
        item.Unknown = static_cast<uint32_t>(unknown.size());
        std::move(unknown.begin(), unknown.end(), std::back_inserter(b.Unknown));
        b.Bytes += item.Taken.Scan.Length;
        break;
    }
    b.Items.push_back(item);
  }
  return true;
}

TakenLine ReadAhead::Take(ScanTarget target, std::unique_ptr<HandsetRecord>* owner) {
  for (;;) {
    if (taking_) {
      Batch& b = *taking_;
      if (b.Next < b.Items.size()) {
        const Item& item = b.Items[b.Next];
        // The end stays the end for every later call.
        if (item.Taken.Scan.What != ScannedLine::Kind::End) ++b.Next;
        if (item.Damaged && damage_.empty()) damage_ = source_.Damage();
        switch (item.Taken.Scan.What) {
          case ScannedLine::Kind::End:
            break;
          case ScannedLine::Kind::Fault:
            target.FaultText = std::move(b.Texts[b.Text++]);
            break;
          case ScannedLine::Kind::Record: {
            std::unique_ptr<HandsetRecord>& given = b.Records[b.Record++];
            if (owner && owner->get() == &target.Record) owner->swap(given);
            else std::swap(target.Record, *given);
            const auto from = static_cast<ptrdiff_t>(b.Event);
            target.Events.insert(target.Events.end(), b.Events.begin() + from, b.Events.begin() + from + item.Events);
            target.Origins.insert(target.Origins.end(), b.Origins.begin() + from, b.Origins.begin() + from + item.Events);
            b.Event += item.Events;
            target.Unknown.clear();
            for (uint32_t k = 0; k < item.Unknown; ++k) target.Unknown.push_back(std::move(b.Unknown[b.Name++]));
            break;
          }
        }
        return item.Taken;
      }
      // A failure stays raised for every later call.
      if (b.Failure) std::rethrow_exception(b.Failure);
      {
        std::lock_guard lock(mutex_);
        free_.push_back(std::move(taking_));
      }
      changed_.notify_all();
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !full_.empty(); });
    taking_ = std::move(full_.front());
    full_.pop_front();
  }
}

}  // namespace eventscan
