// TD-SCDMA message-diagnosis component: causes, reconfigurations and inter-RAT
// handovers read from decoded message bytes. Results are caller-owned values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "eventmanager/outside/decoder_types.h"

std::optional<std::string> GainTDSCDMAMessageCauseCode(uint32_t code, const std::string& bytes);
std::string GainTDSCDMAMessageCauseInfo(uint32_t code, const std::string& causeRecord);
std::optional<TdscdmaReconfigurationInfo> GainTDSCDMAPhysicalChannelReconfigurationInfo(uint32_t code,
                                                                                       const std::string& bytes);
std::optional<HandoverTarget> GainTDSCDMAInterRatHandoverToGSMInfo(uint32_t code, const std::string& bytes);
