// EventsDefine.cfg through TAllEvents and the per-network lists: round trips
// of every network, sections and networks that are missing, reading by
// position, numbers that are not numbers, and unreadable files that must
// survive a later save byte for byte.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/network.h"
#include "definitions/all_events.h"
#include "definitions/definition_attributes.h"
#include "definitions/test_events.h"
#include "eventmanager/errors.h"
#include "eventmanager/outside/message_codes.h"
#include "linking/property_linking.h"
#include "platform/component_registry.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"
#include "testing/child_process.h"

namespace fs = std::filesystem;

namespace {

class ComponentEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { CoInitialize(); }
  void TearDown() override { CoUninitialize(); }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new ComponentEnvironment);

class DefinitionsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("em-defs-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = (dir_ / "EventsDefine.cfg").string();
    ClearFileFaults();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write(const std::string& text) { std::ofstream(path_, std::ios::binary) << text; }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;
  std::string path_;
};

// One event with two levels below a first one, for a network.
void addCallEvent(TMsgEventList* list, uint32_t first, uint32_t second, int32_t reason) {
  auto* event = new TMsgEvent(list);
  event->SetEventName("Call Drop " + list->Name);
  event->SetStartedFlag(2);
  auto* level = new TLevelNode(event, nullptr);
  level->MsgNodes->AddNode(list->NetType, first, 0);
  level->MsgNodes->AddNode(list->NetType, first + 1, 5);
  auto* child = new TLevelNode(event, level);
  child->MsgNodes->AddNode(list->NetType, second, 0x80000000u);
  child->SetReportName("Call Drop");
  child->SetReasonNum(reason);
  child->SetDetailFlag(3);
  child->SetExpression("cause check");
  level->AddChild(child);
  level->AddChild(new TLevelNode(event, level));  // a level without message nodes
  event->AddLevel(level);
  list->Add(event);
}

// The whole container as the file would hold it, for comparing two containers.
std::string snapshot(TAllEvents& all) {
  pugi::xml_document doc;
  pugi::xml_node root = doc.append_child("Events");
  for (const char* section : {"Message", "Gate", "Aliases"}) {
    pugi::xml_node s = root.append_child(section);
    for (int net = 0; net < TAllEvents::kNetworks; ++net) {
      pugi::xml_node n = s.append_child(all.MsgLists[net]->Name.c_str());
      if (section == std::string("Message")) all.MsgLists[net]->SaveToNode(n);
      else if (section == std::string("Gate")) all.GateLists[net]->SaveToNode(n);
      else all.AliasLists[net]->SaveToNode(n);
    }
  }
  std::ostringstream out;
  doc.save(out);
  return out.str();
}

}  // namespace

TEST_F(DefinitionsFile, EveryNetworkComesBackEqualAliasesIncluded) {
  TAllEvents all;
  const uint32_t codes[4][2] = {{gsm::CmServiceRequest, gsm::Disconnect},
                                {cdma::Origination, cdma::ExtendedRelease},
                                {rrc::ConnectionRequest, nas::Disconnect},
                                {rrc::ConnectionSetup, rrc::ConnectionRelease}};
  for (int net = 0; net < 4; ++net) {
    addCallEvent(all.MsgLists[net].get(), codes[net][0], codes[net][1], 16 + net);
    auto* gate = new TGateEvent(all.GateLists[net].get());
    gate->SetEventName("Gate " + all.GateLists[net]->Name);
    gate->SetGateType(2);
    gate->SetMessageCodeA(codes[net][0]);
    gate->SetMessageCodeB(0xFFFFFFFEu);
    gate->SetMsgDuringTime(5000);
    all.GateLists[net]->Add(gate);
    all.AliasLists[net]->AddAlias("Alias-0", "Low level " + std::to_string(net));
    all.AliasLists[net]->AddAlias("Alias-1", "Drop");
  }
  all.SaveToFile(path_);

  TAllEvents back;
  back.LoadFromFile(path_);
  EXPECT_EQ(snapshot(back), snapshot(all));
  TLevelNode* child = back.MsgLists[2]->Event(0)->Level(0)->Child(0);
  EXPECT_EQ(child->ReasonNum, 18);
  EXPECT_EQ(child->MsgNodes->Node(0)->SubCode, 0x80000000u);
  EXPECT_EQ(back.MsgLists[2]->Event(0)->Level(0)->Child(1)->MsgNodes->Count(), 0);
  EXPECT_EQ(back.GateLists[3]->Event(0)->MessageCodeB, 0xFFFFFFFEu);
  EXPECT_EQ(back.AliasLists[1]->Alias(0)->AliasText, "Low level 1");
  for (int net = 0; net < 4; ++net) {
    EXPECT_FALSE(back.GateLists[net]->IsModified());
    EXPECT_FALSE(back.AliasLists[net]->IsModified());
  }

  // An empty level is written with an empty MsgNodes element; every network
  // element is written, even for empty lists.
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  pugi::xml_node empty = doc.child("Events").child("Message").child("UMTS").first_child().first_child().last_child();
  EXPECT_STREQ(empty.name(), "LevelNode-1");
  EXPECT_STREQ(empty.first_child().name(), "MsgNodes");
  EXPECT_FALSE(empty.first_child().first_child());
  TAllEvents none;
  none.SaveToFile(path_);
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  int networks = 0;
  for (pugi::xml_node n : doc.child("Events").child("Gate").children()) networks += n ? 1 : 0;
  EXPECT_EQ(networks, 4);
}

