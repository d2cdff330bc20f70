// What eventscan makes of a log: the header, one HandsetRecord per record line
// (owned here; the library's record view only points at them), the log's
// event table and the faults found while reading. Built by ReadLog, read by
// the host session; single-threaded.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "eventmanager/outside/data_access.h"
#include "support/text_escape.h"

namespace eventscan {

// An input that cannot be read at all (no file, no header); the text names
// the file and what was wrong.
class LogError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The log changed while it was read (rewritten, cut or written to): what was
// read before the change was found is sound, nothing after it is. The text
// names the file and what changed.
class LogChanged : public LogError {
 public:
  using LogError::LogError;
};

enum class RecordKind : uint8_t { Measurement, Message, Test, Trace };

struct LogHeader {
  int Version = 0;
  std::string NetworkName;    // as written in the header ("UMTS")
  uint8_t Network = 255;      // 0 GSM, 1 CDMA, 2 UMTS, 3 TD-SCDMA; 255 unknown
  uint8_t DeviceType = 0;
  double StartTime = 0;       // days
};

// How a record is fed: what the record line said besides its content.
struct RecordFeed {
  RecordKind Kind = RecordKind::Measurement;
  uint8_t DeviceType = 0;
  int32_t Line = 0;  // line number in the log (1-based)
};

// An event-table entry and the record whose line declared it.
struct DeclaredEvent {
  int32_t DeclaredBy = 0;   // record index
  int32_t ItemIndex = -1;   // test item of the entry's record it refers to, -1 none
  bool RecordGiven = false; // the line named the record; else it is DeclaredBy
};

struct LogFault {
  std::string File;
  int Line = 0;
  std::string Reason;
  // For the terminal: the name and the reason may hold text of the file.
  std::string Text() const { return TerminalText(File + ":" + std::to_string(Line) + ": " + Reason); }
};

struct ParsedLog {
  std::string Path;
  LogHeader Header;
  std::vector<HandsetRecord> Records;
  std::vector<RecordFeed> Feeds;               // parallel to Records
  std::vector<EventTableEntry> Events;         // the log's event table
  std::vector<DeclaredEvent> EventOrigins;     // parallel to Events
  std::vector<LogFault> Faults;                // malformed lines (skipped)
  std::vector<LogFault> Warnings;              // unknown field names, each once (the records are kept)
  bool Stopped = false;                        // strict reading stopped at the first fault
};

}  // namespace eventscan
