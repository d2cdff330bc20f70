// The gate pass that loads each record once for all gates, reads every
// field once and evaluates common expressions without muparser, against the
// plain pass (each gate loads and searches for itself, muparser evaluates):
// same results, announcements and gate state on a generated log whose gates
// change on the way; and what the host sees of the loads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "properties/event_property.h"
#include "properties/event_property_list.h"
#include "testing/expression_generator.h"
#include "testing/fake_host.h"

namespace {

const uint32_t kCodes[] = {gsm::LocationUpdatingRequest, gsm::LocationUpdatingAccept, gsm::CmServiceRequest,
                           gsm::Alerting, gsm::MeasurementReport};

struct Runtime {
  Runtime() { CoInitialize(); }
  ~Runtime() { CoUninitialize(); }
};

// One host with its container and definitions; `plain` parses with muparser
// only and runs the plain pass.
struct Side {
  bool plain;
  FakeHost host;
  TActEventsResult results;
  TMsgEventList messages;
  TGateEventList gates;
  TTestEvents tests;
  TEventPropertyList gateProps{2, 0, "Warning"}, msgProps{1, 0, "Message"}, testProps{0, 255, ""};

  Side(bool plainPass, const std::vector<HandsetRecord>& log)
      : plain(plainPass), results(TPassOptions{.PlainGatePass = plainPass}) {
    host.Records = log;
    results.SetNetType(0);
    results.OnGetRecord = host.Loader();
    results.OnEventFilter = host.Filter();
    results.OnEventAdded = host.Announcer();
    messages.SetNetType(0);
    gates.SetNetType(0);
    messages.RebuildCodeFilter();
    messages.LinkProperties(&msgProps);
    tests.LinkProperties(&testProps);
  }

  void setExpression(TGateEvent* gate, const std::string& expression) {
    if (plain) setenv("EVENTMANAGER_PLAIN_EXPRESSIONS", "1", 1);
    try {
      gate->SetExpression(expression);
    } catch (const EEventManagerError&) {
      // Kept without fields: such a gate reports nothing, on both sides.
    }
    unsetenv("EVENTMANAGER_PLAIN_EXPRESSIONS");
  }

  TGateEvent* gate(int number, int32_t type) {
    auto* g = new TGateEvent(&gates);
    g->EventName = "Gate " + std::to_string(number);
    g->SetGateType(type);
    gateProps.Add(new TActEventProperty(&gateProps, g->EventName));
    return g;
  }

  void link() { gates.LinkProperties(&gateProps); }
};

// Gate definitions drawn once and applied to both sides alike.
struct GateSpec {
  int32_t type;
  std::string expression;
  int32_t times, during, msgDuring;
  uint32_t a, b;
};

GateSpec drawGate(std::mt19937& random, ExpressionGenerator& generate) {
  GateSpec s{};
  unsigned k = random() % 10;
  s.type = k < 6 ? 1 : k < 9 ? 2 : static_cast<int32_t>(random() % 4) * 3;  // 0, 3, 6, 9: never report
  s.expression = random() % 8 == 0 ? "C_I / 2 > 4.5 or RxLevSub < TA" : generate.Next();
  if (random() % 15 == 0) s.expression = "";
  s.times = static_cast<int32_t>(random() % 4);
  s.during = static_cast<int32_t>(random() % 4) * 700;
  s.msgDuring = static_cast<int32_t>(random() % 5) * 600;
  s.a = kCodes[random() % 5];
  s.b = kCodes[random() % 5];
  return s;
}

TGateEvent* make(Side& side, int number, const GateSpec& s) {
  TGateEvent* g = side.gate(number, s.type);
  side.setExpression(g, s.expression);
  g->SetExpTimes(s.times);
  g->SetExpDuringTime(s.during);
  g->SetMsgDuringTime(s.msgDuring);
  g->SetMessageCodeA(s.a);
  g->SetMessageCodeB(s.b);
  return g;
}

std::vector<HandsetRecord> generateLog(std::mt19937& random, size_t count) {
  static const int32_t fields[] = {0, 2, 3, 4, 5, 6, 9, 11, 17, 28, 29, 31, 50, 59, 70};
  std::vector<HandsetRecord> log(count);
  double time = FakeHost::At(9, 0, 0);
  for (size_t i = 0; i < count; ++i) {
    HandsetRecord& r = log[i];
    time += (100 + random() % 1400) / 8.64e7;
    r.Time = r.OrderTime = time;
    r.NetType = 0;
    r.Reference = static_cast<uint32_t>(i);
    r.MessageCode = random() % 3 ? kCodes[random() % 5] : 0;
    for (int32_t id : fields)
      if (random() % 6) r.SetField(id, static_cast<int32_t>(random() % 300) - 150);
  }
  return log;
}

std::string nameOf(TEventResult* r) {
  std::string name;
  r->GetEventName(name);
  return name;
}

}  // namespace

