// The mapping of tshark's field lines to capture records, and of capture
// records to the records eventscan feeds.
#include "capture_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fstream>

#include <fmt/format.h>

#include "capture_mapping.h"
#include "eventmanager/outside/message_bytes.h"
#include "log_reader.h"
#include "networks.h"
#include "record_parser.h"

namespace eventscan {
namespace {

using namespace capture;

// Columns of a tshark line. NAS type and cause columns follow NasProtocols().
enum Column : size_t {
  ColFrame, ColTime, ColType, ColUplink, ColRrcChannel, ColRrcMessage, ColMalformed,
  ColNasType,                       // 7 columns, one per protocol
  ColNasCause = ColNasType + 7,     // 7 columns
  ColServiceType = ColNasCause + 7, ColUpdatingType, ColEstablishment, ColRelease, ColRejection,
  ColCellUpdate, ColFailure, ColRxLevFull, ColRxLevSub, ColRxQualFull, ColRxQualSub, ColEcNo, ColRscp,
  ColBcchArfcn, ColNcc, ColBcc, ColCount
};

// Field identifiers of the field catalogue.
constexpr int32_t RxLevFullId = 2, RxLevSubId = 3, RxQualFullId = 4, RxQualSubId = 5;
constexpr int32_t RscpId = 28, EcNoId = 29;

constexpr double UnixEpochDays = 25569.0;  // 1970-01-01 in days since 1899-12-30

std::optional<int64_t> number(std::string_view text) { return ParseDecimalOrHex<int64_t>(text); }

std::optional<double> decimal(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::string copy(text);
  char* end = nullptr;
  double v = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size()) return std::nullopt;
  return v;
}

// The first value of a column (tshark separates repeated values by commas).
std::string_view first(std::string_view column) { return column.substr(0, column.find(',')); }

std::optional<int32_t> columnValue(const std::vector<std::string_view>& cols, size_t c) {
  auto v = number(first(cols[c]));
  if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(*v);
}

const char* gsmtapKind(int64_t type) {
  switch (type) {
    case 1: return "GSM Um without layer 3 (GPRS RLC/MAC, ...)";
    case 2: return "GSM Abis without layer 3";
    case 12: return "UMTS RRC";
    case 13: return "LTE RRC";
    case 14: return "LTE MAC";
    case 15: return "LTE RLC";
    case 16: return "LTE NAS";
    default: return nullptr;
  }
}

}  // namespace

size_t CaptureStats::SkippedTotal() const {
  size_t n = 0;
  for (const auto& [kind, count] : Skipped) n += count;
  return n;
}

const std::vector<const char*>& CaptureFields() {
  static const std::vector<const char*> fields = [] {
    std::vector<const char*> f = {"frame.number",         "frame.time_epoch", "gsmtap.type", "gsmtap.uplink",
                                  "gsmtap.rrc_sub_type", "rrc.message",      "_ws.malformed"};
    for (const NasProtocol& p : NasProtocols()) f.push_back(p.TypeField);
    for (const NasProtocol& p : NasProtocols()) f.push_back(p.CauseField);
    const char* rest[] = {"gsm_a.dtap.service_type",          "gsm_a.dtap.updating_type",
                          "rrc.establishmentCause",           "rrc.releaseCause",
                          "rrc.rejectionCause",               "rrc.cellUpdateCause",
                          "rrc.failureCause",                 "gsm_a.rr.rxlev_full_serv_cell",
                          "gsm_a.rr.rxlev_sub_serv_cell",     "gsm_a.rr.rxqual_full_serv_cell",
                          "gsm_a.rr.rxqual_sub_serv_cell",    "rrc.cpich_Ec_N0",
                          "rrc.cpich_RSCP",                   "gsm_a.rr.bcch_arfcn",
                          "gsm_a.rr.ncc",                     "gsm_a.rr.bcc"};
    f.insert(f.end(), std::begin(rest), std::end(rest));
    return f;
  }();
  return fields;
}

void CaptureMapper::fault(uint32_t frame, const std::string& reason) {
  log_.Faults.push_back({name_, static_cast<int>(frame), reason});
}

