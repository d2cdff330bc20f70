// TTestEvents: the built-in test events that the host's test process reports
// by identifier (1..245), each mapped to its display-property record in the
// test list of the property registry. The host owns the object; the records
// belong to the property list. Host thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/integer_array.h"
#include "core/object.h"

class TEventProperty;
class TPropertySource;

inline constexpr int kTestEventIdCount = 245;

// The table name of a test-event identifier, or nullptr outside 1..245.
// Identifiers 139 and 140 have names but are not registered test events.
const char* TestEventTableName(int id);

class TTestEvents : public TObject {
  EM_CLASS(TTestEvents, TObject)
 public:
  TTestEvents();
  ~TTestEvents() override;
  TTestEvents(const TTestEvents&) = delete;
  TTestEvents& operator=(const TTestEvents&) = delete;

  // Registered identifiers, strictly ascending; entry i of Names belongs to
  // entry i of Ids and carries its record (none until linked).
  TIntegerArray Ids{TDuplicates::Error};
  struct TNameEntry {
    std::string Name;
    TEventProperty* Property = nullptr;  // not owned
  };
  std::vector<TNameEntry> Names;

  void Clear();
  void Fill();
  int32_t Count() const { return Ids.Count(); }
  int IndexOfId(int32_t id) const;
  TEventProperty* PropertyAt(int position) const;
  TEventProperty* FindById(int32_t id) const { return PropertyAt(IndexOfId(id)); }
  // The record of a test-event identifier; none when unregistered or unlinked.
  TEventProperty* PropertyOf(int16_t id) const { return FindById(id); }
  // The table name of an identifier 1..245 (also of the unregistered 139 and
  // 140); empty for any other identifier.
  static std::string NameOf(int16_t id);
  // Links every entry to the record of its name in the test property list,
  // creating missing records; 16 and 26 share a name and so a record.
  void LinkProperties(TPropertySource* list);
};
