// TActEventsResult: the results container a host drives detection through.
// It owns the detected results (kept in time order), the distinct event names
// found so far, its record views, and the state of the detection passes.
// The passes are its members, a source file each (record feeding, the
// message-sequence, gate and derived-event passes); the state they share is
// private and plain, one set per container, so two containers in one
// process (two logs) share nothing. Single-threaded: callbacks run
// synchronously and reuse RecordView, so a host must not call back into the
// container from inside a callback. Results, RecordView and EventView are
// owned through the raw pointers the host's TEventsResult fixes, so the
// container is neither copied nor moved.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "detection/act_event_result.h"
#include "detection/gate_plan.h"
#include "detection/pass_options.h"
#include "eventmanager/event_result.h"

class TMsgEvent;
struct TMatchInput;
class TGateEvent;

class TActEventsResult : public TEventsResult, public TObject {
  EM_CLASS(TActEventsResult, TObject)
 public:
  explicit TActEventsResult(TPassOptions options = {});
  ~TActEventsResult() override;
  TActEventsResult(const TActEventsResult&) = delete;
  TActEventsResult& operator=(const TActEventsResult&) = delete;
  TActEventsResult(TActEventsResult&&) = delete;
  TActEventsResult& operator=(TActEventsResult&&) = delete;

  void SetDataSource(uint32_t value) override;
  uint8_t GetNetType() override { return NetType; }
  void SetNetType(uint8_t net) override;
  TEventResult* GetResult(int32_t index) override;
  void AssignResult(int32_t index, TEventResult* source) override;
  int32_t GetCount() override;
  TEventNames* GetEventNames() override { return &EventNames; }
  int32_t IndexOf(TEventResult* result) override;
  int32_t FindExact(int32_t recordIndex, bool last) override;
  int32_t GetNodeRecordIndex(TVirtualTree* tree, TVirtualNode* node) override;
  int32_t Find(int32_t recordIndex, uint8_t matchMode, uint8_t duplicateMode) override;
  int32_t AddResult(TEventResult* result) override;
  void Clear() override;
  void AttachTree(TVirtualTree* tree) override;
  TEventResult* GetNodeResult(TVirtualTree* tree, TVirtualNode* node) override;
  void FeedRecord(uint32_t context, int32_t recordIndex, bool isMessage, bool hasTestItems, bool notify,
                  uint8_t deviceType, TMsgEventList* msgEvents, TGateEventList* gateEvents,
                  TTestEvents* testEvents) override;
  void FeedTestItem(uint32_t context, int32_t recordIndex, int32_t itemPosition, TMsgEventList* msgEvents,
                    TTestEvents* testEvents, bool notify, uint8_t addedFlag) override;
  void FeedEvent(int32_t eventPosition, int32_t itemPosition, TMsgEventList* msgEvents,
                 TGateEventList* gateEvents, TTestEvents* testEvents, uint8_t deviceType) override;
  int32_t LoadRecord(class RecordView* view, int32_t recordIndex) override;
  void EndLog(uint32_t context, TGateEventList* gateEvents) override;
  int32_t FinalCount(double later) override;
  int32_t ReleaseFirst(int32_t count) override;

  TActEventResult* Result(int32_t index) const;

  // The log's own values. The publishing variant of the host's configuration
  // (given when the host creates the container) leaves some data-transfer
  // detail texts out for the value 1. The time of the last "Hangup Dial" is
  // kept for the host (nothing in detection reads it); a match that puts an
  // event in progress clears it.
  uint8_t PublishId() const { return publishId_; }
  void SetPublishId(uint8_t value) { publishId_ = value; }
  double LastHangupTime() const { return lastHangupTime_; }

 private:
  const TPassOptions options_;
  // State of the detection passes, set by every fed record.
  TMsgEventList* MsgEvents = nullptr;
  TTestEvents* TestEvents = nullptr;
  uint8_t DeviceType = 0;
  // Cell memory of the derived network events (kept across Clear).
  int32_t Last3GChannel = 0, Last3GCell = 0;
  int32_t LastGsmChannel = 0, LastGsmCell = 0;
  // The last two CDMA handoff direction values; none (-9999) until a log
  // shows one, so a log that starts inside a call compares with nothing.
  int32_t HandoffPrevious = -9999, HandoffCurrent = -9999;
  // Vendor trace pass flags (kept across Clear).
  bool AfterStop = false;
  bool ReselectionOpen = false;
  uint8_t publishId_ = 0;
  double lastHangupTime_ = 0;  // days; matching clears it through TMatchInput
  TEventNames EventNames;

