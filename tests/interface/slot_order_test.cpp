// A host compiled only against the public headers calls every virtual
// operation of TEventsResult and TEventResult by slot on real results, and
// each answer must be the one that operation gives: a slot out of order in
// the library answers for a neighbour and fails here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "eventmanager/event_property.h"
#include "log/log_time.h"
#include "speech_recorder.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

struct Found {
  TEventResult* test = nullptr;     // a test-item result
  TEventResult* table = nullptr;    // "GPS Lost" from the event table: map off, graph on, voice off
  TEventResult* flag6 = nullptr;    // a message result of a level with detail flag 6
  TEventResult* message = nullptr;  // any other message result with details
  TEventResult* gate = nullptr;
};

Found find(TEventsResult& results) {
  Found f;
  for (int32_t i = 0; i < results.GetCount(); ++i) {
    TEventResult* r = results.GetResult(i);
    std::string name;
    r->GetEventName(name);
    if (name == "GPS Lost") f.table = r;
    else if (r->IsKind(1) && r->HasDetails() && !r->Details->empty() && !f.test) f.test = r;
    else if (r->IsKind(0) && name == "Outgoing Call Setup" && !f.flag6) f.flag6 = r;
    else if (r->IsKind(0) && name == "Handover Success" && !f.message) f.message = r;
    else if (r->IsKind(2) && !f.gate) f.gate = r;
  }
  return f;
}

}  // namespace

TEST(SlotOrder, EveryResultSlotAnswersForItsOwnOperation) {
  e2e::InFreshProcess([&] {
    e2e::TempHome home;
    e2e::LoadedLibrary library(home.Path());
    ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
    HostSession session(*library, 0);
    session.Feed(log);
    Found f = find(session.Results());
    ASSERT_TRUE(f.test && f.table && f.flag6 && f.message && f.gate);

    for (TEventResult* r : {f.test, f.table, f.flag6, f.message, f.gate}) {
      std::string name;
      r->GetEventName(name);  // slot 2
      SCOPED_TRACE(name);
      TEventProperty* p = r->Property;
      ASSERT_NE(p, nullptr);
      EXPECT_EQ(r->GetBitmap(), p->Bitmap);            // slot 0
      std::string voice, propertyVoice;
      r->GetVoiceText(voice);                          // slot 1
      p->GetVoiceText(propertyVoice);
      EXPECT_EQ(voice, propertyVoice);
      EXPECT_EQ(r->GetDrawInGraph(), p->DrawInGraph);  // slot 3
      EXPECT_EQ(r->GetDrawInMap(), p->DrawInMap);      // slot 4
      EXPECT_EQ(r->GetPlayVoice(), p->PlayVoice);      // slot 5
      EXPECT_EQ(r->GetBackColor(), p->BackColor);      // slot 6
      EXPECT_EQ(r->GetFontColor(), p->FontColor);      // slot 7
      // slot 8: the record's time, or the item's for test items (same here).
      EXPECT_DOUBLE_EQ(r->GetTime(), log.Records[static_cast<size_t>(r->RecordIndex)].Time);
      EXPECT_EQ(r->IsKind(3), false);                  // slot 11
      EXPECT_EQ(r->IsKind(-1), false);
      RecordView view;
      EXPECT_EQ(r->LoadRecord(&view, r->RecordIndex), 1);  // slot 15, through the host's loader
      EXPECT_EQ(view.Loaded(), &log.Records[static_cast<size_t>(r->RecordIndex)]);
    }
    EXPECT_NE(f.table->GetDrawInMap(), f.table->GetDrawInGraph()) << "the sample property tells slots 3 and 4 apart";
    EXPECT_EQ(f.table->GetTestEventId(), 58);  // slot 10
    EXPECT_EQ(f.flag6->GetTestEventId(), -1);
    EXPECT_TRUE(f.test->HasDetails());        // slot 9
    EXPECT_TRUE(f.test->IsKind(1) && !f.test->IsKind(0) && !f.test->IsKind(2));
    EXPECT_TRUE(f.flag6->IsKind(0) && f.gate->IsKind(2) && !f.gate->IsKind(1));
    EXPECT_TRUE(f.flag6->HasDetailFlag6());   // slot 12
    EXPECT_FALSE(f.message->HasDetailFlag6());
    EXPECT_FALSE(f.test->HasDetailFlag6());

    const size_t spoken = SpokenTexts().size();
    f.test->Speak();  // slot 14
    ASSERT_EQ(SpokenTexts().size(), spoken + (f.test->GetPlayVoice() ? 1 : 0));
    if (f.test->GetPlayVoice()) {
      std::string voice;
      f.test->GetVoiceText(voice);
      EXPECT_EQ(SpokenTexts().back(), voice);
    }

    // slot 13 through the container's AssignResult (slot 4) further down.
  });
}