TEST_F(DefinitionsFile, MissingNetworksAndSectionsLeaveTheirListsAlone) {
  write(R"(<?xml version="1.0"?>
<Events>
  <Message>
    <GSM><MsgEvent-0 EventName="From File"/></GSM>
  </Message>
</Events>)");
  TAllEvents all;
  addCallEvent(all.MsgLists[2].get(), rrc::ConnectionRequest, rrc::ConnectionRelease, 16);
  auto* gate = new TGateEvent(all.GateLists[0].get());
  gate->SetEventName("Kept");
  all.GateLists[0]->Add(gate);
  all.AliasLists[0]->AddAlias("Alias-0", "kept");
  all.LoadFromFile(path_);
  ASSERT_EQ(all.MsgLists[0]->Count(), 1);
  EXPECT_EQ(all.MsgLists[0]->Event(0)->EventName, "From File");
  EXPECT_EQ(all.MsgLists[2]->Count(), 1);  // no UMTS element in the file
  EXPECT_EQ(all.GateLists[0]->Count(), 1);
  EXPECT_EQ(all.AliasLists[0]->Count(), 1);

  // The per-network readers do the same.
  TGateEventList gates;
  gates.SetNetType(0);
  gates.Add(new TGateEvent(&gates));
  gates.LoadFromFile(path_);
  EXPECT_EQ(gates.Count(), 1);
  fs::remove(path_);
  all.LoadFromFile(path_);  // a missing file is no error
  EXPECT_EQ(all.MsgLists[0]->Count(), 1);
}

TEST_F(DefinitionsFile, ReadsChildrenByPositionWhateverTheirNames) {
  write(R"(<?xml version="1.0"?>
<Events>
  <Message>
    <CDMA>
      <MsgEvent-0 EventName="A"/>
      <Renamed EventName="B" StartedFlag="1">
        <LevelNode-0 ReportName="First">
          <NotMsgNodes>
            <MsgNode-0 MessageCode="268698624"/>
            <X MessageCode="-1" SubCode="4294967295"/>
          </NotMsgNodes>
          <Whatever ReportName="Second"><MsgNodes/></Whatever>
        </LevelNode-0>
      </Renamed>
    </CDMA>
  </Message>
  <Aliases><GSM Alias-0="first" Alias-2="second"/></Aliases>
</Events>)");
  TAllEvents all;
  all.LoadFromFile(path_);
  ASSERT_EQ(all.MsgLists[1]->Count(), 2);
  TMsgEvent* b = all.MsgLists[1]->Event(1);
  EXPECT_EQ(b->EventName, "B");
  EXPECT_EQ(b->StartedFlag, 1);
  TLevelNode* first = b->Level(0);
  ASSERT_EQ(first->MsgNodes->Count(), 2);
  EXPECT_EQ(first->ReasonNum, -9999);  // no ReasonNum: any cause
  EXPECT_EQ(first->MsgNodes->Node(0)->SubCode, 0u);  // no SubCode: every sub-type
  EXPECT_EQ(first->MsgNodes->Node(1)->MessageCode, 0xFFFFFFFFu);
  EXPECT_EQ(first->MsgNodes->Node(1)->SubCode, 0xFFFFFFFFu);
  EXPECT_EQ(first->MsgNodes->Node(0)->NetType, 1);
  ASSERT_EQ(first->ChildCount(), 1);
  EXPECT_EQ(first->Child(0)->ReportName, "Second");
  EXPECT_TRUE(all.MsgLists[1]->Offers(cdma::Origination));

  // Alias names come from positions; the second alias keeps its text.
  TAliasesList* aliases = all.AliasLists[0].get();
  ASSERT_EQ(aliases->Count(), 2);
  EXPECT_EQ(aliases->Alias(1)->AliasName, "Alias-1");
  EXPECT_EQ(aliases->Alias(1)->AliasText, "second");
  pugi::xml_document doc;
  aliases->SaveToNode(doc.append_child("GSM"));
  EXPECT_STREQ(doc.child("GSM").attribute("Alias-1").value(), "second");
}

