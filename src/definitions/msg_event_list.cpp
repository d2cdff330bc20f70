#include "definitions/msg_event_list.h"

#include "core/network.h"
#include "core/property_source.h"
#include "eventmanager/outside/message_codes.h"

TMsgEventList::TMsgEventList() : THashObjectList(TMsgEvent::StaticClass(), true) {
  RebuildName();
}

TMsgEventList::~TMsgEventList() = default;

void TMsgEventList::Clear() {
  THashObjectList::Clear();
  keptElements_.clear();
  CodeFilter.Clear();
  InvalidateCodeIndex();
}

void TMsgEventList::Notify(TObject* item, TListNotification action) {
  THashObjectList::Notify(item, action);
  InvalidateCodeIndex();  // positions moved
}

void TMsgEventList::Sort(const std::function<bool(TObject*, TObject*)>& less) {
  THashObjectList::Sort(less);
  InvalidateCodeIndex();
}

bool TMsgEventList::IsModified() {
  if (Modified) return true;
  for (int i = 0; i < Count(); ++i)
    if (Event(i)->IsModified()) return true;
  return false;
}

void TMsgEventList::GetItemName(int index, std::string& name) {
  name = ValidIndex(index) ? Event(index)->EventName : std::string();
}

void TMsgEventList::CopyTo(THashObjectList*) {
  // Message event lists are never copied as a whole; events are cloned one by one.
}

void TMsgEventList::SetNetType(uint8_t net) {
  if (net == NetType) return;
  Clear();
  NetType = net;
  Properties = nullptr;  // another network's list
  RebuildName();
}

void TMsgEventList::RebuildName() { Name = NetworkName(NetType); }

TLevelNode* TMsgEventList::FindLevelByReportName(const std::string& name) {
  for (int i = 0; i < Count(); ++i)
    if (TLevelNode* hit = Event(i)->FindLevelByReportName(name)) return hit;
  return nullptr;
}

void TMsgEventList::CollectReportNames(std::vector<std::string>& names) const {
  for (int i = 0; i < Count(); ++i) Event(i)->CollectReportNames(names);
}

TMsgEvent* TMsgEventList::FindByName(std::string_view name) const {
  const int index = FindIndexByName(name, [this](int i) -> const std::string& { return Event(i)->EventName; });
  return index < 0 ? nullptr : Event(index);
}

TEventProperty* TMsgEventList::FindPropertyByName(const std::string& name) const {
  return ::FindPropertyByName(Properties, name);
}

void TMsgEventList::LinkProperties(TPropertySource* list) {
  Properties = list;
  ClearPropertyUsedMarks(list);
  for (int i = 0; i < Count(); ++i) Event(i)->LinkProperties(list);
}

void TMsgEventList::RebuildCodeFilter() {
  CodeFilter.Clear();
  CodeFilter.SetSorted(false);
  for (int i = 0; i < Count(); ++i) {
    TMsgEvent* event = Event(i);
    for (int l = 0; l < event->LevelCount(); ++l) event->Level(l)->CollectMessageCodes(CodeFilter);
  }
  // Always offered: the low 16 bits of the waiting window's watch codes and
  // of the RRC connection reject.
  for (uint32_t code : {rrc::ConnectionRequest, rrc::ConnectionSetup, rrc::RadioBearerSetup, rrc::CellChangeOrderFromUtran,
                        rrc::SignallingConnectionRelease, rrc::RadioBearerRelease, rrc::ConnectionRelease,
                        rrc::SignallingConnectionReleaseIndication, rrc::ConnectionReject})
    CodeFilter.Add(static_cast<int32_t>(code & 0xFFFF));
  CodeFilter.SetSorted(true);
  InvalidateCodeIndex();
}
