// The exports that take a network index, with LTE (4) against the same
// export with UMTS (2), from a host that opens the library with dlopen: a
// home whose UMTS and LTE elements define the same events (an RRC connection
// rejected, and a request left unanswered) must give the same answers
// through every export, and the same events on the same log, named by
// network. A network above 4 is refused as one above 3 was.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <string>
#include <vector>

#include "eventmanager/event_property.h"
#include "eventmanager/object.h"
#include "eventmanager/outside/message_codes.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

constexpr uint8_t Umts = 2, Lte = 4;

// One network element of each section: RRC Connection Request, then Reject
// reporting "Connection Rejected", and a gate on the request unanswered.
std::string networkEvents(uint32_t request, uint32_t setup, uint32_t reject) {
  return fmt::format(R"(<MsgEvent-0 EventName="RRC Connection" StartedFlag="0">
  <LevelNode-0 ReportName="Connection Attempt" DetailFlag="0" Expression="" ReasonNum="-9999">
    <MsgNodes><MsgNode-0 MessageCode="{0}" SubCode="0"/></MsgNodes>
    <LevelNode-0 ReportName="Connection Rejected" DetailFlag="6" Expression="" ReasonNum="-9999">
      <MsgNodes><MsgNode-0 MessageCode="{2}" SubCode="0"/></MsgNodes>
    </LevelNode-0>
  </LevelNode-0>
</MsgEvent-0>)",
                     static_cast<int32_t>(request), static_cast<int32_t>(setup), static_cast<int32_t>(reject));
}

std::string gateEvent(uint32_t request, uint32_t setup) {
  return fmt::format(R"(<GateEvent-0 EventName="Connection Unanswered" GateType="2" MessageCodeA="{}" MessageCodeB="{}" MsgDuringTime="3000"/>)",
                     static_cast<int32_t>(request), static_cast<int32_t>(setup));
}

std::string definitions() {
  return "<?xml version=\"1.0\"?>\n<Events><Message><UMTS>" +
         networkEvents(rrc::ConnectionRequest, rrc::ConnectionSetup, rrc::ConnectionReject) + "</UMTS><LTE>" +
         networkEvents(lte::ConnectionRequest, lte::ConnectionSetup, lte::ConnectionReject) +
         "</LTE></Message><Gate><UMTS>" + gateEvent(rrc::ConnectionRequest, rrc::ConnectionSetup) + "</UMTS><LTE>" +
         gateEvent(lte::ConnectionRequest, lte::ConnectionSetup) + "</LTE></Gate></Events>\n";
}

// The same drive on either network: a request rejected, a request unanswered.
std::string log(const char* network) {
  return fmt::format(R"({{"format": "eventscan-log", "version": 1, "network": "{}", "device": 3, "start": "2026-03-14T10:00:00.000"}}
{{"time": "2026-03-14T10:00:01.000", "msg": "RRC Connection Request"}}
{{"time": "2026-03-14T10:00:01.250", "msg": "RRC Connection Reject"}}
{{"time": "2026-03-14T10:00:20.000", "msg": "RRC Connection Request"}}
{{"time": "2026-03-14T10:00:24.000", "msg": "RRC Connection Request"}}
)",
                     network);
}

struct Answers {
  std::vector<std::string> listed;  // kind and name of each defined event
  int32_t messageRecords = -1;
  std::vector<std::string> rows;  // event, kind and details of each result
  std::string network;            // the network column
};

Answers answersFor(HostLibrary& library, uint8_t net, const char* networkName) {
  Answers a;
  std::vector<TEventListing> events;
  library.EventManagerListEvents(net, events);
  for (const TEventListing& e : events)
    if (e.Kind != 2) a.listed.push_back(std::to_string(e.Kind) + " " + e.Name);
  a.messageRecords = library.MsgPropertyListCount(net);
  ParsedLog parsed = ReadLogText(log(networkName), std::string(networkName) + ".jsonl");
  HostSession session(library, parsed.Header.Network);
  session.Feed(parsed);
  for (const ResultRow& r : CollectRows(session.Results(), session.Filter())) {
    std::string details;
    for (const std::string& d : r.Details) details += " | " + d;
    a.rows.push_back(fmt::format("{} {} {}{}", r.RecordIndex, r.Event, r.Kind, details));
    a.network = r.Network;
  }
  return a;
}

}  // namespace

TEST(LteExports, NetworkFourAnswersAsTheOlderNetworksDo) {
  e2e::TempDir home;
  e2e::WriteFile(home.Path() / "EventsDefine.cfg", definitions());
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    ASSERT_TRUE(library.Faults().empty());
    const Answers umts = answersFor(*library, Umts, "UMTS");
    const Answers lte = answersFor(*library, Lte, "LTE");
    EXPECT_EQ(umts.listed, (std::vector<std::string>{"1 Connection Attempt", "1 Connection Rejected",
                                                     "3 Connection Unanswered"}));
    EXPECT_EQ(lte.listed, umts.listed);
    EXPECT_EQ(umts.messageRecords, 2);
    EXPECT_EQ(lte.messageRecords, umts.messageRecords);
    ASSERT_FALSE(umts.rows.empty());
    EXPECT_EQ(lte.rows, umts.rows);
    EXPECT_EQ(umts.network, "UMTS");
    EXPECT_EQ(lte.network, "LTE");

    // The key of GetBitmapByEvent names the network by its digit; "4" is
    // LTE's message list (the record has no icon, so none is given).
    EXPECT_EQ(library->GetBitmapByEvent("42Connection Rejected"), library->GetBitmapByEvent("22Connection Rejected"));
    EXPECT_THROW(library->GetBitmapByEvent("52Connection Rejected"), std::exception);

    // An index above 4 behaves as one above 3 did: refused, nothing changed.
    TMsgEventList* messages = library->CreateMsgEventList();
    TGateEventList* gates = library->CreateGateEventList();
    TTestEvents* tests = library->CreateTestEvents();
    TEventsResult* results = library->CreateEventsResult();
    library->LoadMsg_Gate_TestEvents(messages, gates, tests, results, Lte);
    EXPECT_EQ(results->GetNetType(), Lte);
    for (uint8_t bad : {uint8_t{5}, uint8_t{255}}) {
      EXPECT_THROW(library->LoadMsg_Gate_TestEvents(messages, gates, tests, results, bad), std::exception);
      EXPECT_EQ(results->GetNetType(), Lte) << "a refused network changed the container";
      EXPECT_THROW(library->MsgPropertyListCount(bad), std::exception);
      std::vector<TEventListing> events;
      EXPECT_THROW(library->EventManagerListEvents(bad, events), std::exception);
    }
    delete results;
    library->ClearMsgEventList(messages);
    library->ClearGateEventList(gates);
    FreeEventObject(messages);
    FreeEventObject(gates);
    FreeEventObject(tests);
  });
  // The properties file written at the end holds the LTE lists after the four.
  const std::string properties = e2e::ReadFile(home.Path() / "EventsProperty.cfg");
  EXPECT_LT(properties.find("<TD-SCDMA-Message"), properties.find("<LTE-Message>"));
  EXPECT_LT(properties.find("<TD-SCDMA-Warning"), properties.find("<LTE-Warning>"));
}
