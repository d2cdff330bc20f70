// The results a host reads: TEventResult (one detected event) and
// TEventsResult (the container the host feeds records to). Both are abstract
// classes whose virtual operations hosts call by slot: the declaration order
// below is the calling contract, with the virtual destructor after the slots.
// Everything runs on the host's thread; callbacks are called synchronously.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eventmanager/bitmap.h"
#include "eventmanager/callbacks.h"
#include "eventmanager/tree_view.h"

class TEventProperty;
class TEventsResult;
class TObjectList;
class TMsgEventList;
class TGateEventList;
class TTestEvents;
class RecordView;
class EventView;

// One detail line and the record index it refers to.
struct TResultDetail {
  std::string Text;
  int32_t RecordIndex = 0;
};
using TResultDetails = std::vector<TResultDetail>;

// A distinct event name found so far and the display property it came with.
struct TEventNameEntry {
  std::string Name;
  TEventProperty* Property = nullptr;
};
using TEventNames = std::vector<TEventNameEntry>;

class TEventResult {
 public:
  TEventsResult* Owner = nullptr;
  TEventProperty* Property = nullptr;
  int32_t RecordIndex = 0;
  int32_t ItemIndex = 0;
  double Time = 0;  // days; 0 means "read the time from the record"
  TResultDetails* Details = nullptr;

  virtual const TBitmap* GetBitmap() = 0;                        // slot 0
  virtual void GetVoiceText(std::string& text) = 0;              // slot 1
  virtual void GetEventName(std::string& name) = 0;              // slot 2
  virtual bool GetDrawInGraph() = 0;                             // slot 3
  virtual bool GetDrawInMap() = 0;                               // slot 4
  virtual bool GetPlayVoice() = 0;                               // slot 5
  virtual int32_t GetBackColor() = 0;                            // slot 6
  virtual int32_t GetFontColor() = 0;                            // slot 7
  virtual double GetTime() = 0;                                  // slot 8
  virtual bool HasDetails() = 0;                                 // slot 9
  virtual int32_t GetTestEventId() = 0;                          // slot 10
  virtual bool IsKind(int32_t selector) = 0;                     // slot 11
  virtual bool HasDetailFlag6() = 0;                             // slot 12
  virtual void Assign(TEventResult* source) = 0;                 // slot 13
  virtual void Speak() = 0;                                      // slot 14
  virtual int32_t LoadRecord(RecordView* view, int32_t recordIndex) = 0;  // slot 15
  virtual ~TEventResult() = default;
};

// A host tree whose top-level nodes list results and whose child nodes list
// their detail lines. Any toolkit's tree can stand in through this shape.
struct TVirtualNode {
  TVirtualNode* Parent = nullptr;
  TEventResult* Result = nullptr;  // top-level nodes
  int32_t Line = -1;               // child nodes: the detail line number
};

class TVirtualTree {
 public:
  int32_t Tag = 0;  // bits 0..3: the time-text switches of the rows
  // Called for the text of a node; the container installs its own.
  struct GetTextHandler {
    void (*Code)(void* object, TVirtualTree* tree, TVirtualNode* node, std::string& text) = nullptr;
    void* Object = nullptr;
  } OnGetText;
  // Called before a node is painted; sets the font colour of its text.
  struct PaintTextHandler {
    void (*Code)(void* object, TVirtualTree* tree, TVirtualNode* node, int32_t& fontColor) = nullptr;
    void* Object = nullptr;
  } OnPaintText;

  std::string TextOf(TVirtualNode* node) {
    std::string text;
    if (OnGetText.Code) OnGetText.Code(OnGetText.Object, this, node, text);
    return text;
  }
  int32_t FontColorOf(TVirtualNode* node, int32_t fallback = 0) {
    int32_t colour = fallback;
    if (OnPaintText.Code) OnPaintText.Code(OnPaintText.Object, this, node, colour);
    return colour;
  }
};

