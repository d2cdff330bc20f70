// EventsProperty.cfg: round trips of all nine lists, files written elsewhere,
// and files that must survive being unreadable.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "eventmanager/errors.h"
#include "platform/xml_file.h"
#include "properties/event_propertys.h"
#include "testing/property_home.h"
#include "testing/child_process.h"

namespace {

struct Fields {
  std::string EventName, BitmapFile, VoiceText;
  int32_t FontColor, BackColor;
  bool DrawInMap, DrawInGraph, Display, PlayVoice;
  bool operator==(const Fields&) const = default;
};

Fields fieldsOf(const TEventProperty& p) {
  return {p.EventName, p.BitmapFile,  p.VoiceText, p.FontColor, p.BackColor,
          p.DrawInMap, p.DrawInGraph, p.Display,   p.PlayVoice};
}

std::vector<Fields> listFields(const TEventPropertyList& list) {
  std::vector<Fields> all;
  for (int i = 0; i < list.Count(); ++i) all.push_back(fieldsOf(*list.Items(i)));
  return all;
}

std::vector<TEventPropertyList*> nineLists(TEventPropertys& p) {
  std::vector<TEventPropertyList*> lists;
  for (int net = 0; net < 4; ++net) lists.push_back(p.MsgLists[net].get());
  for (int net = 0; net < 4; ++net) lists.push_back(p.WarningLists[net].get());
  lists.push_back(p.TestList.get());
  return lists;
}

void addRecord(TEventPropertyList* list, const std::string& name, int seed) {
  auto* r = new TActEventProperty(list, name);
  r->SetVoiceText(seed % 2 ? "Say <" + name + "> & \"go\"" : "");
  r->SetBitmapFile(seed % 3 ? "EventBitmap\\Icon" + std::to_string(seed) + ".bmp" : "");
  r->SetFontColor(seed * 1000);
  r->SetBackColor(seed % 4 ? 16777215 - seed : -1);
  r->SetDrawInMap(seed % 2 == 0);
  r->SetDrawInGraph(seed % 3 == 0);
  r->SetDisplay(seed % 5 != 0);
  r->SetPlayVoice(seed % 7 == 0);
  list->Add(r);
}

std::vector<std::string> childNames(pugi::xml_node node) {
  std::vector<std::string> names;
  for (pugi::xml_node c : node.children()) names.push_back(c.name());
  return names;
}

}  // namespace

TEST(PropertiesFile, RoundTripKeepsAllNineListsInOrder) {
  TempHome home;
  TEventPropertys saved;
  int seed = 1;
  for (TEventPropertyList* list : nineLists(saved))
    for (int i = 0; i < seed % 4 + 1; ++i) addRecord(list, list->Name + " event " + std::to_string(i), seed++);
  addRecord(saved.TestList.get(), "单通", seed++);
  addRecord(saved.TestList.get(), "Force Event ", seed++);
  ASSERT_TRUE(saved.IsModified());

  saved.SaveToFile(home.Path("EventsProperty.cfg"));
  EXPECT_FALSE(saved.IsModified());

  TEventPropertys loaded;
  loaded.LoadFromFile(home.Path("EventsProperty.cfg"));
  EXPECT_FALSE(loaded.IsModified());
  auto a = nineLists(saved), b = nineLists(loaded);
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i]->Name);
    EXPECT_EQ(listFields(*a[i]), listFields(*b[i]));
    for (int r = 0; r < b[i]->Count(); ++r) EXPECT_EQ(b[i]->Items(r)->Index, r);
  }
  EXPECT_TRUE(FileFaults().empty());
}

TEST(PropertiesFile, WritesTheStoredLayout) {
  TempHome home;
  TEventPropertys p;
  p.MsgLists[0]->Add(new TActEventProperty(p.MsgLists[0].get(), "Call Drop"));
  p.MsgLists[0]->Add(new TActEventProperty(p.MsgLists[0].get(), "Handover Failure"));
  p.SaveToFile(home.Path("EventsProperty.cfg"));

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(home.Path("EventsProperty.cfg").c_str()));
  EXPECT_EQ(TempHome::Read(home.Path("EventsProperty.cfg")).rfind("<?xml version=\"1.0\"?>\n<Propertys>", 0), 0u);
  pugi::xml_node root = doc.child("Propertys");
  EXPECT_EQ(childNames(root), (std::vector<std::string>{"Test", "Message", "Gate"}));
  EXPECT_TRUE(childNames(root.child("Test")).empty());
  EXPECT_EQ(childNames(root.child("Message")),
            (std::vector<std::string>{"GSM-Message", "CDMA-Message", "UMTS-Message", "TD-SCDMA-Message"}));
  EXPECT_EQ(childNames(root.child("Gate")),
            (std::vector<std::string>{"GSM-Warning", "CDMA-Warning", "UMTS-Warning", "TD-SCDMA-Warning"}));
  pugi::xml_node gsm = root.child("Message").child("GSM-Message");
  EXPECT_EQ(childNames(gsm), (std::vector<std::string>{"Property-0", "Property-1"}));
  std::vector<std::string> attributes;
  for (pugi::xml_attribute a : gsm.first_child().attributes()) attributes.push_back(a.name());
  EXPECT_EQ(attributes, (std::vector<std::string>{"EventName", "BitmapFile", "VoiceText", "FontColor", "BackColor",
                                                  "DrawInMap", "DrawInGraph", "Display", "PlayVoice"}));
  EXPECT_STREQ(gsm.first_child().attribute("BackColor").value(), "16777215");
  EXPECT_STREQ(gsm.first_child().attribute("PlayVoice").value(), "True");
}

