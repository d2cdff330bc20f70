// The message-sequence pass: every layer-3 message record is offered to the
// message events of the current network; matches advance or start their
// level sequences, reporting levels become results, and sequences left in
// progress wait up to five seconds of record time in their window.
#include <algorithm>
#include <iterator>
#include <memory>

#include "core/network.h"
#include "definitions/msg_event_list.h"
#include "detection/act_events_result.h"
#include "detection/elapsed_time.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"

namespace {

// A window stays open for 5 s of record time; at exactly 5 s it is still open.
constexpr int64_t WindowMilliseconds = 5000;

bool windowExpired(double now, double start) { return ElapsedMilliseconds(start, now) > WindowMilliseconds; }

// Watch codes of the waiting window.
constexpr uint32_t WatchOpen = rrc::ConnectionRequest;
constexpr uint32_t WatchCancelEarly = rrc::SignallingConnectionReleaseIndication;
constexpr uint32_t WatchSecondA = rrc::ConnectionSetup;
constexpr uint32_t WatchSecondB = rrc::RadioBearerSetup;
constexpr uint32_t WatchBackA = rrc::SignallingConnectionRelease;
constexpr uint32_t WatchBackB = rrc::RadioBearerRelease;
constexpr uint32_t WatchCancelLate = rrc::CellChangeOrderFromUtran;
constexpr uint32_t WatchBackC = rrc::ConnectionRelease;

// The decoders accept a code only for a wanted code with the same low 16
// bits (the code filter relies on it too), so these keys cover every record
// that a window step can react to.
bool isWatchKey(uint32_t code) {
  switch (code & 0xFFFF) {
    case WatchOpen & 0xFFFF: case WatchCancelEarly & 0xFFFF: case WatchSecondA & 0xFFFF:
    case WatchSecondB & 0xFFFF: case WatchBackA & 0xFFFF: case WatchBackB & 0xFFFF:
    case WatchCancelLate & 0xFFFF: case WatchBackC & 0xFFFF:
      return true;
    default:
      return false;
  }
}

int32_t subIndex(uint8_t net, uint32_t code, const std::string& bytes) {
  switch (net) {
    case 0: return NetGSML3LogMsgTypeHasSubTypes(code) ? GainNetGSML3LogMsgSubIndex(code, bytes) : 0;
    case 1: return NetCDMAL3LogMsgTypeHasSubTypes(code) ? GainNetCDMAL3LogMsgSubIndex(code, bytes) : 0;
    case 2: return NetWCDMAL3LogMsgTypeHasSubTypes(code) ? GainNetWCDMAL3LogMsgSubIndex(code, bytes) : 0;
    case 3: return NetTDSCDMAL3LogMsgTypeHasSubTypes(code) ? GainNetTDSCDMAL3LogMsgSubIndex(code, bytes) : 0;
    case 4: return NetLTEL3LogMsgTypeHasSubTypes(code) ? GainNetLTEL3LogMsgSubIndex(code, bytes) : 0;
    default: return 0;
  }
}

void cancelWindow(TMsgEvent* event) {
  event->CurrentLevel = event->PreviousLevel;
  event->InProgress = event->WatchFirst = event->WatchSecond = false;
}

}  // namespace

void TActEventsResult::Emit(TMsgEvent* event, int32_t recordIndex, bool closed, bool notify, uint32_t context) {
  TLevelNode* level = event->CurrentLevel;
  if (!level) return;
  level->RecordIndex = recordIndex;
  if (level->HasReportName()) {
    if (!level->Displayed()) return;
    auto result = TActEventResult::CreateForLevel(this, DeviceType, recordIndex, level);
    if (closed) result->Time = event->StartTime;
    // The sequence is complete before the host hears of it, so a failing
    // callback cannot leave it half-reported.
    if (level->HasNoChildren()) event->ResetRun();
    AddAndNotify(std::move(result), notify, context, 1);
    return;
  }
  if (level->HasNoChildren()) event->ResetRun();
}

void TActEventsResult::CloseWindow(TMsgEvent* event, bool closedByTimeout, bool notify, uint32_t context) {
  // The window is closed before the result is emitted: an error from a host
  // callback must not leave the event waiting forever.
  event->InProgress = event->WatchFirst = event->WatchSecond = false;
  Emit(event, event->StartRecord, closedByTimeout, notify, context);
}

void TActEventsResult::WindowStep(TMsgEvent* event, int32_t recordIndex, bool notify, uint32_t context) {
  if (!event->WatchFirst) LoadRecord(RecordView, recordIndex);
  if (windowExpired(RecordView->Time(), event->StartTime)) {
    CloseWindow(event, true, notify, context);
    return;
  }
  uint8_t net = MsgEvents->NetType;
  uint32_t code = RecordView->MessageCode();
  auto is = [&](uint32_t wanted) { return CompareMsgInfo(DeviceType, net, code, wanted); };
  if (!event->WatchFirst) {
    if (is(WatchOpen))
      event->WatchFirst = true;
    else if (is(WatchCancelEarly))
      cancelWindow(event);
  } else if (!event->WatchSecond) {
    if (is(WatchSecondA) || is(WatchSecondB))
      event->WatchSecond = true;
    else if (is(WatchBackA) || is(WatchBackB))
      event->WatchFirst = event->WatchSecond = false;
  } else {
    if (is(WatchCancelLate))
      cancelWindow(event);
    else if (is(WatchBackA) || is(WatchBackB) || is(WatchBackC))
      event->WatchFirst = event->WatchSecond = false;
  }
}

