#include "report/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <fmt/format.h>

namespace eventscan {
namespace {

namespace fs = std::filesystem;

std::runtime_error writeError(const std::string& path, const char* what) {
  return std::runtime_error(fmt::format("{}: cannot write the report: {} ({})", path, what, std::strerror(errno)));
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& text) {
  fs::path target(path);
  fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(temp.data());
  if (fd < 0) throw writeError(path, "no temporary file in its directory");
  // Keep the permissions of the page being replaced; a new page gets the
  // usual ones for a document rather than mkstemp's owner-only mode.
  struct stat old{};
  mode_t mode;
  if (::stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      auto error = writeError(path, "write failed");
      ::close(fd);
      ::unlink(temp.c_str());
      throw error;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    auto error = writeError(path, "write failed");
    ::unlink(temp.c_str());
    throw error;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    auto error = writeError(path, "rename failed");
    ::unlink(temp.c_str());
    throw error;
  }
}

}  // namespace eventscan
