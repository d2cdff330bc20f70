// The field catalogue: identifiers of the measured values a record carries and
// the names users write for them in gate expressions. An identifier may have
// an alias (a second row); the first row gives its name. Values are integers
// in the unit given in the description. The networks of a field say which
// logs carry it (for listings); every name parses whatever the network.
#include <algorithm>

#include "eventmanager/outside/data_access.h"

namespace {

// Network sets (bit k = network index k) of the logs that carry a field.
constexpr uint8_t GSM = 1, CDMA = 2, UMTS = 4, TDSCDMA = 8, LTE = 16, All = GSM | CDMA | UMTS | TDSCDMA | LTE;

constexpr FieldInfo kFields[] = {
    // GSM serving cell and radio link.
    {0, "BCCH", "GSM serving cell BCCH (ARFCN)", GSM},
    {1, "BSIC", "GSM serving cell BSIC", GSM},
    {2, "RxLevFull", "GSM RxLev Full (dBm)", GSM},
    {3, "RxLevSub", "GSM RxLev Sub (dBm)", GSM},
    {4, "RxQualFull", "GSM RxQual Full (0..7)", GSM},
    {5, "RxQualSub", "GSM RxQual Sub (0..7)", GSM},
    {6, "TA", "GSM timing advance", GSM},
    {8, "CellId", "Serving cell identity", GSM | UMTS | TDSCDMA},
    {10, "LAC", "Location area code", GSM | UMTS | TDSCDMA},
    {11, "C_I", "GSM carrier to interference ratio (dB)", GSM},
    {12, "MS_TxPower", "GSM MS transmit power level", GSM},
    {13, "FER_Full", "GSM frame erasure rate full (%)", GSM},
    {14, "FER_Sub", "GSM frame erasure rate sub (%)", GSM},
    {15, "TCH_ARFCN", "GSM traffic channel ARFCN", GSM},
    {16, "C1", "GSM path loss criterion C1", GSM},
    // CDMA (the channel, 17, holds the GSM BCCH in WCDMA logs).
    {9, "PN", "CDMA reference pilot PN offset", CDMA},
    {17, "Channel", "CDMA channel number (in a WCDMA log the same identifier holds the GSM BCCH)", CDMA},
    {17, "CDMA_Channel", "CDMA channel number", CDMA},
    {18, "CDMA_EcIo", "CDMA reference pilot Ec/Io (0.1 dB)", CDMA},
    {19, "CDMA_RxPower", "CDMA receive power (dBm)", CDMA},
    {20, "HandoffType", "CDMA handoff type of the record", CDMA},
    {21, "CauseState", "CDMA cause state carried from the previous message", CDMA},
    {22, "CDMA_TxPower", "CDMA transmit power (dBm)", CDMA},
    {23, "FFER", "CDMA forward frame error rate (0.01 %)", CDMA},
    {24, "SID", "CDMA system identification", CDMA},
    {25, "NID", "CDMA network identification", CDMA},
    {26, "TxAdj", "CDMA transmit gain adjust (dB)", CDMA},
    {27, "ActiveSetCount", "CDMA active set size", CDMA},
    // WCDMA serving cell.
    {98, "UARFCN", "WCDMA serving UARFCN", UMTS},
    {99, "PSC", "WCDMA serving primary scrambling code", UMTS},
    {28, "RSCP", "WCDMA serving CPICH RSCP (dBm)", UMTS},
    {29, "EcIo", "WCDMA serving CPICH Ec/Io (0.1 dB)", UMTS},
    {30, "UE_TxPower", "WCDMA UE transmit power (dBm)", UMTS},
    {31, "BLER", "WCDMA downlink BLER (0.01 %)", UMTS},
    {32, "RSSI", "WCDMA carrier RSSI (dBm)", UMTS},
    {33, "SIR", "WCDMA signal to interference ratio (dB)", UMTS},
    {34, "CQI", "HSDPA channel quality indicator", UMTS | TDSCDMA},
    {35, "RRC_State", "RRC state of the UE", UMTS | TDSCDMA},
    // TD-SCDMA.
    {203, "TD_UARFCN", "TD-SCDMA serving UARFCN", TDSCDMA},
    {204, "CPI", "TD-SCDMA serving cell parameter identity", TDSCDMA},
    {38, "PCCPCH_RSCP", "TD-SCDMA PCCPCH RSCP (dBm)", TDSCDMA},
    {39, "PCCPCH_C_I", "TD-SCDMA PCCPCH C/I (dB)", TDSCDMA},
    {40, "DPCH_RSCP", "TD-SCDMA DPCH RSCP (dBm)", TDSCDMA},
    {41, "DPCH_C_I", "TD-SCDMA DPCH C/I (dB)", TDSCDMA},
    {42, "TD_UE_TxPower", "TD-SCDMA UE transmit power (dBm)", TDSCDMA},
    {43, "TD_BLER", "TD-SCDMA downlink BLER (0.01 %)", TDSCDMA},
    {44, "TD_ISCP", "TD-SCDMA timeslot ISCP (dBm)", TDSCDMA},
    // LTE serving cell (3GPP TS 36.214 measurements), its strongest
    // neighbour, and the NR secondary cell of an EN-DC connection.
    {300, "RSRP", "LTE serving cell RSRP (dBm)", LTE},
    {301, "RSRQ", "LTE serving cell RSRQ (dB)", LTE},
    {302, "SINR", "LTE serving cell SINR (dB)", LTE},
    {303, "PCI", "LTE serving cell physical cell identity (0..503)", LTE},
    {304, "EARFCN", "LTE serving cell downlink EARFCN", LTE},
    {305, "TAC", "LTE tracking area code", LTE},
    {306, "ECI", "LTE E-UTRAN cell identity (28 bits)", LTE},
    {307, "LTE_RRC_State", "LTE RRC state (0 idle, 1 connected)", LTE},
    {308, "NbRSRP", "LTE strongest neighbour RSRP (dBm)", LTE},
    {309, "NbRSRQ", "LTE strongest neighbour RSRQ (dB)", LTE},
    {310, "NbPCI", "LTE strongest neighbour physical cell identity", LTE},
    {311, "NR_SS_RSRP", "NR secondary cell SS-RSRP (dBm)", LTE},
    {312, "NR_PCI", "NR secondary cell physical cell identity", LTE},
    // Data throughput and service quality.
    {50, "AppDL_kbps", "Application download rate (kbps)", All},
    {51, "AppUL_kbps", "Application upload rate (kbps)", All},
    {52, "RLC_DL_kbps", "RLC downlink throughput (kbps)", GSM | UMTS | TDSCDMA},
    {53, "RLC_UL_kbps", "RLC uplink throughput (kbps)", GSM | UMTS | TDSCDMA},
    {54, "HSDPA_kbps", "HSDPA physical layer throughput (kbps)", UMTS | TDSCDMA},
    {55, "HSUPA_kbps", "HSUPA physical layer throughput (kbps)", UMTS | TDSCDMA},
    {56, "EVDO_FL_kbps", "EV-DO forward link throughput (kbps)", CDMA},
    {57, "EVDO_RL_kbps", "EV-DO reverse link throughput (kbps)", CDMA},
    {58, "PingDelay_ms", "Ping round trip delay (ms)", All},
    {59, "MOS", "Speech quality MOS (0.001)", All},
    // EV-DO radio.
    {60, "EVDO_SINR", "EV-DO serving sector SINR (0.1 dB)", CDMA},
    {61, "EVDO_DRC", "EV-DO requested data rate (kbps)", CDMA},
    {62, "EVDO_PER", "EV-DO packet error rate (0.01 %)", CDMA},
    // Position.
    {70, "Latitude", "Latitude (1e-6 degree)", All},
    {71, "Longitude", "Longitude (1e-6 degree)", All},
    {72, "Speed_kmh", "Speed (km/h)", All},
    {73, "Altitude", "Altitude (m)", All},
    // GSM cells measured by a 3G handset (in GSM state or as neighbours).
    {17, "W_GSM_BCCH", "GSM BCCH measured in a WCDMA log", UMTS},
    {7, "W_GSM_BSIC", "GSM BSIC measured in a WCDMA log", UMTS},
    {100, "W_GSM_RxLev", "GSM RxLev measured in a WCDMA log (dBm)", UMTS},
    {37, "TD_GSM_BCCH", "GSM BCCH measured in a TD-SCDMA log", TDSCDMA},
    {36, "TD_GSM_BSIC", "GSM BSIC measured in a TD-SCDMA log", TDSCDMA},
    {205, "TD_GSM_RxLev", "GSM RxLev measured in a TD-SCDMA log (dBm)", TDSCDMA},
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
