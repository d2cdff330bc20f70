#include "log/networks.h"

#include <array>
#include <string>
#include <unordered_map>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"
#include "support/text_case.h"

namespace eventscan {
namespace {

struct Catalogue {
  int (*Count)();
  uint32_t (*Code)(int);
  std::string (*Desc)(int);
  std::string (*Name)(uint32_t);
  bool (*HasSubTypes)(uint32_t);
};

const std::array<Catalogue, NetworkCount>& catalogues() {
  static const std::array<Catalogue, NetworkCount> all{{
      {NetGSML3LogMsgTypesCount, NetGSML3LogMsgTypeCode, NetGSML3LogMsgTypeDesc, NetGSML3LogMsgTypeName,
       NetGSML3LogMsgTypeHasSubTypes},
      {NetCDMAL3LogMsgTypesCount, NetCDMAL3LogMsgTypeCode, NetCDMAL3LogMsgTypeDesc, NetCDMAL3LogMsgTypeName,
       NetCDMAL3LogMsgTypeHasSubTypes},
      {NetWCDMAL3LogMsgTypesCount, NetWCDMAL3LogMsgTypeCode, NetWCDMAL3LogMsgTypeDesc, NetWCDMAL3LogMsgTypeName,
       NetWCDMAL3LogMsgTypeHasSubTypes},
      {NetTDSCDMAL3LogMsgTypesCount, NetTDSCDMAL3LogMsgTypeCode, NetTDSCDMAL3LogMsgTypeDesc,
       NetTDSCDMAL3LogMsgTypeName, NetTDSCDMAL3LogMsgTypeHasSubTypes},
      {NetLTEL3LogMsgTypesCount, NetLTEL3LogMsgTypeCode, NetLTEL3LogMsgTypeDesc, NetLTEL3LogMsgTypeName,
       NetLTEL3LogMsgTypeHasSubTypes},
  }};
  return all;
}

using NameIndex = std::unordered_map<std::string, uint32_t>;

// Names and descriptions of one network; where two messages share a name the
// first in catalogue order keeps it (the description tells them apart).
NameIndex buildIndex(const Catalogue& c) {
  NameIndex index;
  for (int i = 0; i < c.Count(); ++i) {
    uint32_t code = c.Code(i);
    index.emplace(AsciiLowerCopy(c.Desc(i)), code);
    index.emplace(AsciiLowerCopy(c.Name(code)), code);
  }
  return index;
}

}  // namespace

std::optional<uint8_t> NetworkIndex(std::string_view name) {
  std::string n = AsciiLowerCopy(name);
  if (n == "gsm" || n == "0") return 0;
  if (n == "cdma" || n == "1") return 1;
  if (n == "umts" || n == "wcdma" || n == "2") return 2;
  if (n == "td-scdma" || n == "tdscdma" || n == "3") return 3;
  if (n == "lte" || n == "e-utra" || n == "eutra" || n == "4") return 4;
  return std::nullopt;
}

const char* NetworkName(uint8_t network) {
  static const char* const names[] = {"GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"};
  return network < NetworkCount ? names[network] : "none";
}

uint32_t MessageCodeByName(uint8_t network, std::string_view name) {
  if (network >= NetworkCount) return 0;
  // Built once for all networks; the initialisation is thread-safe, so names
  // may be looked up from any thread.
  static const std::array<NameIndex, NetworkCount> indexes{buildIndex(catalogues()[0]), buildIndex(catalogues()[1]),
                                                           buildIndex(catalogues()[2]), buildIndex(catalogues()[3]),
                                                           buildIndex(catalogues()[4])};
  auto it = indexes[network].find(AsciiLowerCopy(name));
  return it == indexes[network].end() ? 0 : it->second;
}

std::string MessageNameByCode(uint8_t network, uint32_t code) {
  return network >= NetworkCount ? std::string() : catalogues()[network].Name(code);
}

std::vector<CatalogueEntry> MessageCatalogue(uint8_t network) {
  std::vector<CatalogueEntry> out;
  if (network >= NetworkCount) return out;
  const Catalogue& c = catalogues()[network];
  for (int i = 0; i < c.Count(); ++i) {
    const uint32_t code = c.Code(i);
    out.push_back({code, c.Name(code), c.Desc(i), c.HasSubTypes(code)});
  }
  return out;
}

}  // namespace eventscan