void CaptureMapper::MapLine(std::string_view line) {
  ++lines_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return;
  std::vector<std::string_view> cols;
  cols.reserve(ColCount);
  for (size_t pos = 0;;) {
    size_t tab = line.find('\t', pos);
    cols.push_back(line.substr(pos, tab == std::string_view::npos ? std::string_view::npos : tab - pos));
    if (tab == std::string_view::npos) break;
    pos = tab + 1;
  }
  auto frameNumber = number(cols[0]);
  const auto frame = static_cast<uint32_t>(frameNumber.value_or(static_cast<int64_t>(lines_)));
  ++log_.Stats.Frames;
  if (cols.size() != ColCount || !frameNumber) {
    fault(frame, fmt::format("tshark gave {} columns instead of {}; frame skipped", cols.size(), ColCount));
    ++log_.Stats.Skipped["unreadable"];
    return;
  }
  auto epoch = decimal(cols[ColTime]);
  auto type = number(first(cols[ColType]));
  const bool malformed = !cols[ColMalformed].empty();
  if (!type) {
    if (malformed) fault(frame, "malformed frame (tshark could not decode it); frame skipped");
    ++log_.Stats.Skipped["not GSMTAP"];
    return;
  }
  if (!epoch) {
    fault(frame, "the frame has no time; frame skipped");
    ++log_.Stats.Skipped["unreadable"];
    return;
  }
  CaptureRecord base;
  base.Frame = frame;
  // Handsets stamp their diagnostic frames out of order by up to a second,
  // while the frames themselves are in the order they happened: a time that
  // runs back is raised to the one before it, so that delays between
  // messages are never negative and results keep the frames' order.
  lastTime_ = std::max(lastTime_, *epoch / 86400.0 + UnixEpochDays);
  base.Time = lastTime_;
  if (auto up = columnValue(cols, ColUplink)) base.Uplink = *up ? 1 : 0;

  // The NAS message of the frame, if tshark decoded one.
  size_t nas = NasProtocols().size();
  for (size_t p = 0; p < NasProtocols().size(); ++p)
    if (p != SmsRpProtocol && !cols[ColNasType + p].empty()) {
      nas = p;
      break;
    }
  const bool hasRp = !cols[ColNasType + SmsRpProtocol].empty();
  std::vector<CaptureRecord> made;

  auto addNas = [&](size_t p, CaptureRecord rec) {
    const NasProtocol& proto = NasProtocols()[p];
    auto msgType = columnValue(cols, ColNasType + p);
    if (!msgType || *msgType < 0 || *msgType > 0xFF) {
      fault(frame, fmt::format("{} message type \"{}\" is not a number; message skipped", proto.Name,
                               cols[ColNasType + p]));
      return;
    }
    rec.Code = NasPrefix | static_cast<uint32_t>(proto.Group) << 8 | static_cast<uint32_t>(*msgType);
    const auto low = static_cast<uint16_t>(rec.Code & 0xFFFF);
    if (proto.Group == 0x06 && IsSystemInformation(static_cast<uint8_t>(*msgType))) {
      ++log_.Stats.Skipped[rec.Net == 0 ? "GSM system information" : "system information"];
      return;
    }
    if (low == RrMeasurementReport) {
      rec.Message = false;
      rec.Code = 0;
      auto level = [&](size_t c, int32_t id) {
        if (auto v = columnValue(cols, c)) rec.Fields.emplace_back(id, *v - 110);  // 45.008 8.1.4: RXLEV 0 is -110 dBm
      };
      level(ColRxLevFull, RxLevFullId);
      level(ColRxLevSub, RxLevSubId);
      if (auto v = columnValue(cols, ColRxQualFull)) rec.Fields.emplace_back(RxQualFullId, *v);
      if (auto v = columnValue(cols, ColRxQualSub)) rec.Fields.emplace_back(RxQualSubId, *v);
      made.push_back(std::move(rec));
      return;
    }
    if (MessageNameByCode(2, rec.Code).empty()) {
      ++log_.Stats.Unmapped[fmt::format("{} 0x{:02X}", proto.Name, *msgType)];
      return;
    }
    if (auto cause = columnValue(cols, ColNasCause + p)) rec.Cause = *cause;
    if (proto.Group == 0x05 && (*msgType == 0x24 || *msgType == 0x28)) {
      if (auto service = columnValue(cols, ColServiceType)) {
        rec.CmServiceType = *service;
        if (*service >= 0 && *service <= 31) rec.SubType = *service;
      }
    }
    if (proto.Group == 0x05 && *msgType == 0x08)
      if (auto updating = columnValue(cols, ColUpdatingType); updating && *updating >= 0 && *updating <= 31)
        rec.SubType = *updating;
    if (proto.Group == 0x06 && *msgType == 0x2B) {  // Handover Command: the target's cell description
      auto arfcn = columnValue(cols, ColBcchArfcn), ncc = columnValue(cols, ColNcc), bcc = columnValue(cols, ColBcc);
      if (arfcn && ncc && bcc) rec.TargetCell = std::pair(*arfcn, *ncc * 8 + *bcc);
    }
    if (rec.Net == 0) {
      // On GSM, DTAP of MM, CC, SMS and RR runs on a dedicated channel; GMM
      // and SM run over GPRS, and the CCCH messages are sent in idle mode.
      const bool common = proto.Group == 0x08 || proto.Group == 0x0A ||
                          (proto.Group == 0x06 && (*msgType == 0x3F || *msgType == 0x39 || *msgType == 0x3A ||
                                                   *msgType == 0x21 || *msgType == 0x22 || *msgType == 0x24));
      rec.Mode = common ? 0 : 2;
    }
    made.push_back(std::move(rec));
  };

  if (*type == 12) {
    base.Net = 2;
    auto channel = columnValue(cols, ColRrcChannel);
    auto choice = columnValue(cols, ColRrcMessage);
    if (channel && *channel == BcchBch) {
      ++log_.Stats.Skipped["UMTS system information"];
      return;
    }
    const RrcChoice* row = channel && choice && *channel >= 0 && *channel < 256 && *choice >= 0 && *choice < 256
                               ? FindRrcChoice(static_cast<uint8_t>(*channel), static_cast<uint8_t>(*choice))
                               : nullptr;
    if (!channel || !choice) {
      if (malformed)
        fault(frame, "malformed UMTS RRC frame (tshark could not decode its message); frame skipped");
      else
        ++log_.Stats.Unmapped[fmt::format("RRC channel {} without a message type", cols[ColRrcChannel])];
      return;
    }
    base.Mode = *channel == DlDcch || *channel == UlDcch ? 2 : 0;
    if (!row || row->Low == 0) {
      ++log_.Stats.Unmapped[row ? fmt::format("RRC {}", row->Name)
                                : fmt::format("RRC channel {} message {}", *channel, *choice)];
    } else if (row->Low == RrcMeasurementReport) {
      CaptureRecord rec = base;
      rec.Message = false;
      // 25.133 9.1.1 and 9.1.2: CPICH_RSCP_LEV_n is -116 + n dBm and up,
      // CPICH_Ec/No_n is -24.5 + n/2 dB and up (kept in 0.1 dB).
      if (auto v = columnValue(cols, ColRscp)) rec.Fields.emplace_back(RscpId, *v - 116);
      if (auto v = columnValue(cols, ColEcNo)) rec.Fields.emplace_back(EcNoId, *v * 5 - 245);
      made.push_back(std::move(rec));
    } else {
      CaptureRecord rec = base;
      rec.Code = RrcPrefix | row->Low;
      const Column causeColumn = row->Low == 0x0001   ? ColEstablishment
                                 : row->Low == 0x0002 ? ColRejection
                                 : row->Low == 0x0003 ? ColCellUpdate
                                 : row->Low == 0x0007 || row->Low == 0x0401 ? ColRelease
                                                                            : ColFailure;
      if (auto cause = columnValue(cols, causeColumn)) {
        rec.Cause = *cause;
        if ((row->Low == 0x0001 || row->Low == 0x0003) && *cause >= 0 && *cause <= 31) rec.SubType = *cause;
      }
      made.push_back(std::move(rec));
    }
    if (nas < NasProtocols().size()) addNas(nas, base);
  } else if (nas < NasProtocols().size()) {
    base.Net = 0;
    addNas(nas, base);
  } else {
    const std::string kind = gsmtapKind(*type) ? gsmtapKind(*type) : fmt::format("GSMTAP type {}", *type);
    if (malformed) fault(frame, fmt::format("malformed frame of a kind not read here ({}); frame skipped", kind));
    ++log_.Stats.Skipped[kind];
    return;
  }
  if (hasRp && nas + 1 == SmsRpProtocol) {  // RP inside CP-DATA: a record of its own
    CaptureRecord rp = base;
    rp.Net = *type == 12 ? 2 : 0;
    if (rp.Net == 0) rp.Mode = 2;
    addNas(SmsRpProtocol, rp);
  }
  if (malformed)
    fault(frame, made.empty() ? "malformed frame (tshark could not decode it); frame skipped"
                              : "malformed frame: the message was decoded in part, its elements may be missing");
  for (CaptureRecord& r : made) log_.Records.push_back(std::move(r));
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
  log.Header.Network = 2;
  log.Header.NetworkName = NetworkName(2);
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
  if (unmapped) text += fmt::format(", {} messages without a catalogue code (see import --stats)", unmapped);
  return text;
}

}  // namespace eventscan
