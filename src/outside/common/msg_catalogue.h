// Message catalogue shared by the four layer-3 decoders: the list of message
// types of one network in display order, with a lookup by code. Each decoder
// owns one catalogue, built once from its static tables.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace outside {

// One row of a static message table: the low 16 bits of the code (the
// decoder adds its network prefix), the message name and its protocol.
struct MsgRow {
  uint16_t Low;
  const char* Name;
  bool SubTypes = false;
};

struct MsgGroup {
  uint32_t Prefix;       // upper bits of every code of the group
  const char* Protocol;  // shown in the description
  std::span<const MsgRow> Rows;
};

struct MsgType {
  uint32_t Code;
  const char* Name;
  const char* Protocol;
  bool SubTypes;
};

class MsgCatalogue {
 public:
  explicit MsgCatalogue(std::span<const MsgGroup> groups);

  int Count() const { return static_cast<int>(types_.size()); }
  uint32_t Code(int position) const;
  std::string Desc(int position) const;
  std::string Name(uint32_t code) const;
  bool HasSubTypes(uint32_t code) const;
  bool Contains(uint32_t code) const { return Find(code) != nullptr; }
  const MsgType* Find(uint32_t code) const;
  // Sub-type index 0..31 from the SubType element, -1 when the message has
  // no sub-types or the element is missing, malformed or out of range.
  int SubIndex(uint32_t code, std::string_view bytes) const;

 private:
  std::vector<MsgType> types_;                    // display order
  std::vector<std::pair<uint32_t, int>> byCode_;  // sorted by code
};

// A code is in a small fixed set of codes (readers check what a message can carry).
inline bool OneOf(uint32_t code, std::initializer_list<uint32_t> set) {
  for (uint32_t c : set)
    if (c == code) return true;
  return false;
}

}  // namespace outside
