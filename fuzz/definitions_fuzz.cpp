// EventsDefine.cfg text through the definitions loader, the property link and
// a save. Whatever the loader accepted must save and load back to the same
// file: a second round trip that changes the text has lost or altered data.
#include "definitions/all_events.h"
#include "eventmanager/errors.h"
#include "fuzz_support.h"
#include "linking/property_linking.h"
#include "platform/component_registry.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  CoInitialize();  // gate events create their expression filters through it
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzInputFile("EventsDefine.cfg", data, size);
  ClearFileFaults();
  TAllEvents all;
  try {
    all.LoadFromFile(path);
  } catch (const EEventManagerError&) {
    return 0;
  }
  if (!FileFaults().empty()) return 0;

  TEventPropertys registry;
  LinkAllProperties(all, &registry, true);

  const std::string first = FuzzHome() + "first.cfg", second = FuzzHome() + "second.cfg";
  all.SaveToFile(first);
  TAllEvents again;
  again.LoadFromFile(first);
  again.SaveToFile(second);
  if (ReadWholeFile(first) != ReadWholeFile(second)) FuzzFail("a saved file does not load back to itself");
  return 0;
}
