// Reading and writing the library's XML files without ever losing one.
// A file that exists but cannot be read is reported (file, line, reason) and
// remembered for the whole session, so that no save replaces it: it stays
// where and as it is. Saves go through SaveFileAtomic. Host thread only.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

struct TFileFault {
  std::string File;
  int Line = 0;        // 1-based; 0 when the fault is not tied to a line
  std::string Reason;
  std::string Text() const;  // "file:line: reason"
};

enum class TXmlLoad { Loaded, Missing, Faulty, WrongRoot };

// Loads `path` into `doc`. A missing file is not a fault. A parse error or a
// document without one root element is recorded as a fault of that file (see
// FileFaults) and returned as Faulty; a well-formed document whose one root
// element is not `rootName` likewise, returned as WrongRoot. `doc` is then empty.
TXmlLoad LoadXmlFile(const std::string& path, const char* rootName, pugi::xml_document& doc);

// Writes `doc` to `path` atomically (SaveFileAtomic). A file recorded as
// faulty is never written: EEventManagerError is raised and the file stays as
// it is. Raises EEventManagerError too when the file cannot be written.
void SaveXmlFileAtomic(const pugi::xml_document& doc, const std::string& path);

// Faults recorded since start-up, oldest first, for the host to read.
// A fault already recorded is not recorded twice (files are read again on
// every reload).
const std::vector<TFileFault>& FileFaults();
// `unreadable`: the file could not be read, so it is never saved over (see
// FileIsFaulty); false for a fault of a save, after which later saves may
// still succeed.
void RecordFileFault(TFileFault fault, bool unreadable = true);
// A fault in the contents of a file that was read in full (an element that
// cannot be used): reported like the others, but the file is not marked
// unreadable, since nothing of it is lost when it is saved again.
void RecordContentFault(TFileFault fault);
// True when `path` has a recorded fault (kept until ClearFileFaults).
bool FileIsFaulty(const std::string& path);
void ClearFileFaults();

// A value quoted in a fault: at most 64 bytes of it, then "..." and its size,
// so a huge attribute does not flood the message.
std::string ClipValue(std::string_view value);

// Line (1-based) of a byte offset in a file, for messages.
int LineOfOffset(const std::string& path, ptrdiff_t offset);
// Line of an element in the file its document was loaded from, or 0 when unknown.
int LineOfNode(const std::string& path, pugi::xml_node node);
