// One detection run as a host drives it: creates the library's lists, test
// events and results container, loads the definitions of one network,
// installs the three callbacks (records are loaded into the record view by
// pointer, nothing is copied) and feeds a log record by record: a parsed log
// held in memory, or a log streamed as it is read (records the library asks
// for again are answered by the stream). The session owns the library objects
// it created; the log must outlive it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/event_filter.h"
#include "host/host_library.h"
#include "log/log_reader.h"
#include "log/log_types.h"

namespace eventscan {

struct AddedNotice {
  uint32_t Context;
  int32_t Position;
  uint8_t Flag;
  uint8_t Kind;
};

class HostSession {
 public:
  // network 0..4 loads its definitions. Any other value (a network the
  // library has no definitions for) links only the test events, so only test
  // items give results.
  HostSession(HostLibrary& library, uint8_t network, EventFilter filter = {});
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Installs the log's event table and feeds every record, then the event-
  // table entries each record line declared. `progress` gets (done, total)
  // every `progressStep` records (a power of two) and at the end.
  // At each record of `restarts` (ascending) the definitions start again
  // from their first state: the handset was on a system no record can carry.
  void Feed(ParsedLog& log, const std::function<void(size_t, size_t)>& progress = {},
            const std::vector<int32_t>& restarts = {}, size_t progressStep = 0x4000);
  // Reads and feeds the log in one pass, in the same order as above: each
  // record, then the entries its line declared. An entry naming a record the
  // log never reaches is not fed; it stays a fault of the stream. Stops where
  // the stream stops (strict reading, or a change of the log, whose records
  // from the change on then give no rows). `each` sees every record after it was
  // fed; `progress` is called every few thousand records and at the end
  // (complete).
  void Feed(LogStream& log, const std::function<void(const HandsetRecord&)>& each = {},
            const std::function<void(const LogStream&, bool complete)>& progress = {});

  TEventsResult& Results() { return *results_; }
  const std::vector<AddedNotice>& Notices() const { return notices_; }
  // Whether the library's announcements of new results are kept in
  // Notices() (by default); a run that only writes rows needs none, and
  // 12 bytes a result add up over millions of them.
  void KeepNotices(bool keep) { keepNotices_ = keep; }
  const EventFilter& Filter() const { return filter_; }
  uint8_t Network() const { return network_; }
  // Loads the definitions of another network into the same objects. When the
  // definitions file cannot be parsed, the test events are loaded alone and
  // DefinitionsFault() holds the library's error.
  void Reload(uint8_t network);
  const std::string& DefinitionsFault() const { return definitionsFault_; }

  TMsgEventList* MsgEvents() { return msgEvents_; }
  TGateEventList* GateEvents() { return gateEvents_; }
  TTestEvents* TestEvents() { return testEvents_; }

 private:
  void release();
  static int32_t getRecord(void* self, RecordView* view, int32_t index);
  static bool filterEvent(void* self, int16_t id);
  static void eventAdded(void* self, uint32_t context, TEventResult* result, uint8_t flag, uint8_t kind,
                         int32_t index);

  HostLibrary& library_;
  uint8_t network_;
  EventFilter filter_;
  std::map<int32_t, std::string> testNames_;
  std::string definitionsFault_;
  ParsedLog* log_ = nullptr;
  LogStream* stream_ = nullptr;
  std::vector<AddedNotice> notices_;
  bool keepNotices_ = true;
  TMsgEventList* msgEvents_ = nullptr;
  TGateEventList* gateEvents_ = nullptr;
  TTestEvents* testEvents_ = nullptr;
  TEventsResult* results_ = nullptr;
};

}  // namespace eventscan