TEST_F(DefinitionsFile, NumberThatIsNotOneNamesFileLineElementAndKeepsTheFile) {
  const std::string text = R"(<?xml version="1.0"?>
<Events>
  <Message>
    <GSM>
      <MsgEvent-0 EventName="Good"/>
      <MsgEvent-1 EventName="Bad">
        <LevelNode-0 ReasonNum="x"/>
      </MsgEvent-1>
    </GSM>
  </Message>
</Events>)";
  write(text);
  TAllEvents all;
  try {
    all.LoadFromFile(path_);
    FAIL() << "accepted ReasonNum 'x'";
  } catch (const EAttributeError& e) {
    EXPECT_EQ(std::string(e.what()), path_ + ":7: <LevelNode-0> attribute ReasonNum: 'x' is not an integer");
    EXPECT_EQ(e.Line, 7);
  }
  ASSERT_EQ(all.MsgLists[0]->Count(), 1);  // the event read before the error stays
  EXPECT_EQ(all.MsgLists[0]->Event(0)->EventName, "Good");
  ASSERT_TRUE(FileIsFaulty(path_));
  EXPECT_THROW(all.SaveToFile(path_), EEventManagerError) << "half a file saved over the whole";
  EXPECT_EQ(read(path_), text);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << "no copy, no temporary";
}

