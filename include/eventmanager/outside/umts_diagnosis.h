// UMTS (WCDMA) message-diagnosis component: causes, reconfigurations, active
// set updates and inter-RAT handovers read from decoded message bytes.
// Every result is a value owned by the caller; std::nullopt means "none".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "eventmanager/outside/decoder_types.h"
#include "eventmanager/outside/outside_export.h"

// Cause record of a release, reject or failure message: 8 bytes, the first
// i32 the cause value, the second the cause family (docs/message-bytes.md).
EM_UMTS_DIAGNOSIS_API std::optional<std::string> GainUMTSMessageCauseCode(uint32_t code, const std::string& bytes);
// Text of a cause record made by GainUMTSMessageCauseCode; empty for a short record.
EM_UMTS_DIAGNOSIS_API std::string GainUMTSMessageCauseInfo(uint32_t code, const std::string& causeRecord);
EM_UMTS_DIAGNOSIS_API std::optional<WcdmaReconfigurationInfo> GainWCDMAPhysicalChannelReconfigurationInfo(
    uint32_t code, const std::string& bytes);
EM_UMTS_DIAGNOSIS_API std::optional<ActiveSetUpdateInfo> GainWCDMAActiveSetUpdateInfo(uint32_t code,
                                                                                      const std::string& bytes);
EM_UMTS_DIAGNOSIS_API std::optional<HandoverTarget> GainInterRatHandoverToGSMInfo(uint32_t code,
                                                                                  const std::string& bytes);
