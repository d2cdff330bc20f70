// Reading and writing message events, their levels and message nodes in
// EventsDefine.cfg. Child elements are taken by position, their names are
// written for people and never read.

#include <algorithm>
#include <memory>
#include <string>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "definitions/definition_attributes.h"
#include "definitions/definitions_file.h"
#include "definitions/msg_event_list.h"
#include "platform/xml_file.h"

namespace {

// A refused event is written back as it was read only while its tree stays
// of a size a written file can hold: indented, every level costs a line as
// wide as its depth. Deeper ones make the file one that no save may replace.
constexpr int kMaxKeptDepth = 4096;

int depthOf(pugi::xml_node top) {
  int depth = 0, deepest = 0;
  pugi::xml_node n = top;
  while (n) {
    if (n.first_child()) {
      n = n.first_child();
      deepest = std::max(deepest, ++depth);
      continue;
    }
    while (n != top && !n.next_sibling()) {
      n = n.parent();
      --depth;
    }
    if (n == top) break;
    n = n.next_sibling();
  }
  return deepest;
}

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
      if (depth >= kMaxLevelDepth) LevelDepthError(child);
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
    int position = 0;
    for (pugi::xml_node child = FirstElement(element); child; child = NextElement(child), ++position) {
      auto event = std::make_unique<TMsgEvent>(this);
      try {
        event->LoadFromNode(child);
      } catch (const ELevelDepthError& e) {
        // Only this event is refused. Its element is kept as it was read and
        // written back in its place, so that no save loses it.
        TFileFault fault{e.File, e.Line,
                         fmt::format("<{}> '{}' is not loaded: {}", ClipValue(child.name()),
                                     ClipValue(ReadText(child, "EventName")), e.Reason)};
        if (depthOf(child) > kMaxKeptDepth) {
          RecordFileFault(std::move(fault));  // kept on disk: no save replaces the file
          continue;
        }
        RecordContentFault(std::move(fault));
        auto kept = std::make_shared<pugi::xml_document>();
        kept->append_copy(child);
        keptElements_.push_back({position, std::move(kept)});
        continue;
      }
      const std::string name = event->EventName;
      const TMsgEvent* same = FindByName(name);
      if (same)
        RecordElementFault(child, fmt::format("EventName '{}' is also the name of an earlier event of {} (letter "
                                              "case aside); both are loaded, but a name finds only one of them",
                                              ClipValue(name), Name));
      Add(event.release());
    }
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
  // Refused elements go back at the positions they were read from, among
  // the events as they are now.
  size_t kept = 0;
  int written = 0;
  auto writeKept = [&](bool all) {
    while (kept < keptElements_.size() && (all || keptElements_[kept].first <= written)) {
      pugi::xml_node copy = element.append_copy(keptElements_[kept].second->first_child());
      copy.set_name(fmt::format("MsgEvent-{}", written++).c_str());
      ++kept;
    }
  };
  for (int i = 0; i < Count(); ++i) {
    writeKept(false);
    Event(i)->SaveToNode(element.append_child(fmt::format("MsgEvent-{}", written++).c_str()));
  }
  writeKept(true);
  Modified = false;
}

void TMsgEventList::LoadFromFile() {
  LoadDefinitionsSection(DefinitionsFilePath(), "Message", Name, [this](pugi::xml_node e) { LoadFromNode(e); });
}
