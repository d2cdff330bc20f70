// TEventPropertys: all display-property lists of the library (message and
// warning lists of the five networks and the test list) and the properties
// file EventsProperty.cfg. Owns the eleven lists. The library keeps one as its
// registry (PropertyRegistry); start-up creates it, shut-down frees it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/network.h"
#include "core/object.h"
#include "eventmanager/errors.h"
#include "platform/xml_file.h"
#include "properties/event_property_list.h"

// An attribute of the properties file that does not convert; the message is
// "<file>:<line>: <Property-n> attribute X: 'v' is not ...".
class EPropertiesFileError : public EConvertError {
 public:
  explicit EPropertiesFileError(TFileFault fault);
  TFileFault Fault;
};

class TEventPropertys : public TObject {
  EM_CLASS(TEventPropertys, TObject)
 public:
  static constexpr int kNetworks = NetworkCount;

  TEventPropertys();
  ~TEventPropertys() override;
  TEventPropertys(const TEventPropertys&) = delete;
  TEventPropertys& operator=(const TEventPropertys&) = delete;

  std::unique_ptr<TEventPropertyList> MsgLists[kNetworks];
  std::unique_ptr<TEventPropertyList> WarningLists[kNetworks];
  std::unique_ptr<TEventPropertyList> TestList;

  // `which` 0: the network's message list, 1: its warning list; none for a
  // network above 4 or any other selector.
  TEventPropertyList* GetList(uint8_t net, int which) const;
  void ClearAll();
  bool IsModified();

  // Reads the file; a missing file changes nothing. A file that cannot be
  // opened or parsed, or has another root, is recorded as a fault (see
  // FileFaults) and leaves the lists empty. An attribute that does not
  // convert raises EConvertError "<file>:<line>: <Property-n> attribute X:
  // ..." and leaves the lists empty; it is recorded as a fault too. A file
  // with a recorded fault is never saved over.
  void LoadFromFile(const std::string& path);
  // The same, for start-up: a conversion error is not raised. False when the
  // file is recorded as faulty.
  bool LoadFromFileKeepingFaults(const std::string& path);
  // Writes all lists atomically (the LTE lists only when the file read had
  // their element or they hold records, so that a file of the four older
  // networks is written again exactly as it was); raises EEventManagerError when the
  // file cannot be written or is recorded as faulty (it then stays as it is).
  void SaveToFile(const std::string& path);

  // The file as this registry last read or wrote it: a save merges the
  // changes another program made to it since (see SaveXmlFileMerging).
  TXmlFileState FileState;
  // The records of a properties file: every list's Property-n by EventName.
  static const TXmlMergeShape& MergeShape();

  // EventsProperty.cfg in the host directory.
  static std::string DefaultPath();
  void LoadFromFile() { LoadFromFile(DefaultPath()); }
  void SaveToFile() { SaveToFile(DefaultPath()); }

 // Set by LoadFromFile: the file had the LTE-Message (LTE-Warning) element.
  bool LteMessageRead = false;
  bool LteWarningRead = false;

 private:
  void readDocument(pugi::xml_node root);
  void buildDocument(pugi::xml_document& doc);
};

// The library-wide registry; none until start-up sets it. The caller of
// SetPropertyRegistry keeps ownership.
TEventPropertys* PropertyRegistry();
void SetPropertyRegistry(TEventPropertys* registry);
