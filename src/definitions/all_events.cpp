#include "definitions/all_events.h"

#include <pugixml.hpp>

#include "definitions/definition_attributes.h"
#include "definitions/definitions_file.h"
#include "definitions/test_events.h"
#include "platform/xml_file.h"

namespace {

// `read[i]` becomes true once list i has been filled from its element in full;
// `lteSeen` whether the section has an LTE element.
template <class Lists>
void loadNetworks(pugi::xml_node section, Lists& lists, bool* read, bool& lteSeen) {
  if (!section) return;
  lteSeen = static_cast<bool>(ChildElement(section, lists[NetLte]->Name.c_str()));
  int i = 0;
  for (auto& list : lists) {
    pugi::xml_node network = ChildElement(section, list->Name.c_str());
    if (network) {
      list->LoadFromNode(network);
      // A list that refused an event was not read in full.
      bool whole = true;
      if constexpr (requires { list->HasRefusedEvents(); }) whole = !list->HasRefusedEvents();
      if (read) read[i] = whole;
    }
    ++i;
  }
}

// The four older networks always, LTE when `withLte`.
template <class Lists>
void saveNetworks(pugi::xml_node section, Lists& lists, bool withLte) {
  for (auto& list : lists)
    if (list->NetType != NetLte || withLte) list->SaveToNode(section.append_child(list->Name.c_str()));
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

void TAllEvents::readDocument(pugi::xml_node events) {
  loadNetworks(ChildElement(events, "Message"), MsgLists, MsgRead, LteElementRead[SectionMessage]);
  loadNetworks(ChildElement(events, "Gate"), GateLists, GateRead, LteElementRead[SectionGate]);
  loadNetworks(ChildElement(events, "Aliases"), AliasLists, nullptr, LteElementRead[SectionAliases]);
}

bool TAllEvents::writesNetwork(Section section, int net) const {
  if (net != NetLte || LteElementRead[section]) return true;
  switch (section) {
    case SectionMessage: return MsgLists[net]->Count() > 0;
    case SectionGate: return GateLists[net]->Count() > 0;
    default: return AliasLists[net]->Count() > 0;
  }
}

void TAllEvents::LoadFromFile(const std::string& path) {
  for (int net = 0; net < kNetworks; ++net) MsgRead[net] = GateRead[net] = false;
  for (bool& seen : LteElementRead) seen = false;
  FileState = {};
  pugi::xml_document doc;
  TFileSnapshot seen;
  const bool exists = LoadDefinitionsDocument(path, doc, seen);
  if (!exists && seen.Exists) return;  // another root: kept, never merged into
  if (exists) {
    pugi::xml_node events = ChildElement(doc, "Events");
    ReadDefinitions(path, [&] { readDocument(events); });
  }
  // What was read, as this container writes it: the base against which a
  // later save tells its own changes from another program's.
  pugi::xml_document base;
  buildDocument(base);
  FileState.Known = true;
  FileState.Path = path;
  FileState.Disk = seen;
  FileState.Base = XmlText(base);
}

void TAllEvents::buildDocument(pugi::xml_document& doc) {
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version").set_value("1.0");
  declaration.append_attribute("encoding").set_value("UTF-8");
  pugi::xml_node events = doc.append_child("Events");
  saveNetworks(events.append_child("Message"), MsgLists, writesNetwork(SectionMessage, NetLte));
  saveNetworks(events.append_child("Gate"), GateLists, writesNetwork(SectionGate, NetLte));
  saveNetworks(events.append_child("Aliases"), AliasLists, writesNetwork(SectionAliases, NetLte));
}

const TXmlMergeShape& TAllEvents::MergeShape() {
  static const TXmlMergeShape shape{{"Message/*", "Gate/*"}, {"Aliases/*"}, "EventName"};
  return shape;
}

void TAllEvents::SaveToFile(const std::string& path) {
  pugi::xml_document doc;
  buildDocument(doc);
  // Another program's file, read and written again the way this container
  // writes it, so that events compare attribute by attribute.
  auto normalise = RewritingNormaliser("Events", [](pugi::xml_node root, pugi::xml_document& out) {
    TAllEvents other;
    other.readDocument(root);
    other.buildDocument(out);
  });
  SaveXmlFileMerging(doc, path, FileState, MergeShape(), normalise);
}

bool TAllEvents::IsModified() {
  for (int net = 0; net < kNetworks; ++net)
    if (MsgLists[net]->IsModified() || GateLists[net]->IsModified() || AliasLists[net]->IsModified()) return true;
  return false;
}
