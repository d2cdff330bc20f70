#include "platform/ini_file.h"

#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "support/file_io.h"

#include "support/text_trim.h"

namespace {

// A configuration file of more than this is not one.
constexpr uint64_t kMaxIniBytes = 16u << 20;

std::string upper(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

}  // namespace

TIniFile::TIniFile(const std::string& path) {
  // Only a regular file is read: a named pipe here must not hang start-up.
  std::string bytes, reason;
  if (ReadRegularFile(path, bytes, reason, kMaxIniBytes) != TFileRead::Ok) return;
  loaded_ = true;
  std::istringstream in(bytes);
  std::string line, section;
  while (std::getline(in, line)) {
    std::string_view t = TrimBlanks(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[' && t.back() == ']') {
      section = upper(TrimBlanks(t.substr(1, t.size() - 2)));
      continue;
    }
    size_t eq = t.find('=');
    if (eq == std::string::npos) continue;
    values_.emplace(section + '\n' + upper(TrimBlanks(t.substr(0, eq))), std::string(TrimBlanks(t.substr(eq + 1))));
  }
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& fallback) const {
  auto it = values_.find(upper(section) + '\n' + upper(key));
  return it == values_.end() ? fallback : it->second;
}

long TIniFile::ReadInteger(const std::string& section, const std::string& key, long fallback) const {
  std::string text = ReadString(section, key, "");
  if (text.empty()) return fallback;
  errno = 0;
  char* end = nullptr;
  // Decimal, or hexadecimal after "0x": a leading zero is not octal to
  // whoever wrote the file by hand.
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  long value = std::strtol(text.c_str(), &end, hex ? 16 : 10);
  if (errno != 0 || end == text.c_str() || *end != '\0') return fallback;
  return value;
}
