// Where a log's bytes come from: a file, standard input or a pipe, or text in
// memory. Every source is read in order and read again at an offset it has
// passed, which is how the stream answers for a record it no longer holds.
// A source belongs to one stream; single-threaded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "log/log_types.h"

namespace eventscan {

class LogSource {
 public:
  virtual ~LogSource() = default;
  // Up to `size` bytes; 0 at the end. Raises LogError.
  virtual size_t Read(char* buffer, size_t size) = 0;
  // Exactly `size` bytes at `offset`, which Read has already passed. Raises LogError.
  virtual void ReadAt(uint64_t offset, size_t size, char* out) = 0;
  // The whole size when known in advance (a file), else 0.
  virtual uint64_t Size() const { return 0; }
  // Why the bytes ended before the log did (a damaged compressed stream),
  // naming the file and the byte; empty when they reached the log's end.
  virtual std::string Damage() const { return {}; }
  // How the log grew while it was read (a drive still being recorded: its
  // appended lines are read too), naming the file; empty when it did not.
  virtual std::string Growth() const { return {}; }
  // From another thread: a Read waiting for bytes that may never come (a
  // pipe whose writer stays open) returns 0 now, and every later one too.
  // The other calls are not for then.
  virtual void Cancel() {}
  // Returns once a Read would not wait (a pipe has bytes or its end, or the
  // source was cancelled): one that shares the source between threads waits
  // here without holding it. Read waits by itself as well.
  virtual void AwaitBytes() {}
};

// A file, inflated as it is read when it is gzip-compressed ("-": standard input; a pipe is kept in an unlinked temporary file as
// it is read, so that its lines can be read again). Raises LogError.
std::unique_ptr<LogSource> OpenLogSource(const std::string& path);
// Text held by the caller, which must outlive the source.
std::unique_ptr<LogSource> TextLogSource(std::string_view text);

}  // namespace eventscan
