#include "platform/xml_file.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <fmt/format.h>

#include "eventmanager/errors.h"

namespace fs = std::filesystem;

namespace {

struct FaultState {
  std::vector<TFileFault> faults;
  std::vector<std::string> faultyPaths;  // files still unread and unsaved
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

void unmarkFaulty(const std::string& path) {
  auto key = canonicalKey(path);
  auto& paths = state().faultyPaths;
  std::erase(paths, key);
}

std::string timestamp() {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return buf;
}

}  // namespace

std::string TFileFault::Text() const {
  if (Line > 0) return fmt::format("{}:{}: {}", File, Line, Reason);
  return fmt::format("{}: {}", File, Reason);
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
  doc.reset();
  std::error_code ec;
  if (!fs::exists(path, ec)) return TXmlLoad::Missing;
  pugi::xml_parse_result result = doc.load_file(path.c_str(), pugi::parse_default, pugi::encoding_auto);
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
  std::error_code ec;
  if (FileIsFaulty(path) && fs::exists(path, ec)) {
    std::string kept = path + ".bad-" + timestamp();
    fs::rename(path, kept, ec);
    if (ec) throw EEventManagerError(fmt::format("{}: cannot keep the unreadable file as {}: {}", path, kept, ec.message()));
  }
  std::string tmp = path + ".tmp";
  if (!doc.save_file(tmp.c_str(), "  ", pugi::format_default, pugi::encoding_utf8)) {
    fs::remove(tmp, ec);
    throw EEventManagerError(fmt::format("{}: cannot write the file", path));
  }
  fs::rename(tmp, path, ec);
  if (ec) {
    fs::remove(tmp, ec);
    throw EEventManagerError(fmt::format("{}: cannot replace the file: {}", path, ec.message()));
  }
  unmarkFaulty(path);
}

const std::vector<TFileFault>& FileFaults() { return state().faults; }

void RecordFileFault(TFileFault fault) {
  markFaulty(fault.File);
  RecordContentFault(std::move(fault));
}

void RecordContentFault(TFileFault fault) {
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
