#include "support/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>

#include <fmt/format.h>

#include "eventmanager/errors.h"

namespace fs = std::filesystem;

namespace {

std::string systemReason(int error) { return std::strerror(error); }

const char* kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return "not a plain file";
}

long defaultWrite(int fd, const void* data, size_t count) { return ::write(fd, data, count); }

const TSaveCalls kSystemCalls{&defaultWrite, &::fsync, &::rename};

// Follows symbolic links at `path` to the file they finally name (which need
// not exist yet); `path` itself when it is no link. Gives up after 40 links,
// as the system does.
std::string linkTarget(const std::string& path) {
  fs::path p(path);
  for (int hops = 0; hops < 40; ++hops) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(p, ec))) return p.string();
    fs::path next = fs::read_symlink(p, ec);
    if (ec) return p.string();
    p = next.is_absolute() ? next : p.parent_path() / next;
  }
  return p.string();
}


}  // namespace

TSaveCalls& SaveCalls() {
  static TSaveCalls calls = kSystemCalls;
  return calls;
}

void ResetSaveCalls() { SaveCalls() = kSystemCalls; }

TRegularFile::~TRegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

TFileRead TRegularFile::Open(const std::string& path) {
  // Without O_NONBLOCK opening a named pipe waits for a writer forever.
  fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd_ < 0) {
    int error = errno;
    if (error == ENOENT) return TFileRead::Missing;
    reason_ = systemReason(error);
    return TFileRead::Failed;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    reason_ = systemReason(errno);
    return TFileRead::Failed;
  }
  if (!S_ISREG(st.st_mode)) {
    reason_ = fmt::format("not a regular file ({})", kindOf(st.st_mode));
    return TFileRead::Failed;
  }
  int flags = ::fcntl(fd_, F_GETFL);
  if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
  size_ = static_cast<uint64_t>(st.st_size);
  device_ = static_cast<uint64_t>(st.st_dev);
  inode_ = static_cast<uint64_t>(st.st_ino);
  modifiedNs_ = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return TFileRead::Ok;
}

