// The message-sequence pass visits only the events that the code index names
// for a message; the plain pass offers every message to every event. On
// generated definitions and logs both must give the same results, in the
// same order, with the same detail texts, and leave the events in the same
// state.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "definitions/level_node.h"
#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "definitions/gate_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "detection/detail_spares.h"
#include "detection/result_pool.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"
#include "properties/event_property_list.h"
#include "platform/component_registry.h"
#include "testing/definition_set.h"
#include "testing/fake_host.h"

#include "testing/counting_allocator.h"

namespace {

constexpr uint32_t Watch[] = {rrc::ConnectionRequest,         rrc::ConnectionSetup,
                              rrc::RadioBearerSetup,          rrc::SignallingConnectionRelease,
                              rrc::RadioBearerRelease,        rrc::ConnectionRelease,
                              rrc::CellChangeOrderFromUtran,  rrc::SignallingConnectionReleaseIndication};
constexpr int16_t StateItems[] = {139, 50, 51, 140, 52, 53, 54, 55, 147, 148, 56, 157, 1, 2};
const char* const Reports[] = {"", "", "", "Report A", "Report B", "Report C", "Hidden", "Unlinked"};

std::vector<uint32_t> catalogue(uint8_t net) {
  std::vector<uint32_t> codes;
  switch (net) {
    case 0: for (int i = 0; i < NetGSML3LogMsgTypesCount(); ++i) codes.push_back(NetGSML3LogMsgTypeCode(i)); break;
    case 1: for (int i = 0; i < NetCDMAL3LogMsgTypesCount(); ++i) codes.push_back(NetCDMAL3LogMsgTypeCode(i)); break;
    case 2: for (int i = 0; i < NetWCDMAL3LogMsgTypesCount(); ++i) codes.push_back(NetWCDMAL3LogMsgTypeCode(i)); break;
    default:
      for (int i = 0; i < NetTDSCDMAL3LogMsgTypesCount(); ++i) codes.push_back(NetTDSCDMAL3LogMsgTypeCode(i));
  }
  return codes;
}

// Codes of one scenario: those the definitions use, drawn from the network's
// catalogue with the codes that matching and the window treat specially.
struct Codes {
  std::vector<uint32_t> all, used;
  Codes(std::mt19937& rng, uint8_t net) {
    all = catalogue(net);
    for (int i = 0; i < 8 && !all.empty(); ++i) used.push_back(all[rng() % all.size()]);
    if (net >= 2)
      for (uint32_t c : {rrc::RadioBearerReconfiguration, rrc::PhysicalChannelReconfiguration, nas::AssignmentCommand,
                         nas::HandoverCommand, rrc::ConnectionReject, rrc::ConnectionRelease, rrc::ConnectionRelease,
                         rrc::ConnectionRequest})
        used.push_back(c);
    used.push_back(cdma::AccessProbeInfo);
  }
  uint32_t forRecord(std::mt19937& rng) const {
    unsigned pick = rng() % 100;
    if (pick < 50) return used[rng() % used.size()];
    if (pick < 68) return Watch[rng() % 8];
    if (pick < 80) return all.empty() ? 0 : all[rng() % all.size()];
    // The same low 16 bits under another prefix: passes the code filter, but
    // no decoder takes it for the defined code.
    if (pick < 92) return (used[rng() % used.size()] & 0xFFFF) | 0x7A2F0000;
    if (pick < 95) return cdma::AccessProbeInfo;
    return 0x5F000000 | (rng() % 0x10000);
  }
};

TLevelNode* randomLevel(std::mt19937& rng, const Codes& codes, TMsgEvent* event, TLevelNode* parent, int depth) {
  auto* level = new TLevelNode(event, parent);
  int nodes = 1 + static_cast<int>(rng() % 2);
  for (int i = 0; i < nodes; ++i) {
    uint32_t sub = rng() % 6 == 0 ? 1u + rng() % 15 : 0;
    level->MsgNodes->AddNode(event->Network(), codes.used[rng() % codes.used.size()], sub);
  }
  level->ReportName = Reports[rng() % 8];
  level->DetailFlag = static_cast<int32_t>(rng() % 9);
  if (rng() % 8 == 0) level->ReasonNum = 16 + static_cast<int32_t>(rng() % 3);
  parent ? parent->AddChild(level) : event->AddLevel(level);
  int children = depth >= 3 ? 0 : static_cast<int>(rng() % 3);
  for (int i = 0; i < children; ++i) randomLevel(rng, codes, event, level, depth + 1);
  return level;
}

// One container with its host and definitions, as a host sets them up.
struct World : TDefinitionSet {
  FakeHost host;
  TActEventsResult results;

