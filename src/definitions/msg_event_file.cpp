// Reading and writing message events, their levels and message nodes in
// EventsDefine.cfg. Child elements are taken by position, their names are
// written for people and never read.

#include <memory>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "definitions/definition_attributes.h"
#include "definitions/definitions_file.h"
#include "definitions/msg_event_list.h"

namespace {

// Loads `item` from `element` and hands it to `add`; an item that fails to
// load is freed, so the error leaves only the items read before it.
template <class T, class Add>
void loadChild(std::unique_ptr<T> item, pugi::xml_node element, Add add) {
  item->LoadFromNode(element);
  add(item.release());
}

}  // namespace

void TLevelNode::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  Reset();
  ReportName = ReadText(element, "ReportName");
  DetailFlag = ReadInt32(element, "DetailFlag", 0);
  Expression = ReadText(element, "Expression");
  ReasonNum = ReadInt32(element, "ReasonNum", -9999);
  // The first child holds the message nodes, whatever it is called.
  pugi::xml_node container = FirstElement(element);
  if (container) {
    for (pugi::xml_node n = FirstElement(container); n; n = NextElement(n))
      MsgNodes->AddNode(Network(), ReadCode(n, "MessageCode", 0), ReadCode(n, "SubCode", 0));
    pugi::xml_node child = NextElement(container);
    if (child) {
      int depth = 1;
      for (TLevelNode* up = ParentLevel; up; up = up->ParentLevel) ++depth;
      if (depth >= kMaxLevelDepth)
        DefinitionsError(child, fmt::format("is nested deeper than {} levels", kMaxLevelDepth));
    }
    for (; child; child = NextElement(child))
      loadChild(std::make_unique<TLevelNode>(Event(), this), child, [this](TLevelNode* l) { AddChild(l); });
  }
  // Adding the nodes read marks the node list; what was just read is not a change.
  MsgNodes->Modified = false;
  Modified = false;
}

void TLevelNode::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  WriteText(element, "ReportName", ReportName);
  WriteInt(element, "DetailFlag", DetailFlag);
  WriteText(element, "Expression", Expression);
  WriteInt(element, "ReasonNum", ReasonNum);
  pugi::xml_node nodes = element.append_child("MsgNodes");
  for (int i = 0; i < MsgNodes->Count(); ++i) {
    TMsgNode* node = MsgNodes->Node(i);
    node->SetNetType(Network());
    pugi::xml_node n = nodes.append_child(fmt::format("MsgNode-{}", i).c_str());
    WriteCode(n, "MessageCode", node->MessageCode);
    WriteText(n, "MessageName", node->MessageName());
    WriteCode(n, "SubCode", node->SubCode);
  }
  for (int j = 0; j < ChildCount(); ++j)
    Child(j)->SaveToNode(element.append_child(fmt::format("LevelNode-{}", j).c_str()));
}

void TMsgEvent::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  Reset();
  EventName = ReadText(element, "EventName");
  StartedFlag = ReadInt32(element, "StartedFlag", 0);
  for (pugi::xml_node child = FirstElement(element); child; child = NextElement(child))
    loadChild(std::make_unique<TLevelNode>(this, nullptr), child, [this](TLevelNode* l) { AddLevel(l); });
  Modified = false;
}

void TMsgEvent::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  RemoveChildren(element);
  WriteText(element, "EventName", EventName);
  WriteInt(element, "StartedFlag", StartedFlag);
  for (int i = 0; i < LevelCount(); ++i)
    Level(i)->SaveToNode(element.append_child(fmt::format("LevelNode-{}", i).c_str()));
  Modified = false;
}

void TMsgEventList::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  Clear();
  try {
    for (pugi::xml_node child = FirstElement(element); child; child = NextElement(child))
      loadChild(std::make_unique<TMsgEvent>(this), child, [this](TMsgEvent* e) { Add(e); });
  } catch (...) {
    RebuildCodeFilter();  // the events read so far stay usable
    throw;
  }
  RebuildCodeFilter();
  Modified = false;
}

void TMsgEventList::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  RemoveChildren(element);
  for (int i = 0; i < Count(); ++i)
    Event(i)->SaveToNode(element.append_child(fmt::format("MsgEvent-{}", i).c_str()));
  Modified = false;
}

void TMsgEventList::LoadFromFile() {
  LoadDefinitionsSection(DefinitionsFilePath(), "Message", Name, [this](pugi::xml_node e) { LoadFromNode(e); });
}
