// Host callbacks as method references: a code pointer that takes the object
// first, and the object. A callback whose Code is null is unassigned and skipped.
#pragma once

#include <cstdint>

class RecordView;
class TEventResult;

// Loads record `recordIndex` of the open log into `view`; the result is handed
// back unchanged to the caller of LoadRecord.
struct TGetRecordEvent {
  int32_t (*Code)(void* object, RecordView* view, int32_t recordIndex) = nullptr;
  void* Object = nullptr;
  explicit operator bool() const { return Code != nullptr; }
  int32_t operator()(RecordView* view, int32_t recordIndex) const { return Code(Object, view, recordIndex); }
};

// True when events with this identifier are to be recorded.
struct TEventFilterEvent {
  bool (*Code)(void* object, int16_t eventId) = nullptr;
  void* Object = nullptr;
  explicit operator bool() const { return Code != nullptr; }
  bool operator()(int16_t eventId) const { return Code(Object, eventId); }
};

// A result was added: the record's context, the result, 1 for message-sequence
// and gate results and 0 for test-item results, the result's kind, its position.
struct TEventAddedEvent {
  void (*Code)(void* object, uint32_t context, TEventResult* result, uint8_t flag, uint8_t kind,
               int32_t index) = nullptr;
  void* Object = nullptr;
  explicit operator bool() const { return Code != nullptr; }
  void operator()(uint32_t context, TEventResult* result, uint8_t flag, uint8_t kind, int32_t index) const {
    Code(Object, context, result, flag, kind, index);
  }
};
