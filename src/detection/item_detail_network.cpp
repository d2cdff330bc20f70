// Item detail rows of calls and cell changes: call end reasons, tag texts,
// cell reselection, 2G/3G passes, CDMA handoffs, and the internal message
// events (identifiers above 10000) with their delays, causes and handovers.
#include <algorithm>
#include <iterator>
#include <string_view>

#include <fmt/format.h>

#include "detection/item_detail_rows.h"
#include "eventmanager/outside/cdma_diagnosis.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"

namespace {

enum Net : uint8_t { Gsm = 0, Cdma = 1, Wcdma = 2, Tdscdma = 3 };

// " a, b, c": each code followed by a comma except the last.
std::string codeList(const BlockReader& b, size_t off, int32_t count) {
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    text += fmt::format(" {}", b.I32(off + 4 * static_cast<size_t>(i)));
    if (i + 1 < count) text += ',';
  }
  return text;
}

std::string bcchBsic(int32_t oldBcch, int32_t newBcch, int32_t oldBsic, int32_t newBsic) {
  return fmt::format("BCCH: {} --> {}\r\nBSIC: {} --> {}", oldBcch, newBcch, oldBsic, newBsic);
}

// Appends for the cell-change texts: one of these is written for nearly
// every cell change of a log, and a format string parsed for each of them
// cost more than the rest of the result.
void put(std::string& text, std::string_view part) { text.append(part); }
void put(std::string& text, int32_t value) {
  const fmt::format_int digits(value);
  text.append(digits.data(), digits.size());
}

// Kinds 0 and 1: {kind, old frequency at 4, new at 8, old code i16 at 12, new
// at 14}; kinds 2 and 3: {kind, UARFCN at 4, cell parameter u16 at 8, BCCH at
// 10, BSIC u16 at 14}.
// Written into `text` (cleared first) rather than returned: results are made
// from these rows often, and the caller's buffer keeps its room between them.
void cellReselection(const BlockReader& b, uint8_t net, std::string& text) {
  text.clear();
  if (!b.Needs(16)) return;
  int32_t kind = b.I32(0);
  // "first: a --> b\r\nsecond: c --> d"
  auto pair = [&](std::string_view first, std::string_view second) {
    put(text, first), put(text, ": "), put(text, b.I32(4)), put(text, " --> "), put(text, b.I32(8));
    put(text, "\r\n");
    put(text, second), put(text, ": "), put(text, b.I16(12)), put(text, " --> "), put(text, b.I16(14));
  };
  if (net == Gsm || ((net == Wcdma || net == Tdscdma) && kind == 0)) return pair("BCCH", "BSIC");
  if (net == Cdma) return pair("Frequency", "PN");
  if (net != Wcdma && net != Tdscdma) return;
  bool td = net == Tdscdma;
  switch (kind) {
    case 1: return pair("Frequency", td ? "CPI" : "PSC");
    case 2:
      // "WCDMA-->GSM(BCCH: a, BSIC: b)"
      put(text, td ? "TD-->GSM" : "WCDMA-->GSM"), put(text, "(BCCH: "), put(text, b.I32(10));
      put(text, ", BSIC: "), put(text, b.U16(14)), put(text, ")");
      return;
    case 3:
      // "GSM-->WCDMA(UARFCN: a, PSC: b)"
      put(text, td ? "GSM-->TD" : "GSM-->WCDMA"), put(text, "(UARFCN: "), put(text, b.I32(4));
      put(text, ", "), put(text, td ? "CPI" : "PSC"), put(text, ": "), put(text, b.U16(8)), put(text, ")");
      return;
    default: return;
  }
}

std::string passes23G(const BlockReader& b) {
  if (!b.Needs(1)) return {};
  switch (b.U8(0)) {
    case 1: return "1 times through";
    case 2: return "2 times through";
    case 21: return "2 times through 1st";
    case 22: return "2 times through 2nd";
    default: return {};
  }
}

std::string cdmaHandoff(const BlockReader& b) {
  static const char* const states[] = {"Soft", "Softer", "Softer Soft", "Softer Softer",
                                       "Soft 4 way", "Soft 5 way", "Soft 6 way"};
  if (!b.Needs(1)) return {};
  uint8_t state = b.U8(0);
  if (state >= 1 && state <= 7) return std::string("Handoff State: ") + states[state - 1];
  if ((state == 8 || state == 9) && !b.Needs(5)) return {};
  if (state == 8) return fmt::format("Handoff State: Intra Hard Handoff\r\nFrequency: {}", b.U16(3));
  if (state == 9) return fmt::format("Handoff State: Inter Hard Handoff\r\nFrequency: {} --> {}", b.U16(1), b.U16(3));
  return {};
}

std::string callCause(const BlockReader& b, uint8_t net) {
  if (!b.Needs(4)) return {};
  uint32_t code = b.U32(0);
  std::string cause(b.Raw(4, b.Size()));
  switch (net) {
    case Cdma: return GainCDMAMessageCauseInfo(code, cause);
    case Wcdma: return GainUMTSMessageCauseInfo(code, cause);
    case Tdscdma: return GainTDSCDMAMessageCauseInfo(code, cause);
    default: return {};
  }
}