TEST(PropertiesFile, ReadsAFileWrittenElsewhere) {
  TempHome home;
  home.CopySampleIcon("CallDrop.bmp", "EventBitmap/CallDrop.bmp");
  home.Write("EventsProperty.cfg", R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- edited by hand -->
<Propertys Version='2'>
<Gate><UMTS-Warning><Property-0 EventName='Low RSCP' DrawInMap='0' Display='-1' PlayVoice='fALSE'/></UMTS-Warning></Gate>
<Message>
  <UMTS-Message>
    <Property-7 PlayVoice="false" Colour="1" EventName="Call Drop" BackColor=" 255 "
                BitmapFile="C:\Program Files\Host\EventBitmap\CALLDROP.BMP" Tooltip="ignored"/>
    text between records
    <Anything EventName="RRC Connection Reject" FontColor="$FF" DrawInGraph="FALSE"/>
    <Property-1/>
  </UMTS-Message>
  <GSM-Message/>
</Message>
</Propertys>)");
  TEventPropertys p;
  p.LoadFromFile(home.Path("EventsProperty.cfg"));

  TEventPropertyList& umts = *p.MsgLists[2];
  ASSERT_EQ(umts.Count(), 3);
  Fields first{"Call Drop", "CALLDROP.BMP", "", 0, 255, true, true, true, false};
  Fields second{"RRC Connection Reject", "", "", 255, 16777215, true, false, true, true};
  Fields defaults{"", "", "", 0, 16777215, true, true, true, true};
  EXPECT_EQ(fieldsOf(*umts.Items(0)), first);
  EXPECT_EQ(fieldsOf(*umts.Items(1)), second);
  EXPECT_EQ(fieldsOf(*umts.Items(2)), defaults);
  EXPECT_TRUE(umts.Items(0)->HasBitmap()) << "the icon is found whatever its letter case";
  EXPECT_EQ(umts.IndexOfName("rrc connection REJECT"), 1);
  Fields warning{"Low RSCP", "", "", 0, 16777215, false, true, true, false};
  ASSERT_EQ(p.WarningLists[2]->Count(), 1);
  EXPECT_EQ(fieldsOf(*p.WarningLists[2]->Items(0)), warning);
  EXPECT_EQ(p.TestList->Count(), 0);
  EXPECT_FALSE(p.IsModified());
  EXPECT_TRUE(FileFaults().empty());
}

TEST(PropertiesFile, MissingFileIsNotAFault) {
  TempHome home;
  TEventPropertys p;
  p.MsgLists[1]->Add(new TActEventProperty(p.MsgLists[1].get(), "Call Drop"));
  EXPECT_TRUE(p.LoadFromFileKeepingFaults(home.Path("EventsProperty.cfg")));
  EXPECT_EQ(p.MsgLists[1]->Count(), 1) << "nothing changes without a file";
  EXPECT_TRUE(FileFaults().empty());
}

TEST(PropertiesFile, UnreadableFileIsKeptAndReported) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"<Propertys>\n  <Test>\n    <Property-0 EventName=\"x\n</Propertys>\n", 3},
      {"<?xml version=\"1.0\"?>\n<Definitions/>\n", 2},
  };
  for (const auto& [bytes, line] : cases) {
    SCOPED_TRACE(bytes);
    TempHome home;
    std::string path = home.Path("EventsProperty.cfg");
    home.Write("EventsProperty.cfg", bytes);
    TEventPropertys p;
    EXPECT_FALSE(p.LoadFromFileKeepingFaults(path));
    ASSERT_EQ(FileFaults().size(), 1u);
    EXPECT_EQ(FileFaults()[0].File, path);
    EXPECT_EQ(FileFaults()[0].Line, line);
    EXPECT_FALSE(FileFaults()[0].Reason.empty());

    // An empty registry at shut-down is not saved over the user's file.
    EXPECT_THROW(p.SaveToFile(path), EEventManagerError);
    EXPECT_EQ(TempHome::Read(path), bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Dir()), std::filesystem::directory_iterator()),
              2) << "only the file and EventBitmap/: no copy, no temporary";
  }
}

