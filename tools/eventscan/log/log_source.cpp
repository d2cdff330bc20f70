#include "log/log_source.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include <fmt/format.h>

#include "log/gzip_source.h"
#include "support/file_io.h"

namespace eventscan {
namespace {

LogError systemError(const std::string& path, const char* what) {
  return LogError(fmt::format("{}: {}: {}", path, what, std::strerror(errno)));
}

size_t readSome(int fd, char* buffer, size_t size, const std::string& path) {
  for (;;) {
    ssize_t n = ::read(fd, buffer, size);
    if (n >= 0) return static_cast<size_t>(n);
    if (errno != EINTR) throw systemError(path, "cannot read the log");
  }
}

void readExactly(int fd, uint64_t offset, size_t size, char* out, const std::string& path) {
  long n = ReadAtOffset(fd, offset, out, size);
  if (n < 0) throw systemError(path, "cannot read the log again");
  if (static_cast<size_t>(n) < size) throw LogError(fmt::format("{}: the log became shorter while it was read", path));
}

// A file read in order and again at any offset through the same descriptor.
class FileSource : public LogSource {
 public:
  FileSource(int fd, bool owned, uint64_t base, uint64_t size, std::string path)
      : fd_(fd), owned_(owned), base_(base), size_(size), path_(std::move(path)) {
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  ~FileSource() override {
    if (owned_) ::close(fd_);
  }
  size_t Read(char* buffer, size_t size) override { return readSome(fd_, buffer, size, path_); }
  void ReadAt(uint64_t offset, size_t size, char* out) override {
    readExactly(fd_, base_ + offset, size, out, path_);
  }
  uint64_t Size() const override { return size_; }

 private:
  int fd_;
  bool owned_;
  uint64_t base_;  // where the log began in the file (standard input may be positioned)
  uint64_t size_;
  std::string path_;
};

// A pipe: what is read is also written to an unlinked temporary file, which
// answers the reads at an offset. It costs the log's size on the temporary
// file system and a write per block; the file goes with the process.
class SpillSource : public LogSource {
 public:
  SpillSource(int fd, bool owned, std::string name) : fd_(fd), owned_(owned), path_(std::move(name)) {
    const char* dir = std::getenv("TMPDIR");
    std::string path = std::string(dir && *dir ? dir : "/tmp") + "/eventscan-stdin-XXXXXX";
    spill_ = mkostemp(path.data(), O_CLOEXEC);
    if (spill_ < 0)
      throw LogError(fmt::format("{}: no temporary file to keep the log in ({}): {}", path_, path, std::strerror(errno)));
    ::unlink(path.c_str());
  }
  ~SpillSource() override {
    ::close(spill_);
    if (owned_) ::close(fd_);
  }
  size_t Read(char* buffer, size_t size) override {
    size_t n = readSome(fd_, buffer, size, path_);
    for (size_t done = 0; done < n;) {
      ssize_t w = ::write(spill_, buffer + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw systemError(path_, "cannot keep the log in a temporary file");
      done += static_cast<size_t>(w);
    }
    return n;
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override { readExactly(spill_, offset, size, out, path_); }

 private:
  int fd_;
  bool owned_;
  std::string path_;
  int spill_ = -1;
};

class TextSource : public LogSource {
 public:
  explicit TextSource(std::string_view text) : text_(text) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min(size, text_.size() - pos_);
    std::memcpy(buffer, text_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  void ReadAt(uint64_t offset, size_t size, char* out) override {
    std::memcpy(out, text_.data() + offset, size);
  }
  uint64_t Size() const override { return text_.size(); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

std::unique_ptr<LogSource> OpenLogSource(const std::string& path) {
  if (path == "-") {
    struct stat st {};
    if (fstat(STDIN_FILENO, &st) != 0) throw systemError("<stdin>", "cannot read the log");
    if (S_ISREG(st.st_mode)) {
      off_t at = lseek(STDIN_FILENO, 0, SEEK_CUR);
      if (at < 0) at = 0;
      return std::make_unique<FileSource>(STDIN_FILENO, false, static_cast<uint64_t>(at),
                                          static_cast<uint64_t>(st.st_size - at), "<stdin>");
    }
    return std::make_unique<SpillSource>(STDIN_FILENO, false, "<stdin>");
  }
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) throw LogError(fmt::format("{}: is a directory, not a log", path));
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw LogError(fmt::format("{}: cannot open the log: {}", path, std::strerror(errno)));
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    LogError error = systemError(path, "cannot read the log");
    close(fd);
    throw error;
  }
  // A named pipe or a device cannot be read again at an offset: kept aside like a pipe on standard input.
  if (!S_ISREG(st.st_mode)) return std::make_unique<SpillSource>(fd, true, path);
  if (StartsAsGzip(fd)) return GzipLogSource(fd, path);
  return std::make_unique<FileSource>(fd, true, 0, static_cast<uint64_t>(st.st_size), path);
}

std::unique_ptr<LogSource> TextLogSource(std::string_view text) { return std::make_unique<TextSource>(text); }

}  // namespace eventscan
