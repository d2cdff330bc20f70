// TAllEvents: the user's definitions of all five networks at once (message
// events, gate events, aliases) and the built-in test events; reads and
// writes the whole EventsDefine.cfg. Used at library start-up (where the
// linking part joins it to the property records) and by the maintenance
// window. Owns all lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "core/network.h"
#include "core/object.h"
#include "definitions/alias.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "platform/xml_file.h"

class TTestEvents;

class TAllEvents : public TObject {
  EM_CLASS(TAllEvents, TObject)
 public:
  static constexpr int kNetworks = NetworkCount;

  TAllEvents();
  ~TAllEvents() override;
  TAllEvents(const TAllEvents&) = delete;
  TAllEvents& operator=(const TAllEvents&) = delete;

  // Index = network index 0..4, each list set to its network.
  std::unique_ptr<TMsgEventList> MsgLists[kNetworks];
  std::unique_ptr<TGateEventList> GateLists[kNetworks];
  std::unique_ptr<TAliasesList> AliasLists[kNetworks];
  std::unique_ptr<TTestEvents> TestEvents;

  // None for a network above 4.
  TMsgEventList* MsgEvents(uint8_t net) const { return net < kNetworks ? MsgLists[net].get() : nullptr; }
  TGateEventList* GateEvents(uint8_t net) const { return net < kNetworks ? GateLists[net].get() : nullptr; }
  TAliasesList* Aliases(uint8_t net) const { return net < kNetworks ? AliasLists[net].get() : nullptr; }

  // Reads the file once; a section or network element that is missing
  // leaves its lists as they were; a missing file changes nothing. A file
  // that cannot be read is recorded as a fault (no save replaces it) and
  // raises EEventManagerError; a number that
  // is not an integer raises EAttributeError (an EConvertError), recorded as
  // a fault of the file too, with the events read before it kept.
  void LoadFromFile(const std::string& path);
  void LoadFromFile() { LoadFromFile(DefaultPath()); }
  // Writes every network's lists, atomically.
  void SaveToFile(const std::string& path);
  void SaveToFile() { SaveToFile(DefaultPath()); }
  static std::string DefaultPath();

  bool IsModified();

  // The file as this container last read or wrote it: a save merges the
  // changes another program (or another window) made to it since, event by
  // event, and refuses when both changed one event (see SaveXmlFileMerging).
  TXmlFileState FileState;
  // The records of a definitions file: message and gate events by
  // EventName, each network's aliases as one.
  static const TXmlMergeShape& MergeShape();

  // Set by LoadFromFile: true for each network whose Message (Gate) element
  // was read in full. Linking to the display properties prunes only those.
  bool MsgRead[kNetworks] = {};
  bool GateRead[kNetworks] = {};

  // Set by LoadFromFile for each section (Message, Gate, Aliases) whose LTE
  // element the file had. A section's LTE element is written only when the
  // file had it or the section's LTE list is not empty, so that a file of
  // the four older networks is written again exactly as it was.
  enum Section { SectionMessage, SectionGate, SectionAliases, SectionCount };
  bool LteElementRead[SectionCount] = {};

 private:
  // Whether a section writes the element of network `net`.
  bool writesNetwork(Section section, int net) const;
  void readDocument(pugi::xml_node events);
  void buildDocument(pugi::xml_document& doc);
};