  World(bool plain, uint8_t net, uint32_t seed, const std::vector<HandsetRecord>& log)
      : results(TPassOptions{.PlainMessagePass = plain}) {
    results.OnGetRecord = host.Loader();
    results.OnEventFilter = host.Filter();
    results.OnEventAdded = host.Announcer();
    results.SetNetType(net);
    messages.SetNetType(net);
    gates.SetNetType(net);
    host.Records = log;
    std::mt19937 rng(seed);
    Codes codes(rng, net);
    int count = 1 + static_cast<int>(rng() % 30);
    for (int e = 0; e < count; ++e) {
      auto* event = new TMsgEvent(&messages);
      event->EventName = "Event " + std::to_string(e);
      event->StartedFlag = static_cast<int32_t>(rng() % 4);
      messages.Add(event);
      int starts = static_cast<int>(rng() % 4);  // an event without levels now and then
      for (int l = 0; l < starts; ++l) randomLevel(rng, codes, event, nullptr, 1);
    }
    messages.RebuildCodeFilter();
    messages.LinkProperties(&msgProps);
    if (int hidden = msgProps.IndexOfName("Hidden"); hidden >= 0) msgProps.Items(hidden)->SetDisplay(false);
    tests.LinkProperties(&testProps);
  }

  void feed(int32_t i, bool notify) {
    const HandsetRecord& r = host.Records[i];
    results.FeedRecord(1000 + i, i, r.MessageCode != 0, !r.Items.empty(), notify, 0, &messages, &gates, &tests);
  }

