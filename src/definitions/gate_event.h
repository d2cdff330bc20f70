// TGateEvent: a user's watch over the records of a log, either an expression
// over measured fields that must hold long and often enough (GateType 1) or a
// message A that must be answered by a message B in time (GateType 2).
// Owned by its TGateEventList; owns its expression-filter object and its
// record view. The run-time fields belong to the gate evaluation pass.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "definitions/node_item.h"
#include "eventmanager/outside/expression_filter.h"

namespace pugi { class xml_node; }
class TGateEventList;
class TEventProperty;
class TPropertySource;
class RecordView;

inline constexpr double MillisecondsPerDay = 8.64e7;

class TGateEvent : public TNodeItem {
  EM_CLASS(TGateEvent, TNodeItem)
 public:
  // Raises EEventManagerError when the expression filter cannot be created.
  explicit TGateEvent(TGateEventList* owner);
  ~TGateEvent() override;

  std::string EventName;
  int32_t GateType = 0;  // 1 expression, 2 message pair; others never report
  std::string Expression;
  int32_t ExpDuringTime = 0;  // ms
  int32_t ExpTimes = 0;
  int32_t MsgDuringTime = 0;  // ms
  uint32_t MessageCodeA = 0;
  uint32_t MessageCodeB = 0;
  // Stored with the definition only; nothing evaluates them.
  uint8_t WarnMode = 3;
  int32_t WarnField = -1;
  int32_t WarnGate = -9999;
  int32_t WarnDelay = 0;
  // Kept in step by the setters: the evaluation compares days, not ms.
  double ExpDuringDays = 0;
  double MsgDuringDays = 0;
  std::unique_ptr<IExpressionFilter> Filter;
  const int32_t* FieldIds = nullptr;  // belongs to Filter
  uint8_t FieldCount = 0;
  // Changes whenever FieldIds, FieldCount or what Filter parsed may have
  // changed (they change only together with it), and differs between any two
  // gate objects, so the pass can tell that what it derived from them is
  // still good.
  uint64_t ParseStamp = 0;
  // The values of FieldIds on the record being evaluated; sized when the
  // expression is parsed, so evaluating allocates nothing.
  std::vector<int32_t> FieldValues;
  // Why Expression did not parse when it was loaded or copied; empty when it did.
  std::string ExpressionError;

  // Run-time state; zero at creation, never reset by loading or copying.
  double TrueSpan = 0;
  int32_t TrueCount = 0;
  double SpanStart = 0;
  bool WaitingForB = false;
  // Back to the state of a gate that has seen no record (a new log).
  void ResetRunState() {
    TrueSpan = 0;
    TrueCount = 0;
    SpanStart = 0;
    WaitingForB = false;
  }

  // The view the gate pass loads the record into; made by the data-access
  // component's factory, which news it.
  std::unique_ptr<RecordView> HandsetFields;
  TEventProperty* Property = nullptr;   // not owned

  void Reset() override;
  void AssignTo(TNodeItem* destination) override;
  void GetCaption(std::string& caption) override { caption = EventName; }

  // A copy owned by `owner` (this event's list when none).
  TGateEvent* Clone(TGateEventList* owner = nullptr);

  // Setters store only a changed value and then set Modified; texts that
  // differ only in ASCII letter case count as equal.
  void SetEventName(const std::string& name);
  void SetGateType(int32_t type);
  // Parses the new text with Filter. A text the server rejects raises
  // EEventManagerError naming the expression and the position (or the
  // unknown field); the text is kept (and Modified set) so the user can
  // correct it, and the gate then has no fields, so it reports nothing.
  void SetExpression(const std::string& expression);
  void SetExpDuringTime(int32_t ms);
  void SetExpTimes(int32_t times);
  void SetMsgDuringTime(int32_t ms);
  void SetMessageCodeA(uint32_t code);
  void SetMessageCodeB(uint32_t code);
  void SetWarnField(int32_t value);
  void SetWarnGate(int32_t value);
  void SetWarnDelay(int32_t value);
  void SetWarnMode(uint8_t value);

  TGateEventList* List() const;
  uint8_t ListNetType() const;  // 255 without a list

  // Reading never raises for an expression: a rejected one is kept with its
  // error in ExpressionError, and reported as a fault of the file being read
  // (file, line, event name, position). A numeric attribute that is not an
  // integer raises EConvertError (EAttributeError).
  void LoadFromNode(pugi::xml_node element);
  void SaveToNode(pugi::xml_node element);
  void LinkProperty(TPropertySource* list);

  // For the evaluation pass: reads the values of FieldIds on the record
  // loaded in HandsetFields into FieldValues, in order; false when one of
  // them has no value (-9999).
  bool ReadFieldValues();
  // The expression on those values (Filter's EvaluateValues); false without fields.
  bool Evaluate(std::span<const int32_t> values);

 private:
  // Stores the text and parses it; with `raise` false a rejection is kept in
  // ExpressionError instead of raised.
  void storeExpression(const std::string& expression, bool raise);
  void setFields(const int32_t* ids, uint8_t count);
};
