#include "reconfiguration.h"

#include "eventmanager/outside/message_bytes.h"

namespace outside {

std::optional<std::vector<int32_t>> OptionalList(std::string_view bytes, uint8_t tag, bool& present) {
  present = false;
  if (!msgbytes::WellFormed(bytes)) return std::nullopt;
  auto value = msgbytes::Find(bytes, tag);
  if (!value) return std::vector<int32_t>{};
  if (value->size() % 4 != 0) return std::nullopt;
  present = true;
  return msgbytes::I32List(*value, 8);
}

}  // namespace outside
