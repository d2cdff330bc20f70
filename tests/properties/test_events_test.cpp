// The built-in test events: identifiers, names as the host reports them, and
// their link to the test property list.
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "definitions/test_events.h"
#include "properties/event_propertys.h"

TEST(TestEvents, IdentifiersAndNames) {
  TTestEvents events;
  EXPECT_EQ(events.Count(), 243);
  EXPECT_EQ(events.IndexOfId(141), 138);
  EXPECT_EQ(events.IndexOfId(1), 0);
  EXPECT_EQ(events.IndexOfId(245), 242);
  for (int32_t id : {0, -1, 139, 140, 246, 10001, 20001}) EXPECT_EQ(events.IndexOfId(id), -1) << id;
  for (int i = 1; i < events.Count(); ++i) EXPECT_LT(events.Ids[i - 1], events.Ids[i]);

  EXPECT_EQ(TTestEvents::NameOf(1), "PPP Dial Start");
  EXPECT_EQ(TTestEvents::NameOf(104), "U-IMAP Send Connnect Server Failure");
  EXPECT_EQ(TTestEvents::NameOf(139), "Attach Start");
  EXPECT_EQ(TTestEvents::NameOf(164), "Force Event ");
  EXPECT_EQ(TTestEvents::NameOf(204), "DaTang Cell reselection start in TDD Mode");
  EXPECT_EQ(TTestEvents::NameOf(245), "Multi_FTP Upload Disconnect");
  EXPECT_EQ(TTestEvents::NameOf(0), "");
  EXPECT_EQ(TTestEvents::NameOf(246), "");

  std::set<std::string> distinct;
  for (const auto& entry : events.Names) {
    EXPECT_FALSE(entry.Name.empty());
    distinct.insert(entry.Name);
  }
  EXPECT_EQ(distinct.size(), 242u) << "only 16 and 26 share a name";
  EXPECT_EQ(TTestEvents::NameOf(16), TTestEvents::NameOf(26));
}

TEST(TestEvents, LinkingSharesRecordsByName) {
  TEventPropertys p;
  TTestEvents events;
  for (int16_t id = -1; id <= 246; ++id) ASSERT_EQ(events.FindById(id), nullptr) << "unlinked";

  p.TestList->Add(new TActEventProperty(p.TestList.get(), "ping success"));
  p.TestList->Add(new TActEventProperty(p.TestList.get(), "No Such Test Event"));
  TEventProperty* kept = p.TestList->Items(0);
  events.LinkProperties(p.TestList.get());

  EXPECT_EQ(p.TestList->Count(), 2 + 241) << "one new record per distinct name still missing";
  EXPECT_EQ(events.PropertyOf(48), kept);
  EXPECT_EQ(events.FindById(16), events.FindById(26));
  ASSERT_NE(events.FindById(164), nullptr);
  EXPECT_EQ(events.FindById(164)->EventName, "Force Event ");
  EXPECT_EQ(events.FindById(137)->EventName, "单通");
  for (int16_t id : {0, 139, 140, 246}) EXPECT_EQ(events.PropertyOf(id), nullptr) << id;
  EXPECT_TRUE(kept->Used);
  EXPECT_FALSE(p.TestList->Items(1)->Used);

  TEventPropertys empty;
  events.LinkProperties(empty.TestList.get());
  EXPECT_EQ(empty.TestList->Count(), 242);
  EXPECT_EQ(events.PropertyAt(0), empty.TestList->Items(0));
}
