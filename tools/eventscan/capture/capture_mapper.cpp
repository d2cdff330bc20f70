// tshark's field lines to capture records: the frame's columns checked, the
// RRC and NAS messages (GSM, UMTS, LTE) mapped to catalogue codes,
// measurement reports converted to the field catalogue's units, and every
// frame that gives no record counted by kind.
#include "capture/capture_mapper.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <fmt/format.h>

#include "capture/capture_mapping.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_bytes.h"
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

// Field identifiers of the LTE fields.
constexpr int32_t RsrpId = 300, RsrqId = 301, NbRsrpId = 308, NbRsrqId = 309, NbPciId = 310;

// An LTE Measurement Report as a measurement record. 36.133 9.1.4 and 9.1.7:
// RSRP_n is -140 + n dBm and up, RSRQ_n is (n - 40) / 2 dB and up (kept in
// whole dB, rounded down). tshark lists the serving cell's results first,
// then those of the E-UTRA neighbours in the order of their cell identities;
// the strongest neighbour is the one with the highest RSRP. RRC codes the
// results 0..97 and 0..34: a value outside is no reading.
CaptureRecord lteMeasurement(const Columns& cols, CaptureRecord rec) {
  rec.Message = false;
  auto inRange = [](std::string_view text, int32_t hi) -> std::optional<int32_t> {
    auto v = ColumnNumber(text);
    if (!v || *v < 0 || *v > hi) return std::nullopt;
    return static_cast<int32_t>(*v);
  };
  auto rsrp = [](int32_t n) { return n - 140; };
  auto rsrq = [](int32_t n) { return static_cast<int32_t>(std::floor((n - 40) / 2.0)); };
  const auto rsrps = ColumnValues(cols[ColLteRsrp]), rsrqs = ColumnValues(cols[ColLteRsrq]);
  const auto pcis = ColumnValues(cols[ColLteNeighbourPci]);
  if (!rsrps.empty())
    if (auto v = inRange(rsrps[0], 97)) rec.Fields.emplace_back(RsrpId, rsrp(*v));
  if (!rsrqs.empty())
    if (auto v = inRange(rsrqs[0], 34)) rec.Fields.emplace_back(RsrqId, rsrq(*v));
  // Each neighbour gives its RSRP only when the report asks for it: the
  // values name their cells only when every neighbour gave one.
  if (pcis.empty() || rsrps.size() != pcis.size() + 1) return rec;
  size_t best = 0;
  std::optional<int32_t> bestRsrp;
  for (size_t i = 0; i < pcis.size(); ++i) {
    auto v = inRange(rsrps[i + 1], 97);
    if (v && (!bestRsrp || *v > *bestRsrp)) best = i, bestRsrp = v;
  }
  auto pci = inRange(pcis[best], 503);
  if (!bestRsrp || !pci) return rec;
  rec.Fields.emplace_back(NbRsrpId, rsrp(*bestRsrp));
  if (rsrqs.size() == pcis.size() + 1)
    if (auto v = inRange(rsrqs[best + 1], 34)) rec.Fields.emplace_back(NbRsrqId, rsrq(*v));
  rec.Fields.emplace_back(NbPciId, *pci);
  return rec;
}

// The redirected carrier of an RRC Connection Release (36.331
// RedirectedCarrierInfo, its CHOICE index as tshark gives it): the release's
// sub-type, the target system (msgbytes::System) and the column of its carrier.
struct Redirect {
  int32_t SubType;
  int32_t System;
  std::optional<Column> Carrier;
};
std::optional<Redirect> redirectOf(int32_t choice) {
  switch (choice) {
    case 0: return Redirect{1, msgbytes::SystemEutra, ColLteRedirectEutra};
    case 1: return Redirect{2, msgbytes::SystemGeran, ColLteRedirectGeran};
    case 2: return Redirect{3, msgbytes::SystemUtraFdd, ColLteRedirectUtraFdd};
    case 3: return Redirect{4, msgbytes::SystemUtraTdd, ColLteRedirectUtraTdd};
    case 4: return Redirect{5, msgbytes::SystemCdma2000, std::nullopt};
    case 5: return Redirect{6, msgbytes::SystemCdma2000, std::nullopt};
    case 6: return Redirect{4, msgbytes::SystemUtraTdd, std::nullopt};  // utra-TDD-r10, a list of carriers
    case 7: return Redirect{7, msgbytes::SystemNr, ColLteRedirectNr};
    default: return std::nullopt;
  }
}

