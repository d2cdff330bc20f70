#include "log/log_source.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

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

LogChanged changed(const std::string& path, const std::string& how) {
  return LogChanged(fmt::format("{}: the log changed while it was read ({})", path, how));
}

// A check of a block of bytes read (not a defence against a crafted file:
// it finds a rewrite, a copy over the file, a cut). Four lanes of 64-bit
// multiply-rotate rounds, so that it costs little beside parsing the bytes.
uint32_t blockHash(const char* p, size_t n) {
  constexpr uint64_t k1 = 0x9E3779B185EBCA87u, k2 = 0xC2B2AE3D27D4EB4Fu;
  auto round = [](uint64_t acc, uint64_t word) { return ((acc + word * k2) << 31 | (acc + word * k2) >> 33) * k1; };
  uint64_t a = k1 + k2, b = k2, c = 0, d = -k1;
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    uint64_t w[4];
    std::memcpy(w, p + i, 32);
    a = round(a, w[0]);
    b = round(b, w[1]);
    c = round(c, w[2]);
    d = round(d, w[3]);
  }
  for (; i < n; i += 8) {
    uint64_t w = 0;
    std::memcpy(&w, p + i, std::min<size_t>(8, n - i));
    a = round(a, w);
  }
  uint64_t h = (a << 1 | a >> 63) + (b << 7 | b >> 57) + (c << 12 | c >> 52) + (d << 18 | d >> 46) + n;
  h ^= h >> 33;
  h *= k2;
  h ^= h >> 29;
  return static_cast<uint32_t>(h ^ h >> 32);
}

// A file read in order and again at any offset through the same descriptor.
// Nothing but its recorder should write it meanwhile: a drive still being
// recorded grows by whole lines, and those are read too, up to the last line
// end there is when the reading reaches the end (a line still being written
// is left for later, or out). Anything else is a change: each read in order
// checks the file's size and modification time against those last seen (a
// file that grew must still hold the bytes read last, so that a rewrite to a
// longer file is not taken for growth), and each read again checks its bytes
// against a check value of the block of the file they are in, taken when the
// block was first read (4 bytes a KiB of the log). A change raises LogChanged.
class FileSource : public LogSource {
 public:
  FileSource(int fd, bool owned, uint64_t base, const struct stat& opened, std::string path)
      : fd_(fd), owned_(owned), base_(base), size_(static_cast<uint64_t>(opened.st_size) - base),
        openedSize_(size_), seen_(opened), path_(std::move(path)) {
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
  }
  ~FileSource() override {
    if (owned_) ::close(fd_);
  }
  size_t Read(char* buffer, size_t size) override;
  void ReadAt(uint64_t offset, size_t size, char* out) override;
  uint64_t Size() const override { return size_; }
  std::string Growth() const override;

 private:
  static constexpr size_t Block = 1024;
  // Looks at the file's size and time: raises LogChanged on a change, takes
  // growth in. `atEnd`: the reading found no more bytes, so a write whose
  // bytes are not there yet is not waited for.
  void look(bool atEnd);
  // Of `n` bytes read at the file's end past the size it was opened with,
  // those up to the last line end.
  size_t wholeLines(const char* bytes, size_t n) const;
  void keepChecks(const char* bytes, size_t n);

  int fd_;
  bool owned_;
  uint64_t base_;  // where the log began in the file (standard input may be positioned)
  uint64_t size_;  // as last seen
  uint64_t openedSize_;
  struct stat seen_;
  bool writtenTo_ = false;  // its time changed, its size not yet
  std::string path_;
  uint64_t passed_ = 0;           // bytes read in order
  std::vector<uint32_t> checks_;  // of each whole block passed
  std::string tail_;              // the bytes of the block not yet whole
  std::string again_;             // blocks read again
};

size_t FileSource::Read(char* buffer, size_t size) {
  for (;;) {
    const long got = ReadAtOffset(fd_, base_ + passed_, buffer, size);
    if (got < 0) throw systemError(path_, "cannot read the log");
    const uint64_t before = size_;
    look(got == 0);
    size_t n = static_cast<size_t>(got);
    if (passed_ + n > openedSize_ && passed_ + n >= size_) n = wholeLines(buffer, n);
    if (n > 0) {
      keepChecks(buffer, n);
      return n;
    }
    // At the end: unless the file grew meanwhile, this is the log's end.
    if (size_ == before) return 0;
  }
}

size_t FileSource::wholeLines(const char* bytes, size_t n) const {
  const size_t opened = openedSize_ > passed_ ? static_cast<size_t>(openedSize_ - passed_) : 0;
  for (size_t i = n; i > opened; --i)
    if (bytes[i - 1] == '\n') return i;
  return std::min(opened, n);
}

