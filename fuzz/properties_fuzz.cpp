// EventsProperty.cfg text through the properties loader. A file it accepted
// must save and load back to the same file; a rejected one must leave every
// list empty.
#include "eventmanager/errors.h"
#include "fuzz_support.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzInputFile("EventsProperty.cfg", data, size);
  ClearFileFaults();
  TEventPropertys registry;
  bool loaded = registry.LoadFromFileKeepingFaults(path);
  if (!loaded) {
    for (uint8_t net = 0; net < TEventPropertys::kNetworks; ++net)
      if (registry.GetList(net, 0)->Count() || registry.GetList(net, 1)->Count())
        FuzzFail("a file recorded as faulty left records in network %u", net);
    if (registry.TestList->Count()) FuzzFail("a file recorded as faulty left test records");
    return 0;
  }
  const std::string first = FuzzHome() + "first.cfg", second = FuzzHome() + "second.cfg";
  registry.SaveToFile(first);
  TEventPropertys again;
  if (!again.LoadFromFileKeepingFaults(first)) FuzzFail("a saved file does not load");
  again.SaveToFile(second);
  if (ReadWholeFile(first) != ReadWholeFile(second)) FuzzFail("a saved file does not load back to itself");
  return 0;
}
