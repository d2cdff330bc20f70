// The three-way merge of a file's records, and the save that uses it when
// another program changed the file since this session read it.
#include <algorithm>
#include <map>
#include <optional>
#include <sstream>
#include <sys/stat.h>

#include <fmt/format.h>

#include "eventmanager/errors.h"
#include "platform/xml_file.h"
#include "support/file_io.h"

namespace {

constexpr uint64_t kMaxXmlFileBytes = uint64_t(256) << 20;

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(path);
  while (std::getline(in, part, '/'))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

pugi::xml_node elementAt(const pugi::xml_document& doc, const std::vector<std::string>& parts) {
  pugi::xml_node n = doc.document_element();
  for (const std::string& part : parts) {
    if (!n) break;
    n = n.child(part.c_str());
  }
  return n;
}

// Concrete paths of `pattern` in `doc`, a final "*" standing for every child
// element, added to `paths` when new.
void expand(const pugi::xml_document& doc, const std::string& pattern, std::vector<std::string>& paths) {
  std::vector<std::string> parts = splitPath(pattern);
  auto add = [&](const std::string& p) {
    if (std::find(paths.begin(), paths.end(), p) == paths.end()) paths.push_back(p);
  };
  if (parts.empty() || parts.back() != "*") {
    add(pattern);
    return;
  }
  parts.pop_back();
  pugi::xml_node parent = elementAt(doc, parts);
  std::string prefix;
  for (const std::string& p : parts) prefix += p + "/";
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element) add(prefix + c.name());
}

std::string textOf(pugi::xml_node n) {
  std::ostringstream out;
  n.print(out, "", pugi::format_raw);
  return out.str();
}

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct Record {
  std::string Key;   // upper-cased key, "#n" for the n-th repeat
  std::string Name;  // as written, for messages
  pugi::xml_node Node;
};

std::vector<Record> recordsOf(pugi::xml_node list, const std::string& keyName) {
  std::vector<Record> records;
  std::map<std::string, int> seen;
  for (pugi::xml_node c = list.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    std::string name = c.attribute(keyName.c_str()).value();
    std::string key = upper(name);
    const int n = seen[key]++;
    if (n > 0) key += "#" + std::to_string(n + 1);
    records.push_back({key, name, c});
  }
  return records;
}

const Record* find(const std::vector<Record>& records, const std::string& key) {
  for (const Record& r : records)
    if (r.Key == key) return &r;
  return nullptr;
}

// A record's text apart from its element name, which only numbers its
// position ("MsgEvent-3") and changes when a record before it goes.
std::optional<std::string> textOfRecord(const Record* r) {
  if (!r) return std::nullopt;
  pugi::xml_document copy;
  copy.append_copy(r->Node).set_name("record");
  return textOf(copy.first_child());
}

enum class Side { Ours, Theirs, Conflict };

// The side whose version of one record the merge takes.
Side choose(const std::optional<std::string>& b, const std::optional<std::string>& o,
            const std::optional<std::string>& t) {
  if (o == t) return Side::Ours;
  if (o == b) return Side::Theirs;
  if (t == b) return Side::Ours;
  return Side::Conflict;
}

// The element at `parts` in `doc`, created (with its parents) when missing.
pugi::xml_node makeElement(pugi::xml_document& doc, const std::vector<std::string>& parts) {
  pugi::xml_node n = doc.document_element();
  for (const std::string& part : parts) {
    pugi::xml_node next = n.child(part.c_str());
    n = next ? next : n.append_child(part.c_str());
  }
  return n;
}

// "MsgEvent-7" becomes "MsgEvent-<index>"; other names stay.
std::string renumbered(const char* name, size_t index) {
  std::string s(name);
  const size_t dash = s.rfind('-');
  if (dash == std::string::npos || dash + 1 == s.size() ||
      s.find_first_not_of("0123456789", dash + 1) != std::string::npos)
    return s;
  return s.substr(0, dash + 1) + std::to_string(index);
}