TEST_F(DefinitionsFile, MalformedFileIsReportedAndSurvivesASaveByteForByte) {
  const std::string text = "<?xml version=\"1.0\"?>\n<Events>\n  <Message>\n    <GSM>\n  </Message>\n</Events>\n";
  write(text);
  TAllEvents all;
  try {
    all.LoadFromFile(path_);
    FAIL() << "accepted a malformed file";
  } catch (const EEventManagerError& e) {
    EXPECT_NE(std::string(e.what()).find(path_ + ":5:"), std::string::npos) << e.what();
  }
  ASSERT_FALSE(FileFaults().empty());
  EXPECT_EQ(FileFaults().back().File, path_);
  for (int net = 0; net < 4; ++net) EXPECT_EQ(all.MsgLists[net]->Count(), 0);

  // The one-network readers of the host directory go through the same check.
  setenv("EVENTMANAGER_HOME", dir_.c_str(), 1);
  TMsgEventList single;
  single.SetNetType(0);
  EXPECT_THROW(single.LoadFromFile(), EEventManagerError);
  TGateEventList gates;
  gates.SetNetType(0);
  EXPECT_THROW(gates.LoadFromFile(), EEventManagerError);
  unsetenv("EVENTMANAGER_HOME");

  EXPECT_THROW(all.SaveToFile(path_), EEventManagerError);
  EXPECT_EQ(read(path_), text) << "the file stays where and as it was";
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

// Level trees nest at most 256 deep: a deeper one (which would exhaust the
// stack while loading) refuses its own event, naming the file and the line,
// and the events around it load. The refused event is not lost: a save
// writes it back as it was read, in its place; one too big to write back
// keeps the whole file from being saved over.
TEST_F(DefinitionsFile, TreesDeeperThanTheLimitRefuseOnlyTheirEvent) {
  auto nested = [](int depth) {
    std::string text =
        "<?xml version=\"1.0\"?>\n<Events><Message><GSM><MsgEvent-0 EventName=\"Before\"><LevelNode-0 "
        "ReportName=\"B\"><MsgNodes/></LevelNode-0></MsgEvent-0>\n<MsgEvent-1 EventName=\"Deep\">\n";
    for (int i = 0; i < depth; ++i) text += "<LevelNode-0 ReportName=\"L\"><MsgNodes/>\n";
    for (int i = 0; i < depth; ++i) text += "</LevelNode-0>";
    return text + "</MsgEvent-1><MsgEvent-2 EventName=\"After\"/></GSM></Message></Events>\n";
  };
  auto names = [](TMsgEventList& list) {
    std::vector<std::string> n;
    for (int i = 0; i < list.Count(); ++i) n.push_back(list.Event(i)->EventName);
    return n;
  };
  auto depthOf = [](pugi::xml_node event) {
    int depth = 0;
    for (pugi::xml_node l = event.first_child(); l; l = l.child("LevelNode-0")) ++depth;
    return depth;
  };
  write(nested(kMaxLevelDepth));
  TAllEvents fits;
  ASSERT_NO_THROW(fits.LoadFromFile(path_));
  EXPECT_EQ(names(*fits.MsgLists[0]), (std::vector<std::string>{"Before", "Deep", "After"}));
  EXPECT_TRUE(FileFaults().empty());

  ClearFileFaults();
  write(nested(kMaxLevelDepth + 1));
  TAllEvents all;
  ASSERT_NO_THROW(all.LoadFromFile(path_));
  EXPECT_EQ(names(*all.MsgLists[0]), (std::vector<std::string>{"Before", "After"}));
  ASSERT_EQ(FileFaults().size(), 1u);
  // Line 3 opens the event, each level has a line: the 257th is on line 260.
  EXPECT_EQ(FileFaults()[0].Text(),
            path_ + ":260: <MsgEvent-1> 'Deep' is not loaded: <LevelNode-0> is nested deeper than 256 levels");
  EXPECT_FALSE(FileIsFaulty(path_));
  EXPECT_FALSE(all.MsgRead[0]) << "the refused event's property records would be pruned";
  // A change elsewhere, then a save: the refused event comes back in its place, whole.
  all.MsgLists[0]->Event(1)->SetStartedFlag(2);
  ASSERT_NO_THROW(all.SaveToFile(path_));
  pugi::xml_document saved;
  ASSERT_TRUE(saved.load_file(path_.c_str()));
  std::vector<std::string> savedNames;
  for (pugi::xml_node e : saved.child("Events").child("Message").child("GSM").children())
    savedNames.push_back(std::string(e.name()) + " " + e.attribute("EventName").value());
  EXPECT_EQ(savedNames, (std::vector<std::string>{"MsgEvent-0 Before", "MsgEvent-1 Deep", "MsgEvent-2 After"}));
  EXPECT_EQ(depthOf(saved.child("Events").child("Message").child("GSM").child("MsgEvent-1")), kMaxLevelDepth + 1);
  EXPECT_STREQ(saved.child("Events").child("Message").child("GSM").child("MsgEvent-2").attribute("StartedFlag").value(),
               "2");

  // A hostile depth: the others still load, the file is never saved over.
  ClearFileFaults();
  const std::string hostile = nested(100000);
  write(hostile);
  TAllEvents deep;
  ASSERT_NO_THROW(deep.LoadFromFile(path_));
  EXPECT_EQ(names(*deep.MsgLists[0]), (std::vector<std::string>{"Before", "After"}));
  EXPECT_TRUE(FileIsFaulty(path_));
  EXPECT_THROW(deep.SaveToFile(path_), EEventManagerError);
  EXPECT_EQ(read(path_), hostile);
}

// Start-up prunes a network's property records only when that network's
// definitions were read: a file without them must not cost their records.
TEST_F(DefinitionsFile, PruningSkipsListsWhoseDefinitionsWereNotRead) {
  struct Case {
    const char* name;
    std::string text;  // empty: no file
    bool gsmMessagesPruned, gsmGatesPruned;
  };
  const Case cases[] = {
      {"no file", "", false, false},
      {"no Message section", "<Events><Gate><GSM/></Gate></Events>", false, true},
      {"no Gate section", "<Events><Message><GSM/></Message></Events>", true, false},
      {"no GSM element", "<Events><Message><CDMA/></Message><Gate><CDMA/></Gate></Events>", false, false},
      {"malformed", "<Events><Message><GSM></Message></Events>", false, false},
      {"bad number in GSM", "<Events><Message><GSM><MsgEvent-0 StartedFlag=\"x\"/></GSM></Message></Events>", false,
       false},
      {"both read", "<Events><Message><GSM/></Message><Gate><GSM/></Gate></Events>", true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearFileFaults();
    fs::remove(path_);
    if (!c.text.empty()) write(c.text);
    TEventPropertys registry;
    registry.MsgLists[0]->Add(new TActEventProperty(registry.MsgLists[0].get(), "Old Message Event"));
    registry.WarningLists[0]->Add(new TActEventProperty(registry.WarningLists[0].get(), "Old Gate Event"));
    registry.TestList->Add(new TActEventProperty(registry.TestList.get(), "No Such Test Event"));
    TAllEvents all;
    try {
      all.LoadFromFile(path_);
    } catch (const EEventManagerError&) {
    }
    LinkAllPropertiesPruningRead(all, &registry);
    EXPECT_EQ(registry.MsgLists[0]->IndexOfName("Old Message Event") < 0, c.gsmMessagesPruned);
    EXPECT_EQ(registry.WarningLists[0]->IndexOfName("Old Gate Event") < 0, c.gsmGatesPruned);
    EXPECT_LT(registry.TestList->IndexOfName("No Such Test Event"), 0) << "built-in test events are always complete";
  }
}

TEST_F(DefinitionsFile, SampleFileLoadsAndEveryEventHasAPropertyRecord) {
  const std::string sample = std::string(EVENTMANAGER_SOURCE_DIR) + "/data/sample/EventsDefine.cfg";
  TAllEvents all;
  ASSERT_NO_THROW(all.LoadFromFile(sample));
  TEventPropertys registry;
  LinkAllProperties(all, &registry, true);
  int events = 0;
  for (int net = 0; net < 4; ++net) {
    SCOPED_TRACE(all.MsgLists[net]->Name);
    EXPECT_GT(all.MsgLists[net]->Count(), 0);
    EXPECT_GT(all.GateLists[net]->Count(), 0);
    EXPECT_GT(all.AliasLists[net]->Count(), 0);
    EXPECT_TRUE(all.GateLists[net]->ExpressionErrors().empty());
    for (int i = 0; i < all.GateLists[net]->Count(); ++i, ++events) {
      TGateEvent* gate = all.GateLists[net]->Event(i);
      EXPECT_NE(gate->Property, nullptr) << gate->EventName;
      if (gate->GateType == 1) {
        EXPECT_GT(gate->FieldCount, 0) << gate->EventName;
      } else {
        EXPECT_EQ(gate->GateType, 2) << gate->EventName;
        EXPECT_FALSE(DecoderMessageName(net, gate->MessageCodeA).empty()) << gate->EventName;
      }
    }
    std::vector<std::string> names;
    all.MsgLists[net]->CollectReportNames(names);
    for (const auto& name : names) {
      TLevelNode* level = all.MsgLists[net]->FindLevelByReportName(name);
      ASSERT_NE(level, nullptr);
      EXPECT_NE(level->Property, nullptr) << name;
      for (int n = 0; n < level->MsgNodes->Count(); ++n)
        EXPECT_FALSE(level->MsgNodes->Node(n)->MessageName().empty()) << name;
      ++events;
    }
  }
  EXPECT_GT(events, 20);
}

// Two containers read the same file (two maintenance windows, or a window and
// another program): each save keeps what the other changed meanwhile, event
// by event, a rename and a deletion included; the same event changed by both
// refuses the second save and keeps its changes beside the file.
TEST_F(DefinitionsFile, ASaveKeepsChangesMadeMeanwhileOrRefusesNamingTheEvent) {
  write(R"(<?xml version="1.0"?>
<Events><Message><GSM>
<MsgEvent-0 EventName="Alpha"/><MsgEvent-1 EventName="Beta"/><MsgEvent-2 EventName="Gamma"/>
</GSM></Message><Aliases><GSM Alias-0="A=B"/></Aliases></Events>
)");
  auto names = [&](const std::string& file) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_file(file.c_str()));
    std::vector<std::string> n;
    for (pugi::xml_node e : doc.child("Events").child("Message").child("GSM").children())
      n.push_back(e.attribute("EventName").value());
    return n;
  };
  TAllEvents first, second;
  first.LoadFromFile(path_);
  second.LoadFromFile(path_);
  // The first deletes Beta and saves; the second renames Gamma and adds an alias.
  first.MsgLists[0]->Delete(1);
  ASSERT_NO_THROW(first.SaveToFile(path_));
  second.MsgLists[0]->Event(2)->SetCaption("Gamma Two");
  second.AliasLists[0]->AddAlias("Alias-1", "C=D");
  ASSERT_NO_THROW(second.SaveToFile(path_));
  EXPECT_EQ(names(path_), (std::vector<std::string>{"Alpha", "Gamma Two"})) << "a deletion came back or a rename was lost";
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(path_.c_str()));
  EXPECT_STREQ(doc.child("Events").child("Aliases").child("GSM").attribute("Alias-1").value(), "C=D");

  // Another program renames Alpha by hand; the first, which still holds the
  // old Alpha, changes it too: refused, the file stays, the copy is ours.
  std::string text = read(path_);
  text.replace(text.find("\"Alpha\""), 7, "\"Alpha Renamed\"");
  write(text);
  first.MsgLists[0]->Event(0)->SetStartedFlag(3);
  try {
    first.SaveToFile(path_);
    ADD_FAILURE() << "saved over an event changed on both sides";
  } catch (const EEventManagerError& e) {
    EXPECT_NE(std::string(e.what()).find("Message/GSM: Alpha"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(path_ + ".yours"), std::string::npos) << e.what();
  }
  EXPECT_EQ(read(path_), text);
  EXPECT_EQ(names(path_ + ".yours"), (std::vector<std::string>{"Alpha", "Gamma"}));
}

