#include "definitions/alias.h"

#include <fmt/format.h>
#include <pugixml.hpp>

#include "core/network.h"
#include "eventmanager/outside/utility.h"
#include "support/text_trim.h"

namespace {

void storeText(std::string& field, const std::string& value, bool& modified) {
  std::string v(TrimBlanks(value));
  if (CompText(v, field)) return;
  field = v;
  modified = true;
}

std::string aliasName(int index) { return fmt::format("Alias-{}", index); }

}  // namespace

void TAlias::SetAliasName(const std::string& name) { storeText(AliasName, name, Modified); }
void TAlias::SetAliasText(const std::string& text) { storeText(AliasText, text, Modified); }

TAliasesList::TAliasesList() : TObjectList(TAlias::StaticClass(), true) { RebuildName(); }

void TAliasesList::SetNetType(uint8_t net) {
  if (net == NetType) return;
  Clear();
  NetType = net;
  RebuildName();
}

void TAliasesList::RebuildName() { Name = NetType == 255 ? std::string("Test") : NetworkName(NetType); }

void TAliasesList::Notify(TObject* item, TListNotification action) {
  TObjectList::Notify(item, action);
  if (action != TListNotification::Added) Modified = true;
}

bool TAliasesList::IsModified() const {
  if (Modified) return true;
  for (int i = 0; i < Count(); ++i)
    if (Alias(i)->Modified) return true;
  return false;
}

TAlias* TAliasesList::AddAlias(const std::string& name, const std::string& text) {
  auto* alias = new TAlias;
  alias->SetAliasName(name);
  alias->SetAliasText(text);
  Add(alias);
  return alias;
}

void TAliasesList::AssignAliases(const TAliasesList& source) {
  if (&source == this) return;
  bool same = Count() == source.Count();
  for (int i = 0; same && i < Count(); ++i) same = Alias(i)->AliasText == source.Alias(i)->AliasText;
  if (same) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) AddAlias(source.Alias(i)->AliasName, source.Alias(i)->AliasText);
  Modified = true;
}

std::unique_ptr<TAliasesList> TAliasesList::CloneAliases(const TAliasesList& source) {
  auto copy = std::make_unique<TAliasesList>();
  copy->SetNetType(source.NetType);
  for (int i = 0; i < source.Count(); ++i) copy->AddAlias(source.Alias(i)->AliasName, source.Alias(i)->AliasText);
  return copy;
}

void TAliasesList::LoadFromNode(pugi::xml_node element) {
  if (!element) return;
  int i = 0;
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute(), ++i) {
    std::string name = aliasName(i);
    pugi::xml_attribute named = element.attribute(name.c_str());
    TAlias* alias = AddAlias(name, named ? named.value() : a.value());
    alias->Modified = false;
  }
}

void TAliasesList::SaveToNode(pugi::xml_node element) {
  if (!element) return;
  while (pugi::xml_attribute a = element.first_attribute()) element.remove_attribute(a);
  for (int i = 0; i < Count(); ++i) {
    TAlias* alias = Alias(i);
    alias->AliasName = aliasName(i);
    element.append_attribute(alias->AliasName.c_str()).set_value(alias->AliasText.c_str());
    alias->Modified = false;
  }
  Modified = false;
}
