#include "properties/property_attributes.h"

#include <charconv>
#include <string_view>

#include <fmt/format.h>

#include "eventmanager/outside/utility.h"
#include "platform/xml_file.h"
#include "support/text_trim.h"

namespace {

// Parses a whole integer text; false when it is not one.
bool parseInteger(std::string_view text, int64_t& value) {
  text = TrimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (!text.empty() && text[0] == '$') {
    base = 16;
    text.remove_prefix(1);
  } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (ec != std::errc() || end != text.data() + text.size() || magnitude > 0xFFFFFFFFull) return false;
  value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

[[noreturn]] void notConverted(pugi::xml_node element, const char* name, const char* value, const char* what) {
  throw EPropertyAttributeError(
      fmt::format("<{}> attribute {}: '{}' is not {}", ClipValue(element.name()), name, ClipValue(value), what), element.offset_debug());
}

}  // namespace

bool ReadBoolAttribute(pugi::xml_node element, const char* name, bool fallback) {
  pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) return fallback;
  std::string_view text = TrimBlanks(attribute.value());
  if (CompText(text, "True")) return true;
  if (CompText(text, "False")) return false;
  int64_t value = 0;
  if (!parseInteger(text, value)) notConverted(element, name, attribute.value(), "True, False or an integer");
  return value != 0;
}

int32_t ReadColourAttribute(pugi::xml_node element, const char* name, int32_t fallback) {
  pugi::xml_attribute attribute = element.attribute(name);
  if (!attribute) return fallback;
  int64_t value = 0;
  if (!parseInteger(attribute.value(), value) || value < INT32_MIN)
    notConverted(element, name, attribute.value(), "an integer");
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

std::string ReadTextAttribute(pugi::xml_node element, const char* name, const std::string& fallback) {
  pugi::xml_attribute attribute = element.attribute(name);
  return attribute ? std::string(attribute.value()) : fallback;
}
