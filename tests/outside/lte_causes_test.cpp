// The LTE cause tables against Wireshark's own (`tshark -G values`), an outside
// source on every machine here: every EMM and ESM cause tshark names has our
// text or a difference listed below with its reason, and our RRC enumerations
// are tshark's (skipped without tshark). Then the cause record a message gives
// and its text.
#include <cstdio>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_bytes.h"
#include "eventmanager/outside/message_codes.h"
#include "testing/capture_pcap.h"

namespace {

// One value table of a tshark field: value -> name, in the order printed.
using ValueTable = std::map<int32_t, std::string>;

// Every table tshark prints for each field ("V<TAB>field<TAB>value<TAB>name");
// a field names several tables when its value goes down again (two ASN.1
// types of the same name). Read once for all tests.
const std::map<std::string, std::vector<ValueTable>>& TsharkValues() {
  static const auto* tables = [] {
    auto* out = new std::map<std::string, std::vector<ValueTable>>;
    FILE* pipe = popen("tshark -G values 2>/dev/null", "r");
    if (!pipe) return out;
    const std::set<std::string> wanted = {"nas_eps.emm.cause",          "nas_eps.esm.cause",
                                          "lte-rrc.establishmentCause", "lte-rrc.reestablishmentCause",
                                          "lte-rrc.releaseCause",       "lte-rrc.failureType_r15",
                                          "lte-rrc.failureType_v1610"};
    std::map<std::string, int32_t> last;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe)) {
      // Most of the 1.4 million lines are other fields: look at the field first.
      const std::string_view line(buffer);
      if (line.rfind("V\t", 0) != 0) continue;
      const size_t fieldEnd = line.find('\t', 2);
      if (fieldEnd == std::string_view::npos || !wanted.count(std::string(line.substr(2, fieldEnd - 2)))) continue;
      static const std::regex row("^V\t([^\t]+)\t(-?[0-9]+)\t([^\n]*)\n?$");
      std::cmatch m;
      if (!std::regex_match(buffer, m, row)) continue;
      const int32_t value = std::stoi(m[2]);
      auto& list = (*out)[m[1]];
      if (list.empty() || value <= last[m[1]]) list.emplace_back();
      list.back()[value] = m[3];
      last[m[1]] = value;
    }
    pclose(pipe);
    return out;
  }();
  return *tables;
}

std::string Record(int32_t cause, int32_t family) {
  return msgbytes::Writer().I32s(0, {cause, family}).Bytes().substr(2);
}

// "Cause: Illegal UE(3)" -> "Illegal UE"; "" when the cause is not ours.
std::string OurName(uint32_t code, int32_t cause, int32_t family) {
  const std::string text = GainLTEMessageCauseInfo(code, Record(cause, family));
  const std::string prefix = "Cause: ", suffix = "(" + std::to_string(cause) + ")";
  if (text.rfind(prefix, 0) != 0 || text.size() < prefix.size() + suffix.size() ||
      text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0)
    return "?" + text;
  std::string name = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  return name == "Unknown cause" ? "" : name;
}

// ASN.1 names carry the release that added them ("mo-VoiceCall-v1280",
// "bh-RLF-r16"); ours leave it out.
std::string WithoutRelease(const std::string& name) {
  static const std::regex suffix("-[rv][0-9]+$");
  return std::regex_replace(name, suffix, "");
}

bool Spare(const std::string& name) { return name.rfind("spare", 0) == 0 || name == "dummy"; }

// Where our text differs from Wireshark's, and why. 24.301 writes these in
// lower case; Wireshark capitalises some words.
const std::map<std::pair<std::string, int32_t>, std::string> kDifferences = {
    {{"nas_eps.emm.cause", 12}, "Tracking area not allowed"},
    {{"nas_eps.emm.cause", 15}, "No suitable cells in tracking area"},
    // Wireshark calls #46 "Unused": current releases no longer send it; networks
    // of earlier releases meant this by it, which is what an engineer must read.
    {{"nas_eps.esm.cause", 46}, "EPS bearer context without TFT already activated"},
};

