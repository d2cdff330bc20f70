// Property records and lists: linking with pruning and renumbering, copying
// between networks, the event key lookups of the host, and the record rules
// the host and the windows rely on.
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/property_source.h"
#include "definitions/all_events.h"
#include "detection/act_event_result.h"
#include "linking/property_linking.h"
#include "eventmanager/errors.h"
#include "properties/event_propertys.h"
#include "properties/property_queries.h"
#include "testing/property_home.h"

namespace {

std::vector<std::string> namesOf(const TEventPropertyList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Items(i)->EventName);
  return names;
}

void fill(TEventPropertyList* list, std::initializer_list<const char*> names) {
  for (const char* n : names) list->Add(new TActEventProperty(list, n));
}

}  // namespace

TEST(PropertyLinking, PrunesUnusedRecordsAndRenumbers) {
  TEventPropertys p;
  TEventPropertyList* gsm = p.MsgLists[0].get();
  fill(gsm, {"Call Setup", "Call Drop", "Old Event", "Handover Failure", "Retired"});
  TEventProperty* drop = gsm->Items(1);

  ClearPropertyUsedMarks(gsm);
  EXPECT_EQ(LinkPropertyByName(gsm, "CALL DROP"), drop) << "found without regard to case";
  TEventProperty* fresh = LinkPropertyByName(gsm, "Location Update Success");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(LinkPropertyByName(gsm, "Handover Failure"), gsm->Items(3));
  EXPECT_EQ(LinkPropertyByName(gsm, "location update success"), fresh) << "a new record is found by the next link";
  EXPECT_EQ(LinkPropertyByName(gsm, ""), nullptr);
  EXPECT_EQ(LinkPropertyByName(nullptr, "Call Drop"), nullptr);
  ClearPropertyUsedMarks(nullptr);

  gsm->DeleteUnmarked();
  gsm->Renumber();
  EXPECT_EQ(namesOf(*gsm), (std::vector<std::string>{"Call Drop", "Handover Failure", "Location Update Success"}));
  for (int i = 0; i < gsm->Count(); ++i) {
    EXPECT_EQ(gsm->Items(i)->Index, i);
    EXPECT_EQ(gsm->IndexOfName(gsm->Items(i)->EventName), i) << "the name index follows the deletions";
  }
  EXPECT_TRUE(fresh->Used);
  EXPECT_TRUE(p.IsModified()) << "a record was added and others deleted: the file must be written";
}

