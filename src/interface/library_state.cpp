#include "interface/library_state.h"

#include <exception>
#include <memory>

#include "definitions/all_events.h"
#include "linking/property_linking.h"
#include "platform/component_registry.h"
#include "platform/host_paths.h"
#include "platform/ini_file.h"
#include "platform/xml_file.h"
#include "properties/event_bitmap_list.h"
#include "properties/event_propertys.h"
#include "support/file_io.h"

namespace {

std::unique_ptr<TEventPropertys> registry;

void loadRegistry() {
  registry = std::make_unique<TEventPropertys>();
  SetPropertyRegistry(registry.get());
  try {
    registry->LoadFromFileKeepingFaults(PropertiesPath());
  } catch (const std::exception& e) {
    registry->ClearAll();
    if (!FileIsFaulty(PropertiesPath())) RecordStartUpFault(PropertiesPath(), e);
  }
}

// Links every definition of every network to the registry and drops the
// records that nothing uses, but only in the lists whose definitions were
// read: the records of missing or unread definitions would otherwise be lost
// with the next save of the registry.
void linkAllDefinitions() {
  TAllEvents all;
  try {
    all.LoadFromFile(DefinitionsPath());
  } catch (const std::exception& e) {
    // The loader records the faults it recognises itself.
    if (!FileIsFaulty(DefinitionsPath())) RecordStartUpFault(DefinitionsPath(), e);
  }
  try {
    LinkAllPropertiesPruningRead(all, registry.get());
  } catch (const std::exception& e) {
    RecordStartUpFault(DefinitionsPath(), e);
  }
}

uint8_t publishId = 0;

void readPublishId() {
  TIniFile ini(HostConfigFile());
  long value = ini.ReadInteger("SystemParams", "OmniPublishID", 0);
  publishId = static_cast<uint8_t>(value);
}

}  // namespace

uint8_t HostPublishId() { return publishId; }

std::string DefinitionsPath() { return HostDirectory() + "EventsDefine.cfg"; }
std::string PropertiesPath() { return HostDirectory() + "EventsProperty.cfg"; }

void RecordStartUpFault(const std::string& path, const std::exception& error, bool unreadable) {
  std::string reason = error.what();
  // Messages that already begin with the file name keep only their own words.
  if (reason.rfind(path, 0) == 0) {
    std::string rest = reason.substr(path.size());
    int line = 0;
    if (!rest.empty() && rest[0] == ':') {
      // "path:12: reason" carries a line; "path: reason" does not.
      size_t end = rest.find(':', 1);
      std::string digits = rest.substr(1, end == std::string::npos ? std::string::npos : end - 1);
      if (!digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos && digits.size() < 9) {
        line = std::stoi(digits);
        rest = end == std::string::npos ? std::string() : rest.substr(end + 1);
      }
    }
    while (!rest.empty() && (rest[0] == ' ' || rest[0] == ':')) rest.erase(0, 1);
    RecordFileFault({path, line, rest}, unreadable);
    return;
  }
  RecordFileFault({path, 0, reason}, unreadable);
}

void LibraryStartUp() {
  CoInitialize();
  BitmapCache();
  // What saves killed half way left beside the two files (a running save's
  // temporary file is locked and stays).
  RemoveStaleTemporaries(PropertiesPath());
  RemoveStaleTemporaries(DefinitionsPath());
  loadRegistry();
  linkAllDefinitions();
  readPublishId();
}

void LibraryShutDown() {
  if (registry) registry->ClearAll();
  SetPropertyRegistry(nullptr);
  registry.reset();
  BitmapCache().Clear();
  CoUninitialize();
}

void SavePropertyRegistry() {
  const std::string path = PropertiesPath();
  try {
    TEventPropertys* r = PropertyRegistry();
    if (r && r->IsModified() && !FileIsFaulty(path)) r->SaveToFile(path);
  } catch (const std::exception& e) {
    RecordStartUpFault(path, e, false);
  } catch (...) {
    RecordFileFault({path, 0, "cannot save: unknown error"}, false);
  }
}
