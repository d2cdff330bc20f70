// The LTE message catalogue: LTE RRC (36.331) under lte::Prefix, EMM and ESM
// (24.301) under eps::Prefix. The codes by name are the public ones
// (eventmanager/outside/message_codes.h).
#pragma once

#include "eventmanager/outside/message_codes.h"
#include "msg_catalogue.h"

namespace outside::lte {

using namespace ::lte;
namespace eps = ::eps;

const MsgCatalogue& Catalogue();

}  // namespace outside::lte
