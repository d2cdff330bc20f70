// TActEventResult: one detected event occurrence (a completed message
// sequence, a fired gate, or a test event). Created by the results container's
// passes and owned by its result list; holds no copy of its record, only the
// record index, an optional cached time and its detail lines. It owns Details
// through the raw pointer the host's TEventResult fixes, so it is neither
// copied nor moved: a copy would free the lines twice.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/object.h"
#include "detection/detail_lines.h"
#include "eventmanager/event_result.h"

class TLevelNode;
class TGateEvent;

enum TResultKind : int32_t { KindMessage = 1, KindTest = 2, KindGate = 3 };

class TActEventResult : public TEventResult, public TObject {
  EM_CLASS(TActEventResult, TObject)
 public:
  ~TActEventResult() override;
  TActEventResult(const TActEventResult&) = delete;
  TActEventResult& operator=(const TActEventResult&) = delete;
  TActEventResult(TActEventResult&&) = delete;
  TActEventResult& operator=(TActEventResult&&) = delete;

  int32_t Kind = 0;
  // What the result reports about its source, taken when it is made: the
  // definitions may be cleared or reloaded while the host still lists the
  // results, so a result keeps no link to its level or gate.
  // The event identifier (results from test items and event-table entries).
  int32_t SourceId = 0;
  // The reporting level's DetailFlag (kind 1 from a sequence), else 0.
  int32_t SourceDetailFlag = 0;
  uint8_t DeviceType = 0;
  // The view the result loads its own record into (time, item details); made
  // by the data-access component's factory, which news it.
  std::unique_ptr<::RecordView> RecordView;
  // The container whose list owns this result; none before it is added.
  TEventsResult* ListedIn = nullptr;
  // Sort keys cached by the container for the record and time they were
  // computed from: the item time (GetTime) and the record's ordering time,
  // both 0 without record data.
  struct SortKeys {
    bool Keyed = false;
    int32_t KeyedRecord = 0;
    double KeyedTime = 0;
    double ItemTime = 0;
    double OrderTime = 0;
  } Keys;

  static std::unique_ptr<TActEventResult> CreateForLevel(TEventsResult* owner, uint8_t deviceType,
                                                         int32_t recordIndex, TLevelNode* level);
  static std::unique_ptr<TActEventResult> CreateForItem(TEventsResult* owner, int32_t kind, uint8_t deviceType,
                                                        TEventProperty* property, int32_t itemIndex,
                                                        int32_t recordIndex, int16_t eventId);
  static std::unique_ptr<TActEventResult> CreateForGate(TEventsResult* owner, int32_t recordIndex,
                                                        TGateEvent* gate);

  const TBitmap* GetBitmap() override;
  void GetVoiceText(std::string& text) override;
  void GetEventName(std::string& name) override;
  bool GetDrawInGraph() override;
  bool GetDrawInMap() override;
  bool GetPlayVoice() override;
  int32_t GetBackColor() override;
  int32_t GetFontColor() override;
  double GetTime() override;
  bool HasDetails() override { return Details != nullptr; }
  int32_t GetTestEventId() override { return IsKind(1) ? SourceId : -1; }
  bool IsKind(int32_t selector) override;
  bool HasDetailFlag6() override;
  void Assign(TEventResult* source) override;
  void Speak() override;
  int32_t LoadRecord(class RecordView* view, int32_t recordIndex) override;

  std::string EventName() {
    std::string name;
    GetEventName(name);
    return name;
  }

 private:
  explicit TActEventResult(TEventsResult* owner);
  void BuildItemDetails();
};

// The library's result behind a host's TEventResult pointer, or nullptr when
// the object is not one of ours.
TActEventResult* AsActResult(TEventResult* result);

// Library-wide publishing variant, read at start-up; the item detail texts
// leave some data-transfer texts out for the value 1.
extern uint8_t PublishId;
