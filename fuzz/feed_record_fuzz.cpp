// FeedRecord over arbitrary records (see feed_records.h) through the fake
// test host, with the sample definitions and display properties. Every
// result the host was told about must still be in the container, and every
// result must name a record of the log.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include <pugixml.hpp>

#include "definitions/gate_event_list.h"
#include "definitions/msg_event_list.h"
#include "definitions/test_events.h"
#include "detection/act_events_result.h"
#include "eventmanager/outside/data_access.h"
#include "feed_records.h"
#include "fuzz_support.h"
#include "platform/component_registry.h"
#include "properties/event_propertys.h"
#include "testing/fake_host.h"

namespace {

const std::string kSample = EVENTMANAGER_SOURCE_DIR "/data/sample/";

struct Sample {
  pugi::xml_document Definitions;
  TEventPropertys Registry;
  std::vector<uint32_t> Codes;  // every message code the definitions name
  Sample() {
    if (!Definitions.load_file((kSample + "EventsDefine.cfg").c_str())) FuzzFail("cannot read the sample definitions");
    Registry.LoadFromFile(kSample + "EventsProperty.cfg");
    std::set<uint32_t> codes;
    for (pugi::xpath_node n : Definitions.select_nodes("//@*[starts-with(name(), 'MessageCode')]"))
      if (uint32_t code = n.attribute().as_uint()) codes.insert(code);
    Codes.assign(codes.begin(), codes.end());
  }
  pugi::xml_node Section(const char* kind, const std::string& network) {
    return Definitions.child("Events").child(kind).child(network.c_str());
  }
};

Sample& sample() {
  static Sample* s = new Sample;
  return *s;
}

struct FakeLog {
  std::vector<bool> Quiet;                 // per record: fed without notification
  std::vector<EventTableEntry> Events;     // the event table
  std::vector<std::pair<int32_t, int8_t>> Declared;  // per entry: declaring record, item
};

void readLog(feedfuzz::Reader& in, FakeHost& host, uint8_t net, FakeLog& log) {
  using namespace feedfuzz;
  const auto fields = FieldCatalogue();
  double time = FakeHost::At(10, 0, 0);
  while (!in.AtEnd() && host.Records.size() < 2000) {
    const auto flags = in.Get<uint8_t>();
    const double step = in.Get<uint16_t>() / 86400000.0;
    time += flags & Backwards ? -step : step;
    uint32_t code = flags & RawCode ? in.Get<uint32_t>() : sample().Codes[in.Get<uint8_t>() % sample().Codes.size()];
    HandsetRecord& r = host.Add(time, flags & Message ? code : 0);
    log.Quiet.push_back(flags & Quiet);
    const auto index = static_cast<int32_t>(host.Records.size() - 1);
    const uint32_t mode = in.Get<uint8_t>() & 0x0F, vendor = in.Get<uint8_t>();
    r.MessageInfo = mode << 24 | vendor << 16;
    r.NetType = flags & NoNetwork ? 255 : net;
    r.Skip = flags & Skip;
    r.MessageBytes = in.Take(in.Get<uint8_t>());
    for (int n = in.Get<uint8_t>(); n > 0; --n) {
      const auto field = in.Get<uint8_t>();
      r.SetField(fields[field % fields.size()].Id, in.Get<int32_t>());
    }
    for (int n = flags & Items ? in.Get<uint8_t>() : 0; n > 0; --n) {
      TestItem item{};
      item.EventId = in.Get<int16_t>();
      item.Time = time + in.Get<int16_t>() / 86400000.0;
      r.AddItem(item, in.Take(in.Get<uint8_t>()));
    }
    for (int n = flags & Events ? in.Get<uint8_t>() : 0; n > 0; --n) {
      const auto id = in.Get<int16_t>();
      const int32_t named = index - in.Get<uint16_t>();
      const auto item = in.Get<int8_t>();
      // A host's table names records of its log only (eventscan drops the rest).
      if (named < 0) continue;
      log.Events.push_back({id, named});
      log.Declared.emplace_back(index, item);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  CoInitialize();
  FuzzHome();  // icons are looked for in an empty home
  sample();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  feedfuzz::Reader in(data, size);
  const uint8_t net = in.Get<uint8_t>() % 4, deviceType = in.Get<uint8_t>();

  // Fresh definitions for every input: events keep their run state.
  TMsgEventList messages;
  TGateEventList gates;
  messages.SetNetType(net);
  gates.SetNetType(net);
  messages.LoadFromNode(sample().Section("Message", messages.Name));
  gates.LoadFromNode(sample().Section("Gate", gates.Name));
  TTestEvents tests;
  messages.LinkProperties(sample().Registry.GetList(net, 0));
  gates.LinkProperties(sample().Registry.GetList(net, 1));
  tests.LinkProperties(sample().Registry.TestList.get());

  FakeHost host;
  FakeLog log;
  readLog(in, host, net, log);
  TActEventsResult results;
  results.SetNetType(net);
  results.OnGetRecord = host.Loader();
  results.OnEventFilter = host.Filter();
  results.OnEventAdded = host.Announcer();
  // As a host feeds: each record, then the table entries it declared.
  SetEventTable(&log.Events);
  size_t entry = 0;
  for (size_t i = 0; i < host.Records.size(); ++i) {
    const HandsetRecord& r = host.Records[i];
    const auto index = static_cast<int32_t>(i);
    results.FeedRecord(100 + i, index, r.MessageCode != 0, !r.Items.empty(), !log.Quiet[i], deviceType, &messages,
                       &gates, &tests);
    for (; entry < log.Events.size() && log.Declared[entry].first == index; ++entry)
      results.FeedEvent(static_cast<int32_t>(entry), log.Declared[entry].second, &messages, &gates, &tests,
                        deviceType);
  }
  results.EndLog(99, &gates);
  SetEventTable(nullptr);

  for (const FakeHost::Added& a : host.AddedCalls)
    if (results.IndexOf(a.Result) < 0) FuzzFail("an announced result is not in the container");
  for (int32_t i = 0; i < results.GetCount(); ++i) {
    TActEventResult* result = results.Result(i);
    if (result->RecordIndex < 0 || result->RecordIndex >= static_cast<int32_t>(host.Records.size()))
      FuzzFail("result %d names record %d of %zu", i, result->RecordIndex, host.Records.size());
    std::string text;
    result->GetEventName(text);
    result->GetVoiceText(text);
    result->GetTime();
    if (result->Details)
      for (const TResultDetail& line : *result->Details) text = line.Text;
  }
  return 0;
}
