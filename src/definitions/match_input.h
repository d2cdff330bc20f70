// What the results container hands to matching for the current record.
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/callbacks.h"

struct TMatchInput {
  uint8_t DeviceType = 0;
  uint32_t MessageCode = 0;
  int32_t SubIndex = -1;  // 0..31; negative skips the sub-type test
  const std::string* Data = nullptr;  // the record's raw message
  uint32_t RecordRef = 0;              // only handed back to OnGetRecord
  TGetRecordEvent OnGetRecord;
  // The time of the last hang-up test item (days) of the container feeding
  // the record; a match that puts its event in progress clears it. None:
  // nothing to clear.
  double* HangupTime = nullptr;
};
