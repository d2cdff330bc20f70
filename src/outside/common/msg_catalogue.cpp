#include "msg_catalogue.h"

#include <algorithm>

#include <fmt/format.h>

#include "eventmanager/outside/message_bytes.h"

namespace outside {

MsgCatalogue::MsgCatalogue(std::span<const MsgGroup> groups) {
  for (const MsgGroup& g : groups)
    for (const MsgRow& r : g.Rows) types_.push_back({g.Prefix | r.Low, r.Name, g.Protocol, r.SubTypes});
  for (int i = 0; i < Count(); ++i) byCode_.emplace_back(types_[i].Code, i);
  // Stable: when a code were listed twice the first row wins the lookup.
  std::stable_sort(byCode_.begin(), byCode_.end(), [](auto& a, auto& b) { return a.first < b.first; });
}

uint32_t MsgCatalogue::Code(int position) const {
  return position >= 0 && position < Count() ? types_[position].Code : 0;
}

std::string MsgCatalogue::Desc(int position) const {
  if (position < 0 || position >= Count()) return {};
  const MsgType& t = types_[position];
  return fmt::format("{} [{}]", t.Name, t.Protocol);
}

const MsgType* MsgCatalogue::Find(uint32_t code) const {
  auto it = std::lower_bound(byCode_.begin(), byCode_.end(), code,
                             [](const auto& e, uint32_t c) { return e.first < c; });
  return it != byCode_.end() && it->first == code ? &types_[it->second] : nullptr;
}

std::string MsgCatalogue::Name(uint32_t code) const {
  const MsgType* t = Find(code);
  return t ? t->Name : std::string();
}

bool MsgCatalogue::HasSubTypes(uint32_t code) const {
  const MsgType* t = Find(code);
  return t && t->SubTypes;
}

int MsgCatalogue::SubIndex(uint32_t code, std::string_view bytes) const {
  if (!HasSubTypes(code)) return -1;
  auto value = msgbytes::FindChecked(bytes, msgbytes::SubType);
  if (!value || value->size() != 1) return -1;
  auto index = static_cast<uint8_t>((*value)[0]);
  return index <= 31 ? index : -1;
}

}  // namespace outside
