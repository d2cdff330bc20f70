#include "definitions/all_events.h"

#include <pugixml.hpp>

#include "definitions/definition_attributes.h"
#include "definitions/definitions_file.h"
#include "definitions/test_events.h"
#include "platform/xml_file.h"

namespace {

// `read[i]` becomes true once list i has been filled from its element in full.
template <class Lists>
void loadNetworks(pugi::xml_node section, Lists& lists, bool* read) {
  if (!section) return;
  int i = 0;
  for (auto& list : lists) {
    pugi::xml_node network = ChildElement(section, list->Name.c_str());
    if (network) {
      list->LoadFromNode(network);
      if (read) read[i] = true;
    }
    ++i;
  }
}

template <class Lists>
void saveNetworks(pugi::xml_node section, Lists& lists) {
  for (auto& list : lists) list->SaveToNode(section.append_child(list->Name.c_str()));
}

}  // namespace

TAllEvents::TAllEvents() {
  for (int net = 0; net < kNetworks; ++net) {
    MsgLists[net] = std::make_unique<TMsgEventList>();
    MsgLists[net]->SetNetType(static_cast<uint8_t>(net));
    GateLists[net] = std::make_unique<TGateEventList>();
    GateLists[net]->SetNetType(static_cast<uint8_t>(net));
    AliasLists[net] = std::make_unique<TAliasesList>();
    AliasLists[net]->SetNetType(static_cast<uint8_t>(net));
  }
  TestEvents = std::make_unique<TTestEvents>();
}

// Freed network by network, as the lists were made.
TAllEvents::~TAllEvents() {
  for (int net = 0; net < kNetworks; ++net) {
    MsgLists[net].reset();
    GateLists[net].reset();
    AliasLists[net].reset();
  }
  TestEvents.reset();
}

std::string TAllEvents::DefaultPath() { return DefinitionsFilePath(); }

void TAllEvents::LoadFromFile(const std::string& path) {
  for (int net = 0; net < kNetworks; ++net) MsgRead[net] = GateRead[net] = false;
  pugi::xml_document doc;
  if (!LoadDefinitionsDocument(path, doc)) return;
  pugi::xml_node events = ChildElement(doc, "Events");
  ReadDefinitions(path, [&] {
    loadNetworks(ChildElement(events, "Message"), MsgLists, MsgRead);
    loadNetworks(ChildElement(events, "Gate"), GateLists, GateRead);
    loadNetworks(ChildElement(events, "Aliases"), AliasLists, nullptr);
  });
}

void TAllEvents::SaveToFile(const std::string& path) {
  pugi::xml_document doc;
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node events = doc.append_child("Events");
  saveNetworks(events.append_child("Message"), MsgLists);
  saveNetworks(events.append_child("Gate"), GateLists);
  saveNetworks(events.append_child("Aliases"), AliasLists);
  SaveXmlFileAtomic(doc, path);
}

bool TAllEvents::IsModified() {
  for (int net = 0; net < kNetworks; ++net)
    if (MsgLists[net]->IsModified() || GateLists[net]->IsModified() || AliasLists[net]->IsModified()) return true;
  return false;
}
