#include "campaign/campaign_logs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "capture/capture_reader.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

// A regular file whose first non-blank byte opens a JSON object (a log), or
// a capture, or gzip data (a compressed log).
bool looksLikeLog(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  char head[256];
  in.read(head, sizeof head);
  const auto n = static_cast<size_t>(in.gcount());
  if (n >= 2 && static_cast<unsigned char>(head[0]) == 0x1f && static_cast<unsigned char>(head[1]) == 0x8b)
    return true;
  for (size_t i = 0; i < n; ++i) {
    if (head[i] == ' ' || head[i] == '\t' || head[i] == '\r' || head[i] == '\n') continue;
    if (head[i] == '{') return true;
    break;
  }
  return IsCaptureFile(path.string());
}

// Why a file below a campaign's directories cannot be read, naming it; empty
// when it opens. A link that leads nowhere says where it leads.
std::string cannotOpen(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return {};
  }
  std::string why = fmt::format("{}: cannot open the log: {}", path.string(), strerror(errno));
  std::error_code ec;
  if (fs::is_symlink(fs::symlink_status(path, ec))) {
    const fs::path target = fs::read_symlink(path, ec);
    if (!ec) why += fmt::format(" (a link to {})", target.string());
  }
  return why;
}

// The logs below `dir` and everything there that cannot be read, in no
// particular order. Links to folders are not followed (a link may lead back
// up); links to files are.
void walk(const fs::path& dir, std::vector<CampaignEntry>& found) {
  auto folderFault = [&](const std::error_code& ec) {
    found.push_back({dir.string(), fmt::format("{}: cannot read the folder: {}; the logs in it are not run",
                                               dir.string(), ec.message())});
  };
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return folderFault(ec);
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    if (ec) return folderFault(ec);
    const fs::path& path = it->path();
    std::error_code own;
    const fs::file_status link = it->symlink_status(own);
    if (fs::is_directory(link)) {
      walk(path, found);
      continue;
    }
    const fs::file_status status = fs::status(path, own);
    // A file gone since the folder was read was not there to run.
    if (own && !fs::is_symlink(link) && status.type() == fs::file_type::not_found) continue;
    // A link that leads nowhere (or round in a circle) cannot be read, nor can a file the user may not read.
    if (own || fs::is_regular_file(status)) {
      if (std::string why = cannotOpen(path); !why.empty()) found.push_back({path.string(), why});
      else if (looksLikeLog(path)) found.push_back({path.string(), {}});
    }
    // A pipe, a socket or a device below a folder is no log.
  }
  if (ec) folderFault(ec);
}

}  // namespace

std::vector<CampaignEntry> FindCampaignLogs(const std::vector<std::string>& inputs) {
  std::vector<CampaignEntry> logs;
  for (const std::string& input : inputs) {
    std::error_code ec;
    if (!fs::is_directory(input, ec)) {
      logs.push_back({input, {}});
      continue;
    }
    std::vector<CampaignEntry> found;
    walk(input, found);
    std::sort(found.begin(), found.end(),
              [](const CampaignEntry& a, const CampaignEntry& b) { return a.Path < b.Path; });
    logs.insert(logs.end(), found.begin(), found.end());
  }
  return logs;
}

}  // namespace eventscan
