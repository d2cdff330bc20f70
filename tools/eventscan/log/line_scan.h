// The lines of a log after its header, scanned to the next record: blank
// lines passed over, a malformed or too long line made a fault of that line,
// a record parsed into a buffer the caller reuses. One scanner a stream; it
// runs on the stream's thread, or on the thread that reads ahead for it, and
// gives the same outcomes in the same order either way. Single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "log/line_splitter.h"
#include "log/log_source.h"
#include "log/log_types.h"
#include "log/record_index.h"
#include "log/record_parser.h"

namespace eventscan {

struct ReadOptions;

// What one scan found.
struct ScannedLine {
  enum class Kind : uint8_t { Record, Fault, End };
  Kind What = Kind::End;
  uint8_t RecordKind = 0;   // of a record: how it is fed
  uint8_t DeviceType = 0;
  int Line = 0;             // line number of the record or the fault
  uint64_t Offset = 0;      // of a record: where its line is
  uint32_t Length = 0;
  // Built where it is stored: a copy of an entry made member by member just
  // before stalls on loading it whole.
  RecordIndexEntry Entry() const { return RecordIndexEntry{Offset, RecordKind, DeviceType, Line, Length}; }
};

// Where a scan puts what a record line holds besides the record.
struct ScanTarget {
  HandsetRecord& Record;                // emptied first; keeps its buffers' capacity
  std::vector<EventTableEntry>& Events; // entries the line declares, appended
  std::vector<DeclaredEvent>& Origins;  // parallel to Events
  std::vector<std::string>& Unknown;    // field names not in the catalogue, replaced
  std::string& FaultText;               // the reason of a fault, replaced
};

class LineScanner {
 public:
  LineScanner(std::unique_ptr<LogSource> source, const ReadOptions& options);

  LineSplitter& Lines() { return lines_; }
  const LineSplitter& Lines() const { return lines_; }
  void SetHeader(const LogHeader& header) { header_ = header; }

  // Scans to the next record or fault; `index` is the position the next
  // record takes in the log. After a fault, with strict reading, scans give
  // End. Raises LogError (LogChanged) as the source does.
  ScannedLine Scan(int32_t index, ScanTarget target);
  // Bytes of the input passed so far.
  uint64_t Passed() const { return lines_.Passed(); }

 private:
  LineSplitter lines_;
  LogHeader header_;
  RecordLineReader reader_;
  size_t maxLine_;
  bool strict_;
  bool stopped_ = false;
};

// The fault text of a line longer than the limit.
std::string LongLineText(size_t size, size_t limit);
// A line of spaces and tabs only, passed over wherever it stands.
bool BlankLine(std::string_view line);
// A record emptied for the next line; its buffers keep their capacity, so a
// reused record allocates nothing for lines no longer than those before.
void ResetRecord(HandsetRecord& record);

}  // namespace eventscan
