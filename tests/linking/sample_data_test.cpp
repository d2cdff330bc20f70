// The shipped sample data: the properties file names real test events and
// icons that exist, and fits the sample definitions so that the start-up
// link neither drops nor adds a message or warning record.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "definitions/all_events.h"
#include "definitions/test_events.h"
#include "linking/property_linking.h"
#include "platform/component_registry.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"
#include "testing/property_home.h"

namespace {

struct SampleHome : TempHome {
  // Gate events create their expression filters through the component runtime.
  SampleHome() {
    setenv("EVENTMANAGER_HOME", SampleDir().c_str(), 1);
    CoInitialize();
  }
  ~SampleHome() { CoUninitialize(); }
};

std::vector<std::string> namesOf(const TEventPropertyList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Items(i)->EventName);
  return names;
}

}  // namespace

TEST(SampleData, PropertiesNameRealTestEventsAndIcons) {
  SampleHome home;
  TEventPropertys p;
  ASSERT_TRUE(p.LoadFromFileKeepingFaults(TempHome::SampleDir() + "EventsProperty.cfg"));
  EXPECT_TRUE(FileFaults().empty());

  std::set<std::string> testNames;
  for (int id = 1; id <= kTestEventIdCount; ++id) testNames.insert(TTestEvents::NameOf(id));
  ASSERT_GT(p.TestList->Count(), 10);
  for (int i = 0; i < p.TestList->Count(); ++i)
    EXPECT_TRUE(testNames.count(p.TestList->Items(i)->EventName)) << p.TestList->Items(i)->EventName;

  std::vector<TEventPropertyList*> lists{p.TestList.get()};
  for (int net = 0; net < 4; ++net) lists.insert(lists.end(), {p.MsgLists[net].get(), p.WarningLists[net].get()});
  for (TEventPropertyList* list : lists) {
    EXPECT_GT(list->Count(), 0) << list->Name;
    for (int i = 0; i < list->Count(); ++i)
      EXPECT_TRUE(list->Items(i)->HasBitmap()) << list->Name << ": " << list->Items(i)->EventName;
  }
}

TEST(SampleData, PropertiesFitTheSampleDefinitions) {
  SampleHome home;
  TEventPropertys p;
  ASSERT_TRUE(p.LoadFromFileKeepingFaults(TempHome::SampleDir() + "EventsProperty.cfg"));
  std::vector<std::vector<std::string>> before;
  for (int net = 0; net < 4; ++net) {
    before.push_back(namesOf(*p.MsgLists[net]));
    before.push_back(namesOf(*p.WarningLists[net]));
  }
  TAllEvents all;
  all.LoadFromFile(TempHome::SampleDir() + "EventsDefine.cfg");
  LinkAllProperties(all, &p, true);
  for (int net = 0; net < 4; ++net) {
    EXPECT_EQ(namesOf(*p.MsgLists[net]), before[2 * net]) << p.MsgLists[net]->Name;
    EXPECT_EQ(namesOf(*p.WarningLists[net]), before[2 * net + 1]) << p.WarningLists[net]->Name;
  }
  EXPECT_TRUE(FileFaults().empty());
}
