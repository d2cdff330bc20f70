#include "definitions/level_node.h"

#include <algorithm>

#include "core/property_source.h"
#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "eventmanager/event_property.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/utility.h"
#include "support/text_trim.h"

namespace {

}  // namespace

TLevelNode::TLevelNode(TMsgEvent* owner, TLevelNode* parent) : TNodeItem(owner), ParentLevel(parent) {
  Construct();
}

TLevelNode::~TLevelNode() { Destruct(); }

bool TLevelNode::RebuildTreeChildren() {
  if (!TNodeItem::RebuildTreeChildren()) return false;
  for (int i = 0; i < ChildCount(); ++i) Child(i)->BindToTree(Tree(), TreeNode);
  return true;
}

void TLevelNode::Initialize() {
  ChildLevels = std::make_unique<TObjectList>(TLevelNode::StaticClass(), true);
  MsgNodes = std::make_unique<TMsgNodes>();
  HandsetFields.reset(NewHandsetFieldsInstance());
}

void TLevelNode::Finalize() {
  ChildLevels.reset();
  MsgNodes.reset();
  HandsetFields.reset();
}

void TLevelNode::AssignTo(TNodeItem* destination) {
  auto* dest = static_cast<TLevelNode*>(destination);
  dest->Expression = Expression;
  dest->ReasonNum = ReasonNum;
  dest->ReportName = ReportName;
  dest->DetailFlag = DetailFlag;
  dest->MsgNodes->AssignFrom(*MsgNodes);
  for (int i = 0; i < ChildCount(); ++i) dest->ChildLevels->Add(CloneLevel(Child(i), dest->Event(), dest));
  TNodeItem::AssignTo(destination);
}

bool TLevelNode::IsModified() {
  if (Modified) return true;
  for (int i = 0; i < ChildCount(); ++i)
    if (Child(i)->MsgNodes->Modified || Child(i)->IsModified()) return true;
  return false;
}

void TLevelNode::GetCaption(std::string& caption) {
  if (!ReportName.empty())
    caption = ReportName;
  else if (MsgNodes->Count() == 1)
    MsgNodes->Node(0)->GetMessageName(caption);
  else
    caption = "Level " + std::to_string(Depth());
}

void TLevelNode::SetModified(bool flag) {
  Modified = false;
  for (int i = 0; i < ChildCount(); ++i) Child(i)->SetModified(flag);
}

void TLevelNode::Reset() {
  MsgNodes->Clear();
  ReportName.clear();
  Expression.clear();
  ReasonNum = -9999;
  DetailFlag = 0;
  Modified = false;
  ChildLevels->Clear();
  Property = nullptr;
  TNodeItem::Reset();
}

void TLevelNode::DeleteTreeChildren() {
  for (int i = 0; i < ChildCount(); ++i) Child(i)->UnbindFromTree();
  TNodeItem::DeleteTreeChildren();
}

int TLevelNode::AddChild(TLevelNode* level) {
  int index = ChildLevels->Add(level);
  Modified = index >= 0;
  return index;
}

int TLevelNode::RemoveChild(TLevelNode* level) {
  int index = ChildLevels->Remove(level);
  Modified = index >= 0;
  return index;
}

TLevelNode* TLevelNode::CloneLevel(TLevelNode* source, TMsgEvent* owner, TLevelNode* parent) {
  auto* level = new TLevelNode(owner ? owner : source->Event(), parent);
  level->Assign(source);
  return level;
}

int TLevelNode::AddCopyOfChild(TLevelNode* source) { return AddChild(CloneLevel(source, Event(), this)); }

void TLevelNode::SetReportName(const std::string& name) {
  std::string value(TrimBlanks(name));
  // Compared exactly: the name is shown and reported as written, so a
  // correction of its letter case alone ("call end" to "Call End") is a change.
  if (value == ReportName) return;
  ReportName = value;
  Modified = true;
}

void TLevelNode::SetExpression(const std::string& expression) {
  std::string value(TrimBlanks(expression));
  if (CompText(value, Expression)) return;
  Expression = value;
  Modified = true;
}

void TLevelNode::SetDetailFlag(int32_t flag) {
  if (flag == DetailFlag) return;
  DetailFlag = flag;
  Modified = true;
}

void TLevelNode::SetReasonNum(int32_t reason) {
  if (reason == ReasonNum) return;
  ReasonNum = reason;
  Modified = true;
}

TMsgEvent* TLevelNode::Event() const { return static_cast<TMsgEvent*>(Owner); }

bool TLevelNode::Displayed() const { return Property && Property->Display; }

TLevelNode* TLevelNode::RootLevel() {
  TLevelNode* level = this;
  while (level->ParentLevel) level = level->ParentLevel;
  return level;
}

int TLevelNode::Depth() const {
  int depth = 1;
  for (const TLevelNode* p = ParentLevel; p; p = p->ParentLevel) ++depth;
  return depth;
}

uint8_t TLevelNode::Network() const { return Event() ? Event()->Network() : 255; }

TLevelNode* TLevelNode::FindLevelByReportName(const std::string& name) {
  if (ReportName == name) return this;
  for (int i = 0; i < ChildCount(); ++i)
    if (TLevelNode* hit = Child(i)->FindLevelByReportName(name)) return hit;
  return nullptr;
}

void TLevelNode::CollectReportNames(std::vector<std::string>& names) const {
  if (!ReportName.empty() && std::find(names.begin(), names.end(), ReportName) == names.end())
    names.push_back(ReportName);
  for (int i = 0; i < ChildCount(); ++i) Child(i)->CollectReportNames(names);
}

void TLevelNode::CollectMessageCodes(TIntegerArray& codes) const {
  for (int i = 0; i < MsgNodes->Count(); ++i) codes.Add(static_cast<int32_t>(MsgNodes->Node(i)->MessageCode & 0xFFFF));
  for (int i = 0; i < ChildCount(); ++i) Child(i)->CollectMessageCodes(codes);
}

void TLevelNode::ClearRunState() {
  RecordIndex = 0;
  DetailDone = false;
  for (int i = 0; i < ChildCount(); ++i) Child(i)->ClearRunState();
}

void TLevelNode::LinkProperty(TPropertySource* list) {
  Property = ReportName.empty() ? nullptr : LinkPropertyByName(list, ReportName);
  for (int i = 0; i < ChildCount(); ++i) Child(i)->LinkProperty(list);
}
