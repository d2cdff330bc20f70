// Record and event views, the record's field list and item pool, and the
// field catalogue.
#include <memory>
#include <set>

#include <gtest/gtest.h>

#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"

namespace {

TestItem Item(int16_t id) { return TestItem{0, id, 45000.5, 0, 0}; }

}  // namespace

TEST(HandsetRecord, FieldsStaySortedWhateverTheOrderOfSetting) {
  HandsetRecord r;
  for (int32_t id : {204, 0, 37, 17, 1, 99, 17}) r.SetField(id, id * 10);
  r.SetField(37, -5);
  ASSERT_TRUE(std::is_sorted(r.Fields.begin(), r.Fields.end()));
  EXPECT_EQ(r.Fields.size(), 6u);
  EXPECT_EQ(r.Field(37), -5);
  EXPECT_EQ(r.Field(204), 2040);
  EXPECT_EQ(r.Field(0), 0);
  EXPECT_EQ(r.Field(2), NoValue);
}

TEST(HandsetRecord, ItemsKeepTheirExtraDataAndBadHandlesAreClipped) {
  HandsetRecord r;
  EXPECT_EQ(r.AddItem(Item(1), "abc"), 0);
  EXPECT_EQ(r.AddItem(Item(2), ""), 1);
  EXPECT_EQ(r.AddItem(Item(3), "defgh"), 2);
  EXPECT_EQ(r.Extra(r.Items[0]), "abc");
  EXPECT_EQ(r.Extra(r.Items[1]), "");
  EXPECT_EQ(r.Extra(r.Items[2]), "defgh");

  TestItem bad = r.Items[2];
  bad.ExtraLength = 500;  // runs past the pool
  EXPECT_EQ(r.Extra(bad), "defgh");
  bad.ExtraRef = 6;
  EXPECT_EQ(r.Extra(bad), "gh");
  bad.ExtraRef = 8;
  EXPECT_EQ(r.Extra(bad), "");
  bad.ExtraRef = 0xFFFFFFFF;
  EXPECT_EQ(r.Extra(bad), "");

  while (r.Items.size() < 255) r.AddItem(Item(4), "x");
  EXPECT_EQ(r.AddItem(Item(5), "y"), -1);
  EXPECT_EQ(r.Items.size(), 255u);
}

TEST(RecordView, LoadingPointsAtTheRecordAndEmptyViewsAnswerSafely) {
  std::unique_ptr<RecordView> view(NewHandsetFieldsInstance());
  EXPECT_EQ(view->HasData(), 0u);
  EXPECT_EQ(view->FieldValue(17), NoValue);
  EXPECT_EQ(view->FieldByte(21), 0);
  EXPECT_EQ(view->MessageBytes(), "");
  EXPECT_EQ(view->ItemCount(), 0);
  EXPECT_EQ(view->Items(), nullptr);
  EXPECT_EQ(view->AddTestItem(Item(1), "a"), -1);

  HandsetRecord r;
  r.SetField(21, 0x1234);
  r.MessageBytes = "raw";
  view->Load(&r);
  EXPECT_EQ(view->HasData(), 1u);
  EXPECT_EQ(&view->MessageBytes(), &r.MessageBytes);  // no copy
  EXPECT_EQ(view->FieldByte(21), 0x34);
  EXPECT_EQ(view->AddTestItem(Item(9), "extra"), 0);
  ASSERT_EQ(view->ItemCount(), 1);
  EXPECT_EQ(view->Items()[0].EventId, 9);
  EXPECT_EQ(view->GetExtraData(view->Items()[0]), "extra");
  view->Reset();
  EXPECT_EQ(view->HasData(), 0u);
}

TEST(RecordView, StateQueriesFollowNetworkAndMode) {
  HandsetRecord r;
  RecordView view;
  view.Load(&r);
  struct Case {
    uint8_t net;
    uint32_t mode;
    bool inGsm, tdDedicated, gsmDedicated;
  };
  const Case cases[] = {
      {0, 0, true, false, false}, {0, 2, true, false, true}, {3, 2, false, true, false},
      {3, 1, false, false, false}, {2, 2, false, false, false},
  };
  for (const Case& c : cases) {
    r.NetType = c.net;
    r.MessageInfo = (c.mode << 24) | 0x00AB0000;
    EXPECT_EQ(UMTSInGSMState(view), c.inGsm);
    EXPECT_EQ(TDSCDMAInGSMState(view), c.inGsm);
    EXPECT_EQ(TDSCDMADedicateState(view), c.tdDedicated);
    EXPECT_EQ(TDSCDMAInGSMDedicateState(view), c.gsmDedicated);
  }
  // A 3G record without a serving channel that measures a GSM cell is in GSM.
  // WCDMA: serving UARFCN 98, GSM BCCH 17; TD-SCDMA: 203 and 37.
  r.NetType = 2;
  r.SetField(17, 62);
  EXPECT_TRUE(UMTSInGSMState(view));
  r.SetField(98, 10700);
  EXPECT_FALSE(UMTSInGSMState(view));
  r.NetType = 3;
  r.SetField(37, 62);
  EXPECT_TRUE(TDSCDMAInGSMState(view));
  r.SetField(203, 10055);
  EXPECT_FALSE(TDSCDMAInGSMState(view));
  view.Reset();
  EXPECT_FALSE(UMTSInGSMState(view));
}

TEST(EventView, ReadsTheInstalledTableAndRefusesPositionsOutsideIt) {
  std::unique_ptr<EventView> view(NewEventFieldsInstance());
  view->SetPosition(0);
  EXPECT_FALSE(view->Valid());
  std::vector<EventTableEntry> table = {{12, 100}, {162, 250}};
  SetEventTable(&table);
  view->SetPosition(1);
  EXPECT_EQ(view->EventId(), 162);
  EXPECT_EQ(view->RecordIndex(), 250);
  view->SetPosition(2);
  EXPECT_EQ(view->EventId(), 0);
  EXPECT_EQ(view->RecordIndex(), -1);
  SetEventTable(nullptr);
}

TEST(FieldCatalogue, NamesAreIdentifiersAndTheSystemFieldsAreListed) {
  std::set<std::string> lower;
  for (const FieldInfo& f : FieldCatalogue()) {
    std::string name = f.Name;
    ASSERT_FALSE(name.empty());
    EXPECT_FALSE(name[0] >= '0' && name[0] <= '9') << name;
    for (char& c : name) {
      EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_') << f.Name;
      c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_TRUE(lower.insert(name).second) << "names differ only in case: " << f.Name;
    EXPECT_EQ(FieldIdByName(f.Name), f.Id);
  }
  EXPECT_GE(FieldCatalogue().size(), 40u);
  for (int32_t id : {0, 1, 7, 9, 17, 20, 21, 36, 37, 98, 99, 203, 204}) EXPECT_NE(FieldNameById(id), nullptr) << id;
  EXPECT_EQ(FieldIdByName("rxlevsub"), FieldIdByName("RxLevSub"));
  EXPECT_EQ(FieldIdByName("UARFCN"), 98);
  EXPECT_EQ(FieldIdByName("PSC"), 99);
  EXPECT_EQ(FieldIdByName("TD_UARFCN"), 203);
  EXPECT_EQ(FieldIdByName("CPI"), 204);
  EXPECT_EQ(FieldIdByName("W_GSM_BCCH"), 17);
  EXPECT_EQ(FieldIdByName("TD_GSM_BSIC"), 36);
  EXPECT_EQ(FieldIdByName("NoSuchField"), -1);
  EXPECT_EQ(FieldNameById(-3), nullptr);
}
