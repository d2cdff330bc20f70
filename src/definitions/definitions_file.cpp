#include "definitions/definitions_file.h"

#include "definitions/definition_attributes.h"
#include "eventmanager/errors.h"
#include "platform/host_paths.h"
#include "platform/xml_file.h"

std::string DefinitionsFilePath() { return HostDirectory() + "EventsDefine.cfg"; }

bool LoadDefinitionsDocument(const std::string& path, pugi::xml_document& doc) {
  TFileSnapshot seen;
  return LoadDefinitionsDocument(path, doc, seen);
}

bool LoadDefinitionsDocument(const std::string& path, pugi::xml_document& doc, TFileSnapshot& seen) {
  switch (LoadXmlFile(path, "Events", doc, seen)) {
    case TXmlLoad::Loaded:
      return true;
    case TXmlLoad::Missing:
      return false;
    case TXmlLoad::WrongRoot:
      // A readable document without Events holds no definitions: the lists
      // stay as they are, the fault is recorded and kept for the host.
      return false;
    case TXmlLoad::Faulty:
      break;
  }
  const auto& faults = FileFaults();
  throw EEventManagerError(faults.empty() ? path + ": cannot be read" : faults.back().Text());
}

void ReadDefinitions(const std::string& path, const std::function<void()>& read) {
  TDefinitionsSource source(path);
  try {
    read();
  } catch (const EAttributeError& e) {
    RecordFileFault(e.Fault());
    throw;
  }
}

void LoadDefinitionsSection(const std::string& path, const char* section, const std::string& networkName,
                            const std::function<void(pugi::xml_node)>& load) {
  pugi::xml_document doc;
  if (!LoadDefinitionsDocument(path, doc)) return;
  pugi::xml_node network = ChildElement(ChildElement(ChildElement(doc, "Events"), section), networkName.c_str());
  if (!network) return;
  ReadDefinitions(path, [&] { load(network); });
}
