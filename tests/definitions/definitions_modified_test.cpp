// Whether the all-events container reports a change decides whether the
// maintenance window saves EventsDefine.cfg: never after a plain load, always
// after the messages of any level changed.
#include <functional>

#include <gtest/gtest.h>

#include "definitions/all_events.h"
#include "definitions/msg_node.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"

namespace {

// Gate events create their expression filter through the component runtime.
class ComponentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitialize(); }
  void TearDown() override { CoUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

const std::string SampleFile = EVENTMANAGER_SOURCE_DIR "/data/sample/EventsDefine.cfg";

}  // namespace

TEST(DefinitionsModified, OnlyAChangeAfterLoadingReportsModified) {
  struct Case {
    const char* name;
    std::function<void(TAllEvents&)> change;
    bool modified;
  };
  // GSM "Mobile Originated Call": a first-step level with a child level.
  auto first = [](TAllEvents& all) { return all.MsgLists[0]->Event(0)->Level(0); };
  const Case cases[] = {
      {"nothing", [](TAllEvents&) {}, false},
      {"a message added to a first-step level",
       [&](TAllEvents& all) { first(all)->MsgNodes->AddNode(0, gsm::Alerting, 0); }, true},
      {"a message added to a second-step level",
       [&](TAllEvents& all) { first(all)->Child(0)->MsgNodes->AddNode(0, gsm::Alerting, 0); }, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TAllEvents all;
    all.LoadFromFile(SampleFile);
    ASSERT_GT(all.MsgLists[0]->Count(), 0);
    ASSERT_GT(first(all)->ChildCount(), 0);
    c.change(all);
    EXPECT_EQ(all.IsModified(), c.modified);
  }
}
