// TD-SCDMA message-diagnosis component: causes, reconfigurations and inter-RAT
// handovers read from decoded message bytes. Results are caller-owned values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "eventmanager/outside/decoder_types.h"
#include "eventmanager/outside/outside_export.h"

EM_TDSCDMA_DIAGNOSIS_API std::optional<std::string> GainTDSCDMAMessageCauseCode(uint32_t code,
                                                                                const std::string& bytes);
EM_TDSCDMA_DIAGNOSIS_API std::string GainTDSCDMAMessageCauseInfo(uint32_t code, const std::string& causeRecord);
EM_TDSCDMA_DIAGNOSIS_API std::optional<TdscdmaReconfigurationInfo> GainTDSCDMAPhysicalChannelReconfigurationInfo(
    uint32_t code, const std::string& bytes);
EM_TDSCDMA_DIAGNOSIS_API std::optional<HandoverTarget> GainTDSCDMAInterRatHandoverToGSMInfo(uint32_t code,
                                                                                            const std::string& bytes);
