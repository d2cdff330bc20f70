// The processes of a campaign (its workers, the Dask driver) and the pipes
// they are read and written through, never blocking the coordinator.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace eventscan {

// Starts `args` with stdout and stderr on pipes (`out`, `err`, both
// non-blocking), stdin on a pipe when `in` is given (else /dev/null); in a
// process group of its own when `group`, so that it can be stopped with
// every process it started. Raises std::runtime_error when it cannot start.
pid_t SpawnWithPipes(std::vector<std::string> args, int& out, int& err, int* in = nullptr, bool group = false);

// Reads what is there into `into`, keeping only about its last `keepLast`
// bytes when not 0; false once the pipe is closed.
bool DrainPipe(int fd, std::string& into, size_t keepLast = 0);

// False when the reader has gone (errno says why).
bool WriteAll(int fd, const std::string& text);

void SetNonBlocking(int fd);
// Closes `fd` when open and marks it closed.
void CloseFd(int& fd);

}  // namespace eventscan
