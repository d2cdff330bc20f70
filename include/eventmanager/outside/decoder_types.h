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