  // What a host sees: every result in list order with its record, time, name
  // and detail text, and every notification in order.
  std::vector<std::string> seen() {
    std::vector<std::string> lines;
    for (int i = 0; i < results.GetCount(); ++i) {
      TActEventResult* r = results.Result(i);
      std::string line = std::to_string(r->RecordIndex) + " " + std::to_string(r->GetTime()) + " " +
                         r->EventName() + " kind " + std::to_string(r->Kind);
      if (r->Details)
        for (const auto& d : *r->Details) line += " | " + std::to_string(d.RecordIndex) + ":" + d.Text;
      lines.push_back(line);
    }
    for (const auto& a : host.AddedCalls)
      lines.push_back("added " + std::to_string(a.Context) + " " + std::to_string(a.Flag) + " " +
                      std::to_string(a.Kind) + " " + std::to_string(a.Index) + " " +
                      static_cast<TActEventResult*>(AsActResult(a.Result))->EventName());
    for (int i = 0; i < messages.Count(); ++i) {
      TMsgEvent* e = messages.Event(i);
      std::string current = e->CurrentLevel ? e->CurrentLevel->ReportName + "@" +
                                                  std::to_string(e->CurrentLevel->Depth()) + "/" +
                                                  std::to_string(e->CurrentLevel->RecordIndex)
                                            : "none";
      lines.push_back("state " + e->EventName + " " + current + " armed " + std::to_string(e->Armed) +
                      " waiting " + std::to_string(e->InProgress) + " " + std::to_string(e->StartRecord) +
                      " watch " + std::to_string(e->WatchFirst) + std::to_string(e->WatchSecond));
    }
    return lines;
  }
};

std::vector<HandsetRecord> randomLog(std::mt19937& rng, uint8_t net, const Codes& codes, int length) {
  FakeHost builder;
  double t = FakeHost::At(9, 0, 0);
  for (int i = 0; i < length; ++i) {
    unsigned gap = rng() % 20;
    // Mostly close records; now and then exactly 5 s or a gap that closes
    // every window.
    t += (gap == 0 ? 5.0 : gap == 1 ? 5.5 + rng() % 4 : 0.1 + 0.1 * (rng() % 12)) / 86400.0;
    unsigned kind = rng() % 100;
    HandsetRecord& r = builder.Add(t, kind < 72 ? codes.forRecord(rng) : 0);
    r.NetType = rng() % 3 == 0 ? static_cast<uint8_t>(rng() % 4) : net;
    r.MessageInfo = static_cast<uint32_t>(rng() % 4) << 24;
    r.SetField(21, static_cast<int32_t>(rng() % 3));
    msgbytes::Writer w;
    if (rng() % 3 == 0) w.I32(msgbytes::Cause, 16 + static_cast<int32_t>(rng() % 3));
    if (rng() % 3 == 0) w.I32(msgbytes::CmServiceType, 16 + static_cast<int32_t>(rng() % 3));
    if (rng() % 3 == 0) w.U8(msgbytes::SubType, static_cast<uint8_t>(rng() % 5));
    if (rng() % 4 == 0) w.I32(msgbytes::NewUarfcn, 10700);
    if (rng() % 6 == 0) w.U16(msgbytes::CdmaCause, static_cast<uint16_t>(16 + rng() % 3));
    r.MessageBytes = w.Bytes();
    if (kind >= 86) {
      int items = 1 + static_cast<int>(rng() % 2);
      for (int k = 0; k < items; ++k) {
        TestItem item{};
        item.EventId = StateItems[rng() % (sizeof StateItems / sizeof StateItems[0])];
        item.Time = t;
        r.AddItem(item, {});
      }
    }
  }
  return builder.Records;
}

TEST(MsgIndexCompare, IndexedPassGivesTheResultsOfThePlainPass) {
  int reported = 0, windows = 0;
  for (uint32_t seed = 1; seed <= 240; ++seed) {
    const uint8_t net = static_cast<uint8_t>(seed % 4);
    std::mt19937 rng(seed);
    Codes codes(rng, net);  // the same draws as the worlds make for their definitions
    std::mt19937 logRng(seed * 7919u);
    const std::vector<HandsetRecord> log = randomLog(logRng, net, codes, 260);
    World plain(true, net, seed, log), indexed(false, net, seed, log);
    std::mt19937 feedRng(seed * 31u);
    const int changeAt = static_cast<int>(feedRng() % log.size());
    for (int32_t i = 0; i < static_cast<int32_t>(log.size()); ++i) {
      if (i == changeAt && plain.messages.Count() > 0) {
        // Definitions change under a running log: a category is switched and
        // the filter rebuilt while sequences are under way.
        int e = static_cast<int>(feedRng() % plain.messages.Count());
        int32_t flag = static_cast<int32_t>(feedRng() % 4);
        for (World* w : {&plain, &indexed}) {
          w->messages.Event(e)->SetStartedFlag(flag);
          if (seed % 2) w->messages.RebuildCodeFilter();
        }
      }
      const bool notify = feedRng() % 4 != 0;
      plain.feed(i, notify);
      indexed.feed(i, notify);
      for (int e = 0; e < plain.messages.Count(); ++e) windows += plain.messages.Event(e)->InProgress;
    }
    reported += plain.results.GetCount();
    ASSERT_EQ(indexed.seen(), plain.seen()) << "seed " << seed << ", network " << int(net);
  }
  // The generated cases must reach what they are meant to compare.
  EXPECT_GT(reported, 1000);
  EXPECT_GT(windows, 100);
}

int32_t loadQuietly(void* self, RecordView* view, int32_t index) {
  auto* records = static_cast<std::vector<HandsetRecord>*>(self);
  if (index < 0 || index >= static_cast<int32_t>(records->size())) {
    view->Reset();
    return 0;
  }
  view->Load(&(*records)[index]);
  return 1;
}

// Records that match nothing cost no allocation: neither those the code
// filter drops nor those it lets through (codes the events use further down
// their levels, watch codes) when no event can take them now.
TEST(MsgIndexCompare, RecordsThatMatchNothingAllocateNothing) {
#ifndef COUNTS_ALLOCATIONS
  GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#endif
  for (bool plain : {false, true}) {
    std::vector<HandsetRecord> log;
    const uint32_t codes[] = {rrc::MeasurementReport, rrc::ActiveSetUpdate,
                              rrc::SystemInformationBlock, rrc::ConnectionRequest,
                              rrc::SignallingConnectionRelease, rrc::RadioBearerSetup, 0};
    for (int i = 0; i < 140; ++i) {
      HandsetRecord& r = log.emplace_back();
      r.Time = r.OrderTime = FakeHost::At(9, 0, i * 0.5);
      r.NetType = 2;
      r.Reference = static_cast<uint32_t>(i);
      r.MessageCode = codes[i % 7];
      // Long enough that a copy of the bytes would need the heap.
      r.MessageBytes = msgbytes::Writer().I32s(msgbytes::PscAdded, {1, 2, 3, 4, 5, 6, 7, 8}).Bytes();
    }
    TActEventsResult results(TPassOptions{.PlainMessagePass = plain});
    results.OnGetRecord = {&loadQuietly, &log};
    TMsgEventList messages;
    TGateEventList gates;
    TTestEvents tests;
    TEventPropertyList msgProps{1, 0, "Message"};
    results.SetNetType(2);
    messages.SetNetType(2);
    for (int e = 0; e < 20; ++e) {
      auto* event = new TMsgEvent(&messages);
      event->EventName = "Event " + std::to_string(e);
      auto* first = new TLevelNode(event, nullptr);
      first->MsgNodes->AddNode(2, nas::LocationUpdatingRequest + e, 0);
      event->AddLevel(first);
      auto* next = new TLevelNode(event, first);
      next->MsgNodes->AddNode(2, rrc::MeasurementReport, 0);
      next->MsgNodes->AddNode(2, rrc::RadioBearerSetup, 0);
      next->ReportName = "Next";
      first->AddChild(next);
      messages.Add(event);
    }
    messages.RebuildCodeFilter();
    messages.LinkProperties(&msgProps);
    auto feedAll = [&] {
      for (int32_t i = 0; i < static_cast<int32_t>(log.size()); ++i)
        results.FeedRecord(0, i, log[i].MessageCode != 0, false, true, 0, &messages, &gates, &tests);
    };
    feedAll();  // builds the index and the scratch lists once
    const uint64_t before = counting_allocator::Count;
    feedAll();
    EXPECT_EQ(counting_allocator::Count - before, 0u) << (plain ? "plain" : "indexed") << " pass, feeding 140 unmatched records";
    EXPECT_EQ(results.GetCount(), 0);
  }
}

}  // namespace

