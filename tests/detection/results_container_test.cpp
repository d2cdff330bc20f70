// The results container: time order on insertion, searches by record index,
// the tree glue, and what a result reads through its record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <random>
#include <type_traits>

#include "detection/act_events_result.h"
#include "eventmanager/errors.h"
#include "properties/event_property.h"
#include "testing/fake_host.h"

namespace {

// Both own through the raw pointers of the host's classes (Details, Results,
// RecordView, EventView): a copy or a move would free them twice.
template <class T>
constexpr bool kNeitherCopiedNorMoved = !std::is_copy_constructible_v<T> && !std::is_copy_assignable_v<T> &&
                                        !std::is_move_constructible_v<T> && !std::is_move_assignable_v<T>;
static_assert(kNeitherCopiedNorMoved<TActEventResult>);
static_assert(kNeitherCopiedNorMoved<TActEventsResult>);

struct Container : ::testing::Test {
  FakeHost host;
  TActEventsResult results;
  void SetUp() override { results.OnGetRecord = host.Loader(); }

  int32_t addAt(int32_t recordIndex, int32_t kind = KindMessage) {
    auto r = TActEventResult::CreateForItem(&results, kind, 0, nullptr, 0, recordIndex, 0);
    int32_t position = results.AddResult(r.get());
    if (position >= 0) r.release();
    return position;
  }
  std::vector<int32_t> order() {
    std::vector<int32_t> out;
    for (int i = 0; i < results.GetCount(); ++i) out.push_back(results.GetResult(i)->RecordIndex);
    return out;
  }
};

}  // namespace

TEST_F(Container, InsertsInOrderingTimeAndKeepsArrivalOrderOnTies) {
  host.Add(FakeHost::At(10, 0, 1));
  host.Add(FakeHost::At(10, 0, 3));
  host.Add(FakeHost::At(10, 0, 2));
  host.Add(FakeHost::At(10, 0, 3));
  EXPECT_EQ(addAt(0), 0);
  EXPECT_EQ(addAt(1), 1);
  EXPECT_EQ(addAt(2), 1);
  EXPECT_EQ(order(), (std::vector<int32_t>{0, 2, 1}));
  EXPECT_EQ(addAt(3), 3);  // equal key: after the result with the same time
  EXPECT_EQ(order(), (std::vector<int32_t>{0, 2, 1, 3}));

  TEventResult* first = results.GetResult(0);
  EXPECT_EQ(results.AddResult(first), -1);
  EXPECT_EQ(results.GetCount(), 4);
  EXPECT_EQ(first->Owner, &results);
  EXPECT_EQ(results.GetResult(4), nullptr);
  EXPECT_EQ(results.GetResult(-1), nullptr);
}

TEST_F(Container, ForeignResultIsRefused) {
  struct Foreign : TEventResult {
    const TBitmap* GetBitmap() override { return nullptr; }
    void GetVoiceText(std::string&) override {}
    void GetEventName(std::string&) override {}
    bool GetDrawInGraph() override { return false; }
    bool GetDrawInMap() override { return false; }
    bool GetPlayVoice() override { return false; }
    int32_t GetBackColor() override { return 0; }
    int32_t GetFontColor() override { return 0; }
    double GetTime() override { return 0; }
    bool HasDetails() override { return false; }
    int32_t GetTestEventId() override { return -1; }
    bool IsKind(int32_t) override { return false; }
    bool HasDetailFlag6() override { return false; }
    void Assign(TEventResult*) override {}
    void Speak() override {}
    int32_t LoadRecord(RecordView*, int32_t) override { return 0; }
  } foreign;
  try {
    results.AddResult(&foreign);
    FAIL();
  } catch (const EMyClassTypeMismatch& e) {
    // The text names the list's item class, the one hosts know.
    EXPECT_THAT(e.what(), ::testing::MatchesRegex("Class type mismatch .*Foreign with TEventResult"));
  }
  EXPECT_EQ(results.GetCount(), 0);
}

