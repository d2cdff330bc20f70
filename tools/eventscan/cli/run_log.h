// One log run through a host session and written as rows: what `eventscan
// run` does for its log and `eventscan demo` for each sample log. The
// library's objects live as long as the session inside; the library itself
// stays loaded by the caller.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>

#include "cli/commands.h"
#include "host/event_filter.h"
#include "host/host_library.h"
#include "host/log_input.h"

namespace eventscan {

// Runs one log through a session and writes its rows; the summary line goes
// where a reader of the rows expects it: after a table, else to stderr. The
// rows go to `output()`, asked for once there are rows to write: a streamed
// log's rows in CSV, JSON or JSON Lines while it is fed, as soon as no later
// result can come before them (records are taken to come in time order, give
// or take two seconds), the table's and a strictly read log's once the whole
// log has been fed. Returns
// ExitSave when the library could not save its files at the end of the
// session (the rows are written and flushed first, the faults printed), and
// ExitInput when strict reading stopped (no rows) or when the log changed
// while it was read (the rows of the records before the change are written).
// A capture's rows are numbered by frame.
int RunLog(HostLibrary& library, LogInput& input, const EventFilter& filter, OutputFormat format,
           const std::function<std::ostream&()>& output, bool tableOnStdout,
           std::chrono::steady_clock::time_point started);

// std::cout, as an output of RunLog.
std::ostream& StandardOutput();

}  // namespace eventscan
