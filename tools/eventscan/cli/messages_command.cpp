// eventscan messages: a network's message catalogue as the decoders and the
// definitions know it, for a person who writes an event by hand: the name,
// the code in hex and in decimal (EventsDefine.cfg writes it in decimal) and
// whether the message has sub-types (a SubCode mask applies to it).
#include <iostream>

#include <fmt/format.h>

#include "cli/commands.h"
#include "log/networks.h"
#include "support/text_case.h"

namespace eventscan {

int MessagesCommand(const MessagesOptions& o) {
  std::optional<uint8_t> network = NetworkIndex(o.Network);
  if (!network) {
    std::cerr << fmt::format("unknown network \"{}\": GSM, CDMA, UMTS, TD-SCDMA or LTE\n", o.Network);
    return ExitUsage;
  }
  const std::string find = AsciiLowerCopy(o.Find);
  size_t shown = 0;
  std::cout << fmt::format("{:<10}  {:>10}  {:<9}  {}\n", "code", "decimal", "sub-types", "name");
  for (const CatalogueEntry& e : MessageCatalogue(*network)) {
    if (!find.empty() && AsciiLowerCopy(e.Description).find(find) == std::string::npos &&
        AsciiLowerCopy(e.Name).find(find) == std::string::npos)
      continue;
    std::cout << fmt::format("0x{:08X}  {:>10}  {:<9}  {}\n", e.Code, e.Code, e.HasSubTypes ? "yes" : "", e.Description);
    ++shown;
  }
  if (shown == 0 && !find.empty()) {
    std::cerr << fmt::format("no {} message matches \"{}\"\n", NetworkName(*network), o.Find);
    return ExitUsage;
  }
  return ExitOk;
}

}  // namespace eventscan
