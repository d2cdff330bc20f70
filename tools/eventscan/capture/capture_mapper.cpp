// tshark's field lines to capture records: the frame's columns checked, the
// RRC and NAS messages mapped to catalogue codes, measurement reports
// converted to the field catalogue's units, and every frame that gives no
// record counted by kind.
#include "capture/capture_mapper.h"

#include <algorithm>
#include <vector>

#include <fmt/format.h>

#include "capture/capture_mapping.h"
#include "eventmanager/outside/message_codes.h"
#include "log/networks.h"

namespace eventscan {
namespace {

using namespace capture;

// Field identifiers of the field catalogue.
constexpr int32_t RxLevFullId = 2, RxLevSubId = 3, RxQualFullId = 4, RxQualSubId = 5;
constexpr int32_t RscpId = 28, EcNoId = 29;

constexpr double UnixEpochDays = 25569.0;  // 1970-01-01 in days since 1899-12-30

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

// An RR Measurement Report as a measurement record. 45.008 8.1.4: RXLEV 0 is
// -110 dBm; RXQUAL is kept as it is.
CaptureRecord gsmMeasurement(const Columns& cols, CaptureRecord rec) {
  rec.Message = false;
  rec.Code = 0;
  auto level = [&](size_t c, int32_t id) {
    if (auto v = ColumnValue(cols, c)) rec.Fields.emplace_back(id, *v - 110);
  };
  level(ColRxLevFull, RxLevFullId);
  level(ColRxLevSub, RxLevSubId);
  if (auto v = ColumnValue(cols, ColRxQualFull)) rec.Fields.emplace_back(RxQualFullId, *v);
  if (auto v = ColumnValue(cols, ColRxQualSub)) rec.Fields.emplace_back(RxQualSubId, *v);
  return rec;
}

// An RRC Measurement Report as a measurement record. 25.133 9.1.1 and 9.1.2:
// CPICH_RSCP_LEV_n is -116 + n dBm and up, CPICH_Ec/No_n is -24.5 + n/2 dB
// and up (kept in 0.1 dB).
CaptureRecord umtsMeasurement(const Columns& cols, CaptureRecord rec) {
  rec.Message = false;
  if (auto v = ColumnValue(cols, ColRscp)) rec.Fields.emplace_back(RscpId, *v - 116);
  if (auto v = ColumnValue(cols, ColEcNo)) rec.Fields.emplace_back(EcNoId, *v * 5 - 245);
  return rec;
}

// An RRC message with the cause its message type carries; the cause of a
// connection request or a cell update is its sub-type too.
CaptureRecord rrcMessage(const RrcChoice& row, const Columns& cols, CaptureRecord rec) {
  rec.Code = row.Code;
  const Column causeColumn = rec.Code == rrc::ConnectionRequest ? ColEstablishment
                             : rec.Code == rrc::ConnectionReject ? ColRejection
                             : rec.Code == rrc::CellUpdate       ? ColCellUpdate
                             : rec.Code == rrc::ConnectionReleaseCcch || rec.Code == rrc::ConnectionRelease
                                 ? ColRelease
                                 : ColFailure;
  if (auto cause = ColumnValue(cols, causeColumn)) {
    rec.Cause = *cause;
    if ((rec.Code == rrc::ConnectionRequest || rec.Code == rrc::CellUpdate) && *cause >= 0 && *cause <= 31)
      rec.SubType = *cause;
  }
  return rec;
}

// What a NAS message carries besides its code: the protocol's cause, the CM
// service type or location updating type (also as sub-type), a handover
// command's target cell, and on GSM the mode the message is sent in.
void nasElements(size_t protocol, const Columns& cols, CaptureRecord& rec) {
  const NasProtocol& proto = NasProtocols()[protocol];
  if (auto cause = ColumnValue(cols, ColNasCause + protocol)) rec.Cause = *cause;
  if (rec.Code == nas::CmServiceRequest || rec.Code == nas::CmReestablishmentRequest) {
    if (auto service = ColumnValue(cols, ColServiceType)) {
      rec.CmServiceType = *service;
      if (*service >= 0 && *service <= 31) rec.SubType = *service;
    }
  }
  if (rec.Code == nas::LocationUpdatingRequest)
    if (auto updating = ColumnValue(cols, ColUpdatingType); updating && *updating >= 0 && *updating <= 31)
      rec.SubType = *updating;
  if (rec.Code == nas::HandoverCommand) {  // the target's cell description
    auto arfcn = ColumnValue(cols, ColBcchArfcn), ncc = ColumnValue(cols, ColNcc), bcc = ColumnValue(cols, ColBcc);
    if (arfcn && ncc && bcc) rec.TargetCell = std::pair(*arfcn, *ncc * 8 + *bcc);
  }
  if (rec.Net == 0) {
    // On GSM, DTAP of MM, CC, SMS and RR runs on a dedicated channel; GMM
    // and SM run over GPRS, and the CCCH messages are sent in idle mode.
    const bool common = proto.Group == 0x08 || proto.Group == 0x0A ||
                        rec.Code == nas::ImmediateAssignment || rec.Code == nas::ImmediateAssignmentExtended ||
                        rec.Code == nas::ImmediateAssignmentReject || rec.Code == nas::PagingRequestType1 ||
                        rec.Code == nas::PagingRequestType2 || rec.Code == nas::PagingRequestType3;
    rec.Mode = common ? 0 : 2;
  }
}

}  // namespace

// One frame on its way to records.
struct CaptureMapper::Frame {
  Frame(const Columns& cols, uint32_t number, int64_t type, bool malformed)
      : Cols(cols), Number(number), Type(type), Malformed(malformed) {}

