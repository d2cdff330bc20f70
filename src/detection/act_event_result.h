// TActEventResult: one detected event occurrence (a completed message
// sequence, a fired gate, or a test event). Created by the results container's
// passes and owned by its result list; holds no copy of its record and no
// view of it, only the record index, an optional cached time and its detail
// lines (in the object: Details points at them, as the host's TEventResult
// fixes, so the object is neither copied nor moved). Results are many and
// small: their memory comes from a pool of equal blocks, so making one costs
// no allocation once the pool has grown (see result_pool.h).
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

  // What the result reports about its source, taken when it is made: the
  // definitions may be cleared or reloaded while the host still lists the
  // results, so a result keeps no link to its level or gate.
  // The event identifier (results from test items and event-table entries).
  int16_t SourceId = 0;
  uint8_t Kind = 0;
  uint8_t DeviceType = 0;
  // The reporting level's DetailFlag was 6 (kind 1 from a sequence).
  bool SourceDetailFlag6 = false;
  // In a container's list (one container's at most); not before it is added.
  bool Listed = false;
  // Sort keys cached by the container for the record and time they were
  // computed from: the item time (GetTime) and the record's ordering time,
  // both 0 without record data. Packed, since a long log keeps hundreds of
  // thousands of results: without record data First holds the time the keys
  // were computed for; with data it is the item time, which is that time
  // unless the keys were computed for time 0 (KeyedAtZero).
  struct SortKeys {
    double First = 0;
    double OrderTime = 0;  // 0 without data
    int32_t KeyedRecord = 0;
    bool Keyed = false;
    bool HasData = false;
    bool KeyedAtZero = false;
    double ItemTime() const { return HasData ? First : 0; }
    double KeyedTime() const { return !HasData ? First : KeyedAtZero ? 0 : First; }
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

  // Every result, from wherever it is deleted (the list, a host through the
  // virtual destructor), goes back to the pool.
  static void* operator new(size_t size);
  static void operator delete(void* block, size_t size);

 private:
  explicit TActEventResult(TEventsResult* owner);
  void BuildItemDetails();
  TResultDetails details_;  // what Details points at
};

// The library's result behind a host's TEventResult pointer, or nullptr when
// the object is not one of ours.
TActEventResult* AsActResult(TEventResult* result);