class TEventsResult {
 public:
  uint8_t NetType = 255;
  class RecordView* RecordView = nullptr;
  class EventView* EventView = nullptr;
  TObjectList* Results = nullptr;
  int32_t Position = -1;
  uint32_t DataSource = 0;
  TEventAddedEvent OnEventAdded;
  TEventFilterEvent OnEventFilter;
  TGetRecordEvent OnGetRecord;

  virtual void SetDataSource(uint32_t value) = 0;                                         // slot 0
  virtual uint8_t GetNetType() = 0;                                                       // slot 1
  virtual void SetNetType(uint8_t net) = 0;                                               // slot 2
  virtual TEventResult* GetResult(int32_t index) = 0;                                     // slot 3
  virtual void AssignResult(int32_t index, TEventResult* source) = 0;                     // slot 4
  virtual int32_t GetCount() = 0;                                                         // slot 5
  virtual TEventNames* GetEventNames() = 0;                                               // slot 6
  virtual int32_t IndexOf(TEventResult* result) = 0;                                      // slot 7
  virtual int32_t FindExact(int32_t recordIndex, bool last) = 0;                          // slot 8
  virtual int32_t GetNodeRecordIndex(TVirtualTree* tree, TVirtualNode* node) = 0;         // slot 9
  virtual int32_t Find(int32_t recordIndex, uint8_t matchMode, uint8_t duplicateMode) = 0;  // slot 10
  virtual int32_t AddResult(TEventResult* result) = 0;                                    // slot 11
  virtual void Clear() = 0;                                                               // slot 12
  virtual void AttachTree(TVirtualTree* tree) = 0;                                        // slot 13
  virtual TEventResult* GetNodeResult(TVirtualTree* tree, TVirtualNode* node) = 0;        // slot 14
  virtual void FeedRecord(uint32_t context, int32_t recordIndex, bool isMessage, bool hasTestItems, bool notify,
                          uint8_t deviceType, TMsgEventList* msgEvents, TGateEventList* gateEvents,
                          TTestEvents* testEvents) = 0;                                   // slot 15
  virtual void FeedTestItem(uint32_t context, int32_t recordIndex, int32_t itemPosition, TMsgEventList* msgEvents,
                            TTestEvents* testEvents, bool notify, uint8_t addedFlag) = 0;  // slot 16
  virtual void FeedEvent(int32_t eventPosition, int32_t itemPosition, TMsgEventList* msgEvents,
                         TGateEventList* gateEvents, TTestEvents* testEvents, uint8_t deviceType) = 0;  // slot 17
  virtual int32_t LoadRecord(class RecordView* view, int32_t recordIndex) = 0;           // slot 18
  virtual ~TEventsResult() = default;
  // Ends the log being fed. A record fed with Notify has its gates evaluated
  // when the next record is fed (a live log's record may still be filled in
  // as it arrives); the last record of a log has no next one, so the host
  // calls this once after it, before it reads the results or feeds another
  // log. It evaluates that record with these gates, announces what fires
  // with `context` (added flag 1, kind 3), and does nothing when no record
  // waits. Clear forgets a waiting record. Declared after the destructor so
  // that every slot above keeps its place for hosts built before it.
  virtual void EndLog(uint32_t context, TGateEventList* gateEvents) = 0;                  // slot 19
  // How many results, from the first, keep their places whatever is fed
  // later, when every result still to come from records not yet fed sorts
  // no earlier than `later` (days; a host that reads its log in time order
  // gives the time of the last record it fed, less the slack it allows for
  // clocks that step back). Results a fed record may still give (a sequence
  // waiting in its window, a record whose gates have not seen it yet) are
  // taken into account here. The count never shrinks until Clear: a result
  // that would sort before results already counted (a log whose times step
  // back further than `later` allowed) is placed right after them, so a
  // host may show the counted results at once and never see them move.
  virtual int32_t FinalCount(double later) = 0;                                          // slot 20
  // Frees the first `count` results, no more than FinalCount counted, once
  // the host has shown them and needs them no longer (a run that writes its
  // rows as they become final keeps only those still to come); the others
  // move up and FinalCount counts from them. Returns how many were freed.
  // The event names found stay.
  virtual int32_t ReleaseFirst(int32_t count) = 0;                                       // slot 21
};
