#include "log/gzip_source.h"

#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fmt/format.h>

namespace eventscan {
namespace {

class GzipSource : public LogSource {
 public:
  GzipSource(int fd, std::string path) : fd_(fd), path_(std::move(path)), in_(size_t(1) << 18) {
    if (inflateInit2(&z_, 16 + MAX_WBITS) != Z_OK) {
      ::close(fd_);
      throw LogError(fmt::format("{}: cannot start inflating the compressed log", path_));
    }
    const char* dir = std::getenv("TMPDIR");
    std::string spill = std::string(dir && *dir ? dir : "/tmp") + "/eventscan-gzip-XXXXXX";
    spill_ = mkostemp(spill.data(), O_CLOEXEC);
    if (spill_ < 0) {
      std::string why = std::strerror(errno);
      inflateEnd(&z_);
      ::close(fd_);
      throw LogError(fmt::format("{}: no temporary file to keep the inflated log in ({}): {}", path_, spill, why));
    }
    ::unlink(spill.c_str());
  }
  ~GzipSource() override {
    inflateEnd(&z_);
    ::close(spill_);
    ::close(fd_);
  }

  size_t Read(char* buffer, size_t size) override {
    if (ended_ || size == 0) return 0;
    z_.next_out = reinterpret_cast<Bytef*>(buffer);
    z_.avail_out = static_cast<uInt>(std::min<size_t>(size, UINT32_MAX));
    while (!ended_) {
      if (z_.avail_in == 0 && !inputDone_) fill();
      const uInt before = z_.avail_out;
      int rc = inflate(&z_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        // Several gzip members one after another (cat a.gz b.gz) are one log.
        if (z_.avail_in == 0 && !inputDone_) fill();
        if (z_.avail_in == 0) ended_ = true;
        else inflateReset(&z_);
      } else if (rc == Z_BUF_ERROR && z_.avail_in == 0 && inputDone_) {
        damage_ = fmt::format("{}: the compressed log ends early, at byte {} (the records before are kept)", path_,
                              consumed());
        ended_ = true;
      } else if (rc != Z_OK && rc != Z_BUF_ERROR) {
        damage_ = fmt::format("{}: the compressed log is damaged at byte {}: {} (the records before are kept)", path_,
                              consumed(), z_.msg ? z_.msg : "inflate failed");
        ended_ = true;
      }
      if (z_.avail_out != before) break;
    }
    size_t n = size - z_.avail_out;
    keep(buffer, n);
    return n;
  }

  void ReadAt(uint64_t offset, size_t size, char* out) override {
    for (size_t done = 0; done < size;) {
      ssize_t n = ::pread(spill_, out + done, size - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) throw LogError(fmt::format("{}: cannot read the inflated log again: {}", path_, std::strerror(errno)));
      done += static_cast<size_t>(n);
    }
  }

  std::string Damage() const override { return damage_; }

 private:
  void fill() {
    for (;;) {
      ssize_t n = ::read(fd_, in_.data(), in_.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw LogError(fmt::format("{}: cannot read the log: {}", path_, std::strerror(errno)));
      if (n == 0) inputDone_ = true;
      fed_ += static_cast<uint64_t>(n);
      z_.next_in = in_.data();
      z_.avail_in = static_cast<uInt>(n);
      return;
    }
  }
  uint64_t consumed() const { return fed_ - z_.avail_in; }
  void keep(const char* data, size_t n) {
    for (size_t done = 0; done < n;) {
      ssize_t w = ::write(spill_, data + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) throw LogError(fmt::format("{}: cannot keep the inflated log in a temporary file", path_));
      done += static_cast<size_t>(w);
    }
  }

  int fd_;
  std::string path_;
  int spill_ = -1;
  z_stream z_{};
  std::vector<Bytef> in_;
  uint64_t fed_ = 0;
  bool inputDone_ = false;
  bool ended_ = false;
  std::string damage_;
};

}  // namespace

bool StartsAsGzip(int fd) {
  unsigned char magic[2] = {0, 0};
  return ::pread(fd, magic, 2, 0) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
}

std::unique_ptr<LogSource> GzipLogSource(int fd, std::string path) {
  return std::make_unique<GzipSource>(fd, std::move(path));
}

}  // namespace eventscan