// WCDMA handover: u8 kind at 0; kind 0 {old UARFCN at 1, code count at 17, new
// UARFCN at 21 (-9999: unchanged), codes from 25}; otherwise a handover to
// GSM {old BCCH at 1, old BSIC at 5, new BCCH at 9, new BSIC at 13}.
std::string wcdmaHandover(const BlockReader& b) {
  if (!b.Needs(1)) return {};
  if (b.U8(0) != 0) return b.Needs(17) ? bcchBsic(b.I32(1), b.I32(9), b.I32(5), b.I32(13)) : std::string();
  if (!b.Needs(25)) return {};
  int32_t count = std::max<int32_t>(b.I32(17), 0);
  if (static_cast<size_t>(count) > (b.Size() - 25) / 4) return {};
  int32_t oldUarfcn = b.I32(1), newUarfcn = b.I32(21);
  return fmt::format("Frequency: {} --> {}\r\nPSC List:{}", oldUarfcn, newUarfcn == -9999 ? oldUarfcn : newUarfcn,
                     codeList(b, 25, count));
}

// TD-SCDMA handover: kind 0 {old UARFCN at 1, old CPI at 5, new UARFCN at 9,
// new CPI at 13, baton flag at 17}; otherwise as the WCDMA handover to GSM.
std::string tdscdmaHandover(const BlockReader& b) {
  if (!b.Needs(1)) return {};
  if (b.U8(0) != 0) return b.Needs(17) ? bcchBsic(b.I32(1), b.I32(9), b.I32(5), b.I32(13)) : std::string();
  if (!b.Needs(18)) return {};
  return fmt::format("Frequency: {} --> {}\r\nCPI: {} --> {}\r\n{}", b.I32(1), b.I32(9), b.I32(5), b.I32(13),
                     b.U8(17) != 0 ? "Baton handover" : "Not Baton handover");
}

std::string handover(const BlockReader& b, uint8_t net) {
  switch (net) {
    case Gsm: return b.Needs(16) ? bcchBsic(b.I32(0), b.I32(8), b.I32(4), b.I32(12)) : std::string();
    case Wcdma: return wcdmaHandover(b);
    case Tdscdma: return tdscdmaHandover(b);
    default: return {};
  }
}

// Removed count at 0 with codes from 4, added count at 36 with codes from 40;
// at most 8 of each.
std::string softHandover(const BlockReader& b) {
  if (!b.Needs(40)) return {};
  int32_t removed = std::clamp<int32_t>(b.I32(0), 0, 8), added = std::clamp<int32_t>(b.I32(36), 0, 8);
  if (!b.Needs(4 + 4 * static_cast<size_t>(removed)) || !b.Needs(40 + 4 * static_cast<size_t>(added))) return {};
  std::string text;
  if (added > 0) text = "Add PSC:" + codeList(b, 40, added);
  if (removed > 0) text += (text.empty() ? "" : "\r\n") + std::string("Remove PSC:") + codeList(b, 4, removed);
  return text;
}

std::string toGsm(const BlockReader& b, const char* from) {
  return b.Needs(8) ? fmt::format("{} To GSM(BCCH: {}, BSIC: {})", from, b.I32(0), b.I32(4)) : std::string();
}

std::string internalEvent(const TItemRow& row) {
  if (row.ExtraLength == 0) return {};
  const BlockReader& b = row.Block;
  uint8_t net = row.Context.NetType;
  switch (row.EventId - 10000) {
    case 4: case 10: case 50: case 51:
      return b.Needs(4) && net <= Tdscdma ? fmt::format("Delay: {:.3f} (s)", double{b.F32(0)}) : std::string();
    case 7: case 9: case 13: case 14: return callCause(b, net);
    case 15: case 40: case 61: case 62: case 63: case 67: case 68: case 69: case 77: return handover(b, net);
    case 42: return net == Wcdma ? softHandover(b) : std::string();
    case 48: return net == Wcdma ? toGsm(b, "UMTS") : std::string();
    case 58: case 59: return net == Tdscdma ? toGsm(b, "TD") : std::string();
    default: return {};
  }
}

}  // namespace

bool NetworkRowDetail(const TItemRow& row, std::string& text) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 56:
      text = row.ExtraLength == 4 && b.Needs(4) ? CallEndReasonText(b.U32(0)) : std::string();
      return true;
    // The host's texts are zero-terminated; what follows the zero is stale buffer.
    case 57: case 163: case 164: text = b.Text(0); return true;
    case 162: cellReselection(b, row.Context.RecordNetType, text); return true;
    case 189: case 190: case 191: text = passes23G(b); return true;
    case 194: case 195: text = cdmaHandoff(b); return true;
    default:
      if (row.EventId <= 10000) return false;
      text = internalEvent(row);
      return true;
  }
}