  const Columns& Cols;
  uint32_t Number;
  int64_t Type;                 // GSMTAP type
  bool Malformed;               // tshark marked the frame
  CaptureRecord Base;           // what every record of the frame starts from
  size_t Nas = 0;               // the NAS protocol of the message, NasProtocols().size() when none
  bool HasRp = false;           // an SMS RP message inside CP-DATA
  std::vector<CaptureRecord> Made;
};

void CaptureMapper::fault(uint32_t frame, const std::string& reason) {
  log_.Faults.push_back({name_, static_cast<int>(frame), reason});
}

std::optional<CaptureMapper::Frame> CaptureMapper::readFrame(const Columns& cols) {
  auto frameNumber = ColumnNumber(cols[0]);
  const auto frame = static_cast<uint32_t>(frameNumber.value_or(static_cast<int64_t>(lines_)));
  ++log_.Stats.Frames;
  if (cols.size() != ColCount || !frameNumber) {
    fault(frame, fmt::format("tshark gave {} columns instead of {}; frame skipped", cols.size(), ColCount));
    skipped("unreadable");
    return std::nullopt;
  }
  auto epoch = ColumnDecimal(cols[ColTime]);
  auto type = ColumnNumber(FirstValue(cols[ColType]));
  const bool malformed = !cols[ColMalformed].empty();
  if (!type) {
    if (malformed) fault(frame, "malformed frame (tshark could not decode it); frame skipped");
    skipped("not GSMTAP");
    return std::nullopt;
  }
  if (!epoch) {
    fault(frame, "the frame has no time; frame skipped");
    skipped("unreadable");
    return std::nullopt;
  }
  Frame f(cols, frame, *type, malformed);
  f.Base.Frame = frame;
  // Handsets stamp their diagnostic frames out of order by up to a second,
  // while the frames themselves are in the order they happened: a time that
  // runs back is raised to the one before it, so that delays between
  // messages are never negative and results keep the frames' order.
  lastTime_ = std::max(lastTime_, *epoch / 86400.0 + UnixEpochDays);
  f.Base.Time = lastTime_;
  if (auto up = ColumnValue(cols, ColUplink)) f.Base.Uplink = *up ? 1 : 0;

  // The NAS message of the frame, if tshark decoded one.
  f.Nas = NasProtocols().size();
  for (size_t p = 0; p < NasProtocols().size(); ++p)
    if (p != SmsRpProtocol && !cols[ColNasType + p].empty()) {
      f.Nas = p;
      break;
    }
  f.HasRp = !cols[ColNasType + SmsRpProtocol].empty();
  return f;
}

void CaptureMapper::mapNas(size_t protocol, CaptureRecord rec, Frame& f) {
  const NasProtocol& proto = NasProtocols()[protocol];
  auto msgType = ColumnValue(f.Cols, ColNasType + protocol);
  if (!msgType || *msgType < 0 || *msgType > 0xFF) {
    fault(f.Number, fmt::format("{} message type \"{}\" is not a number; message skipped", proto.Name,
                                f.Cols[ColNasType + protocol]));
    return;
  }
  rec.Code = nas::Prefix | static_cast<uint32_t>(proto.Group) << 8 | static_cast<uint32_t>(*msgType);
  if (proto.Group == 0x06 && IsSystemInformation(static_cast<uint8_t>(*msgType))) {
    skipped(rec.Net == 0 ? "GSM system information" : "system information");
    return;
  }
  if (rec.Code == nas::MeasurementReport) {
    f.Made.push_back(gsmMeasurement(f.Cols, std::move(rec)));
    return;
  }
  if (MessageNameByCode(2, rec.Code).empty()) {
    unmapped(fmt::format("{} 0x{:02X}", proto.Name, *msgType));
    return;
  }
  nasElements(protocol, f.Cols, rec);
  f.Made.push_back(std::move(rec));
}

bool CaptureMapper::mapRrc(Frame& f) {
  const Columns& cols = f.Cols;
  CaptureRecord& base = f.Base;
  base.Net = 2;
  auto channel = ColumnValue(cols, ColRrcChannel);
  auto choice = ColumnValue(cols, ColRrcMessage);
  if (channel && *channel == BcchBch) {
    skipped("UMTS system information");
    return false;
  }
  const RrcChoice* row = channel && choice && *channel >= 0 && *channel < 256 && *choice >= 0 && *choice < 256
                             ? FindRrcChoice(static_cast<uint8_t>(*channel), static_cast<uint8_t>(*choice))
                             : nullptr;
  if (!channel || !choice) {
    if (f.Malformed)
      fault(f.Number, "malformed UMTS RRC frame (tshark could not decode its message); frame skipped");
    else
      unmapped(fmt::format("RRC channel {} without a message type", cols[ColRrcChannel]));
    return false;
  }
  base.Mode = *channel == DlDcch || *channel == UlDcch ? 2 : 0;
  if (!row || row->Code == 0)
    unmapped(row ? fmt::format("RRC {}", row->Name) : fmt::format("RRC channel {} message {}", *channel, *choice));
  else if (row->Code == rrc::MeasurementReport)
    f.Made.push_back(umtsMeasurement(cols, base));
  else
    f.Made.push_back(rrcMessage(*row, cols, base));
  if (f.Nas < NasProtocols().size()) mapNas(f.Nas, base, f);
  return true;
}

void CaptureMapper::skipKind(const Frame& f) {
  const std::string kind = gsmtapKind(f.Type) ? gsmtapKind(f.Type) : fmt::format("GSMTAP type {}", f.Type);
  if (f.Malformed) fault(f.Number, fmt::format("malformed frame of a kind not read here ({}); frame skipped", kind));
  skipped(kind);
}

void CaptureMapper::MapLine(std::string_view line) {
  ++lines_;
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty()) return;
  const Columns cols = SplitColumns(line);
  std::optional<Frame> frame = readFrame(cols);
  if (!frame) return;
  Frame& f = *frame;
  if (f.Type == 12) {
    if (!mapRrc(f)) return;
  } else if (f.Nas < NasProtocols().size()) {
    f.Base.Net = 0;
    mapNas(f.Nas, f.Base, f);
  } else {
    skipKind(f);
    return;
  }
  if (f.HasRp && f.Nas + 1 == SmsRpProtocol) {  // RP inside CP-DATA: a record of its own
    CaptureRecord rp = f.Base;
    rp.Net = f.Type == 12 ? 2 : 0;
    if (rp.Net == 0) rp.Mode = 2;
    mapNas(SmsRpProtocol, rp, f);
  }
  if (f.Malformed)
    fault(f.Number, f.Made.empty() ? "malformed frame (tshark could not decode it); frame skipped"
                                   : "malformed frame: the message was decoded in part, its elements may be missing");
  for (CaptureRecord& r : f.Made) log_.Records.push_back(std::move(r));
}

}  // namespace eventscan
