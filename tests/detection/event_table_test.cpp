// Entries of the log's event table with internal identifiers: a message event
// the host recognised itself is found by its event name, letter case ignored,
// and shown with the record of that name in the network's message property list.
#include <gtest/gtest.h>

#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/event_property.h"
#include "properties/event_property_list.h"
#include "testing/fake_host.h"

namespace {

struct Definition {
  std::string EventName;
  std::string ReportName;  // of the event's one level
};

// The names of the results that FeedEvent makes of one entry, with the
// message property list holding a record for each of `records`.
std::vector<std::string> resultsOf(int16_t id, const std::vector<Definition>& definitions,
                                   const std::vector<std::string>& records) {
  FakeHost host;
  host.Add(FakeHost::At(10, 0, 0));
  TActEventsResult results;
  results.OnGetRecord = host.Loader();
  results.OnEventFilter = host.Filter();
  TMsgEventList messages;
  messages.SetNetType(0);
  TTestEvents tests;
  TEventPropertyList msgProps{1, 0, "Message"};
  for (const std::string& name : records) msgProps.LinkProperty(name);
  for (const Definition& d : definitions) {
    auto* event = new TMsgEvent(&messages);
    event->EventName = d.EventName;
    auto* level = new TLevelNode(event, nullptr);
    level->MsgNodes->AddNode(0, 0x012F0524, 0);
    level->ReportName = d.ReportName;
    event->AddLevel(level);
    messages.Add(event);
  }
  messages.LinkProperties(&msgProps);
  std::vector<EventTableEntry> table = {{id, 0}};
  SetEventTable(&table);
  results.FeedEvent(0, 0, &messages, nullptr, &tests, 0);
  SetEventTable(nullptr);
  std::vector<std::string> names;
  for (int i = 0; i < results.GetCount(); ++i) {
    EXPECT_TRUE(results.GetResult(i)->IsKind(0));  // a message event
    std::string name;
    results.GetResult(i)->GetEventName(name);
    names.push_back(name);
  }
  return names;
}

}  // namespace

TEST(EventTable, InternalMessageEventsAreFoundByEventName) {
  using Names = std::vector<std::string>;
  struct Case {
    const char* What;
    int16_t Id;
    std::vector<Definition> Definitions;
    Names Records;
    Names Expected;
  };
  const std::vector<Case> cases = {
      {"event of that name", 10003, {{"Outgoing Call Attempt", "Outgoing Call Attempt"}}, {},
       {"Outgoing Call Attempt"}},
      {"letter case of the event name ignored", 10003, {{"OUTGOING call attempt", "Dialled"}},
       {"Outgoing Call Attempt"}, {"Outgoing Call Attempt"}},
      {"the record is the event name's, not the level's", 10011,
       {{"Incoming Call Alerting", "Alerting seen"}}, {"Incoming Call Alerting"}, {"Incoming Call Alerting"}},
      {"a level's report name is not an event name", 10003, {{"Call Setup", "Outgoing Call Attempt"}}, {}, {}},
      {"no record of the event's name", 10011, {{"Incoming Call Alerting", "Alerting seen"}}, {}, {}},
      {"no name for the identifier", 10089, {{"", "Outgoing Call Attempt"}}, {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(resultsOf(c.Id, c.Definitions, c.Records), c.Expected) << c.What;
}
