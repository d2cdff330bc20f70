// The hashed object lists every definition and property list is built on:
// lookup by name without regard to letter case, kept right through deletions
// and removals, and the class check with the messages a host shows.
#include <gtest/gtest.h>

#include "definitions/msg_event_list.h"
#include "eventmanager/errors.h"

namespace {

TMsgEvent* addEvent(TMsgEventList& list, const std::string& name) {
  auto* event = new TMsgEvent(&list);
  event->EventName = name;
  list.Add(event);
  return event;
}

}  // namespace

TEST(HashedLists, LookupIgnoresCaseAndFollowsDeletions) {
  TMsgEventList list;
  list.SetNetType(0);
  addEvent(list, "Call Setup");
  addEvent(list, "Call Drop");
  addEvent(list, "Location Update");
  EXPECT_EQ(list.IndexOfName("CALL DROP"), 1);
  EXPECT_EQ(list.IndexOfName("location update"), 2);
  EXPECT_EQ(list.IndexOfName("Handover"), -1);

  list.Delete(0);
  EXPECT_EQ(list.IndexOfName("call drop"), 0);
  EXPECT_EQ(list.IndexOfName("Location Update"), 1);
  EXPECT_EQ(list.IndexOfName("Call Setup"), -1);

  list.Remove(list.Event(0));
  EXPECT_EQ(list.IndexOfName("location update"), 0);
  EXPECT_TRUE(list.Modified);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.IndexOfName("location update"), -1);
  EXPECT_FALSE(list.Modified);
}

TEST(HashedLists, WrongClassIsRefusedWithTheSystemMessage) {
  TMsgEventList list;
  addEvent(list, "A");
  TMsgEvent owner(&list);
  auto* level = new TLevelNode(&owner, nullptr);
  try {
    list.Add(level);
    FAIL() << "a level was accepted as a message event";
  } catch (const EMyClassTypeMismatch& e) {
    EXPECT_STREQ(e.what(), "Class type mismatch TMsgEvent with TLevelNode");
  }
  EXPECT_EQ(list.Count(), 1);
  delete level;

  TLevelNode target(&owner, nullptr);
  try {
    target.Assign(&owner);
    FAIL() << "an event was assigned to a level";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TMsgEvent to a TLevelNode");
  }
  EXPECT_THROW(list.Items(5), EListError);
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_EQ(list.Count(), 1);
}
