// Capture records to the records eventscan feeds, and the capture's summary.
#include "capture/capture_log.h"

#include <algorithm>
#include <iostream>

#include <fmt/format.h>

#include "capture/capture_mapping.h"
#include "eventmanager/outside/message_bytes.h"
#include "log/log_header.h"
#include "log/networks.h"
#include "log/record_parser.h"

namespace eventscan {

using namespace capture;

size_t CaptureStats::SkippedTotal() const {
  size_t n = 0;
  for (const auto& [kind, count] : Skipped) n += count;
  return n;
}

HandsetRecord ToHandsetRecord(const CaptureRecord& r) {
  HandsetRecord rec;
  rec.Time = r.Time;
  rec.OrderTime = r.Time;
  rec.NetType = r.Net;
  if (r.Message) {
    rec.MessageCode = r.Code;
    // The order the log reader writes them in: the sub-type first, then the
    // elements by the names of their log keys ("0x80", "0x81", "cause", ...).
    msgbytes::Writer w;
    if (r.SubType >= 0) w.U8(msgbytes::SubType, static_cast<uint8_t>(r.SubType));
    if (r.Pci) w.I32(msgbytes::Pci, *r.Pci);
    if (r.Earfcn) w.I32(msgbytes::Earfcn, *r.Earfcn);
    if (r.TargetSystem) w.I32(msgbytes::TargetSystem, *r.TargetSystem);
    if (r.EpsBearerId) w.I32(msgbytes::EpsBearerId, *r.EpsBearerId);
    if (r.NrCell) w.I32s(msgbytes::NrCell, {r.NrCell->first, r.NrCell->second});
    if (r.ScgFailureType) w.I32(msgbytes::ScgFailureType, *r.ScgFailureType);
    if (r.Uplink >= 0) w.U8(DirectionTag, static_cast<uint8_t>(r.Uplink));
    uint32_t frame = r.Frame;
    w.Raw(FrameTag, std::string_view(reinterpret_cast<const char*>(&frame), 4));
    if (r.Cause) w.I32(msgbytes::Cause, *r.Cause);
    if (r.CmServiceType) w.I32(msgbytes::CmServiceType, *r.CmServiceType);
    if (r.TargetCell) w.I32s(msgbytes::TargetCell, {r.TargetCell->first, r.TargetCell->second});
    rec.MessageBytes = w.Bytes();
    rec.MessageInfo = MessageInfoWord(r.Mode, 0);
  }
  for (const auto& [id, value] : r.Fields) rec.SetField(id, value);
  return rec;
}

ParsedLog ToParsedLog(const CaptureLog& capture, const std::string& path) {
  ParsedLog log;
  log.Path = path;
  log.Header.Version = LogFormatVersion;
  log.Header.Network = capture.Network;
  log.Header.NetworkName = NetworkName(capture.Network);
  log.Header.StartTime = capture.Records.empty() ? 0 : capture.Records.front().Time;
  log.Records.reserve(capture.Records.size());
  log.Feeds.reserve(capture.Records.size());
  for (const CaptureRecord& r : capture.Records) {
    HandsetRecord rec = ToHandsetRecord(r);
    rec.Reference = static_cast<uint32_t>(log.Records.size());
    log.Feeds.push_back(RecordFeed{r.Message ? RecordKind::Message : RecordKind::Measurement, 0,
                                   static_cast<int32_t>(r.Frame)});
    log.Records.push_back(std::move(rec));
  }
  log.Faults = capture.Faults;
  return log;
}

std::string CaptureSummary(const CaptureLog& capture) {
  std::string text = fmt::format("{} frames: {} records, {} frames skipped", capture.Stats.Frames,
                                 capture.Records.size(), capture.Stats.SkippedTotal());
  if (!capture.Stats.Skipped.empty()) {
    std::vector<std::pair<std::string, size_t>> kinds(capture.Stats.Skipped.begin(), capture.Stats.Skipped.end());
    std::stable_sort(kinds.begin(), kinds.end(), [](const auto& a, const auto& b) { return a.second > b.second; });
    text += " (";
    for (size_t i = 0; i < kinds.size(); ++i) text += fmt::format("{}{} {}", i ? ", " : "", kinds[i].first, kinds[i].second);
    text += ")";
  }
  size_t unmapped = 0;
  for (const auto& [name, count] : capture.Stats.Unmapped) unmapped += count;
  if (capture.Stats.CipheredNas)
    text += fmt::format(", {} ciphered NAS messages (content not readable)", capture.Stats.CipheredNas);
  if (unmapped) text += fmt::format(", {} messages without a catalogue code (see import --stats)", unmapped);
  return text;
}

std::string CaptureFaultText(const LogFault& f, const std::string& path) {
  return TerminalText(f.Line > 0 ? fmt::format("{}: frame {}: {}", path, f.Line, f.Reason)
                                 : fmt::format("{}: {}", path, f.Reason));
}

void PrintCaptureFaults(const CaptureLog& capture, const std::string& path) {
  for (const LogFault& f : capture.Faults) std::cerr << CaptureFaultText(f, path) << '\n';
}

}  // namespace eventscan