void FileSource::look(bool atEnd) {
  struct stat now {};
  if (fstat(fd_, &now) != 0) throw systemError(path_, "cannot read the log");
  const bool sameTime = now.st_mtim.tv_sec == seen_.st_mtim.tv_sec && now.st_mtim.tv_nsec == seen_.st_mtim.tv_nsec;
  if (now.st_size < seen_.st_size)
    throw changed(path_, fmt::format("its size went from {} to {} bytes", seen_.st_size, now.st_size));
  if (now.st_size == seen_.st_size) {
    if (sameTime) return;
    // A recorder's write changes the time before the size: seen again, or
    // at the end, it was a write over the bytes.
    if (writtenTo_ || atEnd) throw changed(path_, "it was written to");
    writtenTo_ = true;
    return;
  }
  // Grown: appended to, if the bytes read last still read the same.
  if (passed_ > 0) {
    const size_t last = static_cast<size_t>(std::min<uint64_t>(passed_, Block));
    std::string bytes(last, '\0');
    ReadAt(passed_ - last, last, bytes.data());
  }
  seen_ = now;
  size_ = static_cast<uint64_t>(now.st_size) - base_;
  writtenTo_ = false;
}

std::string FileSource::Growth() const {
  if (size_ == openedSize_) return {};
  std::string text = fmt::format("{}: the log grew while it was read (from {} to {} bytes, a drive still being "
                                 "recorded): the records appended were read too",
                                 path_, openedSize_, size_);
  if (passed_ < size_)
    text += fmt::format("; its last {} bytes, a line still being written, are left out", size_ - passed_);
  return text;
}

void FileSource::keepChecks(const char* bytes, size_t n) {
  passed_ += n;
  if (!tail_.empty()) {
    const size_t take = std::min(n, Block - tail_.size());
    tail_.append(bytes, take);
    bytes += take;
    n -= take;
    if (tail_.size() < Block) return;
    checks_.push_back(blockHash(tail_.data(), Block));
    tail_.clear();
  }
  for (; n >= Block; bytes += Block, n -= Block) checks_.push_back(blockHash(bytes, Block));
  tail_.assign(bytes, n);
}

void FileSource::ReadAt(uint64_t offset, size_t size, char* out) {
  if (size == 0) return;
  if (offset + size > passed_)
    throw LogError(fmt::format("{}: bytes {} to {} were never read", path_, offset, offset + size - 1));
  // The whole blocks the bytes are in, so that their checks can be taken again.
  const uint64_t first = offset / Block, last = (offset + size - 1) / Block;
  const uint64_t start = first * Block, end = std::min((last + 1) * Block, passed_);
  again_.resize(end - start);
  const long n = ReadAtOffset(fd_, base_ + start, again_.data(), again_.size());
  if (n < 0) throw systemError(path_, "cannot read the log again");
  if (static_cast<size_t>(n) < again_.size())
    throw changed(path_, fmt::format("it became shorter: bytes {} to {} cannot be read again", start + n, end - 1));
  for (uint64_t b = first; b <= last; ++b) {
    const char* bytes = again_.data() + (b - first) * Block;
    const bool same = b < checks_.size()
                          ? blockHash(bytes, Block) == checks_[b]
                          : std::memcmp(bytes, tail_.data(), tail_.size()) == 0;  // the block not yet whole
    if (!same)
      throw changed(path_, fmt::format("bytes {} to {} read again differ from those read first", b * Block,
                                       std::min((b + 1) * Block, end) - 1));
  }
  std::memcpy(out, again_.data() + (offset - start), size);
  if (again_.size() > (size_t(1) << 20)) again_ = std::string();  // a huge line leaves no buffer behind
}

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
    if (::pipe2(wake_, O_CLOEXEC) != 0) {
      ::close(spill_);
      throw LogError(fmt::format("{}: cannot read the log: {}", path_, std::strerror(errno)));
    }
  }
  ~SpillSource() override {
    ::close(wake_[0]);
    ::close(wake_[1]);
    ::close(spill_);
    if (owned_) ::close(fd_);
  }
  void AwaitBytes() override { bytesOrCancel(); }
  size_t Read(char* buffer, size_t size) override {
    if (!bytesOrCancel()) return 0;
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
  void Cancel() override {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_[1], &byte, 1);
  }

 private:
  // Waits for the pipe or for Cancel, whichever comes first: true when the
  // pipe has bytes (or its end) to give, false once cancelled.
  bool bytesOrCancel() {
    for (;;) {
      pollfd ready[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
      if (::poll(ready, 2, -1) < 0) {
        if (errno == EINTR) continue;
        throw systemError(path_, "cannot read the log");
      }
      if (ready[1].revents) return false;
      if (ready[0].revents) return true;
    }
  }
  int fd_;
  bool owned_;
  std::string path_;
  int spill_ = -1;
  int wake_[2] = {-1, -1};  // written by Cancel
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
      return std::make_unique<FileSource>(STDIN_FILENO, false, static_cast<uint64_t>(at), st, "<stdin>");
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
  return std::make_unique<FileSource>(fd, true, 0, st, path);
}

std::unique_ptr<LogSource> TextLogSource(std::string_view text) { return std::make_unique<TextSource>(text); }

}  // namespace eventscan
