// What the internal events window does, apart from how it shows it: which
// property lists it offers, the six option rows of an event and what each
// does to the record, the status texts, the search with its wrap-around, and
// the width of an event's colour box. Plain functions: no widget needed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TEventProperty;
class TEventPropertyList;
class TEventPropertys;

namespace internal_events {

// Option rows below each event row, numbered as the rows carry them.
enum Option : int32_t { OptVisible = 1, OptMapDraw, OptGraphDraw, OptPlayVoice, OptColors, OptIcon };
inline constexpr int kOptionCount = 6;
// Actions of double-click and of the pop-up menu (the menu items' tags).
enum Action : int32_t { ActSetColors = 5, ActSetIcon = 6, ActClearColors = 7, ActClearIcon = 8 };

// "Visible", "Map Draw", ...; empty for a number outside 1..6.
std::string OptionText(int32_t option);
// Options 1 to 4 have a check box, bound to a switch of the record.
bool OptionIsCheckable(int32_t option);
bool OptionSwitch(const TEventProperty& record, int32_t option);
// Calls the switch's setter, which marks the record modified only on a change.
void SetOptionSwitch(TEventProperty& record, int32_t option, bool on);

// Status bar text for the mouse over a row: option > 0 for an option row,
// 0 for an event row or empty space.
std::string StatusTextFor(int32_t option);

// Clear Color and Clear Icon (actions 7 and 8).
void ClearColors(TEventProperty& record);
void ClearIcon(TEventProperty& record);
// Set Color (action 5) once the dialog closed with OK: font colour first.
void SetColors(TEventProperty& record, int32_t fontColor, int32_t backColor);

// Categories in the order shown: the message lists of the networks in the
// set (bit k = network k), then their warning lists, then the test list.
std::vector<TEventPropertyList*> CategoryLists(TEventPropertys& store, uint8_t networks);
// The list a category of that name stands for: a message list of a network
// in the set, then such a warning list, then the test list (letter case
// ignored); none when nothing matches.
TEventPropertyList* ListForCategory(TEventPropertys& store, uint8_t networks, const std::string& name);

// One row of the events tree in tree order, as the search sees it.
struct SearchRow {
  bool IsEvent;
  std::string Text;
};

// The search's state: the row the previous search found, -1 for none.
class EventSearch {
 public:
  // text: the edit box's text. selected: the selected row, -1 for none.
  // Returns the row found (which becomes the last found row), -1 when
  // nothing matched, or -2 when the text is blank (nothing is done).
  int Find(const std::vector<SearchRow>& rows, const std::string& text, int selected);
  void Forget() { lastFound_ = -1; }
  int LastFound() const { return lastFound_; }

 private:
  int lastFound_ = -1;
};

// Width of an event's colour box before the text margins: the widest of the
// event row's text and of each option row's text plus its indentation and
// 16 pixels for the check box.
int GroupWidth(int eventTextWidth, const std::vector<int>& optionTextWidths, int optionDepth, int indent);

}  // namespace internal_events
