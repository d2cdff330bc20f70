// TGateEventList: the gate events of one network, hashed by EventName. Its
// name is the network's name, which is also its element in the Gate section
// of EventsDefine.cfg. Owns its events; host thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/hash_object_list.h"
#include "definitions/gate_event.h"

class TGateEventList : public THashObjectList {
  EM_CLASS(TGateEventList, THashObjectList)
 public:
  TGateEventList();

  uint8_t NetType = 255;

  bool IsModified() override;
  void GetItemName(int index, std::string& name) override;
  // Raises EConvertError when the destination is not a gate event list.
  void CopyTo(THashObjectList* destination) override;
  void LoadFromNode(pugi::xml_node element) override;
  void SaveToNode(pugi::xml_node element) override;

  // A different network frees all events and renames the list.
  void SetNetType(uint8_t net);
  // Reads this network's gate events from EventsDefine.cfg in the host
  // directory (or `path`); nothing changes when the file or the element is
  // missing. An unreadable file is recorded as a fault of the file (so it is
  // never overwritten) and raises EEventManagerError; so does a number that
  // is not an integer (EAttributeError, also recorded).
  void LoadFromFile();
  void LoadFromFile(const std::string& path);
  TGateEvent* FindByName(std::string_view name) const;
  // Typed item access; raises EListError outside the list.
  TGateEvent* Items(int index) const { return ItemAs<TGateEvent>(index); }
  TGateEvent* Event(int index) const { return ItemAs<TGateEvent>(index); }
  // Clears the used marks of the network's warning list, then links every event.
  void LinkProperties(TPropertySource* warnings);
  // "GateEvent-n 'name': <error>" for every event whose expression did not parse.
  std::vector<std::string> ExpressionErrors() const;

 private:
  void RebuildName();
};
