// EventsDefine.cfg with LTE, the fifth network: a file of the four older
// networks is written again byte for byte, a file with LTE keeps it after the
// four, and the lists of the four read the same whether the file has LTE or
// not.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/network.h"
#include "definitions/all_events.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "platform/xml_file.h"
#include "testing/four_networks.h"

namespace fs = std::filesystem;

namespace {

class ComponentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitialize(); }
  void TearDown() override { CoUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class LteDefinitionsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("em-lte-defs-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "EventsDefine.cfg").string();
    setenv("EVENTMANAGER_HOME", dir_.c_str(), 1);  // where a single network's list reads
    ClearFileFaults();
  }
  void TearDown() override {
    unsetenv("EVENTMANAGER_HOME");
    fs::remove_all(dir_);
  }

  void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }

  fs::path dir_;
  std::string path_;
};

std::vector<std::string> childNames(pugi::xml_node node) {
  std::vector<std::string> names;
  for (pugi::xml_node c : node.children()) names.push_back(c.name());
  return names;
}

// The lists of networks 0..3 as a host that knows only those reads them.
std::string fourNetworks(TAllEvents& all) {
  pugi::xml_document doc;
  for (int net = 0; net < 4; ++net) {
    all.MsgLists[net]->SaveToNode(doc.append_child("Message"));
    all.GateLists[net]->SaveToNode(doc.append_child("Gate"));
    all.AliasLists[net]->SaveToNode(doc.append_child("Aliases"));
  }
  std::ostringstream out;
  doc.save(out);
  return out.str();
}

void addAttachEvent(TMsgEventList* list) {
  auto* event = new TMsgEvent(list);
  event->SetEventName("Attach");
  auto* level = new TLevelNode(event, nullptr);
  level->MsgNodes->AddNode(NetLte, eps::AttachRequest, 0);
  auto* reject = new TLevelNode(event, level);
  reject->MsgNodes->AddNode(NetLte, eps::AttachReject, 0);
  reject->SetReportName("Attach Failure");
  reject->SetDetailFlag(1);
  level->AddChild(reject);
  event->AddLevel(level);
  list->Add(event);
}

// Written by hand in the layout the library writes: LTE after the four in
// each section, an RRC Connection Request of sub-type 4 (mo-Data, mask 0x10).
const char* const HandWrittenWithLte = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<Events>
  <Message>
    <GSM>
      <MsgEvent-0 EventName="Location Update" StartedFlag="0">
        <LevelNode-0 ReportName="Location Update Attempt" DetailFlag="0" Expression="" ReasonNum="-9999">
          <MsgNodes>
            <MsgNode-0 MessageCode="19858696" MessageName="Location Updating Request" SubCode="0" />
          </MsgNodes>
        </LevelNode-0>
      </MsgEvent-0>
    </GSM>
    <CDMA />
    <UMTS />
    <TD-SCDMA />
    <LTE>
      <MsgEvent-0 EventName="Attach" StartedFlag="0">
        <LevelNode-0 ReportName="" DetailFlag="0" Expression="" ReasonNum="-9999">
          <MsgNodes>
            <MsgNode-0 MessageCode="1915684673" MessageName="Attach Request" SubCode="0" />
          </MsgNodes>
          <LevelNode-0 ReportName="Attach Success" DetailFlag="6" Expression="" ReasonNum="-9999">
            <MsgNodes>
              <MsgNode-0 MessageCode="1915684674" MessageName="Attach Accept" SubCode="0" />
            </MsgNodes>
          </LevelNode-0>
          <LevelNode-1 ReportName="Attach Reject" DetailFlag="1" Expression="" ReasonNum="13">
            <MsgNodes>
              <MsgNode-0 MessageCode="1915684676" MessageName="Attach Reject" SubCode="0" />
            </MsgNodes>
          </LevelNode-1>
        </LevelNode-0>
      </MsgEvent-0>
      <MsgEvent-1 EventName="RRC Set-up" StartedFlag="0">
        <LevelNode-0 ReportName="RRC Attempt" DetailFlag="0" Expression="" ReasonNum="-9999">
          <MsgNodes>
            <MsgNode-0 MessageCode="1898914049" MessageName="RRC Connection Request(10)" SubCode="16" />
          </MsgNodes>
        </LevelNode-0>
      </MsgEvent-1>
    </LTE>
  </Message>
  <Gate>
    <GSM />
    <CDMA />
    <UMTS>
      <GateEvent-0 EventName="Low RSCP" GateType="1" Expression="RSCP &lt; -105" ExpDuringTime="3000" ExpTimes="3" MessageCodeA="0" MessageCodeB="0" MsgDuringTime="0" WarnField="-1" WarnGate="-9999" WarnDelay="0" WarnMode="3" />
    </UMTS>
    <TD-SCDMA />
    <LTE>
      <GateEvent-0 EventName="Weak Coverage" GateType="1" Expression="RSRP &lt; -110" ExpDuringTime="2000" ExpTimes="2" MessageCodeA="0" MessageCodeB="0" MsgDuringTime="0" WarnField="-1" WarnGate="-9999" WarnDelay="0" WarnMode="3" />
      <GateEvent-1 EventName="Attach Not Answered" GateType="2" Expression="" ExpDuringTime="0" ExpTimes="0" MessageCodeA="1915684673" MessageCodeB="1915684674" MsgDuringTime="15000" WarnField="-1" WarnGate="-9999" WarnDelay="0" WarnMode="3" />
    </LTE>
  </Gate>
  <Aliases>
    <GSM Alias-0="CM Service Request=MO Call Attempt" />
    <CDMA />
    <UMTS />
    <TD-SCDMA />
    <LTE Alias-0="Attach Request=Attach Attempt" />
  </Aliases>
