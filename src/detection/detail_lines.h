// Detail lines of a result: each line of text carries the index of the
// record it was decoded from, so a host can jump from a line to its record.
// The type is the one results hand to hosts (TResultDetail).
#pragma once

#include "eventmanager/event_result.h"

using TDetailLine = TResultDetail;
using TDetailLines = TResultDetails;
