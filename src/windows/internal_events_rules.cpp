#include "windows/internal_events_rules.h"

#include <algorithm>

#include "eventmanager/outside/utility.h"
#include "properties/event_propertys.h"
#include "support/text_trim.h"

namespace internal_events {

namespace {

std::string upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool matches(const SearchRow& row, const std::string& wanted) {
  return row.IsEvent && upper(row.Text).find(wanted) != std::string::npos;
}

bool inSet(uint8_t networks, int net) { return (networks >> net) & 1; }

}  // namespace

std::string OptionText(int32_t option) {
  switch (option) {
    case OptVisible: return "Visible";
    case OptMapDraw: return "Map Draw";
    case OptGraphDraw: return "Graph Draw";
    case OptPlayVoice: return "Play Voice";
    case OptColors: return "Color Options";
    case OptIcon: return "Icon";
    default: return {};
  }
}

bool OptionIsCheckable(int32_t option) { return option >= OptVisible && option <= OptPlayVoice; }

bool OptionSwitch(const TEventProperty& record, int32_t option) {
  switch (option) {
    case OptVisible: return record.Display;
    case OptMapDraw: return record.DrawInMap;
    case OptGraphDraw: return record.DrawInGraph;
    case OptPlayVoice: return record.PlayVoice;
    default: return false;
  }
}

void SetOptionSwitch(TEventProperty& record, int32_t option, bool on) {
  switch (option) {
    case OptVisible: record.SetDisplay(on); break;
    case OptMapDraw: record.SetDrawInMap(on); break;
    case OptGraphDraw: record.SetDrawInGraph(on); break;
    case OptPlayVoice: record.SetPlayVoice(on); break;
    default: break;
  }
}

std::string StatusTextFor(int32_t option) {
  if (option == OptColors) return "Double click to Change Color Options";
  if (option == OptIcon) return "Double click to change Icon";
  if (OptionIsCheckable(option)) return "Right  click to change propertys";
  return {};
}

void ClearColors(TEventProperty& record) {
  record.SetFontColor(0);
  record.SetBackColor(16777215);
}

void ClearIcon(TEventProperty& record) { record.SetBitmapFile(""); }

void SetColors(TEventProperty& record, int32_t fontColor, int32_t backColor) {
  record.SetFontColor(fontColor);
  record.SetBackColor(backColor);
}

std::vector<TEventPropertyList*> CategoryLists(TEventPropertys& store, uint8_t networks) {
  std::vector<TEventPropertyList*> lists;
  for (int net = 0; net < TEventPropertys::kNetworks; ++net)
    if (inSet(networks, net)) lists.push_back(store.MsgLists[net].get());
  for (int net = 0; net < TEventPropertys::kNetworks; ++net)
    if (inSet(networks, net)) lists.push_back(store.WarningLists[net].get());
  lists.push_back(store.TestList.get());
  return lists;
}

TEventPropertyList* ListForCategory(TEventPropertys& store, uint8_t networks, const std::string& name) {
  for (int net = 0; net < TEventPropertys::kNetworks; ++net)
    if (inSet(networks, net) && CompText(store.MsgLists[net]->Name, name)) return store.MsgLists[net].get();
  for (int net = 0; net < TEventPropertys::kNetworks; ++net)
    if (inSet(networks, net) && CompText(store.WarningLists[net]->Name, name)) return store.WarningLists[net].get();
  if (CompText(store.TestList->Name, name)) return store.TestList.get();
  return nullptr;
}

int EventSearch::Find(const std::vector<SearchRow>& rows, const std::string& text, int selected) {
  const std::string wanted = upper(std::string(TrimBlanks(text)));
  if (wanted.empty()) return -2;
  const int count = static_cast<int>(rows.size());
  // The row found last is skipped, so a second search moves on to the next
  // match; when it is the only match, that search reports "not found" and
  // the one after (starting from the selection) finds it again.
  const int skipped = lastFound_;
  int start = skipped >= 0 ? skipped : (selected >= 0 ? selected : 0);
  lastFound_ = -1;
  if (start >= count) start = 0;
  auto walk = [&](int from) {
    for (int i = from; i < count; ++i)
      if (i != skipped && matches(rows[i], wanted)) return i;
    return -1;
  };
  int found = walk(start);
  if (found < 0) found = walk(0);
  lastFound_ = found;
  return found;
}

int GroupWidth(int eventTextWidth, const std::vector<int>& optionTextWidths, int optionDepth, int indent) {
  int width = eventTextWidth;
  for (int w : optionTextWidths) width = std::max(width, w + optionDepth * indent + 16);
  return width;
}

}  // namespace internal_events
