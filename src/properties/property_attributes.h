// Reading and writing the attribute values of property elements. Values that
// do not convert raise EPropertyAttributeError, which names the element and
// attribute and keeps the element's place so the file loader can add the
// file name and line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "eventmanager/errors.h"

class EPropertyAttributeError : public EConvertError {
 public:
  EPropertyAttributeError(const std::string& message, ptrdiff_t offset) : EConvertError(message), Offset(offset) {}
  ptrdiff_t Offset;  // byte offset of the element in its document, -1 when unknown
};

// "True"/"False" in any letter case, or an integer (0 is false); `fallback`
// when the attribute is absent.
bool ReadBoolAttribute(pugi::xml_node element, const char* name, bool fallback);
// A decimal integer (also "$hex" or "0xhex") that fits 32 bits; values up to
// 4294967295 wrap as colour values do.
int32_t ReadColourAttribute(pugi::xml_node element, const char* name, int32_t fallback);
std::string ReadTextAttribute(pugi::xml_node element, const char* name, const std::string& fallback);

inline const char* BoolText(bool value) { return value ? "True" : "False"; }
