#include "platform/xml_file.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <fmt/format.h>

#include "eventmanager/errors.h"
#include "support/file_io.h"

namespace fs = std::filesystem;

namespace {

// Definitions and properties files hold some thousand elements; a file
// larger than this is refused before it is read into memory.
constexpr uint64_t kMaxXmlFileBytes = uint64_t(256) << 20;

struct FaultState {
  std::vector<TFileFault> faults;
  std::vector<std::string> faultyPaths;  // files that could not be read: never saved over
};

FaultState& state() {
  static FaultState s;
  return s;
}

std::string canonicalKey(const std::string& path) {
  std::error_code ec;
  auto abs = fs::weakly_canonical(fs::path(path), ec);
  return ec ? path : abs.string();
}

void markFaulty(const std::string& path) {
  auto key = canonicalKey(path);
  auto& paths = state().faultyPaths;
  for (const auto& p : paths)
    if (p == key) return;
  paths.push_back(key);
}

}  // namespace

std::string TFileFault::Text() const {
  if (Line > 0) return fmt::format("{}:{}: {}", File, Line, Reason);
  return fmt::format("{}: {}", File, Reason);
}

std::string ClipValue(std::string_view value) {
  constexpr size_t kShown = 64;
  if (value.size() <= kShown) return std::string(value);
  // Cut before a UTF-8 continuation byte so no character is split.
  size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  return fmt::format("{}... ({} bytes)", value.substr(0, cut), value.size());
}

int LineOfOffset(const std::string& path, ptrdiff_t offset) {
  std::ifstream in(path, std::ios::binary);
  if (!in || offset < 0) return 0;
  int line = 1;
  char c;
  for (ptrdiff_t i = 0; i < offset && in.get(c); ++i)
    if (c == '\n') ++line;
  return line;
}

int LineOfNode(const std::string& path, pugi::xml_node node) {
  if (!node) return 0;
  return LineOfOffset(path, node.offset_debug());
}

TXmlLoad LoadXmlFile(const std::string& path, const char* rootName, pugi::xml_document& doc) {
  TFileSnapshot seen;
  return LoadXmlFile(path, rootName, doc, seen);
}

TXmlLoad LoadXmlFile(const std::string& path, const char* rootName, pugi::xml_document& doc, TFileSnapshot& seen) {
  doc.reset();
  std::string bytes, reason;
  switch (ReadRegularFile(path, bytes, reason, kMaxXmlFileBytes, seen)) {
    case TFileRead::Missing:
      return TXmlLoad::Missing;
    case TFileRead::Failed:
      RecordFileFault({path, 0, reason});
      return TXmlLoad::Faulty;
    case TFileRead::Ok:
      break;
  }
  pugi::xml_parse_result result = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result) {
    RecordFileFault({path, LineOfOffset(path, result.offset), result.description()});
    doc.reset();
    return TXmlLoad::Faulty;
  }
  int roots = 0;
  pugi::xml_node root;
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling())
    if (n.type() == pugi::node_element) {
      ++roots;
      root = n;
    }
  if (roots != 1 || std::string(root.name()) != rootName) {
    std::string reason = roots == 0   ? fmt::format("no root element (expected <{}>)", rootName)
                         : roots > 1 ? fmt::format("{} root elements (expected one <{}>)", roots, rootName)
                                     : fmt::format("root element <{}> (expected <{}>)", root.name(), rootName);
    RecordFileFault({path, roots == 1 ? LineOfNode(path, root) : 0, reason});
    doc.reset();
    return roots == 1 ? TXmlLoad::WrongRoot : TXmlLoad::Faulty;
  }
  return TXmlLoad::Loaded;
}

void SaveXmlFileAtomic(const pugi::xml_document& doc, const std::string& path) {
  if (FileIsFaulty(path))
    throw EEventManagerError(
        fmt::format("{}: not saved: the file could not be read, so it is kept as it is (see its fault)", path));
  SaveFileAtomic(path, XmlText(doc));
}

const std::vector<TFileFault>& FileFaults() { return state().faults; }

void RecordContentFault(TFileFault fault) { RecordFileFault(std::move(fault), false); }

void RecordFileFault(TFileFault fault, bool unreadable) {
  if (unreadable) markFaulty(fault.File);
  // A file read again (each time a host loads a network's definitions) is
  // reported once.
  for (const TFileFault& f : state().faults)
    if (f.File == fault.File && f.Line == fault.Line && f.Reason == fault.Reason) return;
  state().faults.push_back(std::move(fault));
}

bool FileIsFaulty(const std::string& path) {
  auto key = canonicalKey(path);
  for (const auto& p : state().faultyPaths)
    if (p == key) return true;
  return false;
}

void ClearFileFaults() {
  state().faults.clear();
  state().faultyPaths.clear();
}
