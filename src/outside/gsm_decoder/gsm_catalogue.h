// The GSM message catalogue: RR, MM, CC, GMM, SM and SMS messages under the
// prefix gsm::Prefix (low 16 bits as in nas_messages.h). The codes by name
// are the public ones (eventmanager/outside/message_codes.h).
#pragma once

#include "eventmanager/outside/message_codes.h"
#include "msg_catalogue.h"

namespace outside::gsm {

using namespace ::gsm;

const MsgCatalogue& Catalogue();

}  // namespace outside::gsm
