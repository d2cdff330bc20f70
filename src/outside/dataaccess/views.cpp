// RecordView and EventView: thin views over the host's record and event table.
#include <algorithm>

#include "eventmanager/outside/data_access.h"

namespace {

const std::vector<EventTableEntry>* g_eventTable = nullptr;

const std::string& EmptyBytes() {
  static const std::string empty;
  return empty;
}

}  // namespace

uint8_t RecordView::FieldByte(int16_t id) const {
  if (!record_) return 0;
  int32_t v = record_->Field(id);
  return v == NoValue ? 0 : static_cast<uint8_t>(v & 0xFF);
}

int32_t RecordView::FieldValue(int32_t id) const { return record_ ? record_->Field(id) : NoValue; }

void RecordView::FieldValues(std::span<const int32_t> ids, std::span<int32_t> values) const {
  size_t f = 0;
  const size_t fieldCount = record_ ? record_->Fields.size() : 0;
  for (size_t i = 0; i < ids.size(); ++i) {
    while (f < fieldCount && record_->Fields[f].first < ids[i]) ++f;
    values[i] = f < fieldCount && record_->Fields[f].first == ids[i] ? record_->Fields[f].second : NoValue;
  }
}

const std::string& RecordView::MessageBytes() const { return record_ ? record_->MessageBytes : EmptyBytes(); }

uint8_t RecordView::ItemCount() const {
  if (!record_) return 0;
  return static_cast<uint8_t>(std::min<size_t>(record_->Items.size(), 255));
}

const TestItem* RecordView::Items() const {
  return record_ && !record_->Items.empty() ? record_->Items.data() : nullptr;
}

std::string_view RecordView::GetExtraData(const TestItem& item) const {
  return record_ ? record_->Extra(item) : std::string_view();
}

int RecordView::AddTestItem(const TestItem& item, std::string_view extra) {
  return record_ ? record_->AddItem(item, extra) : -1;
}

void SetEventTable(const std::vector<EventTableEntry>* table) { g_eventTable = table; }

bool EventView::Valid() const {
  return g_eventTable && position_ >= 0 && static_cast<size_t>(position_) < g_eventTable->size();
}

int16_t EventView::EventId() const { return Valid() ? (*g_eventTable)[position_].EventId : 0; }

int32_t EventView::RecordIndex() const { return Valid() ? (*g_eventTable)[position_].RecordIndex : -1; }

RecordView* NewHandsetFieldsInstance() { return new RecordView(); }

EventView* NewEventFieldsInstance() { return new EventView(); }
