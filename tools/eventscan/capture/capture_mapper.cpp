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

// GSMTAP payload types (as Wireshark names them) of frames no record is made of.
const char* gsmtapKind(int64_t type) {
  switch (type) {
    case 1: return "GSM Um without layer 3 (GPRS RLC/MAC, ...)";
    case 2: return "GSM Abis without layer 3";
    case 3: return "GSM Um burst";
    case 4: return "SIM";
    case 11: return "UMTS RLC/MAC";
    case 12: return "UMTS RRC";
    case 13: return "LTE RRC";
    case 14: return "LTE MAC";
    case 15: return "LTE MAC framed";
    case 16: return "libosmocore logging";
    case 17: return "Qualcomm DIAG";
    case 18: return "LTE NAS";
    default: return nullptr;
  }
}

// The GSMTAP types of LTE: a frame of these says the handset is on LTE.
bool isLte(int64_t type) { return type == 13 || type == 14 || type == 15 || type == 18; }

// The RRC channels whose messages the handset sends.
bool uplinkChannel(int32_t channel) { return channel == UlDcch || channel == UlCcch || channel == UlShcch; }

// GSMTAP RRC sub-types that carry UMTS system information: the BCCH on FACH
// and BCH, the whole System Information block, and the master block, the
// system information types and the scheduling blocks given one by one.
bool umtsSystemInformation(int32_t channel) {
  return channel == BcchFach || channel == BcchBch || channel == 13 || (channel >= 16 && channel <= 59);
}

// The names of the other RRC sub-types, which hold no message of a logical
// channel (containers passed between nodes).
const char* rrcContainer(int32_t channel) {
  switch (channel) {
    case 5: return "DL-SHCCH";
    case 6: return "UL-SHCCH";
    case 9: return "MCCH";
    case 10: return "MSCH";
    case 11: return "Handover To UTRAN Command";
    case 12: return "Inter RAT Handover Info";
    case 14: return "System Information Container";
    case 15: return "UE Radio Access Capability Info";
    case 60: return "To Target RNC Container";
    case 61: return "Target RNC To Source RNC Container";
    default: return nullptr;
  }
}

// Protocols of GSM layer 3 (24.007 protocol discriminators) that give no
// record here, by name, for the count of skipped frames.
const char* otherProtocol(int64_t discriminator) {
  switch (discriminator) {
    case 0: return "GSM group call control";
    case 1: return "GSM broadcast call control";
    case 4: return "GPRS transparent transport (GTTP)";
    case 11: return "GSM supplementary services";
    case 12: return "GSM location services";
    case 15: return "GSM test procedures";
    default: return nullptr;
  }
}

// An RR Measurement Report as a measurement record. 45.008 8.1.4: RXLEV 0 is
// -110 dBm; RXQUAL is kept as it is.
CaptureRecord gsmMeasurement(const Columns& cols, CaptureRecord rec) {
  rec.Message = false;
  rec.Code = 0;
  // RXLEV is coded 0..63, RXQUAL 0..7 (44.018): a value outside is no reading.
  auto level = [&](size_t c, int32_t id) {
    if (auto v = ColumnValueIn(cols, c, 0, 63)) rec.Fields.emplace_back(id, *v - 110);
  };
  level(ColRxLevFull, RxLevFullId);
  level(ColRxLevSub, RxLevSubId);
  if (auto v = ColumnValueIn(cols, ColRxQualFull, 0, 7)) rec.Fields.emplace_back(RxQualFullId, *v);
  if (auto v = ColumnValueIn(cols, ColRxQualSub, 0, 7)) rec.Fields.emplace_back(RxQualSubId, *v);
  return rec;
}

