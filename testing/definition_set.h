// One network's definitions as tests and benchmarks build them by hand: the
// message, gate and test-event lists with the property lists they link to,
// and builders of message events, their levels and expression gates. The
// lists own what the builders add. Host thread only.
#pragma once

#include <cstdint>
#include <string>

#include "definitions/gate_event.h"
#include "definitions/gate_event_list.h"
#include "definitions/level_node.h"
#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "properties/event_property_list.h"

struct TDefinitionSet {
  TMsgEventList messages;
  TGateEventList gates;
  TTestEvents tests;
  TEventPropertyList testProps{0, 255, ""};
  TEventPropertyList msgProps{1, 0, "Message"};
  TEventPropertyList gateProps{2, 0, "Warning"};

  void SetNetwork(uint8_t net) {
    messages.SetNetType(net);
    gates.SetNetType(net);
  }

  TMsgEvent* AddEvent(const std::string& name) {
    auto* e = new TMsgEvent(&messages);
    e->EventName = name;
    messages.Add(e);
    return e;
  }

  // A level waiting for `code`, below `parent` (a first step without one).
  TLevelNode* AddLevel(TMsgEvent* e, TLevelNode* parent, uint32_t code, const std::string& report = "",
                       int32_t detailFlag = 0, int32_t reason = -9999) {
    auto* l = new TLevelNode(e, parent);
    l->MsgNodes->AddNode(e->Network(), code, 0);
    l->ReportName = report;
    l->DetailFlag = detailFlag;
    l->ReasonNum = reason;
    parent ? parent->AddChild(l) : e->AddLevel(l);
    return l;
  }

  // A gate of `type` (1 expression, 2 message pair), the rest left to the caller.
  TGateEvent* AddGate(const std::string& name, int32_t type) {
    auto* gate = new TGateEvent(&gates);
    gate->EventName = name;
    gate->SetGateType(type);
    gates.Add(gate);
    return gate;
  }

  // An expression gate that fires when `expression` held `times` times.
  TGateEvent* AddExpressionGate(const std::string& name, const std::string& expression, int32_t times) {
    TGateEvent* gate = AddGate(name, 1);
    gate->SetExpression(expression);
    gate->SetExpTimes(times);
    return gate;
  }

  // After building: the code filter, and every list linked to its records.
  void Link() {
    messages.RebuildCodeFilter();
    messages.LinkProperties(&msgProps);
    gates.LinkProperties(&gateProps);
    tests.LinkProperties(&testProps);
  }
};
