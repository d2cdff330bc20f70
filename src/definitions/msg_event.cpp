#include "definitions/msg_event.h"

#include "core/property_source.h"
#include "definitions/msg_event_list.h"
#include "eventmanager/outside/utility.h"

TMsgEvent::TMsgEvent(TMsgEventList* owner) : TNodeItem(owner) {
  Construct();
  InProgress = false;
  WatchFirst = false;
  WatchSecond = false;
}

TMsgEvent::~TMsgEvent() { Destruct(); }

bool TMsgEvent::RebuildTreeChildren() {
  if (!TNodeItem::RebuildTreeChildren()) return false;
  for (int i = 0; i < LevelCount(); ++i) Level(i)->BindToTree(Tree(), TreeNode);
  return true;
}

void TMsgEvent::Initialize() {
  Modified = false;
  Armed = false;
  Levels = std::make_unique<TObjectList>(TLevelNode::StaticClass(), true);
}

void TMsgEvent::Finalize() {
  // Levels point back at the event; drop the run-time references first.
  CurrentLevel = PreviousLevel = nullptr;
  Levels.reset();
}

void TMsgEvent::AssignTo(TNodeItem* destination) {
  auto* dest = static_cast<TMsgEvent*>(destination);
  dest->Reset();
  dest->EventName = EventName;
  dest->StartedFlag = StartedFlag;
  for (int i = 0; i < LevelCount(); ++i) dest->Levels->Add(TLevelNode::CloneLevel(Level(i), dest, nullptr));
  TNodeItem::AssignTo(destination);
}

bool TMsgEvent::IsModified() {
  if (Modified) return true;
  // A level reports its children's node lists; the first-step levels' own
  // lists are asked here, or a change to them would never be saved.
  for (int i = 0; i < LevelCount(); ++i)
    if (Level(i)->MsgNodes->Modified || Level(i)->IsModified()) return true;
  return false;
}

void TMsgEvent::SetCaption(const std::string& caption) {
  TNodeItem::SetCaption(caption);
  EventName = caption;
}

void TMsgEvent::SetModified(bool flag) {
  Modified = flag;
  for (int i = 0; i < LevelCount(); ++i) Level(i)->SetModified(flag);
}

void TMsgEvent::Reset() {
  EventName = "New User Event";
  Levels->Clear();
  PreviousLevel = nullptr;
  ResetRun();
  StartedFlag = 0;
  TNodeItem::Reset();
}

void TMsgEvent::DeleteTreeChildren() {
  for (int i = 0; i < LevelCount(); ++i) Level(i)->UnbindFromTree();
  TNodeItem::DeleteTreeChildren();
}

int TMsgEvent::AddLevel(TLevelNode* level) {
  int index = Levels->Add(level);
  Modified = index >= 0;
  return index;
}

int TMsgEvent::RemoveLevel(TLevelNode* level) {
  if (level && (CurrentLevel == level || PreviousLevel == level)) CurrentLevel = PreviousLevel = nullptr;
  int index = Levels->Remove(level);
  Modified = index >= 0;
  return index;
}

int TMsgEvent::AddCopyOfLevel(TLevelNode* level) { return AddLevel(TLevelNode::CloneLevel(level, this, nullptr)); }

TMsgEvent* TMsgEvent::CloneEvent(TMsgEvent* source, TMsgEventList* owner) {
  auto* event = new TMsgEvent(owner ? owner : source->List());
  event->Assign(source);
  return event;
}

void TMsgEvent::SetStartedFlag(int32_t value) {
  if (value == StartedFlag) return;
  StartedFlag = value;
  Modified = true;
  if (TMsgEventList* list = List()) list->InvalidateCodeIndex();  // test states go by category
}

void TMsgEvent::SetEventName(const std::string& name) {
  if (CompText(name, EventName)) return;
  EventName = name;
  Modified = true;
}

TMsgEventList* TMsgEvent::List() const { return static_cast<TMsgEventList*>(Owner); }

uint8_t TMsgEvent::Network() const { return List() ? List()->NetType : 255; }

void TMsgEvent::ResetRun() {
  CurrentLevel = nullptr;
  for (int i = 0; i < LevelCount(); ++i) Level(i)->ClearRunState();
}

TLevelNode* TMsgEvent::FindLevelByReportName(const std::string& name) {
  for (int i = 0; i < LevelCount(); ++i)
    if (TLevelNode* hit = Level(i)->FindLevelByReportName(name)) return hit;
  return nullptr;
}

void TMsgEvent::CollectReportNames(std::vector<std::string>& names) const {
  for (int i = 0; i < LevelCount(); ++i) Level(i)->CollectReportNames(names);
}

void TMsgEvent::LinkProperties(TPropertySource* list) {
  for (int i = 0; i < LevelCount(); ++i) Level(i)->LinkProperty(list);
}

void TMsgEvent::ShowInTree(TTreeNodes* tree) {
  UnbindFromTree();
  if (!tree) return;
  tree->Clear();
  BindToTree(tree, nullptr);
}
