// TestItem: one test event carried by a log record, exactly as the record view
// hands it over (20 bytes, packed, little-endian). Shared by the library, the
// data-access component and every host.
#pragma once

#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
struct TestItem {
  uint32_t Reserved;    // not read by the library
  int16_t EventId;      // test-event identifier (1..245, or internal ones)
  double Time;          // date-time in days
  uint16_t ExtraLength; // bytes of extra data, 0 when none
  // Handle of the extra data block inside the record that carries the item.
  // A 32-bit reference cannot hold a pointer on a 64-bit host, so the record
  // view resolves it (RecordView::GetExtraData).
  uint32_t ExtraRef;
};
#pragma pack(pop)

static_assert(sizeof(TestItem) == 20, "TestItem is a packed 20-byte record");
static_assert(offsetof(TestItem, EventId) == 4);
static_assert(offsetof(TestItem, Time) == 6);
static_assert(offsetof(TestItem, ExtraLength) == 14);
static_assert(offsetof(TestItem, ExtraRef) == 16);
