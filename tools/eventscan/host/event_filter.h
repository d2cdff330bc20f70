// Which events a run reports: all, only the listed ones, or all but the
// listed ones. Items are event identifiers ("54") or event names ("Start
// Dial", letter case ignored). Identifiers decide for test items and event-
// table entries as the library asks (OnEventFilter); names also select rows
// of message-sequence and gate results when they are printed.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace eventscan {

class EventFilter {
 public:
  enum class Mode { All, Only, Skip };

  EventFilter() = default;
  EventFilter(Mode mode, const std::vector<std::string>& items);

  Mode GetMode() const { return mode_; }
  // OnEventFilter's answer; `name` is the test event's name when known.
  bool AcceptsId(int32_t id, std::string_view name) const;
  // Whether a printed row is kept; `testId` is -1 for results that are no test event.
  bool AcceptsRow(int32_t testId, std::string_view name) const;
  // Rows of records from `count` on are dropped (those of a log that changed
  // while it was read, from where the change was found).
  // Rows of the records in `dropped` too.
  void KeepRecordsBefore(int32_t count, std::set<int32_t> dropped = {}) {
    recordLimit_ = count;
    dropped_ = std::move(dropped);
  }
  // And rows whose record `check` refuses (a record that can no longer be
  // read as it was fed); asked after the row's time, which may read it.
  void CheckRecordsWith(std::function<bool(int32_t)> check) { check_ = std::move(check); }
  // The record checks of `other` (a session's, after a changed log), kept
  // with this filter's choice of events.
  void TakeRecordChecksOf(const EventFilter& other) {
    recordLimit_ = other.recordLimit_;
    dropped_ = other.dropped_;
    check_ = other.check_;
  }
  bool AcceptsRecord(int32_t recordIndex) const {
    return recordIndex < recordLimit_ && !dropped_.count(recordIndex) && (!check_ || check_(recordIndex));
  }

 private:
  bool listed(int32_t id, std::string_view name) const;

  Mode mode_ = Mode::All;
  std::set<int32_t> ids_;
  std::set<std::string> names_;  // lower case
  int32_t recordLimit_ = INT32_MAX;
  std::set<int32_t> dropped_;
  std::function<bool(int32_t)> check_;
};

// Splits "54, Start Dial,10003" at commas, trimming blanks; empty items are dropped.
std::vector<std::string> SplitList(std::string_view text);

}  // namespace eventscan
