// The fill exports' rules on an in-memory registry of 2 test, 3 message and
// 1 warning records, on real Qt controls; the map's bound errors; the
// colour conversion; the search's order and wrap-around.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTreeWidget>

#include "eventmanager/errors.h"
#include "eventmanager/integer_array.h"
#include "eventmanager/outside/combo_box.h"
#include "properties/event_propertys.h"
#include "windows/colour.h"
#include "windows/fill_controls.h"
#include "windows/internal_events_rules.h"

namespace {

// 2 test, 3 message and 1 warning records for network 1 (CDMA), with names
// whose alphabetical order differs from the list order.
class SmallRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Zeta Test", "Alpha Test"}) store.TestList->LinkProperty(name);
    for (const char* name : {"Mike Msg", "Bravo Msg", "Yankee Msg"}) store.MsgLists[1]->LinkProperty(name);
    store.WarningLists[1]->LinkProperty("Charlie Warn");
    store.MsgLists[0]->LinkProperty("Other Network");
  }
  static TEventProperty* recordOf(const QTreeWidgetItem* item) {
    return static_cast<TEventProperty*>(item->data(0, Qt::UserRole).value<void*>());
  }
  static TEventProperty* recordOf(const QComboBox& combo, int entry) {
    return static_cast<TEventProperty*>(combo.itemData(entry).value<void*>());
  }

  TEventPropertys store;
};

}  // namespace

