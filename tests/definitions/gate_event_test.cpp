// Gate event definitions: setters, reading and writing the Gate section,
// copies that parse with their own filter, and linking to the warning list.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "definitions/gate_event_list.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/data_access.h"
#include "platform/component_registry.h"
#include "properties/event_property_list.h"

namespace {

class ComponentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitialize(); }
  void TearDown() override { CoUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

pugi::xml_node parseInto(pugi::xml_document& doc, const char* xml) {
  EXPECT_TRUE(doc.load_string(xml));
  return doc.document_element();
}

// A filter that only counts the parses it is asked for.
struct CountingFilter : IExpressionFilter {
  static inline int parses = 0;
  bool EditExpression(void*, uint8_t, std::string&) override { return false; }
  bool EditLevelExpression(void*, uint8_t, std::string&) override { return false; }
  bool EvaluateValues(std::span<const int32_t>) override { return false; }
  int32_t ParseExpression(uint8_t, const std::string&, int32_t&, const int32_t*& ids, uint8_t& count) override {
    ++parses;
    ids = nullptr;
    count = 0;
    return 0;
  }
};

TGateEvent* addGate(TGateEventList& list, const std::string& name, const std::string& expression) {
  auto* gate = new TGateEvent(&list);
  gate->SetEventName(name);
  gate->SetGateType(1);
  gate->SetExpression(expression);
  list.Add(gate);
  return gate;
}

}  // namespace

TEST(GateEventSetters, StoreOnlyRealChangesAndKeepDaysInStep) {
  TGateEventList list;
  list.SetNetType(0);
  TGateEvent* gate = addGate(list, "Low Level", "RxLevSub < -100");
  gate->Modified = false;
  const int32_t* ids = gate->FieldIds;

  gate->SetEventName("LOW LEVEL");
  gate->SetExpression("rxlevsub < -100");  // letter case only: no new parse
  EXPECT_FALSE(gate->Modified);
  EXPECT_EQ(gate->EventName, "Low Level");
  EXPECT_EQ(gate->Expression, "RxLevSub < -100");
  EXPECT_EQ(gate->FieldIds, ids);

  gate->SetExpDuringTime(1500);
  gate->SetMsgDuringTime(86400000);
  EXPECT_TRUE(gate->Modified);
  EXPECT_DOUBLE_EQ(gate->ExpDuringDays, 1500 / 8.64e7);
  EXPECT_DOUBLE_EQ(gate->MsgDuringDays, 1.0);

  gate->SetExpression("RxLevSub < -100 and RxQualSub >= 5");
  ASSERT_EQ(gate->FieldCount, 2);
  EXPECT_EQ(gate->FieldIds[0], FieldIdByName("RxLevSub"));
  EXPECT_EQ(gate->FieldIds[1], FieldIdByName("RxQualSub"));
  const int32_t bad[] = {-105, 6};
  EXPECT_TRUE(gate->Evaluate(bad));
}

TEST(GateEventSetters, CaseOnlyExpressionChangeAsksTheServerNothing) {
  CoRegisterClass(CLSID_ExpressionFilter, [](const TGuid*, void** object) -> int32_t {
    *object = static_cast<IExpressionFilter*>(new CountingFilter);
    return ComponentOk;
  });
  {
    TGateEventList list;
    list.SetNetType(0);
    TGateEvent* gate = addGate(list, "Low Level", "RxLevSub < -100");
    EXPECT_EQ(CountingFilter::parses, 1);
    gate->SetExpression("RXLEVSUB < -100");
    EXPECT_EQ(CountingFilter::parses, 1);
    TGateEvent* copy = gate->Clone();  // the copy parses once, with its own filter
    EXPECT_EQ(CountingFilter::parses, 2);
    delete copy;
  }
  CoRegisterClass(CLSID_ExpressionFilter, nullptr);
}

TEST(GateEventSetters, RejectedExpressionKeepsItsTextAndReportsNothing) {
  TGateEventList list;
  list.SetNetType(0);
  TGateEvent* gate = addGate(list, "Low Level", "RxLevSub < -100");
  gate->Modified = false;
  try {
    gate->SetExpression("RxLevSub < -100 and");
    FAIL() << "accepted";
  } catch (const EEventManagerError& e) {
    EXPECT_NE(std::string(e.what()).find("'RxLevSub < -100 and'"), std::string::npos) << e.what();
  }
  EXPECT_EQ(gate->Expression, "RxLevSub < -100 and");
  EXPECT_TRUE(gate->Modified);
  EXPECT_EQ(gate->FieldCount, 0);  // never the old expression's fields under the new text
  EXPECT_FALSE(gate->Evaluate({}));
  EXPECT_THROW(gate->SetExpression("Level < -100"), EEventManagerError);
}

TEST(GateEventFile, ElementWithoutAttributesGivesTheDefaults) {
  TGateEventList list;
  list.SetNetType(1);
  pugi::xml_document doc;
  list.LoadFromNode(parseInto(doc, "<CDMA><Anything/></CDMA>"));
  ASSERT_EQ(list.Count(), 1);
  TGateEvent* g = list.Event(0);
  EXPECT_EQ(g->EventName, "");
  EXPECT_EQ(g->GateType, 0);
  EXPECT_EQ(g->Expression, "");
  EXPECT_EQ(g->FieldCount, 0);
  EXPECT_EQ(g->WarnField, -1);
  EXPECT_EQ(g->WarnGate, -9999);
  EXPECT_EQ(g->WarnDelay, 0);
  EXPECT_EQ(g->WarnMode, 3);
  EXPECT_FALSE(list.IsModified());
}

