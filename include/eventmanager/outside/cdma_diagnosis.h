// CDMA message-diagnosis component: the text of a release or reject cause.
#pragma once

#include <cstdint>
#include <string>
#include "eventmanager/outside/outside_export.h"

// Text of the cause record (same layout as the UMTS cause record: i32 cause,
// i32 family); empty for a short record.
EM_CDMA_DIAGNOSIS_API std::string GainCDMAMessageCauseInfo(uint32_t code, const std::string& causeRecord);
