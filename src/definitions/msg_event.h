// TMsgEvent: a user event of the message kind, a named tree of levels that
// matching walks message by message. Owned by its TMsgEventList. The run-time
// fields belong to the detection passes and are never stored.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "definitions/level_node.h"

class TMsgEventList;

class TMsgEvent : public TNodeItem {
  EM_CLASS(TMsgEvent, TNodeItem)
 public:
  explicit TMsgEvent(TMsgEventList* owner);
  ~TMsgEvent() override;

  bool Armed = false;
  std::string EventName = "New User Event";
  std::unique_ptr<TObjectList> Levels;  // made by Initialize, freed by Finalize
  TLevelNode* CurrentLevel = nullptr;
  int32_t StartedFlag = 0;
  TLevelNode* PreviousLevel = nullptr;
  bool InProgress = false;
  double StartTime = 0;
  int32_t StartRecord = 0;
  bool WatchFirst = false;
  bool WatchSecond = false;

  bool RebuildTreeChildren() override;
  void Initialize() override;
  void Finalize() override;
  void AssignTo(TNodeItem* destination) override;
  bool IsModified() override;
  void GetCaption(std::string& caption) override { caption = EventName; }
  void SetCaption(const std::string& caption) override;
  void SetModified(bool flag) override;
  void Reset() override;
  void DeleteTreeChildren() override;

  int AddLevel(TLevelNode* level);
  int RemoveLevel(TLevelNode* level);
  int AddCopyOfLevel(TLevelNode* level);
  static TMsgEvent* CloneEvent(TMsgEvent* source, TMsgEventList* owner);
  void SetStartedFlag(int32_t value);
  void SetEventName(const std::string& name);

  int LevelCount() const { return Levels->Count(); }
  bool HasLevels() const { return Levels->Count() > 0; }
  TLevelNode* Level(int index) const { return Levels->ItemAs<TLevelNode>(index); }
  TLevelNode* LevelOrNone(int index) const { return Levels->ValidIndex(index) ? Level(index) : nullptr; }
  bool HasCurrentLevel() const { return CurrentLevel != nullptr; }
  bool StartedFlagIs(int32_t value) const { return StartedFlag == value; }
  bool NeedsArming() const { return StartedFlag >= 1 && StartedFlag <= 3; }
  TMsgEventList* List() const;
  uint8_t Network() const;

  void ResetRun();
  TLevelNode* FindLevelByReportName(const std::string& name);
  void CollectReportNames(std::vector<std::string>& names) const;
  void LinkProperties(TPropertySource* list);
  void ShowInTree(TTreeNodes* tree);

  bool MatchStart(const TMatchInput& in);
  bool MatchNext(const TMatchInput& in);
  // MatchStart in two steps, for a caller that must read the old run's
  // state before it is cleared: the match alone, then the fresh start.
  bool MatchFirstStep(const TMatchInput& in);
  void RestartAtCurrentLevel();

  void LoadFromNode(pugi::xml_node element);
  void SaveToNode(pugi::xml_node element);
};
