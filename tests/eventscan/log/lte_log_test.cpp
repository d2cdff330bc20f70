// LTE in logs and on the command line: the network's names, the catalogue
// names of its messages (codes as docs/message-bytes.md numbers them), a log
// whose header says "LTE", and records of other networks inside it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "eventmanager/outside/data_access.h"
#include "log/log_reader.h"
#include "log/networks.h"

using namespace eventscan;

TEST(LteLog, NetworkNamesAndIndexes) {
  for (const char* name : {"LTE", "lte", "E-UTRA", "eutra", "4"}) EXPECT_EQ(NetworkIndex(name), std::optional<uint8_t>(4)) << name;
  for (const char* name : {"5", "NR", "LTE-A", ""}) EXPECT_EQ(NetworkIndex(name), std::nullopt) << name;
  EXPECT_EQ(NetworkIndex("TD-SCDMA"), std::optional<uint8_t>(3));
  EXPECT_STREQ(NetworkName(4), "LTE");
  EXPECT_STREQ(NetworkName(5), "none");
}

// The catalogue has 32 RRC, 33 EMM and 23 ESM messages (docs/message-bytes.md);
// names shared by two protocols go to the first in catalogue order (RRC),
// the description names either.
TEST(LteLog, MessageNamesOfTheLteCatalogue) {
  EXPECT_EQ(MessageCatalogue(4).size(), 88u);
  EXPECT_TRUE(MessageCatalogue(5).empty());
  EXPECT_EQ(MessageCodeByName(4, "attach reject"), 0x722F0744u);
  EXPECT_EQ(MessageCodeByName(4, "RRC Connection Reestablishment Request"), 0x712F2104u);
  EXPECT_EQ(MessageCodeByName(4, "Security Mode Command"), 0x712F2206u);
  EXPECT_EQ(MessageCodeByName(4, "Security Mode Command [EMM]"), 0x722F075Du);
  EXPECT_EQ(MessageCodeByName(4, "Location Updating Request"), 0u) << "a GSM message";
  EXPECT_EQ(MessageNameByCode(4, 0x722F02C1), "Activate Default EPS Bearer Context Request");
  EXPECT_EQ(MessageNameByCode(3, 0x722F0744), "");
}

TEST(LteLog, LogWithAnLteHeaderReadsLteMessagesAndFields) {
  const std::string text =
      R"({"format": "eventscan-log", "version": 1, "network": "LTE", "device": 3, "start": "2026-03-14T10:00:00"})"
      "\n"
      R"({"time": "2026-03-14T10:00:01.000", "msg": "Attach Request", "sub_type": 1, "fields": {"RSRP": -101, "PCI": 77, "EARFCN": 1300}})"
      "\n"
      R"({"time": "2026-03-14T10:00:02.000", "msg": "Alerting"})"
      "\n"
      R"({"time": "2026-03-14T10:00:03.000", "net": "UMTS", "msg": "Alerting"})"
      "\n";
  ParsedLog log = ReadLogText(text, "lte.jsonl");
  EXPECT_EQ(log.Header.Network, 4);
  EXPECT_EQ(log.Header.NetworkName, "LTE");
  ASSERT_EQ(log.Records.size(), 2u);
  EXPECT_EQ(log.Records[0].MessageCode, 0x722F0741u);
  EXPECT_EQ(log.Records[0].Field(FieldIdByName("RSRP")), -101);
  EXPECT_EQ(FieldIdByName("rsrp"), 300);
  EXPECT_EQ(log.Records[0].Field(303), 77);
  EXPECT_EQ(log.Records[0].Field(304), 1300);
  EXPECT_EQ(log.Records[1].NetType, 2);
  EXPECT_NE(log.Records[1].MessageCode, 0u);
  // "Alerting" is no LTE message: the line is reported and skipped.
  ASSERT_EQ(log.Faults.size(), 1u);
  EXPECT_NE(log.Faults[0].Text().find("no message \"Alerting\" in the LTE catalogue"), std::string::npos)
      << log.Faults[0].Text();
}
