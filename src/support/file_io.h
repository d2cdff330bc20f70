// Reading and saving the user's files without ever blocking on them or
// losing them. Reads open only regular files (a named pipe or a directory in
// place of a file is a fault, never a hang) and report the system's reason.
// Saves write a uniquely named temporary file beside the target, keep the
// target's mode, sync it and rename it over the target; a symbolic link is
// written through to the file it names. Host thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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
  // Device, inode and modification time of the open file (after Open).
  uint64_t Device() const { return device_; }
  uint64_t Inode() const { return inode_; }
  int64_t ModifiedNs() const { return modifiedNs_; }

 private:
  int fd_ = -1;
  uint64_t size_ = 0;
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  int64_t modifiedNs_ = 0;
  std::string reason_;
};

// What a reader saw of a file, so that a later save can tell whether another
// program changed it meanwhile: which file it was (device and inode), its
// size and modification time, and a hash of its bytes. Contents decide: a
// file rewritten with the same bytes has not changed for a save, one whose
// bytes differ has, whatever its time says.
struct TFileSnapshot {
  bool Exists = false;
  uint64_t Device = 0;
  uint64_t Inode = 0;
  uint64_t Size = 0;
  int64_t ModifiedNs = 0;
  uint64_t Hash = 0;

  bool SameContents(const TFileSnapshot& other) const {
    return Exists == other.Exists && (!Exists || (Size == other.Size && Hash == other.Hash));
  }
};

// 64-bit FNV-1a of `bytes`.
uint64_t ContentHash(std::string_view bytes);

// Reads up to `count` bytes at `offset` of an open file into `out`, going on
// after signals and short reads: the count read (less only at the end of the
// file), or -1 with errno set.
long ReadAtOffset(int fd, uint64_t offset, char* out, size_t count);

// The whole of a regular file. Failed also when it is larger than `maxBytes`.
TFileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason,
                          uint64_t maxBytes = UINT64_MAX);
// The same, also giving what was read as a snapshot (Exists false when the
// file is missing; untouched on Failed).
TFileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason, uint64_t maxBytes,
                          TFileSnapshot& seen);

// Why a save failed: the step ("cannot write", "cannot replace the file",
// ...) and the system's reason.
struct TSaveFault {
  std::string Step;
  std::string Reason;
};

// Replaces the file at `path` (or the file a symbolic link there names) with
// `bytes` atomically: readers see the old file or the new one, whole. The
// file keeps its mode and, where allowed, its owner; a new file gets the mode
// the umask gives. File and folder are synced. On failure the old file stays
// as it was and no temporary file is left behind; none when it succeeded.
std::optional<TSaveFault> TrySaveFileAtomic(const std::string& path, std::string_view bytes);
// The same, raising EEventManagerError "<path>: cannot save: <step>: <reason>".
void SaveFileAtomic(const std::string& path, std::string_view bytes);

// Temporary files a save left behind when its process was killed
// (".<name>.saving-XXXXXX" beside the target) are removed by the next save of
// that target and at library start-up: only regular files of this user with
// exactly that pattern, and only when no writer holds them. The unmarked
// ".<name>.XXXXXX" of earlier versions goes only once it is ten minutes old,
// as those versions had it, since a user's own file may look like one. A save holds its
// temporary file locked from the moment it exists under its name until it
// is renamed, and the lock ends with the process, so the lock alone tells a
// running save's file from a killed one's, whatever their age.
// Removes the stale temporary files of `path`; returns how many.
int RemoveStaleTemporaries(const std::string& path);

// An exclusive lock on saving the file at `path` (the file a link there
// names), held from construction to destruction, so that what one save
// reads, merges and writes is never interleaved with another process's save
// of the same file. The lock is on ".<name>.lock" beside the file, which is
// made when missing and left there (removing it would let two saves lock two
// different files of that name). Waits while another save holds it; the
// system lets it go when its process ends, killed or not. When the lock file
// cannot be made or opened (a folder this user cannot write), nothing is
// held and the save goes on to meet that fault itself.
class TSaveLock {
 public:
  explicit TSaveLock(const std::string& path);
  TSaveLock(const TSaveLock&) = delete;
  TSaveLock& operator=(const TSaveLock&) = delete;
  ~TSaveLock();

 private:
  int fd_ = -1;  // -1: not held
};

// Writes `bytes` to a new file named `wanted`, or, when that exists,
// `wanted`-2, -3, ... (created exclusively, never over another file); the
// name used, or none when nothing could be written.
std::optional<std::string> SaveNewFileBeside(const std::string& wanted, std::string_view bytes);

// The system calls a save makes, replaceable by tests to inject faults.
struct TSaveCalls {
  long (*Write)(int fd, const void* data, size_t count);
  int (*Fsync)(int fd);
  int (*Rename)(const char* from, const char* to);
};
TSaveCalls& SaveCalls();
void ResetSaveCalls();