// Checks one NAS cause table; returns how many values tshark named.
int CompareNasTable(const char* field, uint32_t code, int32_t family) {
  const auto& all = TsharkValues();
  EXPECT_EQ(all.count(field), 1u) << field << " is not in tshark's tables";
  if (!all.count(field)) return 0;
  EXPECT_EQ(all.at(field).size(), 1u) << field;
  int named = 0;
  for (const auto& [value, theirs] : all.at(field).front()) {
    SCOPED_TRACE(std::string(field) + " " + std::to_string(value));
    auto difference = kDifferences.find({field, value});
    EXPECT_EQ(OurName(code, value, family), difference == kDifferences.end() ? theirs : difference->second);
    ++named;
  }
  // Each listed difference is still one (tshark did not come to agree).
  for (const auto& [key, ours] : kDifferences)
    if (key.first == field) {
      EXPECT_NE(all.at(field).front().at(key.second), ours) << key.second;
    }
  return named;
}

// The table of the field that agrees best with ours: tshark prints some
// fields for several ASN.1 types of the same name.
const ValueTable& BestTable(const char* field, const std::function<std::string(int32_t)>& ours) {
  static const ValueTable none;
  const auto& all = TsharkValues();
  if (!all.count(field)) return none;
  const ValueTable* best = &none;
  int bestScore = -1;
  for (const ValueTable& t : all.at(field)) {
    int score = 0;
    for (const auto& [value, name] : t) score += WithoutRelease(name) == ours(value);
    if (score > bestScore) best = &t, bestScore = score;
  }
  return *best;
}

// Every value the table names (spares aside) is ours under the same number;
// `offset` shifts an extension table onto our numbers. Returns the count.
int CompareRrcTable(const char* field, const std::function<std::string(int32_t)>& ours, int32_t offset = 0) {
  const ValueTable& theirs = BestTable(field, [&](int32_t v) { return ours(v + offset); });
  EXPECT_FALSE(theirs.empty()) << field << " is not in tshark's tables";
  int named = 0;
  for (const auto& [value, name] : theirs) {
    if (Spare(name)) continue;
    EXPECT_EQ(ours(value + offset), WithoutRelease(name)) << field << " " << value;
    ++named;
  }
  return named;
}

}  // namespace

TEST(LteCauseTables, EmmAndEsmCausesAreWiresharksOrListedDifferences) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  // tshark 4.0 names 37 EMM and 48 ESM causes; fewer means its tables were not read.
  EXPECT_GE(CompareNasTable("nas_eps.emm.cause", eps::AttachReject, 7), 37);
  EXPECT_GE(CompareNasTable("nas_eps.esm.cause", eps::PdnConnectivityReject, 8), 48);
}

TEST(LteCauseTables, RrcEnumerationsAreWiresharks) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  auto family10 = [](uint32_t code) {
    return [code](int32_t v) { return OurName(code, v, 10); };
  };
  EXPECT_EQ(CompareRrcTable("lte-rrc.establishmentCause", family10(lte::ConnectionRequest)), 7);
  EXPECT_EQ(CompareRrcTable("lte-rrc.reestablishmentCause", family10(lte::ConnectionReestablishmentRequest)), 3);
  EXPECT_EQ(CompareRrcTable("lte-rrc.releaseCause", [](int32_t v) { return OurName(lte::ConnectionRelease, v, 9); }),
            4);
  EXPECT_EQ(CompareRrcTable("lte-rrc.failureType_r15", family10(lte::ScgFailureInformationNr)), 6);
  // failureType-v1610 goes on where failureType-r15 says "dummy" (6).
  EXPECT_EQ(CompareRrcTable("lte-rrc.failureType_v1610", family10(lte::ScgFailureInformationNr), 6), 5);

}