// Two maintenance windows closing at the same moment, in two processes, each
// having deleted an event of its own: neither deletion comes back, however
// the two saves interleave.
TEST_F(DefinitionsFile, TwoSavesAtOnceKeepBothDeletions) {
  const std::string text = R"(<?xml version="1.0"?>
<Events><Message><GSM>
<MsgEvent-0 EventName="Alpha"/><MsgEvent-1 EventName="Beta"/><MsgEvent-2 EventName="Gamma"/><MsgEvent-3 EventName="Delta"/>
</GSM></Message></Events>
)";
  const char* const deleted[] = {"Beta", "Gamma"};
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    write(text);
    std::unique_ptr<TAllEvents> mine;  // each child's own
    std::vector<int> statuses = RunTogether(
        2,
        [&](int) {
          mine = std::make_unique<TAllEvents>();
          mine->LoadFromFile(path_);
        },
        [&](int i) {
          TMsgEventList* gsm = mine->MsgLists[0].get();
          int index = gsm->IndexOfName(deleted[i]);
          if (index < 0) return false;
          gsm->Delete(index);
          mine->SaveToFile(path_);
          return true;
        });
    EXPECT_EQ(statuses, (std::vector<int>{0, 0}));
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(path_.c_str()));
    std::vector<std::string> left;
    for (pugi::xml_node e : doc.child("Events").child("Message").child("GSM").children())
      left.push_back(e.attribute("EventName").value());
    EXPECT_EQ(left, (std::vector<std::string>{"Alpha", "Delta"})) << "a deleted event came back";
    if (HasFailure()) break;
  }
}