// What stands at the file's place decides the fault: only a regular file is
// read (a named pipe must not block start-up), and the system's reason is told.
TEST(PropertiesFile, OnlyRegularFilesAreReadAndTheRealReasonIsReported) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"named pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
       "not a regular file (a named pipe)"},
      {"directory", [](const std::string& p) { std::filesystem::create_directory(p); },
       "not a regular file (a directory)"},
      {"link loop", [](const std::string& p) { std::filesystem::create_symlink(p, p); },
       "Too many levels of symbolic links"},
      {"mode 000", [](const std::string& p) {
         std::ofstream(p) << "<Propertys/>";
         std::filesystem::permissions(p, std::filesystem::perms::none);
       },
       "Permission denied"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "mode 000" && geteuid() == 0) continue;  // root reads any file
    TempHome home;
    std::string path = home.Path("EventsProperty.cfg");
    c.make(path);
    TEventPropertys p;
    EXPECT_FALSE(p.LoadFromFileKeepingFaults(path));
    ASSERT_EQ(FileFaults().size(), 1u);
    EXPECT_EQ(FileFaults()[0].Text(), path + ": " + c.reason);
    EXPECT_THROW(p.SaveToFile(path), EEventManagerError);
  }
}

TEST(PropertiesFile, BadAttributeNamesFileLineElementAndAttribute) {
  TempHome home;
  std::string path = home.Path("EventsProperty.cfg");
  const std::string bytes = R"(<?xml version="1.0"?>
<Propertys>
  <Test>
    <Property-0 EventName="Ping Success"/>
  </Test>
  <Message>
    <GSM-Message>
      <Property-0 EventName="Call Drop"/>
      <Property-1 EventName="Call End" BackColor="red"/>
    </GSM-Message>
  </Message>
</Propertys>
)";
  home.Write("EventsProperty.cfg", bytes);
  TEventPropertys p;
  try {
    p.LoadFromFile(path);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(std::string(e.what()), path + ":9: <Property-1> attribute BackColor: 'red' is not an integer");
  }
  EXPECT_EQ(p.TestList->Count(), 0) << "no half-read registry";
  EXPECT_EQ(p.MsgLists[0]->Count(), 0);
  EXPECT_TRUE(FileIsFaulty(path)) << "recorded even for a caller that ignores the error";
  ClearFileFaults();

  home.Write("EventsProperty.cfg", bytes.substr(0, bytes.find("BackColor")) + "DrawInMap=\"yes\"/>" +
                                       bytes.substr(bytes.find("/>", bytes.find("BackColor")) + 2));
  EXPECT_FALSE(p.LoadFromFileKeepingFaults(path));
  ASSERT_EQ(FileFaults().size(), 1u);
  EXPECT_EQ(FileFaults()[0].Line, 9);
  EXPECT_EQ(FileFaults()[0].Reason, "<Property-1> attribute DrawInMap: 'yes' is not True, False or an integer");
  std::string before = TempHome::Read(path);
  EXPECT_THROW(p.SaveToFile(path), EEventManagerError);
  EXPECT_EQ(TempHome::Read(path), before);

  // A huge value is quoted clipped, not whole.
  ClearFileFaults();
  home.Write("EventsProperty.cfg", "<Propertys><Test><Property-0 FontColor=\"" + std::string(100000, '9') +
                                       "x\"/></Test></Propertys>");
  EXPECT_FALSE(p.LoadFromFileKeepingFaults(path));
  ASSERT_EQ(FileFaults().size(), 1u);
  EXPECT_LT(FileFaults()[0].Reason.size(), 200u) << FileFaults()[0].Reason.substr(0, 300);
  EXPECT_NE(FileFaults()[0].Reason.find("(100001 bytes)"), std::string::npos);
}

namespace {

// Another program's edit of the file: `edit` on the record named `name`
// (in any list), written the way a hand or another tool writes it.
void editOnDisk(const std::string& file, const std::string& name,
                const std::function<void(pugi::xml_node)>& edit) {
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(file.c_str()));
  for (pugi::xml_node group : doc.child("Propertys").children())
    for (pugi::xml_node list : group.children())
      for (pugi::xml_node r : list.children())
        if (name == r.attribute("EventName").value()) edit(r);
  ASSERT_TRUE(doc.save_file(file.c_str(), "\t"));
}