TEST_F(SmallRegistry, TreeGetsThreeGroupsCheckedAsAskedAndNeverCleared) {
  QTreeWidget tree;
  FillEventTree(tree, store, 1, true);
  ASSERT_EQ(tree.topLevelItemCount(), 3);
  const std::vector<std::pair<TEventPropertyList*, int>> groups = {
      {store.TestList.get(), 2}, {store.MsgLists[1].get(), 3}, {store.WarningLists[1].get(), 1}};
  for (int g = 0; g < 3; ++g) {
    QTreeWidgetItem* group = tree.topLevelItem(g);
    EXPECT_EQ(group->data(0, Qt::UserRole).value<void*>(), static_cast<void*>(groups[g].first));
    EXPECT_EQ(group->text(0).toStdString(), groups[g].first->Name);
    ASSERT_EQ(group->childCount(), groups[g].second);
    EXPECT_TRUE(group->isExpanded());
    EXPECT_EQ(group->checkState(0), Qt::Checked);
    EXPECT_TRUE(group->flags() & Qt::ItemIsAutoTristate);
    for (int i = 0; i < group->childCount(); ++i) {
      EXPECT_EQ(recordOf(group->child(i)), static_cast<TEventProperty*>(groups[g].first->Items(i)));
      EXPECT_EQ(group->child(i)->checkState(0), Qt::Checked);
    }
  }
  // One event unchecked leaves its group partly checked.
  tree.topLevelItem(1)->child(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(tree.topLevelItem(1)->checkState(0), Qt::PartiallyChecked);

  FillEventTree(tree, store, 1, false);
  ASSERT_EQ(tree.topLevelItemCount(), 6) << "a second fill adds the groups again";
  for (int g = 3; g < 6; ++g) {
    EXPECT_EQ(tree.topLevelItem(g)->checkState(0), Qt::Unchecked);
    for (int i = 0; i < tree.topLevelItem(g)->childCount(); ++i)
      EXPECT_EQ(tree.topLevelItem(g)->child(i)->checkState(0), Qt::Unchecked);
  }
  EXPECT_EQ(tree.topLevelItem(1)->checkState(0), Qt::PartiallyChecked) << "earlier groups untouched";
}

TEST_F(SmallRegistry, ComboMapLeadsFromGlobalNumbersToTheirEntries) {
  // Global numbers: tests 0..1, messages 2..4, the warning 5.
  const std::vector<std::pair<std::string, int>> numbers = {{"Zeta Test", 0},  {"Alpha Test", 1}, {"Mike Msg", 2},
                                                            {"Bravo Msg", 3},  {"Yankee Msg", 4}, {"Charlie Warn", 5}};
  for (bool sorted : {false, true}) {
    SCOPED_TRACE(sorted ? "sorted box" : "unsorted box");
    QComboBox combo;
    combo.addItem("left over from before");
    if (sorted) combo.setInsertPolicy(QComboBox::InsertAlphabetically);
    TIntegerArray map;
    FillEventCombo(combo, map, store, 1);
    ASSERT_EQ(combo.count(), 6);
    ASSERT_EQ(map.Count(), 6);
    for (const auto& [name, number] : numbers) {
      const int entry = map.Items(number);
      EXPECT_EQ(combo.itemText(entry).toStdString(), name);
      EXPECT_EQ(recordOf(combo, entry)->EventName, name);
    }
    if (sorted) {
      EXPECT_EQ(combo.itemText(0).toStdString(), "Alpha Test");
      EXPECT_EQ(combo.itemText(5).toStdString(), "Zeta Test");
    } else {
      EXPECT_EQ(combo.itemText(0).toStdString(), "Zeta Test");
    }
  }
}

TEST_F(SmallRegistry, BadNetworkIsRefusedBeforeAnythingChanges) {
  QComboBox combo;
  combo.addItem("kept");
  TIntegerArray map;
  EXPECT_THROW(FillEventCombo(combo, map, store, 5), EEventManagerError);
  EXPECT_EQ(combo.count(), 1);
  QTreeWidget tree;
  EXPECT_THROW(FillEventTree(tree, store, 255, true), EEventManagerError);
  EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST(IntegerArrayMap, CountAndIndexBounds) {
  TIntegerArray map;
  struct Case {
    int Count;
    bool Refused;
  };
  for (const Case& c : {Case{-1, true}, Case{0, false}, Case{6, false}, Case{INT32_MAX, true},
                        Case{TIntegerArray::kMaxCount, true}}) {
    SCOPED_TRACE(c.Count);
    if (c.Refused) {
      const int before = map.Count();
      EXPECT_THROW(map.SetCount(c.Count), EListError);
      EXPECT_EQ(map.Count(), before);
    } else {
      EXPECT_NO_THROW(map.SetCount(c.Count));
      EXPECT_EQ(map.Count(), c.Count);
    }
  }
  map.SetCount(3);
  map.SetItems(2, 7);
  EXPECT_EQ(map.Items(2), 7);
  for (int bad : {-1, 3, 100}) {
    EXPECT_THROW(map.SetItems(bad, 1), EListError) << bad;
    EXPECT_THROW(map.Items(bad), EListError) << bad;
  }
}

TEST(StoredColours, RedIsInTheLowestByte) {
  const std::vector<std::pair<int32_t, QColor>> cases = {
      {255, QColor(255, 0, 0)},       {65280, QColor(0, 255, 0)},       {16711680, QColor(0, 0, 255)},
      {16777215, QColor(255, 255, 255)}, {0, QColor(0, 0, 0)},           {12572607, QColor(191, 215, 191)},
      {14483420, QColor(220, 255, 220)}};
  for (const auto& [stored, colour] : cases) {
    EXPECT_EQ(ColorFromStored(stored), colour) << stored;
    EXPECT_EQ(StoredFromColor(colour), stored) << stored;
  }
  EXPECT_EQ(StoredFromColor(QColor(255, 0, 0, 10)), 255) << "alpha is dropped";
  EXPECT_EQ(kPalette.size(), 20u);
  EXPECT_EQ(kPalette[1], 255);
  EXPECT_EQ(kPalette[19], 10461087);
}

TEST(EventSearchRule, SkipsTheLastFoundRowAndWrapsAround) {
  using internal_events::EventSearch;
  using internal_events::SearchRow;
  // Event rows at 0, 7 and 14, option rows between.
  std::vector<SearchRow> rows;
  for (const char* name : {"Call Drop", "Low RxLev", "CALL END"}) {
    rows.push_back({true, name});
    for (const char* option : {"Visible", "Map Draw", "Graph Draw", "Play Voice", "Color Options", "Icon"})
      rows.push_back({false, option});
  }
  EventSearch search;
  struct Step {
    std::string Text;
    int Selected;
    int Expected;
  };
  const std::vector<Step> steps = {
      {"   ", 0, -2},    // blank: nothing happens
      {"call", -1, 0},  // from the first row
      {"call", 0, 14},  // the row found last is skipped
      {"call", 14, 0},  // wraps around to the top
      {"rxlev", 3, 7},  // a new text starts after the last found row
      {"rxlev", 7, -1},  // the only match was found last: not found
      {"rxlev", 7, 7},   // and then found again from the selection
      {"visible", 0, -1},  // option rows never match
      {"drop", 20, 0},     // from a selection past the match, wraps around
  };
  for (size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(search.Find(rows, steps[i].Text, steps[i].Selected), steps[i].Expected) << "step " << i;
}

TEST(ComboByObject, SelectsTheEntryHoldingTheObject) {
  int a = 0, b = 0;
  QComboBox combo;
  combo.addItem("none");                                          // no object
  combo.addItem("first", QVariant::fromValue(static_cast<void*>(&a)));
  combo.addItem("second", QVariant::fromValue(static_cast<void*>(&b)));
  combo.addItem("flag 3", 3);                                     // a number standing for an object
  combo.addItem("flag 3 again", 3);
  combo.addItem("flag 0", 0);
  struct Case {
    intptr_t Object;
    int Expected;
  };
  for (const Case& c : {Case{reinterpret_cast<intptr_t>(&b), 2}, Case{3, 3}, Case{reinterpret_cast<intptr_t>(&a), 1},
                        Case{0, 5}, Case{99, -1}}) {
    combo.setCurrentIndex(4);
    EXPECT_EQ(SyncComboBox2ByObj(&combo, c.Object), c.Expected) << c.Object;
    EXPECT_EQ(combo.currentIndex(), c.Expected) << c.Object;
  }
  EXPECT_EQ(SyncComboBox2ByObj(nullptr, 3), -1);
}
