// What the user events maintenance window and the aliases editor do, apart
// from their widgets: which networks get a tab, loading the private copy of
// the definitions (and whether it may be saved), and the alias rules. Plain
// functions, host thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TAllEvents;
class TAliasesList;

namespace event_maintain {

// Network indexes 0..4 whose bit is set, in order.
std::vector<uint8_t> NetworksOfSet(uint8_t set);

// Loads `events` from `path`. Returns the faults of the file ("file:line:
// reason") when it exists but could not be read in full: the window then
// works read-only, since saving would replace the user's file with the part
// that was read. Empty when the file was read or is missing.
std::vector<std::string> LoadDefinitions(TAllEvents& events, const std::string& path);

// An alias line split at its first "=", both parts without surrounding
// blanks; a text without "=" is all right part.
struct TAliasParts {
  std::string Left;
  std::string Right;
  std::string Text() const { return Left + "=" + Right; }
};
TAliasParts SplitAlias(const std::string& text);

// True when no listed alias has `left` as its left part (letter case
// ignored). An empty left part is always new: lines without a name of their
// own cannot clash.
bool AliasIsNew(const TAliasesList& list, const std::string& left);

// "Alias-" and the number of listed entries. After a deletion this can repeat
// the name of a remaining alias; names are renumbered by position on saving.
std::string NewAliasName(int entries);

}  // namespace event_maintain