TEST(SlotOrder, EveryContainerSlotAnswersForItsOwnOperation) {
  e2e::InFreshProcess([&] {
    e2e::TempHome home;
    e2e::LoadedLibrary library(home.Path());
    ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
    HostSession session(*library, 0);
    session.Feed(log);
    TEventsResult& c = session.Results();
    Found f = find(c);
    ASSERT_TRUE(f.test && f.message);

    c.SetDataSource(77);  // slot 0
    EXPECT_EQ(c.DataSource, 77u);
    EXPECT_EQ(c.GetNetType(), 0);  // slot 1
    c.SetNetType(3);               // slot 2
    EXPECT_EQ(c.GetNetType(), 3);
    c.SetNetType(0);
    const int32_t count = c.GetCount();  // slot 5
    ASSERT_GT(count, 10);
    EXPECT_EQ(c.GetResult(-1), nullptr);  // slot 3
    EXPECT_EQ(c.GetResult(count), nullptr);
    for (int32_t i = 0; i < count; ++i) EXPECT_EQ(c.IndexOf(c.GetResult(i)), i);  // slot 7

    TEventNames* names = c.GetEventNames();  // slot 6
    ASSERT_NE(names, nullptr);
    std::vector<std::string> listed;
    for (const TEventNameEntry& e : *names) listed.push_back(lower(e.Name));
    for (int32_t i = 0; i < count; ++i) {
      std::string name;
      c.GetResult(i)->GetEventName(name);
      EXPECT_EQ(std::count(listed.begin(), listed.end(), lower(name)), 1) << name;
    }

    const int32_t record = f.message->RecordIndex;
    int32_t first = c.FindExact(record, false);  // slot 8
    ASSERT_GE(first, 0);
    EXPECT_EQ(c.GetResult(first)->RecordIndex, record);
    EXPECT_TRUE(first == 0 || c.GetResult(first - 1)->RecordIndex < record);
    EXPECT_EQ(c.Find(record, 3, 0), first);  // slot 10
    EXPECT_EQ(c.FindExact(-5, false), -1);

    TVirtualTree tree;
    tree.Tag = 7;  // date, time, milliseconds
    TVirtualNode top{nullptr, f.test, -1};
    TVirtualNode child{&top, nullptr, 0};
    EXPECT_EQ(c.GetNodeRecordIndex(&tree, &top), f.test->RecordIndex);  // slot 9
    EXPECT_EQ(c.GetNodeRecordIndex(&tree, &child), (*f.test->Details)[0].RecordIndex);
    EXPECT_EQ(c.GetNodeResult(&tree, &child), f.test);  // slot 14
    c.AttachTree(&tree);                                // slot 13
    std::string name;
    f.test->GetEventName(name);
    EXPECT_EQ(tree.TextOf(&top), TimeText(f.test->GetTime()) + " -> " + name);
    EXPECT_EQ(tree.TextOf(&child), (*f.test->Details)[0].Text);
    EXPECT_EQ(tree.FontColorOf(&top, -1), f.test->GetFontColor());

    EXPECT_EQ(c.AddResult(f.test), -1);  // slot 11: already there
    EXPECT_EQ(c.GetCount(), count);

    RecordView view;  // slot 18, through OnGetRecord
    EXPECT_EQ(c.LoadRecord(&view, 3), 1);
    EXPECT_EQ(view.Loaded(), &log.Records[3]);
    EXPECT_EQ(c.LoadRecord(&view, static_cast<int32_t>(log.Records.size())), 0);

    // slot 16: the record of the test result fed again yields the same item once more.
    size_t notices = session.Notices().size();
    c.FeedTestItem(5, f.test->RecordIndex, f.test->ItemIndex, session.MsgEvents(), session.TestEvents(), true, 9);
    EXPECT_EQ(c.GetCount(), count + 1);
    ASSERT_EQ(session.Notices().size(), notices + 1);
    EXPECT_EQ(session.Notices().back().Flag, 9);
    EXPECT_EQ(session.Notices().back().Context, 5u);

    // slot 4 (and the result's slot 13): the result at an index takes the source's lines and record.
    int32_t target = c.IndexOf(f.message);
    c.AssignResult(target, f.test);
    EXPECT_EQ(f.message->RecordIndex, f.test->RecordIndex);
    EXPECT_EQ(f.message->Property, f.test->Property);
    ASSERT_TRUE(f.message->Details && f.test->Details);
    EXPECT_EQ(f.message->Details->size(), f.test->Details->size());
    EXPECT_TRUE(f.message->IsKind(0)) << "Assign keeps the kind";

    // slot 20: the log has ended and nothing waits, so every result keeps its place.
    const int32_t all = c.GetCount();
    EXPECT_EQ(c.FinalCount(1e9), all);
    // slot 21: the first two freed, the others moved up.
    TEventResult* third = c.GetResult(2);
    EXPECT_EQ(c.ReleaseFirst(2), 2);
    EXPECT_EQ(c.GetCount(), all - 2);
    EXPECT_EQ(c.GetResult(0), third);
    f.test = f.message = nullptr;  // perhaps freed

    const size_t nameCount = names->size();
    c.Clear();  // slot 12
    EXPECT_EQ(c.GetCount(), 0);
    EXPECT_EQ(c.GetEventNames()->size(), nameCount);
    // slot 19, after the destructor: the log was ended by the session and
    // Clear forgot nothing waiting, so ending it again adds nothing.
    c.EndLog(6, session.GateEvents());
    EXPECT_EQ(c.GetCount(), 0);
  });
}