void mergeList(const std::string& path, const pugi::xml_document& base, const pugi::xml_document& ours,
               const pugi::xml_document& theirs, const std::string& keyName, TXmlMerge& result) {
  const std::vector<std::string> parts = splitPath(path);
  const std::vector<Record> b = recordsOf(elementAt(base, parts), keyName);
  const std::vector<Record> o = recordsOf(elementAt(ours, parts), keyName);
  const std::vector<Record> t = recordsOf(elementAt(theirs, parts), keyName);
  std::vector<std::string> keys;
  for (const Record& r : o) keys.push_back(r.Key);
  for (const Record& r : t)
    if (!find(o, r.Key)) keys.push_back(r.Key);
  for (const Record& r : b)
    if (!find(o, r.Key) && !find(t, r.Key)) keys.push_back(r.Key);

  std::vector<pugi::xml_node> chosen;
  for (const std::string& key : keys) {
    const Record* rb = find(b, key);
    const Record* ro = find(o, key);
    const Record* rt = find(t, key);
    switch (choose(textOfRecord(rb), textOfRecord(ro), textOfRecord(rt))) {
      case Side::Ours:
        if (ro) chosen.push_back(ro->Node);
        break;
      case Side::Theirs:
        if (rt) chosen.push_back(rt->Node);
        break;
      case Side::Conflict: {
        const Record* named = ro ? ro : rt ? rt : rb;
        result.Conflicts.push_back(fmt::format("{}: {}", path, named->Name));
        break;
      }
    }
  }
  pugi::xml_node list = elementAt(result.Merged, parts);
  if (!list && chosen.empty()) return;
  if (!list) list = makeElement(result.Merged, parts);
  // Copies first: the chosen nodes of our side live in the list being emptied.
  pugi::xml_document copies;
  for (pugi::xml_node n : chosen) copies.append_copy(n);
  while (pugi::xml_node c = list.first_child()) list.remove_child(c);
  size_t i = 0;
  for (pugi::xml_node n = copies.first_child(); n; n = n.next_sibling(), ++i)
    list.append_copy(n).set_name(renumbered(n.name(), i).c_str());
}

void mergeWhole(const std::string& path, const pugi::xml_document& base, const pugi::xml_document& ours,
                const pugi::xml_document& theirs, TXmlMerge& result) {
  const std::vector<std::string> parts = splitPath(path);
  auto text = [&](const pugi::xml_document& d) -> std::optional<std::string> {
    pugi::xml_node n = elementAt(d, parts);
    if (!n) return std::nullopt;
    return textOf(n);
  };
  switch (choose(text(base), text(ours), text(theirs))) {
    case Side::Ours:
      return;
    case Side::Conflict:
      result.Conflicts.push_back(path);
      return;
    case Side::Theirs:
      break;
  }
  pugi::xml_node mine = elementAt(result.Merged, parts);
  pugi::xml_node other = elementAt(theirs, parts);
  if (!other) {
    if (mine) mine.parent().remove_child(mine);
    return;
  }
  if (mine) {
    mine.parent().insert_copy_before(other, mine);
    mine.parent().remove_child(mine);
  } else {
    std::vector<std::string> up(parts.begin(), parts.end() - 1);
    makeElement(result.Merged, up).append_copy(other);
  }
}

TFileSnapshot snapshotOfWritten(const std::string& path, const std::string& bytes) {
  TFileSnapshot s;
  s.Exists = true;
  s.Size = bytes.size();
  s.Hash = ContentHash(bytes);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    s.Device = static_cast<uint64_t>(st.st_dev);
    s.Inode = static_cast<uint64_t>(st.st_ino);
    s.ModifiedNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  }
  return s;
}

void write(const std::string& path, const std::string& text, const std::string& ours, TXmlFileState& state) {
  SaveFileAtomic(path, text);
  state.Known = true;
  state.Path = path;
  state.Disk = snapshotOfWritten(path, text);
  state.Base = ours;
}

// Keeps our version beside the file and says why the file was not written.
[[noreturn]] void refuse(const std::string& path, const std::string& ours, TXmlFileState& state,
                         const std::string& why) {
  std::optional<std::string> copy;
  if (!state.KeptCopy.empty() && !TrySaveFileAtomic(state.KeptCopy, ours)) copy = state.KeptCopy;
  if (!copy) copy = SaveNewFileBeside(path + ".yours", ours);
  if (copy) state.KeptCopy = *copy;
  throw EEventManagerError(fmt::format("{}: not saved: {}; {}", path, why,
                                       copy ? "your changes were kept in " + *copy
                                            : std::string("your changes could not be kept beside it either")));
}

}  // namespace

