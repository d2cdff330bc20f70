// TAlias and TAliasesList: the aliases of one network, stored as attributes
// "Alias-0", "Alias-1", ... of the network's element under Aliases in
// EventsDefine.cfg. The list owns its aliases; host thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/object_list.h"

namespace pugi { class xml_node; }

class TAlias : public TObject {
  EM_CLASS(TAlias, TObject)
 public:
  std::string AliasName;  // "Alias-" and its position
  std::string AliasText;
  bool Modified = false;

  // Both trim blanks and store only a text that differs ignoring letter case.
  void SetAliasName(const std::string& name);
  void SetAliasText(const std::string& text);
};

class TAliasesList : public TObjectList {
  EM_CLASS(TAliasesList, TObjectList)
 public:
  TAliasesList();

  uint8_t NetType = 255;
  // Set when an alias leaves the list, so that deleting aliases (even the
  // last one) is saved; cleared by SaveToNode.
  bool Modified = false;

  void Notify(TObject* item, TListNotification action) override;
  // A different network clears the list and renames it (network name, "Test"
  // for 255, empty otherwise).
  void SetNetType(uint8_t net);
  bool IsModified() const;
  // Gives this list the source's aliases (copies, set through the setters).
  // Nothing changes, and nothing is marked, when both already hold the same
  // texts in the same order.
  void AssignAliases(const TAliasesList& source);
  TAlias* Alias(int index) const { return ItemAs<TAlias>(index); }
  TAlias* AddAlias(const std::string& name, const std::string& text);
  // A new list with the source's network and a copy of every alias, set
  // through the setters.
  static std::unique_ptr<TAliasesList> CloneAliases(const TAliasesList& source);

  // Adds one alias per attribute of the element (the list is not cleared).
  // The i-th alias is named "Alias-i"; its text is the attribute of that
  // name, or the i-th attribute when no attribute has that name, so a file
  // with a gap in its numbering loses no text. The aliases read are not
  // marked modified.
  void LoadFromNode(pugi::xml_node element);
  // Replaces the element's attributes by one per alias, named by position
  // ("Alias-0", ...), so that what is written always reads back whole; the
  // aliases take those names and are no longer modified.
  void SaveToNode(pugi::xml_node element);

 private:
  void RebuildName();
};