// An RRC Measurement Report as a measurement record. 25.133 9.1.1 and 9.1.2:
// CPICH_RSCP_LEV_n is -116 + n dBm and up, CPICH_Ec/No_n is -24.5 + n/2 dB
// and up (kept in 0.1 dB). RRC codes them -5..91 and 0..49; a value outside
// is no reading (and would overflow the arithmetic).
CaptureRecord umtsMeasurement(const Columns& cols, CaptureRecord rec) {
  rec.Message = false;
  if (auto v = ColumnValueIn(cols, ColRscp, -5, 91)) rec.Fields.emplace_back(RscpId, *v - 116);
  if (auto v = ColumnValueIn(cols, ColEcNo, 0, 49)) rec.Fields.emplace_back(EcNoId, *v * 5 - 245);
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
    if (auto updating = ColumnValueIn(cols, ColUpdatingType, 0, 31))
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
  const auto captured = ColumnNumber(cols[ColCapturedLength]), length = ColumnNumber(cols[ColWireLength]);
  const bool cut = captured && length && *captured < *length;
  if (cut) noteCut(frame, *captured);
  if (!type) {
    if (malformed) fault(frame, "malformed frame (tshark could not decode it); frame skipped");
    skipped(cut ? "cut short by the snapshot length" : "not GSMTAP");
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
  if (channel && umtsSystemInformation(*channel)) {
    skipped("UMTS system information");
    return false;
  }
  if (channel && rrcContainer(*channel)) {
    skipped(fmt::format("UMTS RRC {}", rrcContainer(*channel)));
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
  // Capture tools often leave GSMTAP's uplink bit at 0: the logical channel
  // tells the direction of every RRC message.
  base.Uplink = uplinkChannel(*channel) ? 1 : 0;
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
  std::string kind = gsmtapKind(f.Type) ? gsmtapKind(f.Type) : fmt::format("GSMTAP type {}", f.Type);
  if (f.Type == 1 || f.Type == 2) {
    // tshark names GTTP only in the frame's summary; it gives no field of it.
    if (f.Cols[ColInfo].find("(GTTP)") != std::string_view::npos)
      kind = otherProtocol(4);
    else if (auto pd = ColumnValue(f.Cols, ColProtocol); pd && otherProtocol(*pd))
      kind = otherProtocol(*pd);
  }
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
  if (isLte(f.Type)) {
    // No record of the library can say LTE: the frame is counted, and the
    // stretch on LTE is noted so that no 2G/3G sequence runs across it. NAS
    // messages that LTE carries (an SMS over SGs) are never GSM records.
    skipKind(f);
    if (!onLte_) log_.LteStretches.push_back({f.Number, f.Number, log_.Records.size()});
    log_.LteStretches.back().LastFrame = f.Number;
    onLte_ = true;
    return;
  }
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
  if (!f.Made.empty()) onLte_ = false;
  for (CaptureRecord& r : f.Made) log_.Records.push_back(std::move(r));
}

void CaptureMapper::noteCut(uint32_t frame, int64_t captured) {
  if (cutFrames_++ == 0) firstCut_ = frame;
  cutTo_ = std::max(cutTo_, captured);
}

void CaptureMapper::Finish() {
  // One fault for the whole capture rather than one a frame: a short
  // snapshot length cuts most frames, and events whose messages or causes
  // lay beyond it are missing without any frame looking malformed.
  if (cutFrames_ > 0)
    log_.Faults.push_back({name_, 0,
                           fmt::format("{} frames (the first is frame {}) are cut short by the capture's snapshot "
                                       "length of {} bytes: what they held beyond it is lost, so events may be "
                                       "missing; capture with a larger snapshot length (tcpdump -s 0)",
                                       cutFrames_, firstCut_, cutTo_)});
  // A capture of GSM frames only is a GSM log: its codes become those of the
  // GSM catalogue (same protocol group and type under the GSM prefix), so
  // that the GSM definitions apply.
  const bool gsmOnly = !log_.Records.empty() &&
                       std::all_of(log_.Records.begin(), log_.Records.end(), [](const CaptureRecord& r) { return r.Net == 0; });
  if (!gsmOnly) return;
  log_.Network = 0;
  std::vector<CaptureRecord> kept;
  kept.reserve(log_.Records.size());
  for (CaptureRecord& r : log_.Records) {
    if (r.Message) {
      r.Code = gsm::Prefix | (r.Code & 0xFFFF);
      if (MessageNameByCode(0, r.Code).empty()) {
        unmapped(fmt::format("GSM 0x{:04X}", r.Code & 0xFFFF));
        continue;
      }
    }
    kept.push_back(std::move(r));
  }
  // Stretches on LTE name the record after them by position.
  for (LteStretch& s : log_.LteStretches) {
    size_t before = 0;
    for (const CaptureRecord& r : kept) before += r.Frame <= s.LastFrame;
    s.NextRecord = before;
  }
  log_.Records = std::move(kept);
}

}  // namespace eventscan
