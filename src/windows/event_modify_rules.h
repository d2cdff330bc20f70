// What the message event editor ("Event Maintenance") does to its working
// copy, apart from how it looks: the fixed choice lists, the decoder's message
// catalogue, storing a level's fields, the level and message commands, the
// drop of a dragged level, renaming and the enabling rules. The dialog only
// wires its controls to these; tests call them without a widget.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class THashObjectList;
class TLevelNode;
class TMsgEvent;
class TMsgEventList;
class TObject;

// Names are unique within a list (the name index finds one event per name):
// why `name` cannot be given to `edited` in `list` ("There is already an
// event named 'X' in this list ..."), or empty when it can. Letter case is
// ignored; `edited` itself (none for a new event) does not count.
std::string NameTakenReason(THashObjectList* list, const TObject* edited, const std::string& name);

// An entry of a choice list: its text and the number it stands for.
struct TChoice {
  std::string Text;
  int32_t Number;
};

// "&Report": 47 event names numbered 1..47, in their numbering order.
const std::vector<TChoice>& ReportChoices();
// "&Detail Flag": the eight detail kinds, 1..8.
const std::vector<TChoice>& DetailFlagChoices();
// "C&heck Start Flag": the three start conditions, 1..3.
const std::vector<TChoice>& StartedFlagChoices();

// A message type of a decoder's catalogue.
struct TMessageType {
  std::string Description;
  uint32_t Code;
};
// Every message type of the network's decoder, sorted by description (letter
// case aside); CDMA adds "CDMA Access Probe Info" (cdma::AccessProbeInfo)
// when its decoder does not list it. Empty for a network outside 0..4.
std::vector<TMessageType> AvailableMessages(uint8_t net);

// The reason number typed by the user; -9999 (none) unless the whole text,
// blanks around it aside, is a 32-bit integer.
int32_t ReasonFromText(std::string_view text);
// The reason box shows nothing for -9999.
std::string ReasonText(int32_t reason);

// The fields of a level as the boxes hold them when the user leaves it.
struct TLevelFields {
  std::string Report;
  std::string Expression;
  std::string Reason;
  int32_t DetailFlag = 0;  // 0: no entry selected
};
void StoreLevelFields(TLevelNode& level, const TLevelFields& fields);

// "New Item" on a level: a new empty level after the last child of the
// level's parent (the event for a first-step level). Returns it.
TLevelNode* NewItem(TMsgEvent& event, TLevelNode& selected);
// "New SubItem": a new empty level as the last child of `selected`, or as the
// last first-step level when `selected` is none (the event's root node).
TLevelNode* NewSubItem(TMsgEvent& event, TLevelNode* selected);
// "Delete Item": removes and frees the level with its sub-levels and messages.
void DeleteItem(TMsgEvent& event, TLevelNode* level);

// "Select Msg": a condition for message `code` of network `net` (all
// sub-types when the decoder says the type has them). Added unless a
// condition of the same name is already on the level; returns whether it was.
bool SelectMsg(TLevelNode& level, uint8_t net, uint32_t code);
// "Delete Msg": removes (and frees) the level's condition at `index`.
void DeleteMsg(TLevelNode& level, int index);

// A dragged level dropped on `target` (none: the event's root node): a copy
// with its contents becomes the last sub-level of the target, or the last
// first-step level. The dragged level stays. Returns the copy.
TLevelNode* DropLevel(TMsgEvent& event, TLevelNode& dragged, TLevelNode* target);

// The root node renamed in place: a blank text leaves the name as it was.
// Returns whether the name changed; a change marks the event modified, so
// a rename alone is saved too.
bool RenameEvent(TMsgEvent& event, const std::string& text);

// The report names the user is offered on dropping the report box down: those
// used by the levels of every event of the list and of the working copy,
// each once, in the order found, minus those already in `present`
// (compared without regard to letter case).
std::vector<std::string> ReportNamesToOffer(const TMsgEventList* list, const TMsgEvent* copy,
                                            const std::vector<std::string>& present);

// Which controls are enabled, given the read-only flag and the selected
// node: none, the event's root node, or a level.
enum class TSelectedNode { None, Root, Level };
struct TEnabling {
  bool SelectedList;  // lblMessages
  bool NewItem;
  bool NewSubItem;
  bool DeleteItem;
  bool LevelFields;   // cboxReport, cboxDetailFlag, edtReasonNum, edtExpression, "..."
  bool SelectMsg;     // also needs an available entry
  bool DeleteMsg;     // also needs a selected message
};
TEnabling Enabling(bool readOnly, TSelectedNode node);
