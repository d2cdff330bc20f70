// A capture written as a log in our format, so that it can be kept, edited
// and run like any other log: the header line, then one line a record with
// the frame number and the direction as host elements of the message.
#pragma once

#include <ostream>
#include <string>

#include "capture/capture_log.h"

namespace eventscan {

// The capture as a log in our format (header and one line a record);
// `source` names the capture in the header.
void WriteCaptureLog(std::ostream& out, const CaptureLog& capture, const std::string& source);

}  // namespace eventscan
