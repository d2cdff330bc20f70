// Data-access component: views on one record of a log (RecordView) and on the
// log's event table (EventView), and the catalogue of measured fields.
// The host owns the records; a view only points at the one loaded into it, so
// loading is a pointer assignment. Single-threaded, like the whole host side.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "eventmanager/test_item.h"
#include "eventmanager/outside/outside_export.h"

// Marks a missing measured value, an unset cause and an absent decoded field.
inline constexpr int32_t NoValue = -9999;

// One record of a log as the host decoded it. The host fills it; views point
// at it. Fields are kept sorted by identifier (SetField keeps them so).
struct EM_DATAACCESS_API HandsetRecord {
  double Time = 0;           // record time, days
  double OrderTime = 0;      // ordering time, days
  uint32_t MessageCode = 0;  // layer-3 message code, 0 for a measurement record
  std::string MessageBytes;  // raw message: see docs/message-bytes.md
  // Bits 24..27 the record's mode (0 idle, 1 connected on common channels,
  // 2 dedicated), bits 16..23 the vendor sub-type.
  uint32_t MessageInfo = 0;
  uint8_t NetType = 255;     // network of the record (0 GSM .. 3 TD-SCDMA)
  bool Skip = false;         // the message is not decoded
  uint32_t Reference = 0;    // handed unchanged to matching and back to the loader
  std::vector<std::pair<int32_t, int32_t>> Fields;  // (identifier, value), sorted
  std::vector<TestItem> Items;
  std::string ExtraPool;     // extra data of all items; ExtraRef is an offset here

  void SetField(int32_t id, int32_t value);
  int32_t Field(int32_t id) const;  // NoValue when absent
  // Appends an item with its extra data; returns its position, or -1 when the
  // record already holds 255 items.
  int AddItem(TestItem item, std::string_view extra);
  // The extra data of an item, clipped to what the record holds: a handle or
  // length that points outside the pool gives a shorter (or empty) block.
  std::string_view Extra(const TestItem& item) const;
};

class EM_DATAACCESS_API RecordView {
 public:
  // Loader side: the host's OnGetRecord puts a record in (or nullptr).
  void Load(HandsetRecord* record) { record_ = record; }
  HandsetRecord* Loaded() const { return record_; }

  uint32_t HasData() const { return record_ ? 1u : 0u; }
  void Reset() { record_ = nullptr; }
  uint8_t FieldByte(int16_t id) const;   // low 8 bits of the field, 0 when absent
  int32_t FieldValue(int32_t id) const;  // NoValue when absent or no record
  // The values of the fields `ids` into `values` (one each, NoValue when
  // absent): one walk over the record's sorted fields instead of a search per
  // field. REQUIRES: ids ascending, values.size() == ids.size().
  void FieldValues(std::span<const int32_t> ids, std::span<int32_t> values) const;
  const std::string& MessageBytes() const;
  uint32_t MessageCode() const { return record_ ? record_->MessageCode : 0; }
  uint32_t MessageInfo() const { return record_ ? record_->MessageInfo : 0; }
  double Time() const { return record_ ? record_->Time : 0; }
  double OrderTime() const { return record_ ? record_->OrderTime : 0; }
  uint32_t Reference() const { return record_ ? record_->Reference : 0; }
  uint8_t NetType() const { return record_ ? record_->NetType : 255; }
  bool Skip() const { return record_ && record_->Skip; }
  uint8_t ItemCount() const;
  const TestItem* Items() const;
  std::string_view GetExtraData(const TestItem& item) const;
  int AddTestItem(const TestItem& item, std::string_view extra);  // -1 when refused

  uint32_t DataSource = 0;

 private:
  HandsetRecord* record_ = nullptr;
};

// One entry of a log's event table: an event the host recognised itself.
struct EventTableEntry {
  int16_t EventId = 0;
  int32_t RecordIndex = 0;
};

// The event table of the log being processed. The host installs it with
// SetEventTable before feeding; views read whatever table is installed.
EM_DATAACCESS_API void SetEventTable(const std::vector<EventTableEntry>* table);

class EM_DATAACCESS_API EventView {
 public:
  void SetPosition(int32_t position) { position_ = position; }
  int32_t Position() const { return position_; }
  bool Valid() const;
  int16_t EventId() const;     // 0 when the position is outside the table
  int32_t RecordIndex() const; // -1 when the position is outside the table

 private:
  int32_t position_ = -1;
};

EM_DATAACCESS_API RecordView* NewHandsetFieldsInstance();
EM_DATAACCESS_API EventView* NewEventFieldsInstance();

// Field catalogue: names users write in expressions and logs, and their
// identifiers. Lookup ignores letter case.
struct FieldInfo {
  int32_t Id;
  const char* Name;
  const char* Description;
  uint8_t Networks = 31;  // network set of the logs that carry it (bit k = network k); any name parses anywhere
};
EM_DATAACCESS_API std::span<const FieldInfo> FieldCatalogue();
EM_DATAACCESS_API int32_t FieldIdByName(std::string_view name);  // -1 when unknown
EM_DATAACCESS_API const char* FieldNameById(int32_t id);         // nullptr when unknown
