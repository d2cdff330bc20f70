// Reading and writing the attributes of EventsDefine.cfg elements: texts,
// integers with the fallbacks of missing attributes, and the conversion error
// that names the file, the line, the element and the attribute. The file
// being read is announced with a TDefinitionsSource for the reading thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "eventmanager/errors.h"
#include "platform/xml_file.h"

// A numeric attribute whose text is not an integer (or is out of range).
// Fault() gives the fault to record with RecordFileFault so the file is kept.
class EAttributeError : public EConvertError {
 public:
  EAttributeError(std::string file, int line, std::string reason);
  TFileFault Fault() const { return {File, Line, Reason}; }
  std::string File;  // empty when the element was not read from a file
  int Line = 0;
  std::string Reason;  // "<LevelNode-0> attribute ReasonNum: 'x' is not an integer"
};

// While it lives, conversion errors on this thread name `path` and the line.
class TDefinitionsSource {
 public:
  explicit TDefinitionsSource(std::string path);
  ~TDefinitionsSource();
  TDefinitionsSource(const TDefinitionsSource&) = delete;
  TDefinitionsSource& operator=(const TDefinitionsSource&) = delete;

 private:
  std::string previous_;
};

// Raises EAttributeError "<file>:<line>: <element> reason" for an element of
// the file being read (see TDefinitionsSource).
[[noreturn]] void DefinitionsError(pugi::xml_node element, const std::string& reason);

// Level nodes nest at most this deep; a deeper tree is refused with a fault
// naming the file and line, so that loading never runs out of stack. The
// list refuses only the event holding it (see TMsgEventList::LoadFromNode).
inline constexpr int kMaxLevelDepth = 256;
class ELevelDepthError : public EAttributeError {
 public:
  using EAttributeError::EAttributeError;
};
[[noreturn]] void LevelDepthError(pugi::xml_node element);

// Reports an element of the file being read that cannot be used as it stands
// ("<file>:<line>: <GateEvent-0> reason"); the file stays readable and is not
// set aside by the next save. Nothing happens for an element not read from a file.
void RecordElementFault(pugi::xml_node element, const std::string& reason);

std::string ReadText(pugi::xml_node element, const char* name, const std::string& fallback = {});
int32_t ReadInt32(pugi::xml_node element, const char* name, int32_t fallback);
// A 64-bit integer of which the low 32 bits are kept: "-1" and "4294967295"
// give the same code.
uint32_t ReadCode(pugi::xml_node element, const char* name, uint32_t fallback);

void WriteText(pugi::xml_node element, const char* name, const std::string& value);
void WriteInt(pugi::xml_node element, const char* name, int64_t value);
// Message codes and masks are written as signed decimal (top bit set: negative).
void WriteCode(pugi::xml_node element, const char* name, uint32_t value);

// The first child element named `name`, or an empty node.
pugi::xml_node ChildElement(pugi::xml_node parent, const char* name);
// Child elements by position, names ignored: FirstElement, then NextElement.
pugi::xml_node FirstElement(pugi::xml_node parent);
pugi::xml_node NextElement(pugi::xml_node element);
void RemoveChildren(pugi::xml_node element);
