// The field catalogue: identifiers of the measured values a record carries and
// the names users write for them in gate expressions. An identifier may have
// an alias (a second row); the first row gives its name. Values are integers
// in the unit given in the description.
#include <algorithm>

#include "eventmanager/outside/data_access.h"

namespace {

constexpr FieldInfo kFields[] = {
    // GSM serving cell and radio link.
    {0, "BCCH", "GSM serving cell BCCH (ARFCN)"},
    {1, "BSIC", "GSM serving cell BSIC"},
    {2, "RxLevFull", "GSM RxLev Full (dBm)"},
    {3, "RxLevSub", "GSM RxLev Sub (dBm)"},
    {4, "RxQualFull", "GSM RxQual Full (0..7)"},
    {5, "RxQualSub", "GSM RxQual Sub (0..7)"},
    {6, "TA", "GSM timing advance"},
    {8, "CellId", "Serving cell identity"},
    {10, "LAC", "Location area code"},
    {11, "C_I", "GSM carrier to interference ratio (dB)"},
    {12, "MS_TxPower", "GSM MS transmit power level"},
    {13, "FER_Full", "GSM frame erasure rate full (%)"},
    {14, "FER_Sub", "GSM frame erasure rate sub (%)"},
    {15, "TCH_ARFCN", "GSM traffic channel ARFCN"},
    {16, "C1", "GSM path loss criterion C1"},
    // CDMA (the channel, 17, holds the GSM BCCH in WCDMA logs).
    {9, "PN", "CDMA reference pilot PN offset"},
    {17, "Channel", "CDMA channel number; GSM BCCH measured in a WCDMA log"},
    {17, "CDMA_Channel", "CDMA channel number"},
    {18, "CDMA_EcIo", "CDMA reference pilot Ec/Io (0.1 dB)"},
    {19, "CDMA_RxPower", "CDMA receive power (dBm)"},
    {20, "HandoffType", "CDMA handoff type of the record"},
    {21, "CauseState", "CDMA cause state carried from the previous message"},
    {22, "CDMA_TxPower", "CDMA transmit power (dBm)"},
    {23, "FFER", "CDMA forward frame error rate (0.01 %)"},
    {24, "SID", "CDMA system identification"},
    {25, "NID", "CDMA network identification"},
    {26, "TxAdj", "CDMA transmit gain adjust (dB)"},
    {27, "ActiveSetCount", "CDMA active set size"},
    // WCDMA serving cell.
    {98, "UARFCN", "WCDMA serving UARFCN"},
    {99, "PSC", "WCDMA serving primary scrambling code"},
    {28, "RSCP", "WCDMA serving CPICH RSCP (dBm)"},
    {29, "EcIo", "WCDMA serving CPICH Ec/Io (0.1 dB)"},
    {30, "UE_TxPower", "WCDMA UE transmit power (dBm)"},
    {31, "BLER", "WCDMA downlink BLER (0.01 %)"},
    {32, "RSSI", "WCDMA carrier RSSI (dBm)"},
    {33, "SIR", "WCDMA signal to interference ratio (dB)"},
    {34, "CQI", "HSDPA channel quality indicator"},
    {35, "RRC_State", "RRC state of the UE"},
    // TD-SCDMA.
    {203, "TD_UARFCN", "TD-SCDMA serving UARFCN"},
    {204, "CPI", "TD-SCDMA serving cell parameter identity"},
    {38, "PCCPCH_RSCP", "TD-SCDMA PCCPCH RSCP (dBm)"},
    {39, "PCCPCH_C_I", "TD-SCDMA PCCPCH C/I (dB)"},
    {40, "DPCH_RSCP", "TD-SCDMA DPCH RSCP (dBm)"},
    {41, "DPCH_C_I", "TD-SCDMA DPCH C/I (dB)"},
    {42, "TD_UE_TxPower", "TD-SCDMA UE transmit power (dBm)"},
    {43, "TD_BLER", "TD-SCDMA downlink BLER (0.01 %)"},
    {44, "TD_ISCP", "TD-SCDMA timeslot ISCP (dBm)"},
    // Data throughput and service quality.
    {50, "AppDL_kbps", "Application download rate (kbps)"},
    {51, "AppUL_kbps", "Application upload rate (kbps)"},
    {52, "RLC_DL_kbps", "RLC downlink throughput (kbps)"},
    {53, "RLC_UL_kbps", "RLC uplink throughput (kbps)"},
    {54, "HSDPA_kbps", "HSDPA physical layer throughput (kbps)"},
    {55, "HSUPA_kbps", "HSUPA physical layer throughput (kbps)"},
    {56, "EVDO_FL_kbps", "EV-DO forward link throughput (kbps)"},
    {57, "EVDO_RL_kbps", "EV-DO reverse link throughput (kbps)"},
    {58, "PingDelay_ms", "Ping round trip delay (ms)"},
    {59, "MOS", "Speech quality MOS (0.001)"},
    // EV-DO radio.
    {60, "EVDO_SINR", "EV-DO serving sector SINR (0.1 dB)"},
    {61, "EVDO_DRC", "EV-DO requested data rate (kbps)"},
    {62, "EVDO_PER", "EV-DO packet error rate (0.01 %)"},
    // Position.
    {70, "Latitude", "Latitude (1e-6 degree)"},
    {71, "Longitude", "Longitude (1e-6 degree)"},
    {72, "Speed_kmh", "Speed (km/h)"},
    {73, "Altitude", "Altitude (m)"},
    // GSM cells measured by a 3G handset (in GSM state or as neighbours).
    {17, "W_GSM_BCCH", "GSM BCCH measured in a WCDMA log"},
    {7, "W_GSM_BSIC", "GSM BSIC measured in a WCDMA log"},
    {100, "W_GSM_RxLev", "GSM RxLev measured in a WCDMA log (dBm)"},
    {37, "TD_GSM_BCCH", "GSM BCCH measured in a TD-SCDMA log"},
    {36, "TD_GSM_BSIC", "GSM BSIC measured in a TD-SCDMA log"},
    {205, "TD_GSM_RxLev", "GSM RxLev measured in a TD-SCDMA log (dBm)"},
};

bool SameName(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

}  // namespace

std::span<const FieldInfo> FieldCatalogue() { return kFields; }

int32_t FieldIdByName(std::string_view name) {
  for (const FieldInfo& f : kFields)
    if (SameName(name, f.Name)) return f.Id;
  return -1;
}

const char* FieldNameById(int32_t id) {
  for (const FieldInfo& f : kFields)
    if (f.Id == id) return f.Name;
  return nullptr;
}
