#include "host/host_library.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include <fmt/format.h>

#include "host/host_layout.h"

namespace eventscan {

void SetHomeDirectory(const std::string& dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(dir, ec))
    throw HostError(fmt::format("{}: the home directory does not exist (it should hold EventsDefine.cfg and "
                                "EventsProperty.cfg)", dir));
  setenv("EVENTMANAGER_HOME", dir.c_str(), 1);
}

std::string ProgramDirectory() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  std::string dir = ec ? std::string(".") : exe.parent_path().string();
  return dir.empty() || dir.back() != '/' ? dir + '/' : dir;
}

std::string EffectiveHomeDirectory() {
  const char* home = std::getenv("EVENTMANAGER_HOME");
  if (!home || !*home) return ProgramDirectory();
  std::string dir(home);
  return dir.back() == '/' ? dir : dir + '/';
}

std::string HostLibrary::DefaultPath() { return DefaultLibraryPath(); }

template <class F>
void HostLibrary::resolve(F& fn, const char* name) {
  dlerror();
  void* symbol = dlsym(handle_, name);
  if (!symbol) {
    dlclose(handle_);
    handle_ = nullptr;
    throw HostError(fmt::format("{}: the library does not export {}", path_, name));
  }
  fn = reinterpret_cast<F>(symbol);
}

HostLibrary::HostLibrary(const std::string& path) : path_(path) {
  // The library stays mapped until the process ends (its shut-down then runs
  // with the other static destructors): the outside components it loads keep
  // small run-time allocations (OpenMP of the expression parser) that would
  // otherwise be reported as leaks of an unmapped module.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!handle_) {
    const char* reason = dlerror();
    throw HostError(fmt::format("{}: cannot load the events library: {}", path, reason ? reason : "unknown reason"));
  }
  resolve(InitEventManagerDllApplication, "InitEventManagerDllApplication");
  resolve(FinalEventManagerDllApplication, "FinalEventManagerDllApplication");
  resolve(CreateMsgEventList, "CreateMsgEventList");
  resolve(CreateGateEventList, "CreateGateEventList");
  resolve(CreateTestEvents, "CreateTestEvents");
  resolve(CreateEventsResult, "CreateEventsResult");
  resolve(ClearMsgEventList, "ClearMsgEventList");
  resolve(ClearGateEventList, "ClearGateEventList");
  resolve(LoadMsg_Gate_TestEvents, "LoadMsg_Gate_TestEvents");
  resolve(EventPropertyListKeyWord, "EventPropertyListKeyWord");
  resolve(MsgPropertyListCount, "MsgPropertyListCount");
  resolve(TestPropertyListCount, "TestPropertyListCount");
  resolve(GetBitmapByEvent, "GetBitmapByEvent");
  resolve(EventManagerFileFaults, "EventManagerFileFaults");
  resolve(EventManagerListEvents, "EventManagerListEvents");
}

HostLibrary::~HostLibrary() {
  if (handle_) dlclose(handle_);
}

}  // namespace eventscan
