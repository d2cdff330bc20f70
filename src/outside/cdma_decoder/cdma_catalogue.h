// The CDMA message catalogue. Code layout 0x10CCMMoo: CC the channel (0x03
// sync, 0x04 access, 0x05 reverse traffic, 0x06 paging, 0x08 forward traffic,
// 0x13 handset-internal records, 0x20 EV-DO), MM the IS-2000 message type and
// oo the order code of an order message (0 for every other message). The
// codes by name are the public ones (eventmanager/outside/message_codes.h).
#pragma once

#include "eventmanager/outside/message_codes.h"
#include "msg_catalogue.h"

namespace outside::cdma {

using namespace ::cdma;

const MsgCatalogue& Catalogue();
// The message can carry a release or reject cause.
bool CarriesCause(uint32_t code);

}  // namespace outside::cdma