TEST_F(Container, FindModesAtTheBoundaries) {
  for (int i = 0; i < 10; ++i) host.Add(FakeHost::At(10, 0, i));
  addAt(5);
  addAt(5);
  addAt(9);
  struct Case {
    int32_t record;
    uint8_t match, dup;
    int32_t expected;
  } cases[] = {
      {5, 3, 0, 0}, {5, 3, 1, 1}, {7, 0, 0, 1}, {7, 1, 0, 2}, {7, 2, 0, 1}, {3, 0, 0, -1},
      {3, 1, 0, 0}, {3, 2, 0, 0}, {3, 3, 0, -1}, {12, 2, 0, 2}, {12, 0, 0, 2}, {12, 1, 0, -1}, {12, 3, 0, -1},
      {8, 2, 0, 2},  // nearer to 9 than to 5
      {9, 3, 0, 2}, {9, 3, 1, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(results.Find(c.record, c.match, c.dup), c.expected)
        << "Find(" << c.record << ", " << int(c.match) << ", " << int(c.dup) << ")";
  EXPECT_EQ(results.FindExact(9, false), 2);
  EXPECT_EQ(results.FindExact(6, true), -1);

  TActEventsResult empty;
  EXPECT_EQ(empty.Find(1, 2, 0), -1);

  results.Clear();
  addAt(5);
  addAt(5);
  EXPECT_EQ(results.FindExact(5, true), 1);
  EXPECT_EQ(results.FindExact(5, false), 0);
}

TEST_F(Container, ResultTimeComesFromItsRecordUnlessStored) {
  host.Add(FakeHost::At(10, 0, 4));
  auto r = TActEventResult::CreateForItem(&results, KindMessage, 0, nullptr, 0, 0, 0);
  EXPECT_DOUBLE_EQ(r->GetTime(), FakeHost::At(10, 0, 4));
  r->Time = FakeHost::At(9, 0, 0);
  EXPECT_DOUBLE_EQ(r->GetTime(), FakeHost::At(9, 0, 0));
  EXPECT_TRUE(r->IsKind(0));
  EXPECT_FALSE(r->IsKind(3));
  EXPECT_FALSE(r->IsKind(-1));
  EXPECT_EQ(r->GetTestEventId(), -1);
  EXPECT_EQ(r->GetBackColor(), 0xFFFFFF);
  EXPECT_EQ(r->GetFontColor(), 0);
  EXPECT_EQ(r->GetBitmap(), nullptr);
  EXPECT_FALSE(r->HasDetailFlag6());

  TActEventsResult unhooked;  // without a loader every record reads empty
  auto lone = TActEventResult::CreateForItem(&unhooked, KindTest, 0, nullptr, 0, 0, 7);
  EXPECT_EQ(lone->GetTime(), 0);
  EXPECT_EQ(lone->GetTestEventId(), 7);
}

TEST_F(Container, TreeShowsRowsAndDetailLines) {
  host.Add(FakeHost::At(10, 0, 4));
  addAt(0);
  auto* r = results.GetResult(0);
  r->Details->push_back({"BCCH: 45 --> 62", 0});
  r->Details->push_back({"BSIC: 12 --> 33", 7});
  TVirtualTree tree;
  results.AttachTree(&tree);
  TVirtualNode top{nullptr, r, -1};
  TVirtualNode line{&top, nullptr, 1};
  TVirtualNode none{&top, nullptr, -1};
  EXPECT_EQ(results.GetNodeResult(&tree, &line), r);
  EXPECT_EQ(results.GetNodeRecordIndex(&tree, &top), 0);
  EXPECT_EQ(results.GetNodeRecordIndex(&tree, &line), 7);
  EXPECT_EQ(tree.TextOf(&line), "BSIC: 12 --> 33");
  EXPECT_EQ(tree.TextOf(&none), "");
  EXPECT_NE(tree.TextOf(&top).find(" -> "), std::string::npos);
  EXPECT_EQ(results.GetNodeResult(&tree, nullptr), nullptr);
  EXPECT_EQ(tree.FontColorOf(&top, 5), 0);
}

// Results that arrive against time order (a log fed backwards, late window
// closes) land in time order, and each insertion loads one record, not one per
// result already listed.
TEST_F(Container, OutOfOrderArrivalsSortWithOneRecordLoadEach) {
  struct Case {
    const char* name;
    std::vector<double> seconds;  // ordering time of record i, added in this order
  };
  std::vector<double> reversed, zigzag;
  for (int i = 0; i < 2000; ++i) reversed.push_back(3000 - i);
  for (int i = 0; i < 2000; ++i) zigzag.push_back(i % 2 ? 1000 + i : 1000 - i);
  const Case cases[] = {{"reversed", reversed}, {"zigzag", zigzag}, {"ties", {5, 3, 5, 3, 4, 5}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    results.Clear();
    host.Records.clear();
    for (double s : c.seconds) host.Add(FakeHost::At(10, 0, s));
    host.Loads.clear();
    for (int32_t i = 0; i < static_cast<int32_t>(c.seconds.size()); ++i) addAt(i);
    // One load to build the result, one to key it.
    EXPECT_LE(host.Loads.size(), 2 * c.seconds.size()) << "records were loaded again for comparisons";
    ASSERT_EQ(results.GetCount(), static_cast<int32_t>(c.seconds.size()));
    for (int32_t i = 1; i < results.GetCount(); ++i) {
      double before = c.seconds[results.GetResult(i - 1)->RecordIndex];
      double after = c.seconds[results.GetResult(i)->RecordIndex];
      ASSERT_LE(before, after) << "position " << i;
      if (before == after) {
        ASSERT_LT(results.GetResult(i - 1)->RecordIndex, results.GetResult(i)->RecordIndex) << "ties keep arrival order";
      }
    }
  }
}

// Mixed kinds compare by different keys (item times for test events, the
// records' ordering times otherwise), stored times and moved results
// (AssignResult) break either order: every position must still be the one
// the walk from the end gives (after the last result whose key is not greater).
TEST_F(Container, MixedKindsAndMovedResultsMatchTheWalkFromTheEnd) {
  std::mt19937 random(7);
  const int records = 60;
  for (int i = 0; i < records; ++i) {
    HandsetRecord& r = host.Add(FakeHost::At(10, 0, std::uniform_int_distribution<int>(0, 30)(random)));
    if (i % 3 == 0) r.Time = FakeHost::At(9, 0, i);  // item time apart from the ordering time
  }
  struct Listed {
    int32_t record;
    double time;
  };
  std::vector<Listed> mirror;
  auto keyOf = [&](const Listed& l, bool item) {
    const HandsetRecord& r = host.Records[static_cast<size_t>(l.record)];
    return item ? (l.time != 0 ? l.time : r.Time) : r.OrderTime;
  };
  for (int step = 0; step < 400; ++step) {
    int32_t record = std::uniform_int_distribution<int32_t>(0, records - 1)(random);
    if (step % 37 == 36 && !mirror.empty()) {
      auto at = std::uniform_int_distribution<int32_t>(0, static_cast<int32_t>(mirror.size()) - 1)(random);
      auto source = TActEventResult::CreateForItem(&results, KindMessage, 0, nullptr, 0, record, 0);
      results.AssignResult(at, source.get());
      mirror[static_cast<size_t>(at)].record = record;
      continue;
    }
    bool test = random() % 2;
    double time = random() % 4 == 0 ? FakeHost::At(11, 0, step) : 0;
    int32_t walk = static_cast<int32_t>(mirror.size()) - 1;
    Listed mine{record, time};
    while (walk >= 0 && keyOf(mirror[static_cast<size_t>(walk)], test) > keyOf(mine, test)) --walk;
    auto r = TActEventResult::CreateForItem(&results, test ? KindTest : KindMessage, 0, nullptr, 0, record, 0);
    r->Time = time;
    ASSERT_EQ(results.AddResult(r.release()), walk + 1) << "step " << step;
    mirror.insert(mirror.begin() + (walk + 1), mine);
  }
}

// The list of distinct event names follows every result added: each name
// once, ignoring ASCII letter case, in the order first seen, with the
// property it first came with; a property renamed between results brings
// its new name. Checked on random runs of a few properties against a plain
// search of the names listed so far.
TEST_F(Container, EventNamesFollowRenamedPropertiesInRuns) {
  host.Add(FakeHost::At(10, 0, 1));
  const char* const names[] = {"Call Drop", "CALL DROP", "Handover", "handover", "Cell Change", "Attach"};
  std::vector<TActEventProperty> properties(4);
  std::mt19937 random(7);
  auto lower = [](std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
  };
  std::vector<std::pair<std::string, TEventProperty*>> expected;
  TEventProperty* property = &properties[0];
  for (int step = 0; step < 3000; ++step) {
    // Mostly runs of one property, as a log gives them.
    if (random() % 4 == 0) property = &properties[random() % properties.size()];
    if (random() % 16 == 0) property->EventName = names[random() % std::size(names)];
    TEventProperty* used = random() % 32 == 0 ? nullptr : property;
    auto r = TActEventResult::CreateForItem(&results, KindTest, 0, used, 0, 0, 1);
    ASSERT_GE(results.AddResult(r.get()), 0);
    r.release();
    const std::string name = used ? used->EventName : std::string();
    bool listed = false;
    for (const auto& entry : expected) listed = listed || lower(entry.first) == lower(name);
    if (!listed) expected.emplace_back(name, used);
    const TEventNames& got = *results.GetEventNames();
    ASSERT_EQ(got.size(), expected.size()) << "step " << step;
    for (size_t k = 0; k < got.size(); ++k) {
      ASSERT_EQ(got[k].Name, expected[k].first) << "step " << step << ", name " << k;
      ASSERT_EQ(got[k].Property, expected[k].second) << "step " << step << ", name " << k;
    }
  }
  results.Clear();
}