uint64_t ContentHash(std::string_view bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

long ReadAtOffset(int fd, uint64_t offset, char* out, size_t count) {
  size_t done = 0;
  while (done < count) {
    ssize_t n = ::pread(fd, out + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<long>(done);
}

bool TRegularFile::ReadAt(uint64_t offset, size_t count, std::string& bytes) {
  bytes.resize(count);
  long n = ReadAtOffset(fd_, offset, bytes.data(), count);
  if (n < 0) {
    reason_ = systemReason(errno);
    bytes.clear();
    return false;
  }
  bytes.resize(static_cast<size_t>(n));
  return true;
}

TFileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason, uint64_t maxBytes) {
  TFileSnapshot seen;
  return ReadRegularFile(path, bytes, reason, maxBytes, seen);
}

TFileRead ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason, uint64_t maxBytes,
                          TFileSnapshot& seen) {
  bytes.clear();
  TRegularFile file;
  TFileRead status = file.Open(path);
  if (status == TFileRead::Missing) {
    seen = TFileSnapshot{};
    return status;
  }
  if (status != TFileRead::Ok) {
    reason = file.Reason();
    return status;
  }
  if (file.Size() > maxBytes) {
    reason = fmt::format("{} bytes is more than the {} bytes such a file may have", file.Size(), maxBytes);
    return TFileRead::Failed;
  }
  if (!file.ReadAt(0, static_cast<size_t>(file.Size()), bytes)) {
    reason = file.Reason();
    return TFileRead::Failed;
  }
  seen.Exists = true;
  seen.Device = file.Device();
  seen.Inode = file.Inode();
  seen.Size = bytes.size();
  seen.ModifiedNs = file.ModifiedNs();
  seen.Hash = ContentHash(bytes);
  return TFileRead::Ok;
}

namespace {

// Our temporaries are ".<name>.saving-XXXXXX"; the marker keeps a user's own
// hidden file beside the target (".EventsProperty.cfg.backup") out of reach.
constexpr std::string_view TemporaryMarker = "saving-";
// Earlier versions wrote ".<name>.XXXXXX" and removed such leftovers once they
// were this old and unlocked; that rule stays for those names alone.
constexpr int64_t LegacyTemporaryAgeSeconds = 600;

// The six characters mkstemp puts in place of XXXXXX.
bool isMkstempSuffix(std::string_view s) {
  if (s.size() != 6) return false;
  for (char c : s)
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

enum class TemporaryKind { None, Ours, Legacy };

TemporaryKind temporaryKind(std::string_view suffix) {
  if (suffix.starts_with(TemporaryMarker) && isMkstempSuffix(suffix.substr(TemporaryMarker.size())))
    return TemporaryKind::Ours;
  return isMkstempSuffix(suffix) ? TemporaryKind::Legacy : TemporaryKind::None;
}

// True when `path` names (without following a link) the file `st` describes.
bool namesFile(const std::string& path, const struct stat& st) {
  struct stat now {};
  return ::lstat(path.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino;
}

// Creates a temporary file for `target` in `dir` (".<name>.saving-XXXXXX", unique
// and exclusive, so a stale link there is never followed) and locks it, so
// that no clean-up takes it for a killed save's. A clean-up may find the new
// file in the moment before it is locked and remove it: then the name no
// longer names it, and another is made. The descriptor, or -1 with errno.
int createLockedTemporary(const std::string& dir, const fs::path& target, std::string& temp) {
  for (int attempt = 0; attempt < 32; ++attempt) {
    temp = dir + "/." + target.filename().string() + "." + std::string(TemporaryMarker) + "XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0 && namesFile(temp, st)) return fd;
    // Taken by a clean-up, which removes it: not ours to unlink.
    ::close(fd);
  }
  errno = EAGAIN;
  return -1;
}

}  // namespace

int RemoveStaleTemporaries(const std::string& path) {
  const fs::path target(linkTarget(path));
  const std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  const std::string prefix = "." + target.filename().string() + ".";
  DIR* listing = ::opendir(dir.c_str());
  if (!listing) return 0;
  int removed = 0;
  while (dirent* entry = ::readdir(listing)) {
    std::string_view name(entry->d_name);
    if (!name.starts_with(prefix)) continue;
    const TemporaryKind kind = temporaryKind(name.substr(prefix.size()));
    if (kind == TemporaryKind::None) continue;
    const std::string file = dir + "/" + std::string(name);
    // Opened without following a link, then judged by what was opened.
    int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) continue;
    struct stat st {};
    bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
    if (ours && kind == TemporaryKind::Legacy) ours = ::time(nullptr) - st.st_mtime >= LegacyTemporaryAgeSeconds;
    // A save holds its temporary file locked from before it is written until
    // it is renamed (see TrySaveFileAtomic), so an unlocked one is a killed
    // save's, however new. Removed only when the name still names the file
    // judged, and while it is locked here, so that a save that has just made
    // it sees it gone and takes another.
    if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && namesFile(file, st) && ::unlink(file.c_str()) == 0) ++removed;
    ::close(fd);
  }
  ::closedir(listing);
  return removed;
}

TSaveLock::TSaveLock(const std::string& path) {
  const fs::path target(linkTarget(path));
  const std::string dir = target.has_parent_path() ? target.parent_path().string() : std::string(".");
  const std::string lockPath = dir + "/." + target.filename().string() + ".lock";
  const int flags = O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY;
  fd_ = ::open(lockPath.c_str(), O_RDWR | flags, 0666);
  // Another user's lock file in a shared home can still be locked for reading.
  if (fd_ < 0 && errno == EACCES) fd_ = ::open(lockPath.c_str(), O_RDONLY | flags, 0666);
  if (fd_ < 0) return;
  int locked;
  while ((locked = ::flock(fd_, LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (locked != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

TSaveLock::~TSaveLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::optional<std::string> SaveNewFileBeside(const std::string& wanted, std::string_view bytes) {
  for (int n = 1; n < 1000; ++n) {
    std::string name = n == 1 ? wanted : fmt::format("{}-{}", wanted, n);
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return std::nullopt;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
      ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) ok = false;
      else done += static_cast<size_t>(w);
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
      ::unlink(name.c_str());
      return std::nullopt;
    }
    return name;
  }
  return std::nullopt;
}

std::optional<TSaveFault> TrySaveFileAtomic(const std::string& path, std::string_view bytes) {
  const TSaveCalls& calls = SaveCalls();
  const std::string target = linkTarget(path);
  fs::path targetPath(target);
  std::string dir = targetPath.has_parent_path() ? targetPath.parent_path().string() : std::string(".");

  // A new file gets the mode any new file of this process gets; an existing
  // one keeps its own (a 0600 file stays 0600) and, where allowed, its owner.
  struct stat old {};
  bool exists = ::stat(target.c_str(), &old) == 0;
  mode_t mode;
  if (exists) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  RemoveStaleTemporaries(target);
  std::string temp;
  // Locked from here until it is renamed or removed, and closed only then.
  int fd = createLockedTemporary(dir, targetPath, temp);
  if (fd < 0) return TSaveFault{"cannot create a temporary file", systemReason(errno)};
  auto discard = [&](const char* step, int error) {
    ::unlink(temp.c_str());
    ::close(fd);
    return TSaveFault{step, systemReason(error)};
  };
  if (::fchmod(fd, mode) != 0) return discard("cannot set the file mode", errno);
  if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not permitted for an ordinary user; the file is then theirs anyway.
    }
  }
  size_t done = 0;
  while (done < bytes.size()) {
    long n = calls.Write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return discard("cannot write", errno);
    if (n == 0) return discard("cannot write", ENOSPC);
    done += static_cast<size_t>(n);
  }
  if (calls.Fsync(fd) != 0) return discard("cannot sync", errno);
  if (calls.Rename(temp.c_str(), target.c_str()) != 0) return discard("cannot replace the file", errno);
  // The contents are synced already: closing can tell nothing more of them.
  ::close(fd);
  // The rename itself is made durable by syncing the directory.
  int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
  return std::nullopt;
}

void SaveFileAtomic(const std::string& path, std::string_view bytes) {
  if (std::optional<TSaveFault> fault = TrySaveFileAtomic(path, bytes))
    throw EEventManagerError(fmt::format("{}: cannot save: {}: {}", path, fault->Step, fault->Reason));
}