TEST(LteCauseTables, MessagesGiveTheirCauseRecordAndText) {
  using msgbytes::Writer;
  struct Case {
    uint32_t code;
    std::string bytes;
    const char* text;  // nullptr: the message gives no record
  };
  const Case cases[] = {
      {eps::AttachReject, Writer().I32(msgbytes::Cause, 13).Bytes(), "Cause: Roaming not allowed in this tracking area(13)"},
      {eps::TrackingAreaUpdateReject, Writer().I32(msgbytes::Cause, 15).Bytes(),
       "Cause: No suitable cells in tracking area(15)"},
      {eps::ServiceReject, Writer().I32(msgbytes::Cause, 9).Bytes(),
       "Cause: UE identity cannot be derived by the network(9)"},
      {eps::AttachAccept, Writer().I32(msgbytes::Cause, 18).Bytes(), "Cause: CS domain not available(18)"},
      {eps::PdnConnectivityReject, Writer().I32(msgbytes::Cause, 33).Bytes(),
       "Cause: Requested service option not subscribed(33)"},
      {eps::DeactivateEpsBearerContextRequest, Writer().I32(msgbytes::Cause, 36).Bytes(),
       "Cause: Regular deactivation(36)"},
      {eps::AttachReject, Writer().I32(msgbytes::Cause, 200).Bytes(), "Cause: Unknown cause(200)"},
      // A cause element that names its family wins: an SMS relay cause in NAS.
      {eps::AttachReject, Writer().I32s(msgbytes::Cause, {22, 6}).Bytes(), "Cause: Memory capacity exceeded(22)"},
      {lte::ConnectionRelease, Writer().U8(msgbytes::SubType, 3).I32(msgbytes::Cause, 2).Bytes(),
       "Cause: cs-FallbackHighPriority(2)"},
      // The requests' sub-type is their cause; an SCG failure's type is its own element.
      {lte::ConnectionRequest, Writer().U8(msgbytes::SubType, 4).Bytes(), "Cause: mo-Data(4)"},
      {lte::ConnectionReestablishmentRequest, Writer().U8(msgbytes::SubType, 1).Bytes(), "Cause: handoverFailure(1)"},
      {lte::ConnectionReestablishmentReject, Writer().I32(msgbytes::Cause, 2).Bytes(), "Cause: otherFailure(2)"},
      {lte::ScgFailureInformationNr, Writer().I32(msgbytes::ScgFailureType, 1).Bytes(),
       "Cause: randomAccessProblem(1)"},
      {lte::ConnectionRequest, Writer().U8(msgbytes::SubType, 3).I32(msgbytes::Cause, 0).Bytes(), "Cause: emergency(0)"},
      // No cause: messages without one, a reject that copied none, a missing
      // sub-type, a malformed block, a short element.
      {eps::AttachComplete, Writer().I32(msgbytes::Cause, 13).Bytes(), nullptr},
      {lte::ConnectionReject, Writer().I32(msgbytes::Cause, 1).Bytes(), nullptr},
      {lte::ConnectionReestablishmentReject, Writer().U8(msgbytes::SubType, 1).Bytes(), nullptr},
      {lte::ConnectionRequest, "", nullptr},
      {eps::AttachReject, Writer().I32(msgbytes::Cause, 13).Bytes() + "\x01", nullptr},
      {eps::AttachReject, Writer().Raw(msgbytes::Cause, std::string("\x0d\x00\x00", 3)).Bytes(), nullptr},
      {lte::ConnectionRequest, Writer().U8(msgbytes::SubType, 4).Bytes().substr(0, 2), nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(NetLTEL3LogMsgTypeName(c.code) + " " + (c.text ? c.text : "none"));
    auto record = GainLTEMessageCauseCode(c.code, c.bytes);
    ASSERT_EQ(record.has_value(), c.text != nullptr);
    if (!record) continue;
    EXPECT_EQ(record->size(), 8u);
    EXPECT_EQ(GainLTEMessageCauseInfo(c.code, *record), c.text);
  }
  EXPECT_EQ(GainLTEMessageCauseInfo(eps::AttachReject, Record(13, 7).substr(0, 7)), "");
}
