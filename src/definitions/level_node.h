// TLevelNode: one step of a message-sequence event. It holds the message
// conditions of the step, the admissible next steps (child levels), what the
// step reports, and the run-time state the detection passes keep in it.
// Owned by its TMsgEvent (first-step levels) or its parent level. Owns its
// conditions, its child levels and its record view, made by Initialize and
// freed by Finalize (so a level between the two holds none).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/integer_array.h"
#include "definitions/match_input.h"
#include "definitions/msg_node.h"
#include "definitions/node_item.h"

namespace pugi { class xml_node; }
class TMsgEvent;
class TEventProperty;
class TPropertySource;
class RecordView;

class TLevelNode : public TNodeItem {
  EM_CLASS(TLevelNode, TNodeItem)
 public:
  TLevelNode(TMsgEvent* owner, TLevelNode* parent);
  ~TLevelNode() override;

  std::unique_ptr<TMsgNodes> MsgNodes;
  TLevelNode* ParentLevel;
  std::string ReportName;
  std::string Expression;
  int32_t ReasonNum = -9999;
  std::unique_ptr<TObjectList> ChildLevels;
  int32_t DetailFlag = 0;
  int32_t RecordIndex = 0;
  bool DetailDone = false;
  TEventProperty* Property = nullptr;
  // The view matching loads the level's record into; made by the
  // data-access component's factory, which news it.
  std::unique_ptr<RecordView> HandsetFields;

  bool RebuildTreeChildren() override;
  void Initialize() override;
  void Finalize() override;
  void AssignTo(TNodeItem* destination) override;
  bool IsModified() override;
  void GetCaption(std::string& caption) override;
  void SetModified(bool flag) override;
  void Reset() override;
  void DeleteTreeChildren() override;

  int AddChild(TLevelNode* level);
  int RemoveChild(TLevelNode* level);
  static TLevelNode* CloneLevel(TLevelNode* source, TMsgEvent* owner, TLevelNode* parent);
  int AddCopyOfChild(TLevelNode* source);

  void SetReportName(const std::string& name);
  void SetExpression(const std::string& expression);
  void SetDetailFlag(int32_t flag);
  void SetReasonNum(int32_t reason);

  int ChildCount() const { return ChildLevels->Count(); }
  TLevelNode* Child(int index) const { return ChildLevels->ItemAs<TLevelNode>(index); }
  bool HasNoChildren() const { return ChildLevels->Count() == 0; }
  bool HasReportName() const { return !ReportName.empty(); }
  bool DetailFlagIs(int32_t flag) const { return DetailFlag == flag; }
  bool HasDetail() const { return DetailFlag >= 1 && DetailFlag <= 8; }
  bool Displayed() const;
  TMsgEvent* Event() const;
  TLevelNode* RootLevel();
  int Depth() const;
  uint8_t Network() const;

  TLevelNode* FindLevelByReportName(const std::string& name);
  void CollectReportNames(std::vector<std::string>& names) const;
  void CollectMessageCodes(TIntegerArray& codes) const;
  void ClearRunState();
  void LinkProperty(TPropertySource* list);

  // Definitions file (EventsDefine.cfg).
  void LoadFromNode(pugi::xml_node element);
  void SaveToNode(pugi::xml_node element);

  // Matching of one message against this level.
  bool MatchReason(const TMatchInput& in);
  bool MatchLevel(const TMatchInput& in);
  bool MatchChildren(const TMatchInput& in);

 private:
  bool SpecialMessageAccepted(const TMatchInput& in, uint32_t nodeCode);
};
