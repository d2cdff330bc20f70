// Cell changes derived from the radio fields of 3G logs: each network's serving
// cell and measured GSM cell are read from their own field identifiers, and
// every kind of change (within 3G, within GSM, GSM to 3G, 3G to GSM) comes out
// with its own type and values.
#include <gtest/gtest.h>

#include <cstring>

#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "properties/event_property_list.h"
#include "testing/fake_host.h"

namespace {

// Field identifiers of the serving 3G cell and of the GSM cell a 3G handset
// camps on, by network.
struct Fields {
  uint8_t Net;
  int32_t Channel, Cell, GsmChannel, GsmCell;
};
constexpr Fields Wcdma{2, 98, 99, 17, 7};
constexpr Fields TdScdma{3, 203, 204, 37, 36};

struct Cell {
  bool Gsm;
  int32_t Channel, Code;
};

struct Derived {
  int32_t Type;
  std::vector<int32_t> Values;  // the block's fields after the type, as the type lays them out
};

// The cell-change items of a log of idle records, one record per cell; the
// first record of a log never derives anything, so an empty one leads.
std::vector<Derived> cellChanges(const Fields& f, const std::vector<Cell>& cells) {
  FakeHost host;
  TActEventsResult results;
  TMsgEventList messages;
  TTestEvents tests;
  TEventPropertyList testProps{0, 255, ""};
  tests.LinkProperties(&testProps);
  results.OnGetRecord = host.Loader();
  results.OnEventFilter = host.Filter();
  results.SetNetType(f.Net);
  messages.SetNetType(f.Net);
  host.Add(FakeHost::At(10, 0, 0));
  for (const Cell& c : cells) {
    HandsetRecord& r = host.Add(FakeHost::At(10, 0, static_cast<double>(host.Records.size())));
    r.SetField(c.Gsm ? f.GsmChannel : f.Channel, c.Channel);
    r.SetField(c.Gsm ? f.GsmCell : f.Cell, c.Code);
  }
  for (size_t i = 0; i < host.Records.size(); ++i)
    results.FeedRecord(0, static_cast<int32_t>(i), false, false, false, 0, &messages, nullptr, &tests);

  std::vector<Derived> out;
  for (const HandsetRecord& r : host.Records)
    for (const TestItem& item : r.Items) {
      EXPECT_EQ(item.EventId, 162);
      std::string_view b = r.Extra(item);
      if (b.size() != 16) {
        ADD_FAILURE() << "block of " << b.size() << " bytes";
        continue;
      }
      auto i32 = [&](size_t at) { int32_t v; std::memcpy(&v, b.data() + at, 4); return v; };
      auto i16 = [&](size_t at) { int16_t v; std::memcpy(&v, b.data() + at, 2); return int32_t{v}; };
      int32_t type = i32(0);
      switch (type) {
        case 0: case 1: out.push_back({type, {i32(4), i32(8), i16(12), i16(14)}}); break;
        case 2: out.push_back({type, {i32(10), i16(14)}}); break;
        case 3: out.push_back({type, {i32(4), i16(8)}}); break;
        default: out.push_back({type, {}}); break;
      }
    }
  return out;
}

}  // namespace

TEST(CellChanges, ThreeGLogsReadEachCellFromItsOwnFields) {
  struct Case {
    const char* What;
    std::vector<Cell> Cells;
    std::vector<Derived> Expected;
  };
  const std::vector<Case> cases = {
      {"within 3G", {{false, 10700, 212}, {false, 10700, 213}}, {{0, {10700, 10700, 212, 213}}}},
      {"same 3G cell again", {{false, 10700, 212}, {false, 10700, 212}}, {}},
      {"within GSM", {{true, 62, 33}, {true, 64, 33}}, {{1, {62, 64, 33, 33}}}},
      {"GSM to 3G", {{true, 62, 33}, {false, 10700, 212}}, {{2, {10700, 212}}}},
      {"3G to GSM", {{false, 10700, 212}, {true, 62, 33}}, {{3, {62, 33}}}},
      {"3G to GSM and back", {{false, 10700, 212}, {true, 62, 33}, {false, 10563, 40}},
       {{3, {62, 33}}, {2, {10563, 40}}}},
  };
  for (const Fields& f : {Wcdma, TdScdma})
    for (const Case& c : cases) {
      std::vector<Derived> got = cellChanges(f, c.Cells);
      ASSERT_EQ(got.size(), c.Expected.size()) << c.What << " on network " << int(f.Net);
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Type, c.Expected[i].Type) << c.What << " on network " << int(f.Net);
        EXPECT_EQ(got[i].Values, c.Expected[i].Values) << c.What << " on network " << int(f.Net);
      }
    }
}
