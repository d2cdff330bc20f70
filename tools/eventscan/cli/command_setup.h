// What the commands do before and after they run a log: open the events
// library for the common options (the home directory chosen first, as the
// library reads it when it loads), turn the log options into reading options
// and an event filter, and print the faults of the library's files.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "host/event_filter.h"
#include "host/host_library.h"
#include "host/host_session.h"
#include "log/log_stream.h"

namespace eventscan {

// The library named by --library (else the default one) with the home of
// --home (else as ChooseHomeDirectory picks it). Raises HostError.
std::unique_ptr<HostLibrary> OpenCommandLibrary(const CommonOptions& options);

// Turns the shared options into reading options and an event filter; on wrong
// usage prints why and returns false.
bool PrepareLogOptions(const LogOptions& options, ReadOptions& read, EventFilter& filter);

// Warns of each --only/--skip item that names no event of any network,
// with the closest names the definitions have.
void WarnUnknownEvents(HostLibrary& library, const LogOptions& options);

// The message for an output whose folder does not exist ("<path>: no such
// folder: <folder>"); none when the folder is there.
std::optional<std::string> MissingOutputFolder(const std::string& path);

// The closest of `names` to `word` (edit distance, letter case ignored), at
// most `count`, nearest first; only names close enough to be a typo.
std::vector<std::string> ClosestNames(const std::string& word, const std::vector<std::string>& names,
                                      size_t count = 3);

// Faults of the library's files (a file it could not read stays as it is and
// is reported by every run).
std::vector<std::string> LibraryFaults(HostLibrary& library);
// Prints them from position `from` on, "fault: ..." each.
void ReportLibraryFaults(const std::vector<std::string>& faults, size_t from = 0);
// The error of a definitions file the session could not load (it runs the
// test items alone), unless the library's faults have it already.
void ReportDefinitionsFault(HostLibrary& library, const HostSession& session);

// True (with the message printed) when `output` is the file `input` names
// ("-": standard input), by file identity: the same name, a symbolic link
// onto it, another hard link. An output written there would replace the
// input it is made from. An output that does not exist yet is no input.
bool OutputIsInput(const std::string& input, const std::string& output);

}  // namespace eventscan
