// The message list of a 3G network (RRC under 0x412F0000, core-network layer
// 3 under 0x512F0000), followed by the network's own messages.
#pragma once

#include <span>

#include "msg_catalogue.h"

namespace outside {

std::vector<MsgGroup> UmtsGroups(std::span<const MsgGroup> own);

}  // namespace outside
