// The message list of a 3G network (RRC under rrc::Prefix, core-network
// layer 3 under nas::Prefix), followed by the network's own messages.
#pragma once

#include <span>

#include "msg_catalogue.h"

namespace outside {

std::vector<MsgGroup> UmtsGroups(std::span<const MsgGroup> own);

}  // namespace outside
