// EventsProperty.cfg with LTE, the fifth network: a file of the four older
// networks is written again byte for byte, a file with LTE lists keeps them
// after the four, and linking LTE definitions gives the LTE lists records.
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/network.h"
#include "properties/event_propertys.h"
#include "testing/four_networks.h"
#include "testing/property_home.h"

namespace {

std::vector<std::string> childNames(pugi::xml_node node) {
  std::vector<std::string> names;
  for (pugi::xml_node c : node.children()) names.push_back(c.name());
  return names;
}

// Written by hand in the layout the library writes.
const char* const HandWrittenWithLte = R"(<?xml version="1.0"?>
<Propertys>
  <Test>
    <Property-0 EventName="Attach Start" BitmapFile="" VoiceText="" FontColor="0" BackColor="16777215" DrawInMap="True" DrawInGraph="True" Display="True" PlayVoice="False" />
  </Test>
  <Message>
    <GSM-Message>
      <Property-0 EventName="Call Drop" BitmapFile="" VoiceText="Call dropped" FontColor="255" BackColor="16777215" DrawInMap="True" DrawInGraph="True" Display="True" PlayVoice="True" />
    </GSM-Message>
    <CDMA-Message />
    <UMTS-Message />
    <TD-SCDMA-Message />
    <LTE-Message>
      <Property-0 EventName="Attach Reject" BitmapFile="" VoiceText="Attach rejected" FontColor="192" BackColor="14474495" DrawInMap="True" DrawInGraph="False" Display="True" PlayVoice="True" />
      <Property-1 EventName="Attach Success" BitmapFile="" VoiceText="" FontColor="32768" BackColor="16777215" DrawInMap="False" DrawInGraph="True" Display="True" PlayVoice="False" />
    </LTE-Message>
  </Message>
  <Gate>
    <GSM-Warning />
    <CDMA-Warning />
    <UMTS-Warning />
    <TD-SCDMA-Warning />
    <LTE-Warning>
      <Property-0 EventName="Weak Coverage" BitmapFile="" VoiceText="" FontColor="0" BackColor="65535" DrawInMap="True" DrawInGraph="True" Display="False" PlayVoice="False" />
    </LTE-Warning>
  </Gate>
</Propertys>
)";

const std::vector<std::string> Four{"GSM-Message", "CDMA-Message", "UMTS-Message", "TD-SCDMA-Message"};

}  // namespace

// The shipped sample (four networks) loads and saves byte for byte, also
// after a record was added to an LTE list and deleted again.
TEST(LtePropertiesFile, FourNetworkSampleIsWrittenAgainByteForByte) {
  TempHome home;
  const std::string sample = WithoutLteElements(TempHome::Read(TempHome::SampleDir() + "EventsProperty.cfg"));
  ASSERT_FALSE(sample.empty());
  home.Write("EventsProperty.cfg", sample);
  TEventPropertys p;
  p.LoadFromFile(home.Path("EventsProperty.cfg"));
  p.SaveToFile(home.Path("EventsProperty.cfg"));
  EXPECT_EQ(TempHome::Read(home.Path("EventsProperty.cfg")), sample);

  p.MsgLists[NetLte]->Add(new TActEventProperty(p.MsgLists[NetLte].get(), "Attach Reject"));
  p.MsgLists[NetLte]->Delete(0);
  p.SaveToFile(home.Path("EventsProperty.cfg"));
  EXPECT_EQ(TempHome::Read(home.Path("EventsProperty.cfg")), sample);
  EXPECT_TRUE(FileFaults().empty());
}

TEST(LtePropertiesFile, HandWrittenFileWithLteIsWrittenAgainByteForByte) {
  TempHome home;
  home.Write("EventsProperty.cfg", HandWrittenWithLte);
  TEventPropertys p;
  p.LoadFromFile(home.Path("EventsProperty.cfg"));
  TEventPropertyList& lte = *p.GetList(NetLte, 0);
  EXPECT_EQ(lte.Name, "LTE-Message");
  ASSERT_EQ(lte.Count(), 2);
  EXPECT_EQ(lte.IndexOfName("attach SUCCESS"), 1);
  EXPECT_FALSE(lte.Items(1)->DrawInMap);
  ASSERT_EQ(p.GetList(NetLte, 1)->Count(), 1);
  EXPECT_EQ(p.GetList(NetLte, 1)->Items(0)->BackColor, 65535);
  EXPECT_FALSE(p.IsModified());

  p.SaveToFile(home.Path("EventsProperty.cfg"));
  EXPECT_EQ(TempHome::Read(home.Path("EventsProperty.cfg")), HandWrittenWithLte);
  EXPECT_EQ(p.GetList(NetLte + 1, 0), nullptr);  // no sixth network
}

// Records of LTE events reach a four-network file as the LTE lists, after
// the four; only the kind that has records gains its element.
TEST(LtePropertiesFile, LteRecordsAreWrittenAfterTheFour) {
  TempHome home;
  home.Write("EventsProperty.cfg", WithoutLteElements(TempHome::Read(TempHome::SampleDir() + "EventsProperty.cfg")));
  TEventPropertys p;
  p.LoadFromFile(home.Path("EventsProperty.cfg"));
  p.MsgLists[NetLte]->Add(new TActEventProperty(p.MsgLists[NetLte].get(), "Attach Reject"));
  ASSERT_TRUE(p.IsModified());
  p.SaveToFile(home.Path("EventsProperty.cfg"));

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(home.Path("EventsProperty.cfg").c_str()));
  std::vector<std::string> five = Four;
  five.push_back("LTE-Message");
  EXPECT_EQ(childNames(doc.child("Propertys").child("Message")), five);
  EXPECT_EQ(childNames(doc.child("Propertys").child("Gate")),
            (std::vector<std::string>{"GSM-Warning", "CDMA-Warning", "UMTS-Warning", "TD-SCDMA-Warning"}));

  TEventPropertys back;
  back.LoadFromFile(home.Path("EventsProperty.cfg"));
  ASSERT_EQ(back.MsgLists[NetLte]->Count(), 1);
  EXPECT_EQ(back.MsgLists[NetLte]->Items(0)->EventName, "Attach Reject");
  for (int net = 0; net < 4; ++net) EXPECT_EQ(back.MsgLists[net]->Count(), p.MsgLists[net]->Count());
}