  // Adds a result made by a pass: the container owns it when it is added;
  // otherwise it is freed. Notifies the host when asked. Returns the position.
  int32_t AddAndNotify(std::unique_ptr<TActEventResult> result, bool notify, uint32_t context, uint8_t flag);
  // Emits the result of an event's current level (message-sequence pass).
  void Emit(TMsgEvent* event, int32_t recordIndex, bool closed, bool notify, uint32_t context);

  std::unordered_set<std::string> eventNameKeys_;  // upper-cased EventNames
  // The properties whose names are in eventNameKeys_, with the name each had
  // then: the lookup on every add, which builds no key for them.
  std::unordered_map<const TEventProperty*, std::string> namedProperties_;
  // The map entries of the properties noted last: a log's results come from
  // a few properties in turn, and the map keeps its entries where they are,
  // so a short search here spares the hash lookup. Replaced in turn.
  struct TRecentName {
    const TEventProperty* Property = nullptr;
    const std::string* Name = nullptr;  // the map's entry, when set
  };
  std::array<TRecentName, 8> recentNames_{};
  uint8_t nextRecentName_ = 0;
  const std::string noName_;
  void noteEventName(TEventProperty* property);
  // Neighbours in the list whose keys descend, per key; the list is sorted by
  // a key while its count is 0, and only then is the insertion point found by
  // binary search. -1: not counted since the list last changed.
  int64_t itemDescents_ = 0, orderDescents_ = 0;
  double SortKey(TActEventResult* result, bool byItemTime);
  void countDescents();
  int32_t insertionPoint(double key, bool byItemTime);
  // Results from the first that FinalCount promised to keep in place.
  int32_t finalCount_ = 0;
  // The earliest sort key a result may still get from what was fed already.
  double pendingKey(double later);
  void MessageSequencePass(int32_t recordIndex, bool notify, uint32_t context);
  void WindowStep(TMsgEvent* event, int32_t recordIndex, bool notify, uint32_t context);
  void CloseWindow(TMsgEvent* event, bool closedByTimeout, bool notify, uint32_t context);
  void OpenWindow(TMsgEvent* event, int32_t recordIndex, double recordTime);
  void StartWhileWaiting(TMsgEvent* event, const TMatchInput& in, int32_t recordIndex, double recordTime,
                         bool notify, uint32_t context);
  // Gates see every fed record once, in order: without Notify at once, with
  // Notify when the next record is fed or the log ends (gatePending_).
  void GatePass(TGateEventList* gates, int32_t recordIndex, bool notify, uint32_t context);
  void EvaluateGates(TGateEventList* gates, int32_t record, bool notify, uint32_t context);
  void PlainGates(TGateEventList* gates, int32_t record, bool notify, uint32_t context);
  int32_t gatePending_ = -1;  // a record fed with Notify whose gates have not seen it yet; -1 none
  TGatePlan gatePlan_;
  // The gate lists evaluated since the last Clear(), compared by address
  // only: a list's gates start the log afresh when it is first evaluated,
  // so what they counted in the previous log does not carry into this one.
  std::vector<const TGateEventList*> gatesThisLog_;
  void StartLogFor(TGateEventList* gates);
  void VendorTracePass(uint32_t context, int32_t recordIndex);
  void DerivedEventsPass(uint32_t context, int32_t recordIndex);
  void DeriveTimerExpiry(uint32_t context, int32_t recordIndex);
  void DeriveCellChange(uint32_t context, int32_t recordIndex);
  void DeriveHandoff(uint32_t context, int32_t recordIndex);
  void DeriveHandoffItem(uint32_t context, int32_t recordIndex, int16_t eventId, uint8_t handoffType);
  void DeriveItem(uint32_t context, int32_t recordIndex, int16_t eventId, std::string_view extra);
  void ApplyTestState(int16_t eventId, TMsgEventList* msgEvents, bool notify, uint32_t context, double recordTime);
  bool Recordable(int16_t eventId, TEventProperty* property) const;

  // Message-sequence pass by code index (see TMsgCodeIndex): the scratch
  // lists are kept between records so that a record allocates nothing.
  std::vector<int> candidates_, merged_, waiting_;
  std::string messageBytes_;
  void CollectCandidates(TMsgEventList* list, uint32_t code);
  void VisitEvent(TMsgEvent* event, const TMatchInput& in, int32_t recordIndex, double recordTime, bool notify,
                  uint32_t context);

  static void TreeGetText(void* self, TVirtualTree* tree, TVirtualNode* node, std::string& text);
  static void TreePaintText(void* self, TVirtualTree* tree, TVirtualNode* node, int32_t& fontColor);
};
