#include "properties/icon_files.h"

#include <filesystem>

#include "eventmanager/outside/utility.h"
#include "platform/host_paths.h"

namespace fs = std::filesystem;

std::string IconFileName(std::string_view file) {
  size_t cut = file.find_last_of("\\/:");
  return std::string(cut == std::string_view::npos ? file : file.substr(cut + 1));
}

std::string FindFileNoCase(const std::string& directory, const std::string& name, TFileKind kind) {
  if (name.empty() || directory.empty()) return {};
  auto fits = [kind](const fs::path& p) {
    std::error_code ec;
    return kind == TFileKind::Regular ? fs::is_regular_file(p, ec) : fs::is_directory(p, ec);
  };
  std::error_code ec;
  fs::path exact = fs::path(directory) / name;
  if (fits(exact)) return exact.string();
  for (fs::directory_iterator it(directory, ec), end; !ec && it != end; it.increment(ec))
    if (CompText(it->path().filename().string(), name) && fits(it->path())) return it->path().string();
  return {};
}

std::string IconDirectory() {
  std::string home = HostDirectory();
  std::string folder = FindFileNoCase(home, "EventBitmap", TFileKind::Directory);
  return (folder.empty() ? home + "EventBitmap" : folder) + "/";
}