TEST(GateEventFile, ListRoundTripKeepsEveryValueAndTheOrder) {
  TGateEventList list;
  list.SetNetType(2);
  TGateEvent* a = addGate(list, "Weak RSCP", "RSCP < -105 and EcIo < -140");
  a->SetExpDuringTime(3000);
  a->SetExpTimes(3);
  a->SetWarnField(28);
  a->SetWarnGate(-105);
  a->SetWarnDelay(2);
  a->SetWarnMode(1);
  TGateEvent* b = addGate(list, "RRC Setup Timeout", "");
  b->SetGateType(2);
  b->SetMessageCodeA(0x80000001u);  // top bit set: written as a negative number
  b->SetMessageCodeB(0x0000A2B3u);
  b->SetMsgDuringTime(2000);

  pugi::xml_document doc;
  pugi::xml_node node = doc.append_child("UMTS");
  list.SaveToNode(node);
  EXPECT_STREQ(node.first_child().name(), "GateEvent-0");
  EXPECT_STREQ(node.last_child().attribute("MessageCodeA").value(), "-2147483647");
  EXPECT_FALSE(list.IsModified());

  TGateEventList back;
  back.SetNetType(2);
  back.LoadFromNode(node);
  ASSERT_EQ(back.Count(), 2);
  for (int i = 0; i < 2; ++i) {
    TGateEvent* x = list.Event(i);
    TGateEvent* y = back.Event(i);
    EXPECT_EQ(y->EventName, x->EventName);
    EXPECT_EQ(std::tie(y->GateType, y->ExpDuringTime, y->ExpTimes, y->MsgDuringTime, y->WarnField, y->WarnGate,
                       y->WarnDelay),
              std::tie(x->GateType, x->ExpDuringTime, x->ExpTimes, x->MsgDuringTime, x->WarnField, x->WarnGate,
                       x->WarnDelay));
    EXPECT_EQ(y->Expression, x->Expression);
    EXPECT_EQ(y->MessageCodeA, x->MessageCodeA);
    EXPECT_EQ(y->MessageCodeB, x->MessageCodeB);
    EXPECT_EQ(y->WarnMode, x->WarnMode);
    EXPECT_EQ(y->FieldCount, x->FieldCount);
    EXPECT_DOUBLE_EQ(y->MsgDuringDays, x->MsgDuringDays);
  }
  EXPECT_EQ(back.FindByName("weak rscp"), back.Event(0));
}

TEST(GateEventFile, ReadsByPositionAndCodesInBothNotations) {
  TGateEventList list;
  list.SetNetType(0);
  pugi::xml_document doc;
  list.LoadFromNode(parseInto(doc, R"(<GSM>
      <GateEvent-5 EventName="Five" MessageCodeA="-1" MessageCodeB="4294967295"/>
      <!-- a comment is not an event -->
      <GateEvent-2 EventName="Two" Expression="RxLev &lt; -100" GateType="1"/>
    </GSM>)"));
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Event(0)->EventName, "Five");
  EXPECT_EQ(list.Event(0)->MessageCodeA, 0xFFFFFFFFu);
  EXPECT_EQ(list.Event(0)->MessageCodeB, 0xFFFFFFFFu);
  // An expression that does not parse is kept with its error; the load goes on.
  EXPECT_EQ(list.Event(1)->Expression, "RxLev < -100");
  EXPECT_EQ(list.Event(1)->FieldCount, 0);
  ASSERT_EQ(list.ExpressionErrors().size(), 1u);
  EXPECT_NE(list.ExpressionErrors()[0].find("unknown field 'RxLev'"), std::string::npos);

  pugi::xml_document bad;
  TGateEventList other;
  other.SetNetType(0);
  try {
    other.LoadFromNode(parseInto(bad, R"(<GSM><GateEvent-0 EventName="A"/><GateEvent-1 ExpTimes="3x"/></GSM>)"));
    FAIL() << "accepted a number that is not one";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "<GateEvent-1> attribute ExpTimes: '3x' is not an integer");
  }
  ASSERT_EQ(other.Count(), 1);  // the event read before the error stays
}

TEST(GateEventList, CopiesParseWithTheirOwnFilterAndNetworkChangesFree) {
  TGateEventList list;
  list.SetNetType(0);
  addGate(list, "Low Level", "RxLevSub < -100");
  TGateEventList copy;
  list.CopyTo(&copy);
  EXPECT_EQ(copy.NetType, 0);
  EXPECT_EQ(copy.Name, "GSM");
  ASSERT_EQ(copy.Count(), 1);
  TGateEvent* c = copy.Event(0);
  EXPECT_EQ(c->Owner, &copy);
  EXPECT_NE(c->Filter.get(), list.Event(0)->Filter.get());
  ASSERT_EQ(c->FieldCount, 1);
  // Reparsing the original must not disturb the copy.
  list.Event(0)->SetExpression("TA > 5");
  const int32_t value[] = {-101};
  EXPECT_TRUE(c->Evaluate(value));

  copy.SetNetType(0);
  EXPECT_EQ(copy.Count(), 1);
  copy.SetNetType(3);
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(copy.Name, "TD-SCDMA");
}

TEST(GateEventList, LinksEventsToTheWarningList) {
  TGateEventList list;
  list.SetNetType(0);
  addGate(list, "Low Level", "RxLevSub < -100");
  addGate(list, "", "");
  TEventPropertyList warnings(TEventPropertyList::KindWarning, 0, "Warning");
  list.LinkProperties(&warnings);
  ASSERT_NE(list.Event(0)->Property, nullptr);
  EXPECT_EQ(warnings.Count(), 1);
  EXPECT_EQ(list.Event(1)->Property, nullptr);
}
