// What a GSMTAP capture becomes: a record per mapped frame, the frames
// skipped and the message types left unmapped (counted by kind), the faults
// of malformed frames; and what eventscan feeds of it, a UMTS log (a GSM or
// LTE log for a capture of that network's frames only). Plain values; the
// log owns everything.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "log/log_types.h"

namespace eventscan {

class CaptureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One record made from a frame, before it becomes a HandsetRecord or a log line.
struct CaptureRecord {
  uint32_t Frame = 0;
  double Time = 0;          // days; never earlier than the record before
  uint8_t Net = 2;          // 0 GSM, 2 UMTS, 4 LTE
  bool Message = true;      // else a measurement record
  uint32_t Code = 0;
  uint32_t Mode = 0;        // 0 idle, 2 dedicated
  int Uplink = -1;          // 1 uplink, 0 downlink, -1 not known
  int32_t SubType = -1;
  std::optional<int32_t> Cause;
  std::optional<int32_t> CmServiceType;
  std::optional<std::pair<int32_t, int32_t>> TargetCell;  // BCCH, BSIC
  // LTE elements (docs/message-bytes.md)
  std::optional<int32_t> Pci, Earfcn, TargetSystem, EpsBearerId, ScgFailureType;
  std::optional<std::pair<int32_t, int32_t>> NrCell;  // NR-ARFCN, PCI
  std::vector<std::pair<int32_t, int32_t>> Fields;        // (identifier, value)
};

struct CaptureStats {
  size_t Frames = 0;
  std::map<std::string, size_t> Skipped;   // kind of frame -> count
  std::map<std::string, size_t> Unmapped;  // message type tshark named -> count
  // EPS NAS messages whose content is ciphered (in plain LTE NAS frames or
  // inside RRC): counted, never guessed at.
  size_t CipheredNas = 0;
  size_t SkippedTotal() const;
};

// Frames on which the handset was on LTE, one stretch after the other; the
// records after a stretch start from NextRecord.
struct LteStretch {
  uint32_t FirstFrame = 0;
  uint32_t LastFrame = 0;
  size_t NextRecord = 0;
};

struct CaptureLog {
  uint8_t Network = 2;  // 2 UMTS; 0 GSM for a capture of GSM frames only, 4 LTE for one of LTE frames only
  std::vector<CaptureRecord> Records;
  std::vector<LteStretch> LteStretches;
  CaptureStats Stats;
  std::vector<LogFault> Faults;  // malformed frames, by frame number
  // Why tshark stopped before the capture's end (a file cut short in a
  // frame, a tshark that hung); empty when it read to the end. The records
  // before are kept, but they are not the capture's all.
  std::string Damage;
};

// The records as eventscan feeds them: a UMTS log (header network 2), or a
// GSM or LTE log for a capture of GSM or LTE frames only.
ParsedLog ToParsedLog(const CaptureLog& capture, const std::string& path);
HandsetRecord ToHandsetRecord(const CaptureRecord& record);

// "1621 frames: 1012 records, 609 skipped (LTE RRC 141, ...)".
std::string CaptureSummary(const CaptureLog& capture);
// The faults on stderr, by frame number ("<path>: frame 12: ...").
void PrintCaptureFaults(const CaptureLog& capture, const std::string& path);
// One of them as it is printed ("<path>: frame 12: ...", "<path>: ..." for
// the whole capture), its text escaped for the terminal.
std::string CaptureFaultText(const LogFault& fault, const std::string& path);

}  // namespace eventscan