// The system a Mobility From E-UTRA Command hands over to (36.331
// targetRAT-Type: utra, geran, cdma2000-1XRTT, cdma2000-HRPD, nr, eutra).
std::optional<int32_t> targetSystemOf(int32_t targetRat) {
  switch (targetRat) {
    case 0: return msgbytes::SystemUtraFdd;
    case 1: return msgbytes::SystemGeran;
    case 2: case 3: return msgbytes::SystemCdma2000;
    case 4: return msgbytes::SystemNr;
    case 5: return msgbytes::SystemEutra;
    default: return std::nullopt;
  }
}

// What an LTE RRC message carries besides its code (docs/message-bytes.md).
void lteRrcElements(const Columns& cols, CaptureRecord& rec) {
  switch (rec.Code) {
    case lte::ConnectionRequest:
      if (auto v = ColumnValueIn(cols, ColLteEstablishment, 0, 6)) rec.SubType = *v;
      break;
    case lte::ConnectionReestablishmentRequest:
      if (auto v = ColumnValueIn(cols, ColLteReestablishment, 0, 2)) rec.SubType = *v;
      break;
    case lte::ConnectionRelease: {
      if (auto v = ColumnValue(cols, ColLteRelease)) rec.Cause = *v;
      rec.SubType = 0;
      auto choice = ColumnValue(cols, ColLteRedirect);
      if (!choice) break;
      if (auto r = redirectOf(*choice)) {
        rec.SubType = r->SubType;
        rec.TargetSystem = r->System;
        if (r->Carrier)
          if (auto carrier = ColumnValue(cols, *r->Carrier)) rec.Earfcn = *carrier;
      }
      break;
    }
    case lte::ConnectionReconfiguration: {
      const bool handover = !cols[ColLteMobility].empty();
      const auto nr = ColumnValue(cols, ColLteNrConfig);  // 0 release, 1 setup
      rec.SubType = handover ? (nr == 1 ? 3 : 1) : nr == 1 ? 2 : nr == 0 ? 4 : 0;
      if (handover) {
        if (auto v = ColumnValueIn(cols, ColLteTargetPci, 0, 503)) rec.Pci = *v;
        if (auto v = ColumnValue(cols, ColLteTargetEarfcn)) rec.Earfcn = *v;
      }
      auto nrPci = ColumnValueIn(cols, ColNrPci, 0, 1007), nrArfcn = ColumnValue(cols, ColNrArfcn);
      if (nr == 1 && nrPci && nrArfcn) rec.NrCell = std::pair(*nrArfcn, *nrPci);
      break;
    }
    case lte::MobilityFromEutraCommand: {
      auto purpose = ColumnValueIn(cols, ColLtePurpose, 0, 2);  // handover, cell change order, e-CSFB
      if (!purpose) break;
      rec.SubType = *purpose;
      if (*purpose == 1) rec.TargetSystem = msgbytes::SystemGeran;  // a cell change order goes to GERAN only
      if (*purpose == 0)
        if (auto rat = ColumnValue(cols, ColLteTargetRat))
          if (auto system = targetSystemOf(*rat)) rec.TargetSystem = *system;
      break;
    }
    case lte::ScgFailureInformationNr: {
      // failureType-r15 "dummy" (6) leaves the type to failureType-v1610.
      if (auto later = ColumnValueIn(cols, ColLteFailureTypeExt, 0, 4))
        rec.ScgFailureType = 6 + *later;
      else if (auto type = ColumnValueIn(cols, ColLteFailureType, 0, 5))
        rec.ScgFailureType = *type;
      break;
    }
    default: break;
  }
}

