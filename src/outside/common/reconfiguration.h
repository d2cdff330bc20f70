// Shared by the WCDMA and TD-SCDMA diagnoses: which messages may carry a new
// channel, and the optional list elements of a block.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "msg_catalogue.h"
#include "rrc_messages.h"

namespace outside {

// Radio bearer setup/reconfiguration/release, transport and physical channel
// reconfiguration, and the cell update confirm may move the handset to a new
// frequency or cell.
inline bool MayCarryNewChannel(uint32_t code) {
  using namespace rrc;
  return OneOf(code, {RadioBearerSetup, RadioBearerReconfiguration, TransportChannelReconfiguration,
                      RadioBearerRelease, PhysicalChannelReconfiguration, CellUpdateConfirm});
}

// A list element that may be missing (empty list) but must be well-sized
// when present. `present` tells whether it was there.
std::optional<std::vector<int32_t>> OptionalList(std::string_view bytes, uint8_t tag, bool& present);

}  // namespace outside
