// Memory of the record store. A log of a million records holds a few hundred
// megabytes of records; faulting them in page by page costs more than reading
// the log. glibc takes large pages for its heap only when told at start-up
// (GLIBC_TUNABLES), so a program that reads large logs re-executes itself
// once with the tunables set. Call first thing in main.
#pragma once

namespace eventscan {

// Returns only when the tunables are in force or cannot be set (then the
// program runs as it is). argv must be main's, null-terminated.
void UseLargeHeapPages(char** argv);

}  // namespace eventscan
