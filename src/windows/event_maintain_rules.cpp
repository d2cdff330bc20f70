#include "windows/event_maintain_rules.h"

#include <exception>

#include "definitions/alias.h"
#include "definitions/all_events.h"
#include "eventmanager/outside/utility.h"
#include "platform/xml_file.h"
#include "support/text_trim.h"

namespace event_maintain {

std::vector<uint8_t> NetworksOfSet(uint8_t set) {
  std::vector<uint8_t> nets;
  for (uint8_t net = 0; net < TAllEvents::kNetworks; ++net)
    if (set & (1u << net)) nets.push_back(net);
  return nets;
}

std::vector<std::string> LoadDefinitions(TAllEvents& events, const std::string& path) {
  std::string error;
  try {
    events.LoadFromFile(path);
  } catch (const std::exception& e) {
    error = e.what();
  }
  std::vector<std::string> faults;
  if (error.empty() && !FileIsFaulty(path)) return faults;
  // The loader records its faults (once per session, also those found at
  // start-up), so they are listed from there.
  for (const TFileFault& fault : FileFaults())
    if (fault.File == path) faults.push_back(fault.Text());
  if (faults.empty()) faults.push_back(error.empty() ? path + ": cannot be read" : error);
  return faults;
}

TAliasParts SplitAlias(const std::string& text) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return {{}, std::string(TrimBlanks(text))};
  return {std::string(TrimBlanks(std::string_view(text).substr(0, equals))),
          std::string(TrimBlanks(std::string_view(text).substr(equals + 1)))};
}

bool AliasIsNew(const TAliasesList& list, const std::string& left) {
  if (left.empty()) return true;
  for (int i = 0; i < list.Count(); ++i)
    if (CompText(SplitAlias(list.Alias(i)->AliasText).Left, left)) return false;
  return true;
}

std::string NewAliasName(int entries) { return "Alias-" + std::to_string(entries); }

}  // namespace event_maintain
