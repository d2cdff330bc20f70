// A fake host for tests: it holds a log of records, loads them into record
// views on request, filters event identifiers, and records every callback so
// that tests can check what the library asked and announced, in order.
#pragma once

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "eventmanager/callbacks.h"
#include "eventmanager/event_result.h"
#include "eventmanager/outside/data_access.h"

struct FakeHost {
  struct Added {
    uint32_t Context;
    TEventResult* Result;
    uint8_t Flag;
    uint8_t Kind;
    int32_t Index;
  };

  std::vector<HandsetRecord> Records;
  std::vector<int32_t> Loads;   // record indexes asked for, in order
  std::vector<Added> AddedCalls;
  std::set<int16_t> Refused;    // identifiers the filter says no to
  bool ThrowOnLoad = false;

  TGetRecordEvent Loader() { return {&FakeHost::load, this}; }
  TEventFilterEvent Filter() { return {&FakeHost::filter, this}; }
  TEventAddedEvent Announcer() { return {&FakeHost::added, this}; }

  // Days for a time of day on 2026-01-05 (an arbitrary day).
  static double At(int hour, int minute, double seconds) {
    return 46027.0 + (hour * 3600.0 + minute * 60.0 + seconds) / 86400.0;
  }

  HandsetRecord& Add(double time, uint32_t code = 0) {
    HandsetRecord& r = Records.emplace_back();
    r.Time = r.OrderTime = time;
    r.MessageCode = code;
    r.Reference = static_cast<uint32_t>(Records.size() - 1);
    return r;
  }

 private:
  static int32_t load(void* self, RecordView* view, int32_t index) {
    auto* host = static_cast<FakeHost*>(self);
    host->Loads.push_back(index);
    if (host->ThrowOnLoad) throw std::runtime_error("host cannot read the log");
    if (index < 0 || index >= static_cast<int32_t>(host->Records.size())) {
      view->Reset();
      return 0;
    }
    view->Load(&host->Records[index]);
    return 1;
  }
  static bool filter(void* self, int16_t id) { return !static_cast<FakeHost*>(self)->Refused.count(id); }
  static void added(void* self, uint32_t context, TEventResult* result, uint8_t flag, uint8_t kind, int32_t index) {
    static_cast<FakeHost*>(self)->AddedCalls.push_back({context, result, flag, kind, index});
  }
};
