// The CDMA message catalogue. Code layout 0x10CCMMoo: CC the channel (0x03
// sync, 0x04 access, 0x05 reverse traffic, 0x06 paging, 0x08 forward traffic,
// 0x13 handset-internal records, 0x20 EV-DO), MM the IS-2000 message type and
// oo the order code of an order message (0 for every other message).
#pragma once

#include "msg_catalogue.h"

namespace outside::cdma {

inline constexpr uint32_t AccessProbeInfo = 0x10130000;
inline constexpr uint32_t HandoffDirection = 0x10080500;
inline constexpr uint32_t ExtendedHandoffDirection = 0x10081100;
inline constexpr uint32_t GeneralHandoffDirection = 0x10081F00;
inline constexpr uint32_t UniversalHandoffDirection = 0x10082200;
inline constexpr uint32_t HandoffCompletion = 0x10050A00;

const MsgCatalogue& Catalogue();
// The message can carry a release or reject cause.
bool CarriesCause(uint32_t code);

}  // namespace outside::cdma
