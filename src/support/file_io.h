// Reading and saving the user's files without ever blocking on them or
// losing them. Reads open only regular files (a named pipe or a directory in
// place of a file is a fault, never a hang) and report the system's reason.
// Saves write a uniquely named temporary file beside the target, keep the
// target's mode, sync it and rename it over the target; a symbolic link is
// written through to the file it names. Host thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class TFileRead { Ok, Missing, Failed };

// An open regular file, read from the start. Open() is Missing when nothing
// exists at `path`; Failed (with Reason) when it cannot be opened or is not a
// regular file.
class TRegularFile {
 public:
  TRegularFile() = default;
  ~TRegularFile();
  TRegularFile(const TRegularFile&) = delete;
  TRegularFile& operator=(const TRegularFile&) = delete;

  TFileRead Open(const std::string& path);
  uint64_t Size() const { return size_; }
  // Reads up to `count` bytes at `offset`; false (with Reason) on a read error.
  bool ReadAt(uint64_t offset, size_t count, std::string& bytes);
  const std::string& Reason() const { return reason_; }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  std::string reason_;
};

// The whole of a regular file. Failed also when it is larger than `maxBytes`.
TFileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason,
                          uint64_t maxBytes = UINT64_MAX);

// Replaces the file at `path` (or the file a symbolic link there names) with
// `bytes` atomically: readers see the old file or the new one, whole. Raises
// EEventManagerError "<path>: cannot save: <step>: <system reason>" and leaves
// the old file and no temporary file behind.
void SaveFileAtomic(const std::string& path, std::string_view bytes);

// The system calls a save makes, replaceable by tests to inject faults.
struct TSaveCalls {
  long (*Write)(int fd, const void* data, size_t count);
  int (*Fsync)(int fd);
  int (*Rename)(const char* from, const char* to);
};
TSaveCalls& SaveCalls();
void ResetSaveCalls();
