// RRC messages (25.331) as the WCDMA and TD-SCDMA decoders list them, and the
// 3G code prefixes. Low 16 bits of an RRC code: a group byte (0x00 common
// channels, 0x01 mobility and measurement, 0x02 connection control, 0x03
// radio bearers and channels, 0x04 connection release) and a running number.
#pragma once

#include <cstdint>
#include <span>

#include "msg_catalogue.h"

namespace outside::rrc {

inline constexpr uint32_t RrcPrefix = 0x412F0000;
inline constexpr uint32_t NasPrefix = 0x512F0000;

inline constexpr uint32_t ConnectionRequest = 0x412F0001;
inline constexpr uint32_t ConnectionReject = 0x412F0002;
inline constexpr uint32_t CellUpdate = 0x412F0003;
inline constexpr uint32_t CellUpdateConfirm = 0x412F0005;
inline constexpr uint32_t ActiveSetUpdate = 0x412F0103;
inline constexpr uint32_t HandoverFromUtranCommand = 0x412F0106;
inline constexpr uint32_t CellChangeOrderFromUtran = 0x412F010A;
inline constexpr uint32_t ConnectionSetup = 0x412F0201;
inline constexpr uint32_t RadioBearerSetup = 0x412F0304;
inline constexpr uint32_t RadioBearerReconfiguration = 0x412F030B;
inline constexpr uint32_t TransportChannelReconfiguration = 0x412F030D;
inline constexpr uint32_t RadioBearerRelease = 0x412F0310;
inline constexpr uint32_t PhysicalChannelReconfiguration = 0x412F0313;
inline constexpr uint32_t ConnectionRelease = 0x412F0401;

// What the cause element of an RRC message means; picks the cause table.
enum class CauseKind { None, Establishment, Reject, Release, CellUpdate, Failure, InterRatFailure, SignallingRelease };

std::span<const MsgRow> RrcRows();
CauseKind CauseKindOf(uint32_t code);

}  // namespace outside::rrc