std::string attributeOnDisk(const std::string& file, const std::string& name, const char* attribute) {
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_file(file.c_str()));
  for (pugi::xml_node group : doc.child("Propertys").children())
    for (pugi::xml_node list : group.children())
      for (pugi::xml_node r : list.children())
        if (name == r.attribute("EventName").value()) return r.attribute(attribute).value();
  return "(no record)";
}

}  // namespace

// The file changed on disk between this registry's load and its save: the
// other program's changes and ours are both kept where they touch different
// records; where both changed one record nothing is written over the file,
// and ours are kept beside it under a name the error gives.
TEST(PropertiesFile, ASaveKeepsAnotherProgramsChangesOrRefusesNamingThem) {
  TempHome home;
  const std::string file = home.Path("EventsProperty.cfg");
  {
    TEventPropertys first;
    for (const char* name : {"Call Drop", "Call End", "Call Setup"}) first.MsgLists[0]->Add(new TActEventProperty(first.MsgLists[0].get(), name));
    first.TestList->Add(new TActEventProperty(first.TestList.get(), "Ping"));
    first.SaveToFile(file);
  }
  TEventPropertys p;
  p.LoadFromFile(file);
  editOnDisk(file, "Call Drop", [](pugi::xml_node r) { r.attribute("Display") = "False"; });
  editOnDisk(file, "Ping", [](pugi::xml_node r) { r.parent().remove_child(r); });
  p.MsgLists[0]->Items(1)->SetFontColor(255);  // Call End
  p.MsgLists[0]->Add(new TActEventProperty(p.MsgLists[0].get(), "Handover"));
  ASSERT_NO_THROW(p.SaveToFile(file));
  EXPECT_EQ(attributeOnDisk(file, "Call Drop", "Display"), "False") << "the other program's change was lost";
  EXPECT_EQ(attributeOnDisk(file, "Ping", "EventName"), "(no record)") << "its deletion came back";
  EXPECT_EQ(attributeOnDisk(file, "Call End", "FontColor"), "255");
  EXPECT_EQ(attributeOnDisk(file, "Handover", "Display"), "True");
  EXPECT_FALSE(std::filesystem::exists(file + ".yours"));

  // Both change Call Setup, differently: the file stays theirs, ours goes beside it.
  editOnDisk(file, "Call Setup", [](pugi::xml_node r) { r.attribute("BackColor") = "255"; });
  const std::string theirs = TempHome::Read(file);
  p.MsgLists[0]->Items(2)->SetVoiceText("set up");
  try {
    p.SaveToFile(file);
    ADD_FAILURE() << "saved over a change made on both sides";
  } catch (const EEventManagerError& e) {
    EXPECT_NE(std::string(e.what()).find(file + ": not saved: another program changed the file"), std::string::npos)
        << e.what();
    EXPECT_NE(std::string(e.what()).find("Message/GSM-Message: Call Setup"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("kept in " + file + ".yours"), std::string::npos) << e.what();
  }
  EXPECT_EQ(TempHome::Read(file), theirs);
  EXPECT_EQ(attributeOnDisk(file + ".yours", "Call Setup", "VoiceText"), "set up");
  EXPECT_EQ(attributeOnDisk(file + ".yours", "Call Drop", "Display"), "True") << "the copy is ours as it was";
}

// Two programs save the registry at the same moment, each with a change of
// its own record (two property windows closing together): both changes are
// in the file, however the two saves interleave.
TEST(PropertiesFile, TwoSavesAtOnceKeepBothChanges) {
  TempHome home;
  const std::string file = home.Path("EventsProperty.cfg");
  const char* const names[] = {"Call Drop", "Call End", "Call Setup"};
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    {
      TEventPropertys first;
      for (const char* name : names) first.MsgLists[0]->Add(new TActEventProperty(first.MsgLists[0].get(), name));
      first.SaveToFile(file);
    }
    std::unique_ptr<TEventPropertys> mine;  // each child's own
    std::vector<int> statuses = RunTogether(
        2,
        [&](int) {
          mine = std::make_unique<TEventPropertys>();
          mine->LoadFromFile(file);
        },
        [&](int i) {
          mine->MsgLists[0]->Items(i)->SetFontColor(100 + i);
          mine->SaveToFile(file);
          return true;
        });
    EXPECT_EQ(statuses, (std::vector<int>{0, 0}));
    EXPECT_EQ(attributeOnDisk(file, "Call Drop", "FontColor"), "100");
    EXPECT_EQ(attributeOnDisk(file, "Call End", "FontColor"), "101");
    EXPECT_EQ(attributeOnDisk(file, "Call Setup", "FontColor"), "0");
    if (HasFailure()) break;
  }
}
