// The GSM message catalogue: RR, MM, CC, GMM, SM and SMS messages under the
// prefix 0x012F0000 (low 16 bits as in nas_messages.h).
#pragma once

#include "msg_catalogue.h"

namespace outside::gsm {

inline constexpr uint32_t Prefix = 0x012F0000;

const MsgCatalogue& Catalogue();

}  // namespace outside::gsm
