// Reading and writing the library's XML files without ever losing one.
// A file that exists but cannot be read is reported (file, line, reason) and
// remembered for the whole session, so that no save replaces it: it stays
// where and as it is. Saves go through SaveFileAtomic. Host thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

#include "support/file_io.h"

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
// The same, also telling what was read (Exists false for a missing file).
TXmlLoad LoadXmlFile(const std::string& path, const char* rootName, pugi::xml_document& doc, TFileSnapshot& seen);

// What a session holds of one of its files, so that its next save notices
// another program's (or another window's) change made since: the file as
// last read or written by this holder, and this holder's own writing of the
// contents it held then (the base of a three-way merge).
struct TXmlFileState {
  bool Known = false;   // false: never read, a save writes as it always did
  std::string Path;     // the file the state is of
  TFileSnapshot Disk;
  std::string Base;
  std::string KeptCopy;  // where the holder's own version went when a save was refused
};

// Which parts of a document are records that a merge may take from either
// side. `KeyedLists` are element paths below the root ("Test", "Message/*":
// every child of Message) whose children are records told apart by their
// `Key` attribute (letter case ignored; a repeated key is told apart by its
// occurrence); `WholeElements` are paths of elements merged as one record.
// Anything else is taken from the saving side.
struct TXmlMergeShape {
  std::vector<std::string> KeyedLists;
  std::vector<std::string> WholeElements;
  std::string Key = "EventName";
};

// Parses another program's bytes of the file and writes them again the way
// this holder writes them, so that the three sides compare record by record;
// false (with a reason) when they cannot be read.
using TXmlNormaliser = std::function<bool(std::string_view bytes, pugi::xml_document& out, std::string& reason)>;

// The normaliser of a holder whose file has the root element `root`:
// `rewrite(rootNode, out)` reads the other program's records into a fresh
// holder and writes them to `out` as this holder writes (it may raise; the
// error's text becomes the reason).
TXmlNormaliser RewritingNormaliser(std::string root,
                                   std::function<void(pugi::xml_node root, pugi::xml_document& out)> rewrite);

// Serialises a document the way every save writes it.
std::string XmlText(const pugi::xml_document& doc);

// The result of a three-way merge: the merged document, or the records that
// both sides changed differently ("Message/GSM: Call Drop").
struct TXmlMerge {
  pugi::xml_document Merged;
  std::vector<std::string> Conflicts;
};
// Per record of `shape`: the side that changed it since `base` wins; both
// changed alike is one change; both changed differently is a conflict.
void MergeXml(const pugi::xml_document& base, const pugi::xml_document& ours, const pugi::xml_document& theirs,
              const TXmlMergeShape& shape, TXmlMerge& result);

// Saves `ours` (atomically, never over a faulty file) unless the file
// changed on disk since `state` saw it. When it did, the changes of both
// sides are merged record by record and the merge is written; when both
// changed one record, or the file on disk cannot be read, nothing is written
// over it: `ours` is kept beside it ("<file>.yours", or -2, -3 ...) and
// EEventManagerError names the file, the records and the copy. `state` is
// kept up to date with what was written. Reading, merging and writing are
// one step under the file's save lock (TSaveLock), so two processes saving
// at once each merge with what the other wrote.
void SaveXmlFileMerging(const pugi::xml_document& ours, const std::string& path, TXmlFileState& state,
                        const TXmlMergeShape& shape, const TXmlNormaliser& normalise);

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