namespace {

// A call sequence on GSM: from a service request to its connect, reporting
// the delay between them.
void addConnectedCall(TDefinitionSet& defs) {
  TMsgEvent* call = defs.AddEvent("Connected call");
  defs.AddLevel(call, defs.AddLevel(call, nullptr, gsm::CmServiceRequest), gsm::Connect, "Connected", 6);
}

// `count` GSM records half a second apart: a service request every `period`
// records and its connect half a period later; the level below -100 on
// every fourth record.
std::vector<HandsetRecord> callLog(int count, int period) {
  std::vector<HandsetRecord> log;
  for (int i = 0; i < count; ++i) {
    HandsetRecord& r = log.emplace_back();
    r.Time = r.OrderTime = FakeHost::At(9, 0, i * 0.5);
    r.NetType = 0;
    r.Reference = static_cast<uint32_t>(i);
    r.SetField(3, i % 4 == 0 ? -110 : -80);
    r.MessageCode = i % period == 0 ? gsm::CmServiceRequest : i % period == period / 2 ? gsm::Connect : 0;
  }
  return log;
}

// Every record of `log`, with Notify off, then the end of the log.
void feedWhole(TActEventsResult& results, const std::vector<HandsetRecord>& log, TDefinitionSet& defs) {
  for (int32_t i = 0; i < static_cast<int32_t>(log.size()); ++i)
    results.FeedRecord(0, i, log[i].MessageCode != 0, false, false, 0, &defs.messages, &defs.gates, &defs.tests);
  results.EndLog(0, &defs.gates);
}

// Results in steady state cost no allocation either: a container cleared and
// fed the same log again makes every result anew (gates that fire, message
// sequences that report with a detail line longer than a string holds in
// itself) from what it kept, and reads the records again for their order,
// times and details without allocating.
TEST(MsgIndexCompare, ResultsInSteadyStateAllocateNothing) {
#ifndef COUNTS_ALLOCATIONS
  GTEST_SKIP() << "allocations are not counted under AddressSanitizer";
#endif
  struct Runtime {  // the gates' expression filters are components
    Runtime() { CoInitialize(); }
    ~Runtime() { CoUninitialize(); }
  } runtime;
  TDefinitionSet defs;
  defs.SetNetwork(0);
  // Fires on every record whose level is below -100: a quarter of them.
  defs.AddExpressionGate("Low level", "RxLevSub < -100", 1);
  // A service request no alerting answers within a second: each one fires
  // on the first record more than a second after it.
  TGateEvent* unanswered = defs.AddGate("Not answered", 2);
  unanswered->SetMessageCodeA(gsm::CmServiceRequest);
  unanswered->SetMessageCodeB(gsm::Alerting);
  unanswered->SetMsgDuringTime(1000);
  // From the request to the connect ten records (5 s) later, reporting its
  // delay.
  addConnectedCall(defs);
  defs.Link();

  std::vector<HandsetRecord> log = callLog(400, 20);
  TActEventsResult results;
  results.SetNetType(0);
  results.OnGetRecord = {&loadQuietly, &log};
  auto feedAll = [&] { feedWhole(results, log, defs); };
  auto kinds = [&] {
    std::vector<int> count(3);
    for (int32_t i = 0; i < results.GetCount(); ++i)
      for (int k = 0; k < 3; ++k) count[k] += results.GetResult(i)->IsKind(k);
    return count;
  };
  // Each connected call with its delay, on the record of its connect.
  auto delaysRead = [&] {
    int lines = 0;
    for (int32_t i = 0; i < results.GetCount(); ++i) {
      TEventResult* r = results.GetResult(i);
      if (!r->IsKind(0)) continue;
      EXPECT_EQ(r->RecordIndex % 20, 10);
      if (!r->Details) continue;
      for (const TResultDetail& line : *r->Details) {
        EXPECT_EQ(line.Text, "Delay: 5.000 (s)");
        EXPECT_EQ(line.RecordIndex, r->RecordIndex);
        ++lines;
      }
    }
    return lines;
  };
  feedAll();  // grows the list, the result blocks and the scratch lists once
  // Counted by hand: 20 connects; 100 records below -100; 20 unanswered requests.
  const std::vector<int> expected = {20, 0, 120};
  EXPECT_EQ(kinds(), expected);
  EXPECT_EQ(delaysRead(), 20);
  // As a host starts another log: the list emptied, the gates back at their
  // first state (as loading the definitions again leaves them).
  auto restart = [&] {
    results.Clear();
    for (int i = 0; i < defs.gates.Count(); ++i) {
      TGateEvent* gate = defs.gates.ItemAs<TGateEvent>(i);
      gate->TrueSpan = gate->SpanStart = 0;
      gate->TrueCount = 0;
      gate->WaitingForB = false;
    }
  };
  // As eventscan run feeds a log: the rows that are final are released every
  // 40 records, so results are freed and made while the log is fed.
  int delaysReleased = 0;
  auto feedReleasing = [&] {
    int released = 0;
    delaysReleased = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(log.size()); ++i) {
      results.FeedRecord(0, i, log[i].MessageCode != 0, false, false, 0, &defs.messages, &defs.gates, &defs.tests);
      if (i % 40 == 39) {
        const int32_t final = results.FinalCount(log[i].Time - 2.0 / 86400);
        // As a host writes them before it frees them.
        for (int32_t k = 0; k < final; ++k)
          if (TEventResult* r = results.GetResult(k); r->IsKind(0) && r->Details && r->Details->size() == 1)
            delaysReleased += (*r->Details)[0].Text == "Delay: 5.000 (s)";
        released += results.ReleaseFirst(final);
      }
    }
    results.EndLog(0, &defs.gates);
    return released + results.GetCount();
  };
  restart();
  EXPECT_EQ(feedReleasing(), 140);  // once, for what releasing keeps
  restart();
  uint64_t before = counting_allocator::Count;
  EXPECT_EQ(feedReleasing(), 140);
  EXPECT_EQ(counting_allocator::Count - before, 0u) << "allocations feeding 400 records, releasing final rows";
  EXPECT_EQ(delaysReleased + delaysRead(), 20);
  restart();