</Events>
)xml";

}  // namespace

// A four-network file as the library writes it (the shipped sample without
// its LTE elements, saved
// once: the sample is written by hand, with its own escaping and message
// names) loads and saves byte for byte, also after an LTE event and an LTE
// alias were added and deleted again in the same session; it never gains an
// LTE element.
TEST_F(LteDefinitionsFile, FourNetworkFileIsWrittenAgainByteForByte) {
  write(WithoutLteElements(readFile(fs::path(EVENTMANAGER_SOURCE_DIR) / "data/sample/EventsDefine.cfg")));
  {
    TAllEvents first;
    first.LoadFromFile(path_);
    ASSERT_GT(first.MsgLists[0]->Count(), 0);
    first.SaveToFile(path_);
  }
  const std::string written = readFile(path_);
  EXPECT_EQ(written.find("<LTE"), std::string::npos);

  TAllEvents all;
  all.LoadFromFile(path_);
  all.SaveToFile(path_);
  EXPECT_EQ(readFile(path_), written);

  addAttachEvent(all.MsgLists[NetLte].get());
  all.AliasLists[NetLte]->AddAlias("Alias-0", "Attach Request=Attach Attempt");
  all.MsgLists[NetLte]->Delete(0);
  all.AliasLists[NetLte]->Clear();
  all.SaveToFile(path_);
  EXPECT_EQ(readFile(path_), written);
  EXPECT_TRUE(FileFaults().empty());
}

TEST_F(LteDefinitionsFile, HandWrittenFileWithLteIsWrittenAgainByteForByte) {
  write(HandWrittenWithLte);
  TAllEvents all;
  all.LoadFromFile(path_);
  TMsgEventList& lte = *all.MsgLists[NetLte];
  ASSERT_EQ(lte.Count(), 2);
  EXPECT_EQ(lte.Event(0)->Level(0)->Child(1)->ReasonNum, 13);
  EXPECT_EQ(lte.Event(1)->Level(0)->MsgNodes->Node(0)->SubCode, 0x10u);
  ASSERT_EQ(all.GateLists[NetLte]->Count(), 2);
  EXPECT_EQ(all.GateLists[NetLte]->Items(1)->MessageCodeA, eps::AttachRequest);
  EXPECT_EQ(all.AliasLists[NetLte]->Alias(0)->AliasText, "Attach Request=Attach Attempt");

  all.SaveToFile(path_);
  EXPECT_EQ(readFile(path_), HandWrittenWithLte);

  // Emptied, the LTE elements the file had stay, empty.
  all.MsgLists[NetLte]->Clear();
  all.GateLists[NetLte]->Clear();
  all.AliasLists[NetLte]->Clear();
  all.SaveToFile(path_);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  for (const char* section : {"Message", "Gate", "Aliases"}) {
    pugi::xml_node lteElement = doc.child("Events").child(section).child("LTE");
    EXPECT_TRUE(lteElement) << section;
    EXPECT_FALSE(lteElement.first_child()) << section;
    EXPECT_FALSE(lteElement.first_attribute()) << section;
  }
  EXPECT_TRUE(FileFaults().empty());
}

// An LTE element anywhere among the networks is read, and written last.
TEST_F(LteDefinitionsFile, LteStandingFirstIsWrittenAfterTheFour) {
  write(R"(<?xml version="1.0"?>
<Events>
  <Message>
    <LTE><MsgEvent-0 EventName="Attach"/></LTE>
    <UMTS><MsgEvent-0 EventName="Call"/></UMTS>
    <GSM/>
  </Message>
  <Gate><lte/></Gate>
</Events>)");
  TAllEvents all;
  all.LoadFromFile(path_);
  ASSERT_EQ(all.MsgLists[NetLte]->Count(), 1);
  all.SaveToFile(path_);
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  pugi::xml_node events = doc.child("Events");
  EXPECT_EQ(childNames(events.child("Message")),
            (std::vector<std::string>{"GSM", "CDMA", "UMTS", "TD-SCDMA", "LTE"}));
  EXPECT_STREQ(events.child("Message").child("LTE").first_child().attribute("EventName").value(), "Attach");
  EXPECT_STREQ(events.child("Message").child("UMTS").first_child().attribute("EventName").value(), "Call");
  // Element names are matched exactly, as for the four: "lte" is not LTE.
  EXPECT_EQ(childNames(events.child("Gate")), (std::vector<std::string>{"GSM", "CDMA", "UMTS", "TD-SCDMA"}));
}