void TActEventsResult::MessageSequencePass(int32_t recordIndex, bool notify, uint32_t context) {
  TMsgEventList* list = MsgEvents;
  if (!list) return;
  LoadRecord(RecordView, recordIndex);
  uint32_t code = RecordView->MessageCode();
  waiting_.clear();
  if (list->MayHaveWaiting) {
    for (int i = 0; i < list->Count(); ++i) {
      TMsgEvent* event = list->Event(i);
      if (event->HasLevels() && event->InProgress && windowExpired(RecordView->Time(), event->StartTime)) {
        TCodeIndexSync sync(list, i);
        WindowStep(event, recordIndex, notify, context);
        LoadRecord(RecordView, recordIndex);
      }
      if (event->InProgress) waiting_.push_back(i);
    }
    list->MayHaveWaiting = !waiting_.empty();
  }
  if (!list->Offers(code)) return;
  CollectCandidates(list, code);
  if (candidates_.empty()) return;

  // The record's fields are copied out: RecordView is reloaded by every
  // emitted result, and matching may ask for the record again. The buffer
  // is kept, so a record allocates nothing here once it has grown.
  messageBytes_ = RecordView->MessageBytes();
  TMatchInput in;
  in.DeviceType = DeviceType;
  in.MessageCode = code;
  in.SubIndex = subIndex(NetType, code, messageBytes_);
  in.Data = &messageBytes_;
  // Matching loads records by the view's reference, which a host may number
  // differently from the record index.
  in.RecordRef = RecordView->Reference();
  in.OnGetRecord = OnGetRecord;
  in.HangupTime = &lastHangupTime_;

  // Events are visited in list order, which decides the order of results
  // made on the same record. An event only changes when it is visited, so
  // the candidates found before the loop are those a visit of every event
  // would have changed.
  const double recordTime = RecordView->Time();
  for (int position : candidates_) {
    TMsgEvent* event = list->Event(position);
    if (!event->HasLevels()) continue;
    TCodeIndexSync sync(list, position);
    VisitEvent(event, in, recordIndex, recordTime, notify, context);
  }
}

void TActEventsResult::CollectCandidates(TMsgEventList* list, uint32_t code) {
  const size_t count = static_cast<size_t>(list->Count());
  if (candidates_.capacity() < count) {
    candidates_.reserve(count);
    merged_.reserve(count);
  }
  candidates_.clear();
  TMsgCodeIndex* index = options_.PlainMessagePass ? nullptr : list->CodeIndex();
  if (!index) {
    for (size_t i = 0; i < count; ++i) candidates_.push_back(static_cast<int>(i));
    return;
  }
  index->Candidates(code, candidates_);
  // Waiting events watch for their codes whatever their levels wait for.
  if (!waiting_.empty() && isWatchKey(code)) {
    merged_.clear();
    std::set_union(candidates_.begin(), candidates_.end(), waiting_.begin(), waiting_.end(),
                   std::back_inserter(merged_));
    candidates_.swap(merged_);
  }
}

void TActEventsResult::VisitEvent(TMsgEvent* event, const TMatchInput& in, int32_t recordIndex, double recordTime,
                                  bool notify, uint32_t context) {
  if (event->InProgress) {
    WindowStep(event, recordIndex, notify, context);
    LoadRecord(RecordView, recordIndex);
    StartWhileWaiting(event, in, recordIndex, recordTime, notify, context);
    return;
  }
  if (event->MatchNext(in)) {
    if (event->InProgress) {
      OpenWindow(event, recordIndex, recordTime);
    } else {
      Emit(event, recordIndex, false, notify, context);
      LoadRecord(RecordView, recordIndex);
    }
  }
  const bool waiting = event->InProgress;
  if (event->MatchStart(in)) {
    if (event->InProgress && !waiting) {
      // A first step that puts the event in progress waits like any other
      // level; its result comes when the window closes.
      OpenWindow(event, recordIndex, recordTime);
    } else {
      Emit(event, recordIndex, false, notify, context);
      LoadRecord(RecordView, recordIndex);
    }
  } else if (!waiting) {
    // A start undone because another branch is under way may still have
    // put the event in progress; no window was opened for it.
    event->InProgress = false;
  }
}

void TActEventsResult::OpenWindow(TMsgEvent* event, int32_t recordIndex, double recordTime) {
  event->InProgress = true;
  event->WatchFirst = event->WatchSecond = false;
  event->StartTime = recordTime;
  event->StartRecord = recordIndex;
  if (TMsgEventList* list = event->List()) list->MayHaveWaiting = true;
}

void TActEventsResult::StartWhileWaiting(TMsgEvent* event, const TMatchInput& in, int32_t recordIndex,
                                         double recordTime, bool notify, uint32_t context) {
  // The window step may have closed or cancelled the window. InProgress is
  // cleared during the match so that a start that puts the event in
  // progress is told apart from the old window.
  const bool waiting = event->InProgress;
  event->InProgress = false;
  if (!event->MatchFirstStep(in)) {
    event->InProgress = waiting;
    return;
  }
  const bool startWaits = event->InProgress;
  TLevelNode* started = event->CurrentLevel;
  if (waiting) {
    // The waiting sequence is reported first, while its levels still hold
    // the record indexes of its own run; only then does the new run start.
    event->WatchFirst = event->WatchSecond = false;
    event->CurrentLevel = event->PreviousLevel;
    Emit(event, event->StartRecord, false, notify, context);
  }
  event->CurrentLevel = started;
  event->RestartAtCurrentLevel();
  if (startWaits) {
    OpenWindow(event, recordIndex, recordTime);
  } else {
    Emit(event, recordIndex, false, notify, context);
  }
  LoadRecord(RecordView, recordIndex);
}