TEST(PropertyLinking, InsertAndCopyKeepIndexesAndNetworks) {
  TEventPropertys p;
  fill(p.MsgLists[2].get(), {"RRC Connection Reject", "Call Drop"});
  p.MsgLists[2]->Insert(0, new TActEventProperty(p.MsgLists[2].get(), "Call Setup"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(p.MsgLists[2]->Items(i)->Index, i);

  TEventPropertyList copy(TEventPropertyList::KindMessage, 0, "Message");
  fill(&copy, {"Left Over"});
  p.MsgLists[2]->Items(1)->SetVoiceText("   ");
  p.MsgLists[2]->CopyTo(&copy);
  EXPECT_EQ(copy.Name, "UMTS-Message");
  EXPECT_EQ(namesOf(copy), namesOf(*p.MsgLists[2])) << "the other network's records are gone";
  EXPECT_EQ(copy.Items(1)->VoiceText, "RRC Connection Reject") << "a blank voice text arrives as the name";
  EXPECT_EQ(copy.Items(1)->Owner, &copy);
  EXPECT_NE(copy.Items(1), p.MsgLists[2]->Items(1));

  TObject stranger;
  EXPECT_THROW(copy.Add(&stranger), EMyClassTypeMismatch);
  EXPECT_EQ(p.GetList(5, 0), nullptr);
  EXPECT_EQ(p.GetList(4, 0)->Name, "LTE-Message");
  EXPECT_EQ(p.GetList(0, 2), nullptr);
  EXPECT_EQ(p.GetList(3, 1), p.WarningLists[3].get());
  EXPECT_EQ(QueryPropertyListKeyWord(p.WarningLists[3].get()), "TD-SCDMA-Warning");
  EXPECT_EQ(QueryPropertyListKeyWord(p.TestList.get()), "Test");
}

TEST(PropertyRecords, SettersMarkOnlyRealChanges) {
  TActEventProperty r(nullptr, "Call Drop");
  r.SetVoiceText("");
  r.SetDisplay(true);
  r.SetBackColor(16777215);
  r.SetBitmapFile("");
  EXPECT_FALSE(r.Modified);
  std::string voice;
  r.GetVoiceText(voice);
  EXPECT_EQ(voice, "Call Drop");
  r.SetVoiceText("  Dropped  ");
  EXPECT_TRUE(r.Modified);
  r.GetVoiceText(voice);
  EXPECT_EQ(voice, "Dropped");
  r.Modified = false;
  r.SetVoiceText("  dropped  ");
  EXPECT_TRUE(r.Modified) << "voice texts compare with letter case";

  // The host calls these by slot: through the base class they reach the record,
  // whose host part comes first so a host's pointer is the record's address.
  TEventProperty& host = r;
  EXPECT_EQ(static_cast<void*>(&host), static_cast<void*>(&r));
  r.Modified = false;
  host.SetPlayVoice(false);
  host.SetDisplay(false);
  EXPECT_FALSE(r.PlayVoice);
  EXPECT_FALSE(r.Display);
  EXPECT_TRUE(r.Modified);
  std::unique_ptr<TEventProperty> clone(host.Clone(nullptr));
  EXPECT_EQ(clone->EventName, "Call Drop");
  EXPECT_EQ(clone->VoiceText, "dropped") << "the clone takes the spoken text";
  EXPECT_FALSE(clone->PlayVoice);
  EXPECT_EQ(clone->Index, -1);
}

TEST(PropertyQueries, BitmapByEventKey) {
  TempHome home;
  home.CopySampleIcon("Ping.bmp", "EventBitmap/Ping.bmp");
  home.CopySampleIcon("CallDrop.bmp", "EventBitmap/CallDrop.bmp");
  TEventPropertys p;
  fill(p.TestList.get(), {"Ping Success"});
  p.TestList->Items(0)->SetBitmapFile("Ping.bmp");
  fill(p.MsgLists[2].get(), {"Call Drop", "Call End"});
  p.MsgLists[2]->Items(0)->SetBitmapFile("CallDrop.bmp");
  fill(p.WarningLists[2].get(), {"Low RSCP"});
  const TBitmap* ping = p.TestList->Items(0)->Bitmap;
  const TBitmap* drop = p.MsgLists[2]->Items(0)->Bitmap;
  ASSERT_TRUE(ping && drop);

  struct Case {
    std::string key;
    const TBitmap* bitmap;
  };
  for (const Case& c : std::vector<Case>{{"01Ping Success", ping},
                                         {"91ping success", ping},
                                         {"22Call Drop", drop},
                                         {"22Call End", nullptr},
                                         {"23Call Drop", nullptr},
                                         {"20Ping Success", nullptr}}) {
    EXPECT_EQ(QueryBitmapByEvent(p, c.key), c.bitmap) << c.key;
  }
  for (const char* key : {"", "0", "x1Ping Success", "0xPing Success", "-1Ping Success"})
    EXPECT_THROW(QueryBitmapByEvent(p, key), EConvertError) << key;
  for (const char* key : {"02Call Drop", "01Call Drop", "22Low RSCP", "42Call Drop"})
    EXPECT_THROW(QueryBitmapByEvent(p, key), EListError) << key;

  EXPECT_EQ(QueryMsgPropertyListCount(p, 2), 2);
  EXPECT_EQ(QueryMsgPropertyListCount(p, 0), 0);
  EXPECT_THROW(QueryMsgPropertyListCount(p, 5), EListError);
  EXPECT_EQ(QueryTestPropertyListCount(p), 1);
}

// Our files are UTF-8: a level and the record of its event match whatever the
// letter case in any script, and however an accent is encoded, so start-up
// links the user's record (colours, icon) instead of pruning it for a new one.
TEST(PropertyLinking, NamesMatchWhateverTheLetterCaseInAnyScript) {
  TEventPropertys p;
  TEventPropertyList* gsm = p.MsgLists[0].get();
  fill(gsm, {"ÉCHEC D'APPEL", "Обрыв связи", "Straße", "café", "Ĳssel"});
  for (int i = 0; i < gsm->Count(); ++i) gsm->Items(i)->SetBackColor(0x00AA00 + i);

  struct Case {
    const char* Report;
    int Record;  // the record it links to; -1: a new one
  } cases[] = {
      {"échec d'appel", 0},
      {"ОБРЫВ СВЯЗИ", 1},
      {"STRASSE", 2},
      {"cafe\xCC\x81", 3},  // e and a combining acute accent
      {"ĳSSEL", 4},
      {"echec d'appel", -1},  // another name: no accent
  };
  ClearPropertyUsedMarks(gsm);
  for (const Case& c : cases) {
    TEventProperty* linked = LinkPropertyByName(gsm, c.Report);
    if (c.Record >= 0)
      EXPECT_EQ(linked, gsm->Items(c.Record)) << c.Report;
    else
      EXPECT_EQ(linked, gsm->Items(gsm->Count() - 1)) << c.Report << " makes a record of its own";
  }
  gsm->DeleteUnmarked();
  EXPECT_EQ(namesOf(*gsm),
            (std::vector<std::string>{"ÉCHEC D'APPEL", "Обрыв связи", "Straße", "café", "Ĳssel", "echec d'appel"}));
  EXPECT_EQ(gsm->Items(0)->BackColor, 0x00AA00);
  // Text that is not UTF-8 still matches on its ASCII letters.
  fill(gsm, {"Ca\xE9 Drop"});
  EXPECT_EQ(gsm->IndexOfName("CA\xE9 DROP"), gsm->Count() - 1);
  EXPECT_EQ(gsm->IndexOfName("ca\xC9 drop"), -1);
}

// Pruning may run while results point at records (a window, or a later load
// that prunes): a result keeps reading the record it was made with, and the
// record is gone from the list, its count and its file.
TEST(PropertyLinking, PruningLeavesTheRecordsOfResultsReadable) {
  TEventPropertys p;
  TEventPropertyList* gsm = p.MsgLists[0].get();
  fill(gsm, {"Kept Event", "Gone Event"});
  TActEventProperty* gone = gsm->Items(1);
  gone->SetBackColor(0x123456);
  gone->SetVoiceText("gone");
  std::unique_ptr<TActEventResult> result =
      TActEventResult::CreateForItem(nullptr, KindMessage, 0, gone, 0, 7, 0);

  TAllEvents none;  // GSM's message list read and empty: every GSM message record is unused
  none.MsgRead[0] = true;
  LinkAllPropertiesPruningRead(none, &p);
  EXPECT_EQ(gsm->Count(), 0);
  EXPECT_EQ(gsm->IndexOfName("Gone Event"), -1);

  std::string name, voice;
  result->GetEventName(name);
  result->GetVoiceText(voice);
  EXPECT_EQ(name, "Gone Event");
  EXPECT_EQ(voice, "gone");
  EXPECT_EQ(result->GetBackColor(), 0x123456);
}
