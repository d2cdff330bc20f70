// TEventPropertyList: the display-property records of one network and event
// kind (message or warning), or of the test events. Owns its records, hashes
// them by EventName without regard to letter case, and keeps each record's
// Index equal to its position after adding, inserting and renumbering.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/hash_object_list.h"
#include "core/property_source.h"
#include "properties/event_property.h"

class TEventPropertyList : public THashObjectList, public TPropertySource {
  EM_CLASS(TEventPropertyList, THashObjectList)
 public:
  // Kind 1 message events, 2 warning (gate) events, 0 test events.
  static constexpr int32_t KindTest = 0;
  static constexpr int32_t KindMessage = 1;
  static constexpr int32_t KindWarning = 2;

  TEventPropertyList(int32_t kind, uint8_t netType, std::string kindName);

  int32_t Kind;
  uint8_t NetType;
  std::string KindName;

  int Add(TObject* item) override;
  void Insert(int index, TObject* item) override;
  bool IsModified() override;
  void GetItemName(int index, std::string& name) override;
  void CopyTo(THashObjectList* destination) override;
  void LoadFromNode(pugi::xml_node element) override;
  void SaveToNode(pugi::xml_node element) override;

  // Typed access; raises EListError outside the list.
  TActEventProperty* Items(int index) const { return ItemAs<TActEventProperty>(index); }
  void ClearUsedMarks() override;
  // The record named `name` (created with defaults and added when missing),
  // marked used; none for an empty name.
  TActEventProperty* LinkProperty(const std::string& name) override;
  TActEventProperty* FindProperty(const std::string& name) override;
  // Takes every unmarked record out of the list. The records are not freed
  // before the list is: results and definitions may still point at them (a
  // result keeps its record for the host to draw), and pruning may run while
  // they exist. Taken out, a record is neither found, counted nor saved.
  void DeleteUnmarked();
  int RetiredCount() const { return static_cast<int>(retired_.size()); }
  void Renumber();
  void SetNetType(uint8_t net);
  bool IsKind(int32_t kind) const { return Kind == kind; }

 private:
  void RebuildName();
  std::vector<std::unique_ptr<TActEventProperty>> retired_;
};
