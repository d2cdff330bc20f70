#include "detection/level_detail.h"

#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "core/network.h"
#include "detection/detail_spares.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/decoder_types.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"
#include "eventmanager/outside/wcdma_decoder.h"

namespace {

constexpr double SecondsPerDay = 86400.0;

// Field identifiers of the serving cell values; the same pairs as the cell
// change check of the derived events reads.
enum FieldId : int32_t {
  GsmBcch = 0,
  GsmBsic = 1,
  WcdmaUarfcn = 98,
  WcdmaGsmBcch = 17,
  WcdmaGsmBsic = 7,
  TdUarfcn = 203,
  TdCellParameterId = 204,
  TdGsmBcch = 37,
  TdGsmBsic = 36,
  LteEarfcn = 304,
};

using HandoverReader = std::optional<HandoverTarget> (*)(uint8_t, uint32_t, const std::string&);

// The level's record and where its lines go.
struct LevelRecord {
  TLevelNode& Level;
  TDetailLines& Details;
  RecordView& View;
  uint8_t DeviceType;

  void Add(std::string_view text) { detail_spares::Append(Details, text, Level.RecordIndex); }
  void Add(std::string&& text) { detail_spares::Append(Details, std::move(text), Level.RecordIndex); }
  void Add(const char* text) { Add(std::string_view(text)); }
  // A line formatted into the room of a kept one.
  template <typename... Args>
  void Format(fmt::format_string<Args...> format, Args&&... args) {
    std::string text = detail_spares::Text();
    fmt::format_to(std::back_inserter(text), format, std::forward<Args>(args)...);
    detail_spares::Append(Details, std::move(text), Level.RecordIndex);
  }
  uint32_t Code() const { return View.MessageCode(); }
  const std::string& Bytes() const { return View.MessageBytes(); }
};

bool load(const TGetRecordEvent& onGetRecord, RecordView& view, int32_t recordIndex) {
  if (!onGetRecord) return false;
  onGetRecord(&view, recordIndex);
  return view.HasData() != 0;
}

// " a, b, c": each code followed by a comma except the last.
std::string codeList(const std::vector<int32_t>& codes) {
  std::string text;
  for (size_t i = 0; i < codes.size(); ++i) {
    text += fmt::format(" {}", codes[i]);
    if (i + 1 < codes.size()) text += ',';
  }
  return text;
}

void handoverToGsm(LevelRecord& r, int32_t bcchField, int32_t bsicField, HandoverReader reader) {
  std::optional<HandoverTarget> target = reader(r.DeviceType, r.Code(), r.Bytes());
  if (!target) return;
  r.Format("BCCH: {} --> {}", r.View.FieldValue(bcchField), target->Bcch);
  r.Format("BSIC: {} --> {}", r.View.FieldValue(bsicField), target->Bsic);
}

template <typename CauseCode, typename CauseInfo>
void cause(LevelRecord& r, CauseCode causeCode, CauseInfo causeInfo) {
  std::optional<std::string> record = causeCode(r.Code(), r.Bytes());
  if (record) r.Add(causeInfo(r.Code(), *record));
}

void activeSetUpdate(LevelRecord& r) {
  std::optional<ActiveSetUpdateInfo> info = GainWCDMAActiveSetUpdateInfo(r.Code(), r.Bytes());
  if (!info) return;
  if (!info->Added.empty()) r.Add("Add PSC:" + codeList(info->Added));
  if (!info->Removed.empty()) r.Add("Remove PSC:" + codeList(info->Removed));
}

void wcdmaReconfiguration(LevelRecord& r) {
  std::optional<WcdmaReconfigurationInfo> info = GainWCDMAPhysicalChannelReconfigurationInfo(r.Code(), r.Bytes());
  if (!info) return;
  int32_t old = r.View.FieldValue(WcdmaUarfcn);
  r.Format("Frequency: {} --> {}", old, info->NewUarfcn == NoValue ? old : info->NewUarfcn);
  r.Add("PSC List:" + codeList(info->Psc));
}

void tdscdmaReconfiguration(LevelRecord& r) {
  std::optional<TdscdmaReconfigurationInfo> info = GainTDSCDMAPhysicalChannelReconfigurationInfo(r.Code(), r.Bytes());
  if (!info) return;
  r.Format("Frequency: {} --> {}", r.View.FieldValue(TdUarfcn), info->NewUarfcn);
  r.Format("CPI: {} --> {}", r.View.FieldValue(TdCellParameterId), info->NewCellParameterId);
  r.Add(info->BatonHandover != 0 ? "Baton handover" : "Not Baton handover");
}

void toGsm(LevelRecord& r, const char* from, std::optional<HandoverTarget> target) {
  if (target) r.Format("{} To GSM(BCCH: {}, BSIC: {})", from, target->Bcch, target->Bsic);
}

// The time from the sequence's first level to this level. The top level's
// record is loaded into this level's view, which keeps it afterwards.
void delay(LevelRecord& r, const TGetRecordEvent& onGetRecord) {
  double t1 = r.View.Time();
  TLevelNode* top = r.Level.RootLevel();
  if (!load(onGetRecord, r.View, top->RecordIndex)) return;
  double t0 = r.View.Time();
  r.Format("Delay: {:.3f} (s)", (t1 - t0) * SecondsPerDay);
}

void gsmLevel(LevelRecord& r, int32_t flag) {
  // A GSM release, reject or failure is read by its cause first, as on 3G.
  if (flag == 1) cause(r, &GainGSMMessageCauseCode, &GainGSMMessageCauseInfo);
  if (flag == 3) handoverToGsm(r, GsmBcch, GsmBsic, &Gain_GSM_Handover_Data_Point);
}

void wcdmaLevel(LevelRecord& r, int32_t flag) {
  switch (flag) {
    case 1: cause(r, &GainUMTSMessageCauseCode, &GainUMTSMessageCauseInfo); break;
    case 2: activeSetUpdate(r); break;
    case 3:
      if (UMTSInGSMState(r.View))
        handoverToGsm(r, WcdmaGsmBcch, WcdmaGsmBsic, &Gain_WCDMA_GSM_Handover_Data_Point);
      else
        wcdmaReconfiguration(r);
      break;
    case 4: toGsm(r, "UMTS", GainInterRatHandoverToGSMInfo(r.Code(), r.Bytes())); break;
    default: break;
  }
}

// The target of an LTE handover. An intra-frequency handover names no
// carrier: the target is then on the serving EARFCN of the record.
void lteHandover(LevelRecord& r) {
  std::optional<LteCellTarget> target = Gain_LTE_Target_Cell(r.DeviceType, r.Code(), r.Bytes());
  if (!target || target->Pci == NoValue) return;
  const int32_t earfcn = target->Earfcn != NoValue ? target->Earfcn : r.View.FieldValue(LteEarfcn);
  if (earfcn == NoValue)
    r.Format("PCI {}", target->Pci);
  else
    r.Format("PCI {} EARFCN {}", target->Pci, earfcn);
}

// Where a release with redirection or a mobility from E-UTRA command sends
// the handset: "LTE To UMTS(UARFCN: 10688)", the carrier named as the target
// system numbers it (msgbytes::System order: E-UTRA, UTRA-FDD, UTRA-TDD,
// GERAN, CDMA2000, NR).
void lteSystemChange(LevelRecord& r) {
  static const char* const systems[] = {"LTE", "UMTS", "TD-SCDMA", "GSM", "CDMA", "NR"};
  static const char* const carriers[] = {"EARFCN", "UARFCN", "UARFCN", "ARFCN", "Channel", "NR-ARFCN"};
  std::optional<LteRedirect> redirect = Gain_LTE_Redirect(r.DeviceType, r.Code(), r.Bytes());
  if (!redirect || redirect->System < 0 || redirect->System >= static_cast<int32_t>(std::size(systems))) return;
  const auto s = static_cast<size_t>(redirect->System);
  if (redirect->Carrier == NoValue)
    r.Format("LTE To {}", systems[s]);
  else
    r.Format("LTE To {}({}: {})", systems[s], carriers[s], redirect->Carrier);
}

void lteLevel(LevelRecord& r, int32_t flag) {
  switch (flag) {
    case 1: cause(r, &GainLTEMessageCauseCode, &GainLTEMessageCauseInfo); break;
    case 3: lteHandover(r); break;
    case 4:
    case 5: lteSystemChange(r); break;
    default: break;
  }
}

void tdscdmaLevel(LevelRecord& r, int32_t flag) {
  bool inGsm = (flag == 1 || flag == 3) && TDSCDMAInGSMState(r.View);
  switch (flag) {
    case 1:
      if (inGsm)
        handoverToGsm(r, TdGsmBcch, TdGsmBsic, &Gain_TDSCDMA_GSM_Handover_Data_Point);
      else
        cause(r, &GainTDSCDMAMessageCauseCode, &GainTDSCDMAMessageCauseInfo);
      break;
    case 3:
      if (inGsm)
        handoverToGsm(r, TdGsmBcch, TdGsmBsic, &Gain_TDSCDMA_GSM_Handover_Data_Point);
      else
        tdscdmaReconfiguration(r);
      break;
    case 7: toGsm(r, "TD", GainTDSCDMAInterRatHandoverToGSMInfo(r.Code(), r.Bytes())); break;
    default: break;
  }
}

}  // namespace