// Two events of one name in a list both load (the name finds one of them)
// and the clash is reported with the line of the second.
TEST_F(DefinitionsFile, TwoEventsOfOneNameLoadBothAndTheClashIsReported) {
  write(R"(<?xml version="1.0"?>
<Events><Message><GSM>
<MsgEvent-0 EventName="Call Drop"/>
<MsgEvent-1 EventName="CALL DROP"/>
</GSM></Message><Gate><UMTS>
<GateEvent-0 EventName="Low RSCP"/>
<GateEvent-1 EventName="Low RSCP"/>
</UMTS></Gate></Events>
)");
  TAllEvents all;
  ASSERT_NO_THROW(all.LoadFromFile(path_));
  EXPECT_EQ(all.MsgLists[0]->Count(), 2);
  EXPECT_EQ(all.GateLists[2]->Count(), 2);
  std::vector<std::string> faults;
  for (const TFileFault& f : FileFaults()) faults.push_back(f.Text());
  EXPECT_EQ(faults, (std::vector<std::string>{
                        path_ + ":4: <MsgEvent-1> EventName 'CALL DROP' is also the name of an earlier event of GSM "
                                "(letter case aside); both are loaded, but a name finds only one of them",
                        path_ + ":7: <GateEvent-1> EventName 'Low RSCP' is also the name of an earlier event of UMTS "
                                "(letter case aside); both are loaded, but a name finds only one of them"}));
  EXPECT_FALSE(FileIsFaulty(path_));
}