TEST(GatePass, SharedLoadDecidesAsThePlainPassOnAGeneratedLog) {
  Runtime runtime;
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    ExpressionGenerator generate(seed * 7919);
    const auto log = generateLog(random, 1500);
    Side plain(true, log), fast(false, log);
    int number = 0;
    for (int i = 0; i < 60; ++i, ++number) {
      GateSpec s = drawGate(random, generate);
      plain.gates.Add(make(plain, number, s));
      fast.gates.Add(make(fast, number, s));
    }
    plain.link();
    fast.link();
    for (size_t i = 0; i < log.size(); ++i) {
      if (i % 500 == 250) {
        // Definitions change between records: a gate re-parsed, one removed,
        // one inserted in front, one changing kind.
        std::string expression = generate.Next();
        int at = static_cast<int>(random() % plain.gates.Count());
        plain.setExpression(plain.gates.ItemAs<TGateEvent>(at), expression);
        fast.setExpression(fast.gates.ItemAs<TGateEvent>(at), expression);
        int gone = static_cast<int>(random() % plain.gates.Count());
        plain.gates.Delete(gone);
        fast.gates.Delete(gone);
        GateSpec s = drawGate(random, generate);
        plain.gates.Insert(0, make(plain, number, s));
        fast.gates.Insert(0, make(fast, number, s));
        ++number;
        int changed = static_cast<int>(random() % plain.gates.Count());
        plain.gates.ItemAs<TGateEvent>(changed)->SetGateType(1);
        fast.gates.ItemAs<TGateEvent>(changed)->SetGateType(1);
        plain.link();
        fast.link();
      }
      bool notify = random() % 4 != 0;
      for (Side* side : {&plain, &fast})
        side->results.FeedRecord(static_cast<uint32_t>(i), static_cast<int32_t>(i), log[i].MessageCode != 0, false,
                                 notify, 0, &side->messages, &side->gates, &side->tests);
    }

    ASSERT_GT(plain.results.GetCount(), 20) << "too few firings to compare";
    ASSERT_EQ(fast.results.GetCount(), plain.results.GetCount());
    for (int i = 0; i < plain.results.GetCount(); ++i) {
      SCOPED_TRACE("result " + std::to_string(i));
      TEventResult* p = plain.results.GetResult(i);
      TEventResult* f = fast.results.GetResult(i);
      EXPECT_EQ(f->RecordIndex, p->RecordIndex);
      EXPECT_EQ(nameOf(f), nameOf(p));
    }
    ASSERT_EQ(fast.host.AddedCalls.size(), plain.host.AddedCalls.size());
    for (size_t i = 0; i < plain.host.AddedCalls.size(); ++i) {
      const auto &p = plain.host.AddedCalls[i], &f = fast.host.AddedCalls[i];
      EXPECT_EQ(f.Context, p.Context);
      EXPECT_EQ(f.Index, p.Index);
      EXPECT_EQ(nameOf(f.Result), nameOf(p.Result));
    }
    for (int i = 0; i < plain.gates.Count(); ++i) {
      SCOPED_TRACE("gate " + std::to_string(i));
      const TGateEvent& p = *plain.gates.ItemAs<TGateEvent>(i);
      const TGateEvent& f = *fast.gates.ItemAs<TGateEvent>(i);
      EXPECT_EQ(f.TrueSpan, p.TrueSpan);
      EXPECT_EQ(f.TrueCount, p.TrueCount);
      EXPECT_EQ(f.SpanStart, p.SpanStart);
      EXPECT_EQ(f.WaitingForB, p.WaitingForB);
      // Each gate's own view holds the record it evaluated last.
      auto at = [](const Side& side, const TGateEvent& g) {
        const HandsetRecord* r = g.HandsetFields->Loaded();
        return r ? r - side.host.Records.data() : -1;
      };
      EXPECT_EQ(at(fast, f), at(plain, p));
    }
  }
}

