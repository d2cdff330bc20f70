// Test-item detail texts: an item identifier, the context bytes and an extra
// data block of any length (shorter or longer than the item claims).
// Input: identifier (2 bytes LE), claimed length (2 bytes LE), container
// network, record network, device type, publishing variant, then the block.
#include <cstring>

#include "detection/item_detail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHead = 8;
  if (size < kHead) return 0;
  TestItem item{};
  std::memcpy(&item.EventId, data, 2);
  std::memcpy(&item.ExtraLength, data + 2, 2);
  TItemDetailContext context;
  context.NetType = data[4];
  context.RecordNetType = data[5];
  context.DeviceType = data[6];
  context.PublishId = data[7];
  std::string_view extra(reinterpret_cast<const char*>(data) + kHead, size - kHead);
  SplitDetailLines(BuildItemDetail(item, extra, context));
  return 0;
}
