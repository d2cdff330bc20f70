// Network indexes and the per-network decoder calls they select:
// 0 "GSM", 1 "CDMA", 2 "UMTS" (WCDMA), 3 "TD-SCDMA", 4 "LTE", 255 none.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint8_t NetNone = 255;
inline constexpr uint8_t NetLte = 4;
// Networks 0..NetworkCount-1 have a name, lists and a decoder.
inline constexpr int NetworkCount = 5;
// The network set of the four networks older hosts know (bit k = network k);
// a set holding only these bits means exactly what it always meant.
inline constexpr uint8_t FourNetworks = 0x0F;
inline constexpr uint8_t AllNetworks = 0x1F;

// The network's name as lists and files use it; empty outside 0..4.
std::string NetworkName(uint8_t net);
// Index of a network name ("GSM", "UMTS", "WCDMA", "TD-SCDMA", "TDSCDMA", "CDMA",
// "LTE", "E-UTRA", "EUTRA", any letter case); -1 when unknown.
int NetworkByName(const std::string& name);
// Name of a message code in the network's decoder catalogue; empty for a
// network outside 0..4.
std::string DecoderMessageName(uint8_t net, uint32_t code);
// The decoder comparison of the network: is the record's message the defined one?
bool CompareMsgInfo(uint8_t deviceType, uint8_t net, uint32_t messageCode, uint32_t nodeCode);