// LTE events added to a four-network file: each section gains its LTE
// element only when it has LTE entries, after TD-SCDMA.
TEST_F(LteDefinitionsFile, OnlySectionsWithLteEntriesGainTheElement) {
  write(WithoutLteElements(readFile(fs::path(EVENTMANAGER_SOURCE_DIR) / "data/sample/EventsDefine.cfg")));
  TAllEvents all;
  all.LoadFromFile(path_);
  auto* gate = new TGateEvent(all.GateLists[NetLte].get());
  gate->SetEventName("Weak Coverage");
  gate->SetGateType(1);
  gate->SetExpression("RSRP < -110");
  all.GateLists[NetLte]->Add(gate);
  ASSERT_TRUE(all.IsModified());
  all.SaveToFile(path_);

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  pugi::xml_node events = doc.child("Events");
  const std::vector<std::string> four{"GSM", "CDMA", "UMTS", "TD-SCDMA"};
  std::vector<std::string> five = four;
  five.push_back("LTE");
  EXPECT_EQ(childNames(events.child("Message")), four);
  EXPECT_EQ(childNames(events.child("Gate")), five);
  EXPECT_EQ(childNames(events.child("Aliases")), four);

  TAllEvents back;
  back.LoadFromFile(path_);
  ASSERT_EQ(back.GateLists[NetLte]->Count(), 1);
  EXPECT_EQ(back.GateLists[NetLte]->Items(0)->FieldCount, 1);  // RSRP parses
}

// The lists of networks 0..3, and a single network's list as a host loads
// it, read the same whether the file has LTE or not; the LTE list of one
// network reads its own element.
TEST_F(LteDefinitionsFile, TheFourReadTheSameWithOrWithoutLte) {
  write(HandWrittenWithLte);
  TAllEvents with;
  with.LoadFromFile(path_);
  TMsgEventList gsmWith;
  gsmWith.SetNetType(0);
  gsmWith.LoadFromFile();

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  for (const char* section : {"Message", "Gate", "Aliases"})
    doc.child("Events").child(section).remove_child("LTE");
  ASSERT_TRUE(doc.save_file(path_.c_str()));
  TAllEvents without;
  without.LoadFromFile(path_);
  TMsgEventList gsmWithout;
  gsmWithout.SetNetType(0);
  gsmWithout.LoadFromFile();

  EXPECT_EQ(fourNetworks(with), fourNetworks(without));
  ASSERT_EQ(gsmWith.Count(), 1);
  EXPECT_EQ(gsmWithout.Count(), 1);
  EXPECT_EQ(without.MsgLists[NetLte]->Count(), 0);

  write(HandWrittenWithLte);
  TMsgEventList lte;
  lte.SetNetType(NetLte);
  EXPECT_EQ(lte.Name, "LTE");
  lte.LoadFromFile();
  ASSERT_EQ(lte.Count(), 2);
  EXPECT_TRUE(lte.CodeFilter.Contains(static_cast<int32_t>(eps::AttachReject & 0xFFFF)));
  TGateEventList lteGates;
  lteGates.SetNetType(NetLte);
  lteGates.LoadFromFile(path_);
  EXPECT_EQ(lteGates.Count(), 2);
}

TEST(LteNetwork, NamesAndDecoderOfIndexFour) {
  EXPECT_EQ(NetworkName(NetLte), "LTE");
  EXPECT_EQ(NetworkName(5), "");
  for (const char* name : {"LTE", "lte", "E-UTRA", "EUTRA", "e-utra"}) EXPECT_EQ(NetworkByName(name), 4) << name;
  EXPECT_EQ(NetworkByName("NR"), -1);
  EXPECT_EQ(DecoderMessageName(NetLte, eps::AttachReject), "Attach Reject");
  EXPECT_EQ(DecoderMessageName(3, eps::AttachReject), "");
  EXPECT_TRUE(CompareMsgInfo(0, NetLte, lte::ConnectionRequest, lte::ConnectionRequest));
  EXPECT_FALSE(CompareMsgInfo(0, NetLte, lte::ConnectionRequest, lte::ConnectionSetup));
  EXPECT_FALSE(CompareMsgInfo(0, 5, lte::ConnectionRequest, lte::ConnectionRequest));
  // A list of the network is named after it, and so is its element.
  TGateEventList gates;
  gates.SetNetType(NetLte);
  EXPECT_EQ(gates.Name, "LTE");
  TAliasesList aliases;
  aliases.SetNetType(5);
  EXPECT_EQ(aliases.Name, "");
}
