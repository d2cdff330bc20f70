#include "host/host_layout.h"

#include <cstdlib>
#include <filesystem>

#include "host/host_library.h"

// Set by the build: the installed library and sample directories relative to
// the installed eventscan, and the sample directory of the source tree.
#ifndef EVENTSCAN_LIBDIR_FROM_BINDIR
#define EVENTSCAN_LIBDIR_FROM_BINDIR "../lib"
#endif
#ifndef EVENTSCAN_DATADIR_FROM_BINDIR
#define EVENTSCAN_DATADIR_FROM_BINDIR "../share/eventmanager"
#endif
#ifndef EVENTSCAN_SOURCE_SAMPLE_DIR
#define EVENTSCAN_SOURCE_SAMPLE_DIR ""
#endif

namespace eventscan {
namespace {

namespace fs = std::filesystem;

bool isFile(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

std::string normal(const fs::path& p) { return p.lexically_normal().string(); }

}  // namespace

std::string DefaultLibraryPath() {
  const fs::path beside = fs::path(ProgramDirectory()) / "libeventmanager.so";
  if (isFile(beside)) return beside.string();
  const fs::path installed = fs::path(ProgramDirectory()) / EVENTSCAN_LIBDIR_FROM_BINDIR / "libeventmanager.so";
  if (isFile(installed)) return normal(installed);
  return beside.string();
}

std::vector<std::string> SampleDataCandidates() {
  std::vector<std::string> dirs{normal(fs::path(ProgramDirectory()) / EVENTSCAN_DATADIR_FROM_BINDIR)};
  if (*EVENTSCAN_SOURCE_SAMPLE_DIR) dirs.emplace_back(EVENTSCAN_SOURCE_SAMPLE_DIR);
  return dirs;
}

std::optional<std::string> InstalledSampleHome() {
  std::string dir = normal(fs::path(ProgramDirectory()) / EVENTSCAN_DATADIR_FROM_BINDIR);
  if (!HoldsDefinitionFiles(dir)) return std::nullopt;
  return dir;
}

bool HoldsDefinitionFiles(const std::string& dir) {
  return isFile(fs::path(dir) / "EventsDefine.cfg") || isFile(fs::path(dir) / "EventsProperty.cfg");
}

void ChooseHomeDirectory(const std::optional<std::string>& home) {
  if (home) {
    SetHomeDirectory(*home);
    return;
  }
  if (const char* set = std::getenv("EVENTMANAGER_HOME"); set && *set) return;
  if (HoldsDefinitionFiles(ProgramDirectory())) return;
  if (auto installed = InstalledSampleHome()) SetHomeDirectory(*installed);
}

}  // namespace eventscan
