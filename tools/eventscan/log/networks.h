// Network names and message names as logs and the command line write them,
// mapped to network indexes and to the message codes of the decoder
// catalogues. The name indexes are built once, on first use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace eventscan {

// Networks 0..NetworkCount-1 have a name and a message catalogue: 0 GSM,
// 1 CDMA, 2 UMTS, 3 TD-SCDMA, 4 LTE.
inline constexpr uint8_t NetworkCount = 5;

// "GSM", "CDMA", "UMTS" (or "WCDMA"), "TD-SCDMA" (or "TDSCDMA"), "LTE" (or
// "E-UTRA", "EUTRA"), or the index 0..4 as text; letter case is ignored. None
// for anything else.
std::optional<uint8_t> NetworkIndex(std::string_view name);
// "GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"; "none" for any other index.
const char* NetworkName(uint8_t network);

// The code of a message named as the network's catalogue names it ("Alerting"),
// or as its description shows it ("Measurement Report [RR]") where two
// protocols share a name. Letter case is ignored. 0 when unknown.
uint32_t MessageCodeByName(uint8_t network, std::string_view name);
// The catalogue name of a code; empty when the network has no such message.
std::string MessageNameByCode(uint8_t network, uint32_t code);

// One message of a network's decoder catalogue, in catalogue order.
struct CatalogueEntry {
  uint32_t Code = 0;
  std::string Name;         // "Alerting"
  std::string Description;  // as the catalogue describes it ("Alerting [CC]")
  bool HasSubTypes = false;
};
// The whole catalogue of network 0..4; empty for any other.
std::vector<CatalogueEntry> MessageCatalogue(uint8_t network);

}  // namespace eventscan
