#include "properties/event_propertys.h"

#include <filesystem>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "platform/host_paths.h"
#include "platform/xml_file.h"
#include "properties/property_attributes.h"

namespace {

TEventPropertys*& registrySlot() {
  static TEventPropertys* registry = nullptr;
  return registry;
}

pugi::xml_node childNamed(pugi::xml_node parent, const std::string& name) {
  return parent ? parent.child(name.c_str()) : pugi::xml_node();
}

}  // namespace

TEventPropertys* PropertyRegistry() { return registrySlot(); }
void SetPropertyRegistry(TEventPropertys* registry) { registrySlot() = registry; }

TEventPropertys::TEventPropertys() {
  for (int net = 0; net < kNetworks; ++net) {
    MsgLists[net] =
        std::make_unique<TEventPropertyList>(TEventPropertyList::KindMessage, static_cast<uint8_t>(net), "Message");
    WarningLists[net] =
        std::make_unique<TEventPropertyList>(TEventPropertyList::KindWarning, static_cast<uint8_t>(net), "Warning");
  }
  TestList = std::make_unique<TEventPropertyList>(TEventPropertyList::KindTest, 255, "");
}

TEventPropertys::~TEventPropertys() {
  ClearAll();
  for (int net = 0; net < kNetworks; ++net) {
    MsgLists[net].reset();
    WarningLists[net].reset();
  }
  TestList.reset();
}

TEventPropertyList* TEventPropertys::GetList(uint8_t net, int which) const {
  if (net >= kNetworks) return nullptr;
  if (which == 0) return MsgLists[net].get();
  if (which == 1) return WarningLists[net].get();
  return nullptr;
}

void TEventPropertys::ClearAll() {
  for (int net = 0; net < kNetworks; ++net) {
    MsgLists[net]->Clear();
    WarningLists[net]->Clear();
  }
  TestList->Clear();
}

bool TEventPropertys::IsModified() {
  for (int net = 0; net < kNetworks; ++net)
    if (MsgLists[net]->IsModified() || WarningLists[net]->IsModified()) return true;
  return TestList->IsModified();
}

std::string TEventPropertys::DefaultPath() { return HostDirectory() + "EventsProperty.cfg"; }

EPropertiesFileError::EPropertiesFileError(TFileFault fault) : EConvertError(fault.Text()), Fault(std::move(fault)) {}

void TEventPropertys::readDocument(pugi::xml_node root) {
  TestList->LoadFromNode(root.child("Test"));
  if (pugi::xml_node message = root.child("Message")) {
    for (int net = 0; net < kNetworks; ++net) MsgLists[net]->LoadFromNode(childNamed(message, MsgLists[net]->Name));
    LteMessageRead = static_cast<bool>(childNamed(message, MsgLists[NetLte]->Name));
  }
  if (pugi::xml_node gate = root.child("Gate")) {
    for (int net = 0; net < kNetworks; ++net) WarningLists[net]->LoadFromNode(childNamed(gate, WarningLists[net]->Name));
    LteWarningRead = static_cast<bool>(childNamed(gate, WarningLists[NetLte]->Name));
  }
}

void TEventPropertys::LoadFromFile(const std::string& path) {
  pugi::xml_document doc;
  TFileSnapshot seen;
  const TXmlLoad loaded = LoadXmlFile(path, "Propertys", doc, seen);
  if (loaded != TXmlLoad::Loaded && loaded != TXmlLoad::Missing) {
    // LoadXmlFile has recorded a faulty file; nothing of it is taken.
    if (FileIsFaulty(path)) ClearAll();
    FileState = {};
    return;
  }
  LteMessageRead = LteWarningRead = false;
  if (loaded == TXmlLoad::Loaded) {
    try {
      readDocument(doc.child("Propertys"));
    } catch (const EPropertyAttributeError& e) {
      // Half a file is worse than none: a later save would drop the rest. The
      // fault is recorded even when a caller ignores the error, so that no save
      // replaces the user's file.
      ClearAll();
      FileState = {};
      TFileFault fault{path, e.Offset >= 0 ? LineOfOffset(path, e.Offset) : 0, e.what()};
      RecordFileFault(fault);
      throw EPropertiesFileError(std::move(fault));
    }
  }
  // What was read, as this registry writes it: the base against which a
  // later save tells its own changes from another program's.
  pugi::xml_document base;
  buildDocument(base);
  FileState.Known = true;
  FileState.Path = path;
  FileState.Disk = seen;
  FileState.Base = XmlText(base);
}

bool TEventPropertys::LoadFromFileKeepingFaults(const std::string& path) {
  try {
    LoadFromFile(path);
  } catch (const EPropertiesFileError&) {
    // Already recorded as a fault of the file.
  }
  return !FileIsFaulty(path);
}

void TEventPropertys::buildDocument(pugi::xml_document& doc) {
  pugi::xml_node declaration = doc.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  pugi::xml_node root = doc.append_child("Propertys");
  TestList->SaveToNode(root.append_child("Test"));
  const bool lteMessages = LteMessageRead || MsgLists[NetLte]->Count() > 0;
  const bool lteWarnings = LteWarningRead || WarningLists[NetLte]->Count() > 0;
  pugi::xml_node message = root.append_child("Message");
  for (int net = 0; net < kNetworks; ++net)
    if (net != NetLte || lteMessages) MsgLists[net]->SaveToNode(message.append_child(MsgLists[net]->Name.c_str()));
  pugi::xml_node gate = root.append_child("Gate");
  for (int net = 0; net < kNetworks; ++net)
    if (net != NetLte || lteWarnings) WarningLists[net]->SaveToNode(gate.append_child(WarningLists[net]->Name.c_str()));
}

const TXmlMergeShape& TEventPropertys::MergeShape() {
  static const TXmlMergeShape shape{{"Test", "Message/*", "Gate/*"}, {}, "EventName"};
  return shape;
}

void TEventPropertys::SaveToFile(const std::string& path) {
  pugi::xml_document doc;
  buildDocument(doc);
  // Another program's file, read and written again the way this registry
  // writes it, so that records compare attribute by attribute.
  auto normalise = RewritingNormaliser("Propertys", [](pugi::xml_node root, pugi::xml_document& out) {
    TEventPropertys other;
    other.readDocument(root);
    other.buildDocument(out);
  });
  SaveXmlFileMerging(doc, path, FileState, MergeShape(), normalise);
}