  before = counting_allocator::Count;
  feedAll();
  EXPECT_EQ(counting_allocator::Count - before, 0u) << "allocations feeding 400 records that make 140 results";
  EXPECT_EQ(kinds(), expected);
  EXPECT_EQ(delaysRead(), 20);
  // In time order, each at the time of its record.
  for (int32_t i = 0; i < results.GetCount(); ++i) {
    TEventResult* r = results.GetResult(i);
    EXPECT_EQ(r->GetTime(), log[r->RecordIndex].Time);
    if (i > 0) {
      EXPECT_LE(results.GetResult(i - 1)->RecordIndex, r->RecordIndex);
    }
  }
}

// What results leave behind for the next ones goes with the last container:
// a host that freed every container keeps no memory for results or their
// detail lines.
TEST(MsgIndexCompare, KeptDetailStorageGoesWithTheLastContainer) {
  TDefinitionSet defs;
  defs.SetNetwork(0);
  addConnectedCall(defs);
  defs.Link();
  std::vector<HandsetRecord> log = callLog(60, 6);
  {
    TActEventsResult results;
    results.SetNetType(0);
    results.OnGetRecord = {&loadQuietly, &log};
    feedWhole(results, log, defs);
    ASSERT_EQ(results.GetCount(), 10);  // one a request, 1.5 s before its connect
    EXPECT_EQ((*results.GetResult(0)->Details)[0].Text, "Delay: 1.500 (s)");
    results.Clear();
    // Cleared, the container still holds what its results had, for its next log.
    EXPECT_EQ(detail_spares::KeptLists(), 10u);
    EXPECT_EQ(detail_spares::KeptTexts(), 10u);
  }
  EXPECT_EQ(detail_spares::KeptLists(), 0u);
  EXPECT_EQ(detail_spares::KeptTexts(), 0u);
  EXPECT_EQ(result_pool::BlocksInUse(), 0u);
}

}  // namespace
