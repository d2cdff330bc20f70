// Maps tshark's field lines of a GSMTAP capture one by one to records: GSM
// frames to records of network GSM, UMTS RRC frames to records of UMTS, the
// NAS message of a direct transfer to a record of its own, LTE RRC and EPS NAS
// frames to records of LTE. A capture that holds 2G/3G records is run without
// its LTE records (its stretches on LTE are noted instead); one of LTE frames
// only is an LTE log. What is not mapped is counted, never dropped silently.
// Fed by hand in tests; single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>
#include <optional>
#include <string>
#include <string_view>

#include "capture/capture_columns.h"
#include "capture/capture_log.h"

namespace eventscan {

class CaptureMapper {
 public:
  explicit CaptureMapper(std::string name) : name_(std::move(name)) {}
  void MapLine(std::string_view line);
  // The capture so far; Finish() once the last line was mapped.
  CaptureLog& Result() { return log_; }
  void Finish();

 private:
  struct Frame;
  // The frame's number, time, direction and NAS protocol; none when the frame
  // is skipped (counted, with its fault when it has one).
  std::optional<Frame> readFrame(const capture::Columns& cols);
  // A UMTS RRC frame's records; false when the frame is skipped.
  bool mapRrc(Frame& frame);
  // The record of the NAS message of protocol `protocol`, made from `rec`.
  void mapNas(size_t protocol, CaptureRecord rec, Frame& frame);
  // A frame of a kind no record is made of: counted, with its fault when it is malformed.
  void skipKind(const Frame& frame);
  // An LTE frame counted by kind (with its fault when malformed), as a
  // capture run without its LTE records reports it; an LTE log takes it back.
  void noteLteKind(const Frame& frame);

  // LTE frames to LTE records, kept apart in lte_ until the capture's end
  // tells whether it is an LTE log.
  void mapLte(Frame& frame);
  void mapLteRrc(Frame& frame);
  // The EPS NAS message of a frame (plain LTE NAS, or carried in RRC) and the
  // ESM message its EMM message carries; `base` gives direction and mode.
  void mapEpsNas(Frame& frame, const CaptureRecord& base);
  // A NAS message is kept unless it is one already kept, logged again (in
  // another form: inside RRC, as plain NAS, or wrapped in its security header).
  void keepNas(CaptureRecord rec, int form);
  void lteSkipped(const std::string& kind) { ++lte_.Stats.Skipped[kind]; }
  void lteUnmapped(const std::string& type) { ++lte_.Stats.Unmapped[type]; }
  // The capture's end: a capture without 2G/3G records becomes an LTE log;
  // one with them is run without its LTE records.
  void settleLte();

  void fault(uint32_t frame, const std::string& reason);
  // Notes a frame the capture holds less of than it had (a short snapshot
  // length): what it carried beyond is lost, so its message or elements may be.
  void noteCut(uint32_t frame, int64_t captured);
  void skipped(const std::string& kind) { ++log_.Stats.Skipped[kind]; }
  void unmapped(const std::string& type) { ++log_.Stats.Unmapped[type]; }

  std::string name_;
  CaptureLog log_;
  size_t lines_ = 0;
  double lastTime_ = 0;
  bool onLte_ = false;  // the last frames were LTE
  size_t cutFrames_ = 0;
  uint32_t firstCut_ = 0;
  int64_t cutTo_ = 0;   // the largest length a cut frame was cut to: the snapshot length

  CaptureLog lte_;                            // the LTE records, their counts and faults
  std::map<std::string, size_t> lteKinds_;    // LTE frames by GSMTAP kind
  std::vector<LogFault> lteKindFaults_;       // the faults noteLteKind gave
  // The last RRC Connection Reconfiguration, whose handover target and cell
  // group its Complete repeats; the cause of the last re-establishment request.
  std::optional<CaptureRecord> lastReconfiguration_;
  std::optional<int32_t> lastReestablishmentCause_;
  // NAS records kept lately, for the same message logged twice.
  struct KeptNas {
    size_t Record;
    std::vector<int> Forms;  // the forms it was seen in
  };
  std::vector<KeptNas> recentNas_;
};

}  // namespace eventscan
