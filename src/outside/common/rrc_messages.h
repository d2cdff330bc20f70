// RRC messages (25.331) as the WCDMA and TD-SCDMA decoders list them. Low 16
// bits of an RRC code: a group byte (0x00 common channels, 0x01 mobility and
// measurement, 0x02 connection control, 0x03 radio bearers and channels, 0x04
// connection release) and a running number. The codes by name are the public
// ones (eventmanager/outside/message_codes.h): rrc:: means the same constants
// inside namespace outside as outside it.
#pragma once

#include <cstdint>
#include <span>

#include "eventmanager/outside/message_codes.h"
#include "msg_catalogue.h"

namespace outside::rrc {

using namespace ::rrc;

// What the cause element of an RRC message means; picks the cause table.
enum class CauseKind { None, Establishment, Reject, Release, CellUpdate, Failure, InterRatFailure, SignallingRelease };

std::span<const MsgRow> RrcRows();
CauseKind CauseKindOf(uint32_t code);

}  // namespace outside::rrc
