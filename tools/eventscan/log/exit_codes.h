// The exit status of every eventscan command, as the command line documents
// it: 0 success, 1 wrong usage, 2 input that cannot be read or written (a
// log, a definition file, an output), 3 the library could not save a file at
// the end (the results are complete).
#pragma once

namespace eventscan {

inline constexpr int ExitOk = 0;
inline constexpr int ExitUsage = 1;
inline constexpr int ExitInput = 2;
inline constexpr int ExitSave = 3;  // the results were written, but the library could not save its files

}  // namespace eventscan
