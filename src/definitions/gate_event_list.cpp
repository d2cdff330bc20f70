#include "definitions/gate_event_list.h"

#include <memory>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/network.h"
#include "core/property_source.h"
#include "definitions/definition_attributes.h"
#include "definitions/definitions_file.h"
#include "eventmanager/outside/utility.h"
#include "platform/xml_file.h"

TGateEventList::TGateEventList() : THashObjectList(TGateEvent::StaticClass(), true) { RebuildName(); }

bool TGateEventList::IsModified() {
  if (Modified) return true;
  for (int i = 0; i < Count(); ++i)
    if (Event(i)->IsModified()) return true;
  return false;
}

void TGateEventList::GetItemName(int index, std::string& name) {
  name = ValidIndex(index) ? Event(index)->EventName : std::string();
}

void TGateEventList::CopyTo(THashObjectList* destination) {
  if (!destination) return;
  if (!destination->InheritsFrom(TGateEventList::StaticClass()))
    throw EConvertError(fmt::format("Cannot assign a {} to a {}", ClassName(), destination->ClassName()));
  auto* d = static_cast<TGateEventList*>(destination);
  d->SetNetType(NetType);
  for (int i = 0; i < Count(); ++i) d->Add(Event(i)->Clone(d));
}

void TGateEventList::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  Clear();
  for (pugi::xml_node child = FirstElement(element); child; child = NextElement(child)) {
    auto event = std::make_unique<TGateEvent>(this);
    event->LoadFromNode(child);  // an event that fails to load is freed
    if (IndexOfName(event->EventName) >= 0)
      RecordElementFault(child, fmt::format("EventName '{}' is also the name of an earlier event of {} (letter "
                                            "case aside); both are loaded, but a name finds only one of them",
                                            ClipValue(event->EventName), Name));
    Add(event.release());
  }
  Modified = false;
}

void TGateEventList::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  RemoveChildren(element);
  for (int i = 0; i < Count(); ++i)
    Event(i)->SaveToNode(element.append_child(fmt::format("GateEvent-{}", i).c_str()));
  Modified = false;
}

void TGateEventList::SetNetType(uint8_t net) {
  if (net == NetType) return;
  Clear();
  NetType = net;
  RebuildName();
}

void TGateEventList::RebuildName() { Name = NetworkName(NetType); }

void TGateEventList::LoadFromFile() { LoadFromFile(DefinitionsFilePath()); }

void TGateEventList::LoadFromFile(const std::string& path) {
  LoadDefinitionsSection(path, "Gate", Name, [this](pugi::xml_node e) { LoadFromNode(e); });
}

TGateEvent* TGateEventList::FindByName(std::string_view name) const {
  const int index = FindIndexByName(name, [this](int i) -> const std::string& { return Event(i)->EventName; });
  return index < 0 ? nullptr : Event(index);
}

void TGateEventList::LinkProperties(TPropertySource* warnings) {
  if (!warnings) return;
  ClearPropertyUsedMarks(warnings);
  for (int i = 0; i < Count(); ++i) Event(i)->LinkProperty(warnings);
}

std::vector<std::string> TGateEventList::ExpressionErrors() const {
  std::vector<std::string> errors;
  for (int i = 0; i < Count(); ++i)
    if (!Event(i)->ExpressionError.empty())
      errors.push_back(fmt::format("GateEvent-{} '{}': {}", i, Event(i)->EventName, Event(i)->ExpressionError));
  return errors;
}