std::string XmlText(const pugi::xml_document& doc) {
  std::ostringstream text;
  doc.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
  return text.str();
}

void MergeXml(const pugi::xml_document& base, const pugi::xml_document& ours, const pugi::xml_document& theirs,
              const TXmlMergeShape& shape, TXmlMerge& result) {
  result.Merged.reset(ours);
  result.Conflicts.clear();
  if (!result.Merged.document_element()) {
    // Nothing of ours to build on: their document as it is.
    result.Merged.reset(theirs);
    return;
  }
  for (const std::string& pattern : shape.KeyedLists) {
    std::vector<std::string> paths;
    for (const pugi::xml_document* d : {&ours, &theirs, &base}) expand(*d, pattern, paths);
    for (const std::string& path : paths) mergeList(path, base, ours, theirs, shape.Key, result);
  }
  for (const std::string& pattern : shape.WholeElements) {
    std::vector<std::string> paths;
    for (const pugi::xml_document* d : {&ours, &theirs, &base}) expand(*d, pattern, paths);
    for (const std::string& path : paths) mergeWhole(path, base, ours, theirs, result);
  }
}

void SaveXmlFileMerging(const pugi::xml_document& oursDoc, const std::string& path, TXmlFileState& state,
                        const TXmlMergeShape& shape, const TXmlNormaliser& normalise) {
  if (FileIsFaulty(path))
    throw EEventManagerError(
        fmt::format("{}: not saved: the file could not be read, so it is kept as it is (see its fault)", path));
  const std::string ours = XmlText(oursDoc);
  // Held until the merge is written: another process's save of the file
  // waits, and then reads what this one wrote.
  TSaveLock lock(path);
  if (!state.Known || state.Path != path) return write(path, ours, ours, state);
  std::string bytes, reason;
  TFileSnapshot now;
  switch (ReadRegularFile(path, bytes, reason, kMaxXmlFileBytes, now)) {
    case TFileRead::Missing:
      // Removed meanwhile: nothing on disk to keep.
      return write(path, ours, ours, state);
    case TFileRead::Failed:
      refuse(path, ours, state, "the file cannot be read now to see whether another program changed it (" +
                                    reason + ")");
    case TFileRead::Ok:
      break;
  }
  if (now.SameContents(state.Disk)) return write(path, ours, ours, state);

  pugi::xml_document theirs;
  if (!normalise(bytes, theirs, reason))
    refuse(path, ours, state, "another program changed the file since it was read and it cannot be read now (" +
                                  reason + ")");
  pugi::xml_document base;
  base.load_string(state.Base.c_str());
  TXmlMerge merge;
  MergeXml(base, oursDoc, theirs, shape, merge);
  if (!merge.Conflicts.empty()) {
    std::string list;
    for (const std::string& c : merge.Conflicts) list += (list.empty() ? "" : ", ") + c;
    refuse(path, ours, state,
           "another program changed the file since it was read, and these records were changed on both sides: " +
               list);
  }
  write(path, XmlText(merge.Merged), ours, state);
}

TXmlNormaliser RewritingNormaliser(std::string root,
                                   std::function<void(pugi::xml_node root, pugi::xml_document& out)> rewrite) {
  return [root = std::move(root), rewrite = std::move(rewrite)](std::string_view bytes, pugi::xml_document& out,
                                                                std::string& reason) {
    pugi::xml_document theirs;
    pugi::xml_parse_result parsed = theirs.load_buffer(bytes.data(), bytes.size());
    if (!parsed) {
      reason = parsed.description();
      return false;
    }
    pugi::xml_node top = theirs.child(root.c_str());
    if (!top) {
      reason = "no <" + root + "> root";
      return false;
    }
    try {
      rewrite(top, out);
    } catch (const std::exception& e) {
      reason = e.what();
      return false;
    }
    return true;
  };
}