namespace {

// A host that loads, refuses (returns 0 with an empty view) or fails, only
// for the gates' views; it records every load the gate pass asks for.
struct GateHost {
  enum Mode { Loads, Refuses, Throws } mode = Loads;
  std::vector<HandsetRecord> records;
  const RecordView* containerView = nullptr;
  std::vector<std::pair<const RecordView*, int32_t>> gateLoads;

  static int32_t load(void* self, RecordView* view, int32_t index) {
    auto* h = static_cast<GateHost*>(self);
    if (view != h->containerView) {
      h->gateLoads.emplace_back(view, index);
      if (h->mode == Throws) throw std::runtime_error("log unreadable");
      if (h->mode == Refuses) {
        view->Reset();
        return 0;
      }
    }
    view->Load(&h->records.at(static_cast<size_t>(index)));
    return 1;
  }
};

}  // namespace

TEST(GatePass, HostIsAskedOnceUnlessItRefusesAndAgainAfterAResult) {
  Runtime runtime;
  struct Case {
    const char* name;
    GateHost::Mode mode;
    int32_t rxLev;            // of the record: -110 fires the first gate
    std::vector<int> expect;  // gates whose views the host is asked to load, in order (fast pass)
  };
  // Gates: 0 expression (fires at once when RxLevSub < -100), 1 never
  // reports, 2 expression (holds, fires on a second record), 3 message,
  // 4 expression with an empty text (reads nothing).
  const std::vector<Case> cases = {
      {"one load shared by all", GateHost::Loads, -90, {0}},
      {"loaded again after a result", GateHost::Loads, -110, {0, 2}},
      {"each gate asks a refusing host", GateHost::Refuses, -110, {0, 2, 3}},
      {"a failing host stops the pass", GateHost::Throws, -110, {0}},
  };
  for (const Case& c : cases) {
    for (bool plainPass : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (plainPass ? ", plain pass" : ""));
      GateHost host;
      host.mode = c.mode;
      HandsetRecord& r = host.records.emplace_back();
      r.Time = r.OrderTime = FakeHost::At(10, 0, 0);
      r.MessageCode = gsm::MeasurementReport;
      r.SetField(3, c.rxLev);
      r.SetField(5, 2);
      TActEventsResult results(TPassOptions{.PlainGatePass = plainPass});
      host.containerView = results.RecordView;
      results.SetNetType(0);
      results.OnGetRecord = {&GateHost::load, &host};
      TMsgEventList messages;
      TGateEventList gates;
      TTestEvents tests;
      messages.SetNetType(0);
      gates.SetNetType(0);
      const char* expressions[] = {"RxLevSub < -100", "", "RxQualSub >= 0", "", ""};
      const int32_t types[] = {1, 0, 1, 2, 1};
      const int32_t times[] = {1, 0, 2, 0, 1};
      for (int i = 0; i < 5; ++i) {
        auto* g = new TGateEvent(&gates);
        g->SetGateType(types[i]);
        g->SetExpression(expressions[i]);
        g->SetExpTimes(times[i]);
        gates.Add(g);
      }
      auto feed = [&] { results.FeedRecord(0, 0, true, false, false, 0, &messages, &gates, &tests); };
      if (c.mode == GateHost::Throws) {
        EXPECT_THROW(feed(), std::runtime_error);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(gates.ItemAs<TGateEvent>(i)->SpanStart, 0);
      } else {
        feed();
      }
      std::vector<int> asked;
      for (auto& [view, index] : host.gateLoads) {
        EXPECT_EQ(index, 0);
        for (int i = 0; i < 5; ++i)
          if (gates.ItemAs<TGateEvent>(i)->HandsetFields.get() == view) asked.push_back(i);
      }
      if (plainPass)
        EXPECT_EQ(asked, c.mode == GateHost::Throws ? std::vector<int>{0} : std::vector<int>({0, 2, 3}));
      else
        EXPECT_EQ(asked, c.expect);
      if (c.mode == GateHost::Loads) {
        // Every gate that evaluated holds the record in its own view.
        for (int i : {0, 2, 3}) EXPECT_EQ(gates.ItemAs<TGateEvent>(i)->HandsetFields->Loaded(), &host.records[0]);
        EXPECT_EQ(results.GetCount(), c.rxLev < -100 ? 1 : 0);
      }
    }
  }
}
