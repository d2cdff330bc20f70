// Reads a GSMTAP capture (pcap or pcapng) through one tshark subprocess and
// maps its frames as tshark prints them (CaptureMapper). A capture is known
// by its first bytes, not by its name. Single-threaded; the result owns
// everything.
#pragma once

#include <string>

#include "capture/capture_log.h"

namespace eventscan {

// True when the file starts like a pcap or pcapng file.
bool IsCaptureFile(const std::string& path);

// Runs tshark (or $EVENTSCAN_TSHARK) on the capture and maps every frame.
// Raises CaptureError when tshark is missing or fails on the file.
CaptureLog ReadCapture(const std::string& path);

}  // namespace eventscan
