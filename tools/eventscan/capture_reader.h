// Reads a GSMTAP capture (pcap or pcapng) through one tshark subprocess and
// maps its frames to records of a UMTS log: GSM frames become records of
// network GSM, UMTS RRC frames records of network UMTS, with the NAS message
// of a direct transfer as a record of its own. What is not mapped is counted,
// never dropped silently. Single-threaded; the result owns everything.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "log_types.h"

namespace eventscan {

class CaptureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One record made from a frame, before it becomes a HandsetRecord or a log line.
struct CaptureRecord {
  uint32_t Frame = 0;
  double Time = 0;          // days; never earlier than the record before
  uint8_t Net = 2;          // 0 GSM, 2 UMTS
  bool Message = true;      // else a measurement record
  uint32_t Code = 0;
  uint32_t Mode = 0;        // 0 idle, 2 dedicated
  int Uplink = -1;          // 1 uplink, 0 downlink, -1 not known
  int32_t SubType = -1;
  std::optional<int32_t> Cause;
  std::optional<int32_t> CmServiceType;
  std::optional<std::pair<int32_t, int32_t>> TargetCell;  // BCCH, BSIC
  std::vector<std::pair<int32_t, int32_t>> Fields;        // (identifier, value)
};

struct CaptureStats {
  size_t Frames = 0;
  std::map<std::string, size_t> Skipped;   // kind of frame -> count
  std::map<std::string, size_t> Unmapped;  // message type tshark named -> count
  size_t SkippedTotal() const;
};

struct CaptureLog {
  std::vector<CaptureRecord> Records;
  CaptureStats Stats;
  std::vector<LogFault> Faults;  // malformed frames, by frame number
};

// Maps tshark's field lines (the columns of CaptureFields(), tab-separated)
// one by one; kept apart from the subprocess so that it can be fed by hand.
class CaptureMapper {
 public:
  explicit CaptureMapper(std::string name) : name_(std::move(name)) {}
  void MapLine(std::string_view line);
  CaptureLog& Result() { return log_; }

 private:
  void fault(uint32_t frame, const std::string& reason);
  std::string name_;
  CaptureLog log_;
  size_t lines_ = 0;
  double lastTime_ = 0;
};

// The -e fields given to tshark, in column order.
const std::vector<const char*>& CaptureFields();

// True when the file starts like a pcap or pcapng file.
bool IsCaptureFile(const std::string& path);

// Runs tshark (or $EVENTSCAN_TSHARK) on the capture and maps every frame.
// Raises CaptureError when tshark is missing or fails on the file.
CaptureLog ReadCapture(const std::string& path);

// The records as eventscan feeds them: a UMTS log (header network 2).
ParsedLog ToParsedLog(const CaptureLog& capture, const std::string& path);
HandsetRecord ToHandsetRecord(const CaptureRecord& record);

// "1621 frames: 1012 records, 609 skipped (LTE RRC 141, ...)".
std::string CaptureSummary(const CaptureLog& capture);

}  // namespace eventscan
