// Messages of the 3GPP core-network layer 3 (RR, MM, CC, GMM, SM, SMS) as both
// the GSM and the 3G decoders list them. Low 16 bits of a code: the group
// byte (the protocol discriminator, except CC which uses 0x13 so that its
// codes stay apart from the RRC reconfiguration group 0x03) and the message
// type of the protocol. The codes by name are the public ones
// (eventmanager/outside/message_codes.h): nas:: means the same constants
// inside namespace outside as outside it.
#pragma once

#include <cstdint>
#include <span>

#include "eventmanager/outside/message_codes.h"
#include "msg_catalogue.h"

namespace outside::nas {

using namespace ::nas;

// Cause families of a cause record (second i32); see docs/message-bytes.md.
enum CauseFamily : int32_t {
  FamilyRrc = 0,
  FamilyCc = 1,
  FamilyMm = 2,   // MM and GMM reject causes
  FamilyRr = 3,
  FamilySm = 4,
  FamilyCdma = 5,
  FamilySms = 6,
};

std::span<const MsgRow> RrRows();
std::span<const MsgRow> MmRows();
std::span<const MsgRow> CcRows();
std::span<const MsgRow> GmmRows();
std::span<const MsgRow> SmRows();
std::span<const MsgRow> SmsCpRows();
std::span<const MsgRow> SmsRpRows();

// Cause family of a NAS message that carries a cause, -1 for one that does
// not. `low` is the low 16 bits of the code, the same for GSM and the 3G NAS.
int32_t CauseFamilyOf(uint16_t low);

}  // namespace outside::nas
