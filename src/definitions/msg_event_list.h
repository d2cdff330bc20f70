// TMsgEventList: the message events of one network, hashed by EventName, with
// the code filter that lets the detection pass skip messages no event uses.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "core/hash_object_list.h"
#include "core/integer_array.h"
#include "definitions/msg_code_index.h"
#include "definitions/msg_event.h"
#include "eventmanager/outside/message_codes.h"

class TMsgEventList : public THashObjectList {
  EM_CLASS(TMsgEventList, THashObjectList)
 public:
  TMsgEventList();
  ~TMsgEventList() override;

  uint8_t NetType = 255;
  TIntegerArray CodeFilter;
  // Run-time hint for the detection pass: set whenever matching puts an event
  // in progress, cleared by the pass once no event waits any more. Lets the
  // pass skip the window ages on the many records while nothing waits.
  bool MayHaveWaiting = false;
  // The network's message property list the events were last linked to (not
  // owned). Internal message events of the log's event table are shown with
  // the record of their event name in it.
  TPropertySource* Properties = nullptr;

  void Notify(TObject* item, TListNotification action) override;
  void Sort(const std::function<bool(TObject*, TObject*)>& less) override;
  void Clear() override;
  bool IsModified() override;
  void GetItemName(int index, std::string& name) override;
  void CopyTo(THashObjectList* destination) override;
  void LoadFromNode(pugi::xml_node element) override;
  void SaveToNode(pugi::xml_node element) override;

  void SetNetType(uint8_t net);
  TMsgEvent* Event(int index) const { return ItemAs<TMsgEvent>(index); }
  TLevelNode* FindLevelByReportName(const std::string& name);
  // The event of that name, letter case ignored; none when there is none.
  TMsgEvent* FindByName(std::string_view name) const;
  // The record named `name` in Properties; none when missing (none is created).
  TEventProperty* FindPropertyByName(const std::string& name) const;
  void CollectReportNames(std::vector<std::string>& names) const;
  void LinkProperties(TPropertySource* list);
  void RebuildCodeFilter();
  // True when a record with this message code is to be offered to the events.
  bool Offers(uint32_t messageCode) const {
    if (messageCode == cdma::AccessProbeInfo) return true;
    int32_t low = static_cast<int32_t>(messageCode & 0xFFFF);
    return low != 0 && CodeFilter.Contains(low);
  }
  // The code index of the events, rebuilt first when the definitions
  // changed; none when it cannot be trusted (then every event is to be
  // visited).
  TMsgCodeIndex* CodeIndex() {
    if (!codeIndex_.Fresh(*this)) codeIndex_.Rebuild(*this);
    return codeIndex_.Fresh(*this) ? &codeIndex_ : nullptr;
  }
  // After the run-time state of the event at `position` changed.
  void SyncCodeIndex(int position) { codeIndex_.Sync(*this, position); }
  // Changes of the definitions that the list does not see itself (a level
  // added to an event, a StartedFlag set) call this or RebuildCodeFilter.
  void InvalidateCodeIndex() { ++indexGeneration_; }
  uint64_t IndexGeneration() const { return indexGeneration_; }

  // Reads this network's events from EventsDefine.cfg in the host directory;
  // nothing changes when the file or the network element is missing.
  void LoadFromFile();

  // Events of the last load that were refused (a level tree nested too
  // deep): their elements are kept and written back by SaveToNode.
  bool HasRefusedEvents() const { return !keptElements_.empty(); }

 private:
  std::vector<std::pair<int, std::shared_ptr<pugi::xml_document>>> keptElements_;
  void RebuildName();
  TMsgCodeIndex codeIndex_;
  uint64_t indexGeneration_ = 1;
};

// Brings the code index of one event in line with its run-time state when
// the scope ends, also when a host callback throws part way through.
class TCodeIndexSync {
 public:
  TCodeIndexSync(TMsgEventList* list, int position) : list_(list), position_(position) {}
  ~TCodeIndexSync() { list_->SyncCodeIndex(position_); }
  TCodeIndexSync(const TCodeIndexSync&) = delete;
  TCodeIndexSync& operator=(const TCodeIndexSync&) = delete;

 private:
  TMsgEventList* list_;
  int position_;
};
