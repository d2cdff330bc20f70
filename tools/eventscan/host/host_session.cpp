#include "host/host_session.h"

#include <bit>

#include "eventmanager/outside/data_access.h"
#include "log/networks.h"

namespace eventscan {

HostSession::HostSession(HostLibrary& library, uint8_t network, EventFilter filter)
    : library_(library), network_(network), filter_(std::move(filter)) {
  library_.InitEventManagerDllApplication(nullptr);
  msgEvents_ = library_.CreateMsgEventList();
  gateEvents_ = library_.CreateGateEventList();
  testEvents_ = library_.CreateTestEvents();
  results_ = library_.CreateEventsResult();
  results_->OnGetRecord = {&HostSession::getRecord, this};
  results_->OnEventFilter = {&HostSession::filterEvent, this};
  results_->OnEventAdded = {&HostSession::eventAdded, this};
  try {
    Reload(network);
  } catch (...) {
    release();  // no destructor runs for a constructor that throws
    throw;
  }
}

HostSession::~HostSession() { release(); }

void HostSession::release() {
  SetEventTable(nullptr);
  library_.ClearMsgEventList(msgEvents_);
  library_.ClearGateEventList(gateEvents_);
  delete results_;
  FreeEventObject(testEvents_);
  FreeEventObject(gateEvents_);
  FreeEventObject(msgEvents_);
  library_.FinalEventManagerDllApplication();
}

void HostSession::Reload(uint8_t network) {
  network_ = network;
  definitionsFault_.clear();
  const uint8_t loaded = network < NetworkCount ? network : 0;
  try {
    library_.LoadMsg_Gate_TestEvents(msgEvents_, gateEvents_, testEvents_, results_, loaded);
  } catch (const std::exception& e) {
    // A definitions file the library cannot parse raises its error here
    // (the library kept the fault when it loaded). The test items do not
    // depend on it: the lists are emptied (events read before the error have
    // no properties) and the test events linked alone.
    definitionsFault_ = e.what();
    library_.ClearMsgEventList(msgEvents_);
    library_.ClearGateEventList(gateEvents_);
    library_.LoadMsg_Gate_TestEvents(nullptr, nullptr, testEvents_, results_, loaded);
  }
  if (network >= NetworkCount) {
    // The test events link to the one test-event property list whatever the
    // network; the message and gate lists are emptied again at once.
    library_.ClearMsgEventList(msgEvents_);
    library_.ClearGateEventList(gateEvents_);
    results_->SetNetType(255);
  }
  testNames_.clear();
  std::vector<TEventListing> listed;
  // Listing reads the definitions file too: with one that cannot be parsed,
  // test events are chosen by identifier only.
  if (definitionsFault_.empty()) library_.EventManagerListEvents(network < NetworkCount ? network : 0, listed);
  for (const TEventListing& e : listed)
    if (e.Kind == 2) testNames_.emplace(e.Id, e.Name);
}

void HostSession::Feed(ParsedLog& log, const std::function<void(size_t, size_t)>& progress,
                       const std::vector<int32_t>& restarts, size_t progressStep) {
  const size_t stepMask = std::has_single_bit(progressStep) ? progressStep - 1 : 0x3FFF;
  log_ = &log;
  stream_ = nullptr;
  filter_.KeepRecordsBefore(INT32_MAX);
  filter_.CheckRecordsWith({});
  SetEventTable(&log.Events);
  const size_t total = log.Records.size();
  size_t nextEvent = 0;
  size_t nextRestart = 0;
  for (size_t i = 0; i < total; ++i) {
    const RecordFeed& feed = log.Feeds[i];
    HandsetRecord& rec = log.Records[i];
    auto index = static_cast<int32_t>(i);
    // The part before a restart ends as a log ends (its last record still
    // waits for its gates); loading the definitions again is the library's
    // way to put every sequence and gate back to its first state. Results stay.
    for (; nextRestart < restarts.size() && restarts[nextRestart] <= index; ++nextRestart)
      if (restarts[nextRestart] == index && index > 0) {
        results_->EndLog(static_cast<uint32_t>(index - 1), gateEvents_);
        Reload(network_);
      }
    results_->FeedRecord(static_cast<uint32_t>(i), index, feed.Kind == RecordKind::Message, !rec.Items.empty(), true,
                         feed.DeviceType, msgEvents_, gateEvents_, testEvents_);
    for (; nextEvent < log.Events.size() && log.EventOrigins[nextEvent].DeclaredBy == index; ++nextEvent)
      results_->FeedEvent(static_cast<int32_t>(nextEvent), log.EventOrigins[nextEvent].ItemIndex, msgEvents_,
                          gateEvents_, testEvents_, feed.DeviceType);
    if (progress && (i & stepMask) == stepMask) progress(i + 1, total);
  }
  // Records are fed with Notify, so the last one still waits for its gates.
  if (total > 0) results_->EndLog(static_cast<uint32_t>(total - 1), gateEvents_);
  if (progress) progress(total, total);
}

void HostSession::Feed(LogStream& log, const std::function<void(const HandsetRecord&)>& each,
                       const std::function<void(const LogStream&, bool)>& progress) {
  stream_ = &log;
  log_ = nullptr;
  filter_.KeepRecordsBefore(INT32_MAX);
  // The table grows as lines declare entries; the library reads it by
  // position when an entry is fed, so the vector itself is installed.
  SetEventTable(&log.Events());
  size_t nextEvent = 0;
  int32_t last = -1;
  while (log.Next()) {
    const int32_t index = log.CurrentIndex();
    last = index;
    const RecordFeed feed = log.CurrentFeed();
    HandsetRecord& rec = log.Current();
    results_->FeedRecord(static_cast<uint32_t>(index), index, feed.Kind == RecordKind::Message, !rec.Items.empty(),
                         true, feed.DeviceType, msgEvents_, gateEvents_, testEvents_);
    if (each) each(log.Current());
    // A check may read ahead, and the lines read ahead add entries: the table
    // is looked up again each time.
    for (; nextEvent < log.EventOrigins().size() && log.EventOrigins()[nextEvent].DeclaredBy == index; ++nextEvent) {
      const int32_t item = log.EventOrigins()[nextEvent].ItemIndex;
      if (log.CheckEvent(nextEvent))
        results_->FeedEvent(static_cast<int32_t>(nextEvent), item, msgEvents_, gateEvents_, testEvents_,
                            feed.DeviceType);
      if (log.Stopped()) break;
    }
    if (progress && (index & 0x3FFF) == 0x3FFF) progress(log, false);
  }
  // Records are fed with Notify, so the last one still waits for its gates;
  // a stream that stopped early ends its log at the last record it gave.
  if (last >= 0) results_->EndLog(static_cast<uint32_t>(last), gateEvents_);
  // Results read their records again when they are shown (their times): once
  // a record no longer reads as it was fed, only the sound records are shown.
  filter_.CheckRecordsWith([&log](int32_t index) { return !log.Changed() || log.Record(index) != nullptr; });
  if (log.Changed()) {
    std::set<int32_t> used;
    for (int32_t i = 0; i < results_->GetCount(); ++i)
      if (TEventResult* r = results_->GetResult(i)) used.insert(r->RecordIndex);
    filter_.KeepRecordsBefore(log.SoundRecords(), log.KeepSound(used));
  }
  if (progress) progress(log, true);
}

int32_t HostSession::getRecord(void* self, RecordView* view, int32_t index) {
  auto* s = static_cast<HostSession*>(self);
  if (s->stream_) {
    HandsetRecord* record = s->stream_->Record(index);
    view->Load(record);
    return record ? 1 : 0;
  }
  if (!s->log_ || index < 0 || static_cast<size_t>(index) >= s->log_->Records.size()) {
    view->Load(nullptr);
    return 0;
  }
  view->Load(&s->log_->Records[static_cast<size_t>(index)]);
  return 1;
}

bool HostSession::filterEvent(void* self, int16_t id) {
  auto* s = static_cast<HostSession*>(self);
  if (s->filter_.GetMode() == EventFilter::Mode::All) return true;
  auto it = s->testNames_.find(id);
  return s->filter_.AcceptsId(id, it == s->testNames_.end() ? std::string_view() : std::string_view(it->second));
}

void HostSession::eventAdded(void* self, uint32_t context, TEventResult* /*result*/, uint8_t flag, uint8_t kind,
                             int32_t index) {
  auto* s = static_cast<HostSession*>(self);
  if (s->keepNotices_) s->notices_.push_back({context, index, flag, kind});
}

}  // namespace eventscan
