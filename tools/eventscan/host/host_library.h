// The events library as a host sees it: loaded with dlopen and used only
// through the exported functions found with dlsym. The home directory (where
// EventsDefine.cfg and EventsProperty.cfg live) is read by the library when
// it loads, so SetHomeDirectory must run before the library is opened.
#pragma once

#include <stdexcept>
#include <string>

#include "eventmanager/exports.h"

namespace eventscan {

class HostError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Sets EVENTMANAGER_HOME; raises HostError when the directory does not exist.
void SetHomeDirectory(const std::string& dir);
// The directory the library will read its files from, with a trailing '/':
// EVENTMANAGER_HOME when set, else the directory of this program.
std::string EffectiveHomeDirectory();
// The directory of this program, with a trailing '/'.
std::string ProgramDirectory();

class HostLibrary {
 public:
  // libeventmanager.so beside this program, else the installed one.
  static std::string DefaultPath();

  explicit HostLibrary(const std::string& path);  // raises HostError naming the file and the loader's reason
  ~HostLibrary();
  HostLibrary(const HostLibrary&) = delete;
  HostLibrary& operator=(const HostLibrary&) = delete;

  const std::string& Path() const { return path_; }

  eventmanager_exports::InitEventManagerDllApplication_t InitEventManagerDllApplication = nullptr;
  eventmanager_exports::FinalEventManagerDllApplication_t FinalEventManagerDllApplication = nullptr;
  eventmanager_exports::CreateMsgEventList_t CreateMsgEventList = nullptr;
  eventmanager_exports::CreateGateEventList_t CreateGateEventList = nullptr;
  eventmanager_exports::CreateTestEvents_t CreateTestEvents = nullptr;
  eventmanager_exports::CreateEventsResult_t CreateEventsResult = nullptr;
  eventmanager_exports::ClearMsgEventList_t ClearMsgEventList = nullptr;
  eventmanager_exports::ClearGateEventList_t ClearGateEventList = nullptr;
  eventmanager_exports::LoadMsg_Gate_TestEvents_t LoadMsg_Gate_TestEvents = nullptr;
  eventmanager_exports::EventPropertyListKeyWord_t EventPropertyListKeyWord = nullptr;
  eventmanager_exports::MsgPropertyListCount_t MsgPropertyListCount = nullptr;
  eventmanager_exports::TestPropertyListCount_t TestPropertyListCount = nullptr;
  eventmanager_exports::GetBitmapByEvent_t GetBitmapByEvent = nullptr;
  eventmanager_exports::EventManagerFileFaults_t EventManagerFileFaults = nullptr;
  eventmanager_exports::EventManagerListEvents_t EventManagerListEvents = nullptr;

 private:
  template <class F>
  void resolve(F& fn, const char* name);

  std::string path_;
  void* handle_ = nullptr;
};

}  // namespace eventscan
