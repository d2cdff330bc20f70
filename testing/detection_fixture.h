// A results container wired to a fake host, with empty message, gate and
// test-event lists of one network and their property lists, and helpers that
// build definitions and feed the fake log in order, as a host would.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "detection/act_events_result.h"
#include "eventmanager/outside/message_bytes.h"
#include "platform/component_registry.h"
#include "testing/definition_set.h"
#include "testing/fake_host.h"
#include "testing/record_builder.h"

struct DetectionFixture : ::testing::Test, TDefinitionSet {
  FakeHost host;
  TActEventsResult results;

  static void SetUpTestSuite() { CoInitialize(); }
  void SetUp() override {
    results.OnGetRecord = host.Loader();
    results.OnEventFilter = host.Filter();
    results.OnEventAdded = host.Announcer();
    tests.LinkProperties(&testProps);
  }
  void network(uint8_t net) {
    results.SetNetType(net);
    SetNetwork(net);
  }
  // Record i of the fake log is fed at position 100 + i.
  void feed(int32_t i, uint8_t deviceType = 0, bool notify = true) {
    const HandsetRecord& r = host.Records[i];
    results.FeedRecord(100 + i, i, r.MessageCode != 0, !r.Items.empty(), notify, deviceType, &messages, &gates,
                       &tests);
  }
  void feedAll(uint8_t deviceType = 0, bool notify = true) {
    for (size_t i = 0; i < host.Records.size(); ++i) feed(static_cast<int32_t>(i), deviceType, notify);
  }
  TMsgEvent* event(const std::string& name) { return AddEvent(name); }
  TLevelNode* level(TMsgEvent* e, TLevelNode* parent, uint32_t code, const std::string& report = "",
                    int32_t detailFlag = 0, int32_t reason = -9999) {
    return AddLevel(e, parent, code, report, detailFlag, reason);
  }
  void addItem(HandsetRecord& r, int16_t id, double time, std::string extra = {}) {
    AddTestItem(r, id, time, extra);
  }
  // A CDMA handoff message (field 20 = 4) whose handoff direction is `direction`.
  HandsetRecord& cdmaHandoff(int direction) {
    HandsetRecord& r = host.Add(FakeHost::At(10, 0, static_cast<double>(host.Records.size())), 0x10082200);
    r.MessageInfo = 2u << 24;
    r.SetField(20, 4);
    r.MessageBytes =
        msgbytes::Writer().Raw(msgbytes::HandoffDirection, std::string{'\0', static_cast<char>(direction)}).Bytes();
    return r;
  }
  void ready() {
    messages.RebuildCodeFilter();
    messages.LinkProperties(&msgProps);
    gates.LinkProperties(&gateProps);
  }
};