void BuildLevelDetail(TLevelNode& level, TDetailLines& details, const TGetRecordEvent& onGetRecord,
                      uint8_t deviceType) {
  level.DetailDone = true;
  if (!level.HasDetail() || !level.HandsetFields) return;
  RecordView& view = *level.HandsetFields;
  // A record the host cannot give has nothing to decode.
  if (!load(onGetRecord, view, level.RecordIndex)) return;
  uint8_t net = level.Network();
  int32_t flag = level.DetailFlag;
  LevelRecord r{level, details, view, deviceType};
  if (flag == 6 && net <= NetLte) {
    delay(r, onGetRecord);
    return;
  }
  if (view.Skip()) return;
  switch (net) {
    case 0: gsmLevel(r, flag); break;
    case 1: break;  // CDMA has the delay alone
    case 2: wcdmaLevel(r, flag); break;
    case 3: tdscdmaLevel(r, flag); break;
    case NetLte: lteLevel(r, flag); break;
    default: break;
  }
}

void AppendLevelDetails(TLevelNode& reporting, TDetailLines& details, const TGetRecordEvent& onGetRecord,
                        uint8_t deviceType) {
  for (TLevelNode* level = &reporting; level && !level->DetailDone; level = level->ParentLevel)
    BuildLevelDetail(*level, details, onGetRecord, deviceType);
}
