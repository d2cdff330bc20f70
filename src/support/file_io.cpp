#include "support/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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
  return TFileRead::Ok;
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
  bytes.clear();
  TRegularFile file;
  TFileRead status = file.Open(path);
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
  return TFileRead::Ok;
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

  std::string temp = dir + "/." + targetPath.filename().string() + ".XXXXXX";
  int fd = ::mkstemp(temp.data());  // unique and exclusive: never follows a stale link
  if (fd < 0) return TSaveFault{"cannot create a temporary file", systemReason(errno)};
  auto discard = [&](const char* step, int error) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
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
  int closed = ::close(fd);
  fd = -1;
  if (closed != 0) return discard("cannot close", errno);
  if (calls.Rename(temp.c_str(), target.c_str()) != 0) return discard("cannot replace the file", errno);
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
