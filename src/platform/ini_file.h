// A small reader for key-value configuration files of the Windows INI kind:
// "[Section]" headers, "key=value" lines, ";" or "#" comments. Section and
// key names compare without regard to letter case.
#pragma once

#include <map>
#include <string>

class TIniFile {
 public:
  explicit TIniFile(const std::string& path);  // a missing file reads as empty
  bool Loaded() const { return loaded_; }
  std::string ReadString(const std::string& section, const std::string& key, const std::string& fallback) const;
  // The value as a decimal (or 0x hexadecimal) integer; `fallback` when the
  // key is missing or not a number.
  long ReadInteger(const std::string& section, const std::string& key, long fallback) const;

 private:
  bool loaded_ = false;
  std::map<std::string, std::string> values_;  // "SECTION\nKEY" -> value
};
