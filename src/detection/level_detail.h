// Detail lines of message-sequence levels: what the signalling message a level
// matched did (handover target, active-set change, cause, delay), decoded
// through the decoder and diagnosis components. The lines go to the result's
// Details; the level keeps its DetailDone mark and its last loaded record.
#pragma once

#include <cstdint>

#include "definitions/level_node.h"
#include "detection/detail_lines.h"
#include "eventmanager/callbacks.h"

// Appends the lines of one level (DetailFlag 1..8 by network), sets DetailDone.
void BuildLevelDetail(TLevelNode& level, TDetailLines& details, const TGetRecordEvent& onGetRecord, uint8_t deviceType);
// From the reporting level up through its parents while DetailDone is false.
void AppendLevelDetails(TLevelNode& reporting, TDetailLines& details, const TGetRecordEvent& onGetRecord,
                        uint8_t deviceType);
