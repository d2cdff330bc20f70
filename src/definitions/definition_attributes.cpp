#include "definitions/definition_attributes.h"

#include <charconv>
#include <limits>

#include <fmt/format.h>

#include "support/text_trim.h"

namespace {

// The library runs on the host thread only. A thread_local with a destructor
// would keep the library from ever being unloaded (dlclose).
std::string currentSource;

// Decimal, or hexadecimal with "0x" or "$"; a sign may lead. False when the
// text is not an integer or does not fit in 64 bits.
bool parseInteger(std::string_view text, int64_t& value, bool& outOfRange) {
  outOfRange = false;
  std::string_view s = TrimBlanks(text);
  bool negative = false;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  } else if (s.starts_with("$")) {
    base = 16;
    s.remove_prefix(1);
  }
  if (s.empty()) return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  if (end != s.data() + s.size() && ec != std::errc::result_out_of_range) return false;
  uint64_t limit = negative ? uint64_t(1) << 63 : uint64_t(std::numeric_limits<uint64_t>::max());
  if (ec == std::errc::result_out_of_range || magnitude > limit) {
    outOfRange = true;
    return false;
  }
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

[[noreturn]] void conversionError(pugi::xml_node element, const char* name, const std::string& text,
                                  const char* what) {
  DefinitionsError(element, fmt::format("attribute {}: '{}' {}", name, ClipValue(text), what));
}

int64_t readInteger(pugi::xml_node element, const char* name, int64_t fallback, int64_t low, int64_t high,
                    const char* range) {
  pugi::xml_attribute a = element.attribute(name);
  if (!a) return fallback;
  std::string text = a.value();
  int64_t value = 0;
  bool outOfRange = false;
  if (!parseInteger(text, value, outOfRange)) conversionError(element, name, text, outOfRange ? range : "is not an integer");
  if (value < low || value > high) conversionError(element, name, text, range);
  return value;
}

std::string attributeMessage(const std::string& file, int line, const std::string& reason) {
  return file.empty() ? reason : TFileFault{file, line, reason}.Text();
}

// Sets an attribute, adding it when missing; attributes of other names stay.
pugi::xml_attribute attributeToSet(pugi::xml_node element, const char* name) {
  pugi::xml_attribute a = element.attribute(name);
  return a ? a : element.append_attribute(name);
}

}  // namespace

void DefinitionsError(pugi::xml_node element, const std::string& reason) {
  int line = currentSource.empty() ? 0 : LineOfNode(currentSource, element);
  throw EAttributeError(currentSource, line, fmt::format("<{}> {}", ClipValue(element.name()), reason));
}

EAttributeError::EAttributeError(std::string file, int line, std::string reason)
    : EConvertError(attributeMessage(file, line, reason)),
      File(std::move(file)),
      Line(line),
      Reason(std::move(reason)) {}

void LevelDepthError(pugi::xml_node element) {
  int line = currentSource.empty() ? 0 : LineOfNode(currentSource, element);
  throw ELevelDepthError(currentSource, line,
                         fmt::format("<{}> is nested deeper than {} levels", ClipValue(element.name()), kMaxLevelDepth));
}

void RecordElementFault(pugi::xml_node element, const std::string& reason) {
  if (currentSource.empty() || !element) return;
  RecordContentFault({currentSource, LineOfNode(currentSource, element), fmt::format("<{}> {}", element.name(), reason)});
}

TDefinitionsSource::TDefinitionsSource(std::string path) : previous_(std::move(currentSource)) {
  currentSource = std::move(path);
}

TDefinitionsSource::~TDefinitionsSource() { currentSource = std::move(previous_); }

std::string ReadText(pugi::xml_node element, const char* name, const std::string& fallback) {
  pugi::xml_attribute a = element.attribute(name);
  return a ? std::string(a.value()) : fallback;
}

int32_t ReadInt32(pugi::xml_node element, const char* name, int32_t fallback) {
  return static_cast<int32_t>(readInteger(element, name, fallback, std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::max(), "is out of the 32-bit range"));
}

uint32_t ReadCode(pugi::xml_node element, const char* name, uint32_t fallback) {
  int64_t v = readInteger(element, name, static_cast<int64_t>(fallback), std::numeric_limits<int64_t>::min(),
                          std::numeric_limits<int64_t>::max(), "is out of the 64-bit range");
  return static_cast<uint32_t>(static_cast<uint64_t>(v));
}

void WriteText(pugi::xml_node element, const char* name, const std::string& value) {
  attributeToSet(element, name).set_value(value.c_str());
}

void WriteInt(pugi::xml_node element, const char* name, int64_t value) {
  attributeToSet(element, name).set_value(fmt::format("{}", value).c_str());
}

void WriteCode(pugi::xml_node element, const char* name, uint32_t value) {
  WriteInt(element, name, static_cast<int32_t>(value));
}

pugi::xml_node ChildElement(pugi::xml_node parent, const char* name) {
  for (pugi::xml_node n = FirstElement(parent); n; n = NextElement(n))
    if (std::string_view(n.name()) == name) return n;
  return {};
}

pugi::xml_node FirstElement(pugi::xml_node parent) {
  pugi::xml_node n = parent.first_child();
  while (n && n.type() != pugi::node_element) n = n.next_sibling();
  return n;
}

pugi::xml_node NextElement(pugi::xml_node element) {
  pugi::xml_node n = element.next_sibling();
  while (n && n.type() != pugi::node_element) n = n.next_sibling();
  return n;
}

void RemoveChildren(pugi::xml_node element) {
  while (pugi::xml_node c = element.first_child()) element.remove_child(c);
}
