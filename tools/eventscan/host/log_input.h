// What a command runs: a capture, read into memory through tshark with the
// frame number of each record, or a log ("-" standard input), streamed as it
// is fed. Faults go to stderr as the commands report them: a capture's at
// once, a log's in line order once it has been fed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log/log_stream.h"
#include "log/log_types.h"

namespace eventscan {

struct LogInput {
  std::optional<ParsedLog> Parsed;
  std::vector<uint32_t> Frames;
  // Records of a capture before which the handset came back from LTE.
  std::vector<int32_t> Restarts;
  // A capture's malformed frames (Line: the frame number; 0 for the whole
  // capture), printed when it was read, and why tshark stopped before its
  // end (empty when it read to the end).
  std::vector<LogFault> CaptureFaults;
  std::string CaptureDamage;
  std::unique_ptr<LogStream> Stream;
  // Read strictly: the run stops at the first malformed line, with no rows.
  bool Strict = false;
  const LogHeader& Header() const { return Stream ? Stream->Header() : Parsed->Header; }
  size_t Records() const { return Stream ? Stream->RecordsFound() : Parsed->Records.size(); }
  size_t Faults() const { return Stream ? Stream->Faults().size() : Parsed->Faults.size(); }
  // The log changed while it was read: the rows are those of the records
  // before the change, and the run is a fault of the log.
  bool Changed() const { return Stream && Stream->Changed(); }
  // A compressed log whose stream broke off, or a capture cut short: the
  // rows are those of the records before the damage, and the run is a fault
  // of the log.
  std::string Damage() const { return Stream ? Stream->Damage() : CaptureDamage; }
  bool Damaged() const { return !Damage().empty(); }
  // Either: a run of the input is a fault of the log though its rows are
  // written. Fault() says why, naming the file (empty when sound).
  bool Faulty() const { return Changed() || Damaged(); }
  std::string Fault() const { return Changed() ? Stream->ChangeText() : Damage(); }
};

// Opens the log at `path` or reads the capture (recognised by its first
// bytes), with `read`'s strictness and network. A capture's faults are printed
// at once; a log's as it ends (FinishInput). None when nothing can be run
// (--strict stopped, or the capture could not be read); a log that cannot be
// opened raises LogError.
std::optional<LogInput> OpenLogOrCapture(const std::string& path, const ReadOptions& read);
// After feeding: prints a streamed log's faults and warnings in line order,
// and the change of a log that changed while it was read; false when strict
// reading stopped (the message is printed).
bool FinishInput(const LogInput& input);
// After the rows were written: prints the change of a log found as they read
// their records again, unless it was found while the log was fed
// (`changedWhenFed`: FinishInput printed it).
void ReportChangeFoundLate(const LogInput& input, bool changedWhenFed);

// Reads a capture for a run into `input`: prints its faults and summary, and
// keeps the frame of every record, the records at which the handset came back
// from LTE, the faults and the damage. False when strict reading stops at a
// malformed frame.
bool ReadCaptureForRun(const std::string& path, bool strict, LogInput& input);

// What a result row shows of its record: for a capture the frame number in
// place of the record index and that record's network (captures mix GSM and
// UMTS); for a streamed log that mixes networks (a capture written as a log)
// the network of the record, from `nets`, one a record (empty: not mixed).
void ShowRecordOfRow(const LogInput& input, const std::vector<uint8_t>& nets, int32_t& record, std::string& network);

// The faults of a log read into memory, one line each, as runs print them.
void PrintLogFaults(const ParsedLog& log);

}  // namespace eventscan
