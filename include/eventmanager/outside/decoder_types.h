// Value types returned by the layer-3 decoder and message-diagnosis
// components. Every block is a value owned by the caller: nothing is freed by
// hand across libraries.
#pragma once

#include <cstdint>
#include <vector>

// Target cell of a handover to GSM: new BCCH and BSIC.
struct HandoverTarget {
  int32_t Bcch = -9999;
  int32_t Bsic = -9999;
};

// Active set update: primary scrambling codes removed and added (at most 8 each).
struct ActiveSetUpdateInfo {
  std::vector<int32_t> Removed;
  std::vector<int32_t> Added;
};

// WCDMA physical channel reconfiguration: new UARFCN (-9999 when the message
// carries none) and the primary scrambling codes of the new radio links.
struct WcdmaReconfigurationInfo {
  int32_t NewUarfcn = -9999;
  std::vector<int32_t> Psc;
};

// TD-SCDMA physical channel reconfiguration.
struct TdscdmaReconfigurationInfo {
  uint8_t BatonHandover = 0;
  int32_t NewUarfcn = -9999;
  int32_t NewCellParameterId = -9999;
};

// LTE target cell of a handover (mobility control information): physical
// cell identity and downlink EARFCN, -9999 when the message carries none
// (an intra-frequency handover names no carrier).
struct LteCellTarget {
  int32_t Pci = -9999;
  int32_t Earfcn = -9999;
};

// Where an LTE release with redirection or a mobility from E-UTRA sends the
// handset: the system (msgbytes::System: 0 E-UTRA, 1 UTRA-FDD, 2 UTRA-TDD,
// 3 GERAN, 4 CDMA2000, 5 NR) and its carrier (EARFCN, UARFCN or ARFCN).
struct LteRedirect {
  int32_t System = -9999;
  int32_t Carrier = -9999;
};

// NR secondary cell group (EN-DC): the primary secondary cell's NR-ARFCN and
// PCI when one is added, the failure type of an SCG failure.
struct LteScgInfo {
  int32_t NrArfcn = -9999;
  int32_t NrPci = -9999;
  int32_t FailureType = -9999;
};
