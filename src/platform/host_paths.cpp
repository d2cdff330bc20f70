#include "platform/host_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace {

std::string executablePath() {
  std::error_code ec;
  auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : path.string();
}

std::string withSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

}  // namespace

std::string ExecutableDirectory() {
  std::filesystem::path exe(executablePath());
  return withSlash(exe.has_parent_path() ? exe.parent_path().string() : std::string("."));
}

std::string HostDirectory() {
  if (const char* home = std::getenv("EVENTMANAGER_HOME"); home && *home) return withSlash(home);
  return ExecutableDirectory();
}

std::string HostConfigFile() {
  if (const char* cfg = std::getenv("EVENTMANAGER_HOST_CFG"); cfg && *cfg) return cfg;
  std::filesystem::path exe(executablePath());
  exe.replace_extension(".cfg");
  return exe.string();
}