// The EPS attach type (24.301 9.9.3.11: 1 EPS, 2 combined, 6 emergency) as
// the Attach Request's sub-type; the service type of an Extended Service
// Request (9.9.3.27: 0..2 CS fallback, 4 packet services) as its sub-type.
std::optional<int32_t> attachSubType(int32_t type) {
  switch (type) {
    case 1: return 0;
    case 2: return 1;
    case 6: return 2;
    default: return std::nullopt;
  }
}
std::optional<int32_t> serviceSubType(int32_t type) {
  if (type >= 0 && type <= 2) return type;
  if (type == 4) return 3;
  return std::nullopt;
}

// The security header type of the short Service Request (24.301 9.3.1).
constexpr int32_t ServiceRequestHeader = 12;
// A NAS message logged twice is logged within this much of its first copy.
constexpr double NasCopyWindowDays = 2.0 / 86400;

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
  if (ColumnValue(cols, ColVersion) == 3) {
    // GSMTAP version 3 carries NR, which this tshark does not decode.
    if (f.Malformed) fault(f.Number, "malformed NR frame; frame skipped");
    skipped("NR (GSMTAP version 3, not decoded by tshark)");
    return;
  }
  if (isLte(f.Type)) {
    // LTE records are kept apart: a capture with 2G/3G records is run
    // without them, its stretch on LTE noted so that no 2G/3G sequence runs
    // across it. NAS messages that LTE carries (an SMS over SGs) are never
    // GSM records.
    noteLteKind(f);
    mapLte(f);
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

void CaptureMapper::noteLteKind(const Frame& f) {
  const char* kind = gsmtapKind(f.Type);
  ++lteKinds_[kind];
  skipped(kind);
  if (f.Malformed) {
    fault(f.Number, fmt::format("malformed frame of a kind not read here ({}); frame skipped", kind));
    lteKindFaults_.push_back(log_.Faults.back());
  }
}

void CaptureMapper::mapLte(Frame& f) {
  const size_t before = lte_.Records.size();
  if (f.Type == 13) {
    mapLteRrc(f);
  } else if (f.Type == 18) {
    CaptureRecord base = f.Base;
    base.Net = 4;
    base.Mode = 2;  // NAS runs on a connection
    mapEpsNas(f, base);
  } else {
    lteSkipped(gsmtapKind(f.Type));
  }
  if (f.Malformed)
    lte_.Faults.push_back({name_, static_cast<int>(f.Number),
                           lte_.Records.size() == before
                               ? "malformed frame (tshark could not decode it); frame skipped"
                               : "malformed frame: the message was decoded in part, its elements may be missing"});
}

void CaptureMapper::mapLteRrc(Frame& f) {
  const Columns& cols = f.Cols;
  std::optional<uint8_t> channel;
  for (uint8_t c = 0; c < LteChannelCount; ++c)
    if (!cols[ColLteChannel + c].empty()) {
      channel = c;
      break;
    }
  if (!channel) {
    lteSkipped(f.Malformed ? "LTE RRC not decoded (malformed)" : "LTE RRC of another channel (MBMS, sidelink, NB-IoT)");
    return;
  }
  const bool extension = !cols[ColLteExtension].empty();
  const auto choice = *channel == LteBcchBch ? std::optional<int32_t>(0)
                                             : ColumnValue(cols, extension ? ColLteExtensionChoice : ColLteChoice);
  const LteChoice* row = choice && *choice >= 0 && *choice < 256
                             ? FindLteChoice(*channel, extension, static_cast<uint8_t>(*choice))
                             : nullptr;
  CaptureRecord base = f.Base;
  base.Net = 4;
  base.Mode = *channel == LteDlDcch || *channel == LteUlDcch ? 2 : 0;
  // Some writers set GSMTAP's uplink bit for NAS only: the logical channel
  // tells the direction of every RRC message.
  base.Uplink = LteUplinkChannel(*channel) ? 1 : 0;
  if (row && (row->Code == lte::MasterInformationBlock || row->Code == lte::SystemInformationBlockType1 ||
              row->Code == lte::SystemInformation)) {
    lteSkipped("LTE system information");
    return;
  }
  if (!row || row->Code == 0) {
    lteUnmapped(row ? fmt::format("LTE RRC {}", row->Name)
                    : fmt::format("LTE RRC {} {}message {}", LteChannelName(*channel), extension ? "extension " : "",
                                  choice ? std::to_string(*choice) : "?"));
  } else if (row->Code == lte::MeasurementReport) {
    lte_.Records.push_back(lteMeasurement(cols, base));
  } else {
    CaptureRecord rec = base;
    rec.Code = row->Code;
    lteRrcElements(cols, rec);
    if (rec.Code == lte::ConnectionReconfiguration) {
      lastReconfiguration_ = rec;
    } else if (rec.Code == lte::ConnectionReconfigurationComplete && lastReconfiguration_) {
      // The Complete tells of the reconfiguration it answers.
      rec.SubType = lastReconfiguration_->SubType;
      rec.Pci = lastReconfiguration_->Pci;
      rec.Earfcn = lastReconfiguration_->Earfcn;
      rec.NrCell = lastReconfiguration_->NrCell;
      lastReconfiguration_.reset();
    } else if (rec.Code == lte::ConnectionReestablishmentRequest) {
      lastReestablishmentCause_ = rec.SubType >= 0 ? std::optional<int32_t>(rec.SubType) : std::nullopt;
    } else if (rec.Code == lte::ConnectionReestablishmentReject || rec.Code == lte::ConnectionReestablishment) {
      // The reject carries no cause of its own: that of the request it
      // answers tells why the handset asked.
      if (rec.Code == lte::ConnectionReestablishmentReject) rec.Cause = lastReestablishmentCause_;
      lastReestablishmentCause_.reset();
    }
    lte_.Records.push_back(std::move(rec));
  }
  mapEpsNas(f, base);
}

void CaptureMapper::mapEpsNas(Frame& f, const CaptureRecord& base) {
  const Columns& cols = f.Cols;
  const auto header = ColumnValue(cols, ColEpsSecurityHeader);
  const auto emm = ColumnValues(cols[ColEmmType]), esm = ColumnValues(cols[ColEsmType]);
  // The form a NAS message was logged in: the GSMTAP type and its outer
  // security header (a writer logs a message plain and again protected).
  const int form = static_cast<int>(f.Type) * 16 + (header ? std::clamp(*header, 0, 15) : 0);
  auto make = [&](uint32_t code) {
    CaptureRecord rec = base;
    rec.Code = code;
    rec.Mode = 2;
    // Most NAS messages go one way only; for the rest (detach, status) the
    // RRC channel or GSMTAP's bit tells.
    if (int up = EpsNasDirection(code); up >= 0) rec.Uplink = up;
    return rec;
  };
  if (emm.empty() && esm.empty()) {
    if (header == ServiceRequestHeader) {
      keepNas(make(eps::ServiceRequest), form);
    } else if (header && *header != 0) {
      // Ciphered and not deciphered: what the message is cannot be told.
      ++lte_.Stats.CipheredNas;
      if (f.Type == 18) lteSkipped("LTE NAS ciphered");
    } else if (f.Type == 18) {
      lteSkipped("LTE NAS without a message tshark decoded");
    }
    return;
  }
  auto known = [&](uint32_t code, const char* protocol, std::string_view type) {
    if (!NetLTEL3LogMsgTypeName(code).empty()) return true;
    lteUnmapped(fmt::format("{} {}", protocol, type));
    return false;
  };
  if (!emm.empty()) {
    auto type = ColumnNumber(emm[0]);
    if (!type || *type < 0 || *type > 0xFF) {
      fault(f.Number, fmt::format("EMM message type \"{}\" is not a number; message skipped", emm[0]));
      return;
    }
    const uint32_t code = eps::Prefix | 0x0700u | static_cast<uint32_t>(*type);
    if (known(code, "EMM", emm[0])) {
      CaptureRecord rec = make(code);
      if (auto cause = ColumnValueIn(cols, ColEmmCause, 0, 255)) rec.Cause = *cause;
      if (code == eps::AttachRequest)
        if (auto v = ColumnValue(cols, ColEpsAttachType)) rec.SubType = attachSubType(*v).value_or(-1);
      if (code == eps::TrackingAreaUpdateRequest)
        if (auto v = ColumnValueIn(cols, ColEpsUpdateType, 0, 3)) rec.SubType = *v;
      if (code == eps::ExtendedServiceRequest)
        if (auto v = ColumnValue(cols, ColEpsServiceType)) rec.SubType = serviceSubType(*v).value_or(-1);
      keepNas(std::move(rec), form);
    }
    // A second EMM message is one the first carries (a Security Mode
    // Complete replaying the Attach Request): the ESM message then belongs
    // to it, and neither is a new message.
    if (emm.size() > 1) return;
  }
  if (!esm.empty()) {
    auto type = ColumnNumber(esm[0]);
    if (!type || *type < 0 || *type > 0xFF) {
      fault(f.Number, fmt::format("ESM message type \"{}\" is not a number; message skipped", esm[0]));
      return;
    }
    const uint32_t code = eps::Prefix | 0x0200u | static_cast<uint32_t>(*type);
    if (!known(code, "ESM", esm[0])) return;
    CaptureRecord rec = make(code);
    if (auto cause = ColumnValueIn(cols, ColEsmCause, 0, 255)) rec.Cause = *cause;
    const Column bearer = code == eps::PdnDisconnectRequest ? ColEpsLinkedBearer : ColEpsBearer;
    if (auto id = ColumnValueIn(cols, bearer, 5, 15)) rec.EpsBearerId = *id;
    keepNas(std::move(rec), form);
  }
}

void CaptureMapper::keepNas(CaptureRecord rec, int form) {
  auto same = [&](const CaptureRecord& a) {
    return a.Code == rec.Code && a.Uplink == rec.Uplink && a.Cause == rec.Cause && a.SubType == rec.SubType &&
           a.EpsBearerId == rec.EpsBearerId;
  };
  // Newest first: a message sent again (an authentication request after a
  // failure) is a copy of the latest one only.
  for (auto it = recentNas_.rbegin(); it != recentNas_.rend(); ++it) {
    const CaptureRecord& kept = lte_.Records[it->Record];
    if (rec.Time - kept.Time > NasCopyWindowDays) break;
    if (!same(kept)) continue;
    if (std::find(it->Forms.begin(), it->Forms.end(), form) != it->Forms.end()) break;  // sent again
    it->Forms.push_back(form);
    lteSkipped("LTE NAS logged twice (one record)");
    return;
  }
  std::erase_if(recentNas_, [&](const KeptNas& k) { return rec.Time - lte_.Records[k.Record].Time > NasCopyWindowDays; });
  recentNas_.push_back({lte_.Records.size(), {form}});
  lte_.Records.push_back(std::move(rec));
}

void CaptureMapper::settleLte() {
  // Until here the LTE frames were counted as a 2G/3G capture counts them,
  // by kind; a capture with 2G/3G records stays so.
  if (!log_.Records.empty() || lte_.Records.empty()) return;
  // A capture of LTE frames only is an LTE log: nothing to run around.
  log_.Network = 4;
  log_.Records = std::move(lte_.Records);
  log_.LteStretches.clear();
  for (const auto& [kind, count] : lteKinds_)
    if ((log_.Stats.Skipped[kind] -= count) == 0) log_.Stats.Skipped.erase(kind);
  for (const auto& [kind, count] : lte_.Stats.Skipped) log_.Stats.Skipped[kind] += count;
  for (const auto& [type, count] : lte_.Stats.Unmapped) log_.Stats.Unmapped[type] += count;
  log_.Stats.CipheredNas = lte_.Stats.CipheredNas;
  std::erase_if(log_.Faults, [&](const LogFault& f) {
    return std::any_of(lteKindFaults_.begin(), lteKindFaults_.end(),
                       [&](const LogFault& k) { return k.Line == f.Line && k.Reason == f.Reason; });
  });
  log_.Faults.insert(log_.Faults.end(), lte_.Faults.begin(), lte_.Faults.end());
  std::stable_sort(log_.Faults.begin(), log_.Faults.end(),
                   [](const LogFault& a, const LogFault& b) { return a.Line < b.Line; });
}

void CaptureMapper::noteCut(uint32_t frame, int64_t captured) {
  if (cutFrames_++ == 0) firstCut_ = frame;
  cutTo_ = std::max(cutTo_, captured);
}

void CaptureMapper::Finish() {
  settleLte();
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
