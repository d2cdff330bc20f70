// Maps tshark's field lines of a GSMTAP capture one by one to records: GSM
// frames to records of network GSM, UMTS RRC frames to records of UMTS, the
// NAS message of a direct transfer to a record of its own. What is not mapped
// is counted, never dropped silently. Fed by hand in tests; single-threaded.
#pragma once

#include <cstddef>
#include <cstdint>
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
};

}  // namespace eventscan
