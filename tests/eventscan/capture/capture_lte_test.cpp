// The real LTE captures in ../shared/captures/real read as LTE logs: their
// records, causes, handover targets, redirects and measurements against what
// tshark itself shows of the same frames (counted here with display filters,
// independently of the mapper). Skipped when the captures or tshark are not
// there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "capture/capture_reader.h"
#include "eventmanager/outside/message_codes.h"
#include "testing/capture_pcap.h"

using namespace eventscan;
namespace fs = std::filesystem;

namespace {

const fs::path RealCaptures = [] {
  const char* dir = std::getenv("EVENTMANAGER_CAPTURES");
  return (dir && *dir ? fs::path(dir) : fs::path(EVENTMANAGER_SOURCE_DIR) / ".." / "shared" / "captures") / "real";
}();

// The captures of LTE frames only (the README of the captures folder).
const char* const LteOnly[] = {
    "lte-attach-reject-operator-2022.pcapng", "lte-tram-handover-tau-2025.pcapng",
    "lte-reestablish-reject-testnet-2025.pcapng", "lte-attach-nas-testnet-2025.pcapng",
    "lte-nr-endc-attach-2025.pcap", "lte-inflight-reest-hofail-2025.pcap",
    "lte-deadsim-attach-reject-2025.pcap", "lte-two-handovers-testnet-2025.pcapng"};

#define REQUIRE_CAPTURES()                                                                        \
  if (!fs::exists(RealCaptures)) GTEST_SKIP() << RealCaptures << " is not there; skipped";        \
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)"

// The first value of each field in each frame tshark's display filter keeps,
// a row a frame.
using Rows = std::vector<std::vector<std::string>>;
Rows tsharkRows(const fs::path& capture, const std::string& filter, const std::vector<std::string>& fields) {
  std::string command = "tshark -r '" + capture.string() + "' -n -Y '" + filter +
                        "' -T fields -E separator=/t -E occurrence=f";
  for (const std::string& f : fields) command += " -e " + f;
  Rows rows;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return rows;
  std::vector<std::string> row(1);
  for (int c; (c = std::fgetc(pipe)) != EOF;) {
    if (c == '\t') {
      row.emplace_back();
    } else if (c == '\n') {
      rows.push_back(std::move(row));
      row.assign(1, "");
    } else {
      row.back() += static_cast<char>(c);
    }
  }
  pclose(pipe);
  return rows;
}

std::vector<std::string> tsharkValues(const fs::path& capture, const std::string& filter, const std::string& field) {
  std::vector<std::string> values;
  for (auto& row : tsharkRows(capture, filter, {field})) values.push_back(row[0]);
  return values;
}

size_t tsharkCount(const fs::path& capture, const std::string& filter) {
  return tsharkRows(capture, filter, {"frame.number"}).size();
}

size_t countCode(const CaptureLog& log, uint32_t code) {
  size_t n = 0;
  for (const CaptureRecord& r : log.Records) n += r.Message && r.Code == code;
  return n;
}

bool isEmm(uint32_t code) { return (code & 0xFFFFFF00u) == (eps::Prefix | 0x0700u); }
bool isEsm(uint32_t code) { return (code & 0xFFFFFF00u) == (eps::Prefix | 0x0200u); }

}  // namespace

TEST(CaptureLte, LteOnlyCapturesAreLteLogsWithTheRrcMessagesTsharkDecodes) {
  REQUIRE_CAPTURES();
  const std::pair<const char*, uint32_t> messages[] = {
      {"lte-rrc.rrcConnectionRequest_element", lte::ConnectionRequest},
      {"lte-rrc.rrcConnectionSetup_element", lte::ConnectionSetup},
      {"lte-rrc.rrcConnectionReject_element", lte::ConnectionReject},
      {"lte-rrc.rrcConnectionRelease_element", lte::ConnectionRelease},
      {"lte-rrc.rrcConnectionReestablishmentRequest_element", lte::ConnectionReestablishmentRequest},
      {"lte-rrc.rrcConnectionReestablishment_element", lte::ConnectionReestablishment},
      {"lte-rrc.rrcConnectionReestablishmentReject_element", lte::ConnectionReestablishmentReject},
      {"lte-rrc.rrcConnectionReconfiguration_element", lte::ConnectionReconfiguration},
      {"lte-rrc.rrcConnectionReconfigurationComplete_element", lte::ConnectionReconfigurationComplete},
      {"lte-rrc.mobilityFromEUTRACommand_element", lte::MobilityFromEutraCommand},
      {"lte-rrc.securityModeCommand_element", lte::SecurityModeCommand},
      {"lte-rrc.paging_element", lte::Paging},
  };
  for (const char* name : LteOnly) {
    SCOPED_TRACE(name);
    const fs::path capture = RealCaptures / name;
    CaptureLog log = ReadCapture(capture.string());
    EXPECT_EQ(log.Network, 4);
    EXPECT_TRUE(log.LteStretches.empty());
    ASSERT_FALSE(log.Records.empty());
    for (const CaptureRecord& r : log.Records) ASSERT_EQ(r.Net, 4) << "frame " << r.Frame;
    std::vector<std::string> fields;
    for (const auto& [field, code] : messages) fields.push_back(field);
    const Rows rows = tsharkRows(capture, "lte_rrc", fields);
    for (size_t m = 0; m < std::size(messages); ++m) {
      size_t frames = 0;
      for (const auto& row : rows) frames += !row[m].empty();
      EXPECT_EQ(countCode(log, messages[m].second), frames) << messages[m].first;
    }

    // Measurement reports become measurement records, RSRP_n read as -140 + n dBm.
    std::vector<int32_t> rsrp;
    for (const CaptureRecord& r : log.Records) {
      if (r.Message) continue;
      for (const auto& [id, value] : r.Fields)
        if (id == 300) rsrp.push_back(value);
    }
    std::vector<int32_t> expected;
    for (const std::string& v : tsharkValues(capture, "lte-rrc.measurementReport_element", "lte-rrc.rsrpResult"))
      expected.push_back(std::stoi(v) - 140);
    EXPECT_EQ(rsrp, expected);
  }
}

TEST(CaptureLte, CausesAreThoseTsharkShowsOncePerMessage) {
  REQUIRE_CAPTURES();
  for (const char* name : LteOnly) {
    SCOPED_TRACE(name);
    const fs::path capture = RealCaptures / name;
    CaptureLog log = ReadCapture(capture.string());
    std::map<int, size_t> emm, esm, establishment, reestablishment, release;
    for (const CaptureRecord& r : log.Records) {
      if (!r.Message) continue;
      if (isEmm(r.Code) && r.Cause) ++emm[*r.Cause];
      if (isEsm(r.Code) && r.Cause) ++esm[*r.Cause];
      if (r.Code == lte::ConnectionRequest && r.SubType >= 0) ++establishment[r.SubType];
      if (r.Code == lte::ConnectionReestablishmentRequest && r.SubType >= 0) ++reestablishment[r.SubType];
      if (r.Code == lte::ConnectionRelease && r.Cause) ++release[*r.Cause];
    }
    // Where a capture logs NAS both inside RRC and as plain LTE NAS frames,
    // the plain frames hold every message once (in clear where RRC holds it
    // ciphered): there tshark's count of frames is the count of messages.
    const Rows rows = tsharkRows(capture, "lte_rrc || nas-eps",
                                 {"gsmtap.type", "nas_eps.emm.cause", "nas_eps.esm.cause", "lte-rrc.establishmentCause",
                                  "lte-rrc.reestablishmentCause", "lte-rrc.rrcConnectionRelease_element",
                                  "lte-rrc.releaseCause"});
    const bool plainNas = std::any_of(rows.begin(), rows.end(), [](const auto& row) { return row[0] == "18"; });
    const std::string nasType = plainNas ? "18" : "13";
    std::map<int, size_t> emmSeen, esmSeen, establishmentSeen, reestablishmentSeen, releaseSeen;
    for (const auto& row : rows) {
      if (row[0] == nasType && !row[1].empty()) ++emmSeen[std::stoi(row[1])];
      if (row[0] == nasType && !row[2].empty()) ++esmSeen[std::stoi(row[2])];
      if (!row[3].empty()) ++establishmentSeen[std::stoi(row[3])];
      if (!row[4].empty()) ++reestablishmentSeen[std::stoi(row[4])];
      if (!row[5].empty() && !row[6].empty()) ++releaseSeen[std::stoi(row[6])];
    }
    EXPECT_EQ(emm, emmSeen);
    EXPECT_EQ(esm, esmSeen);
    EXPECT_EQ(establishment, establishmentSeen);
    EXPECT_EQ(reestablishment, reestablishmentSeen);
    EXPECT_EQ(release, releaseSeen);
  }
}

TEST(CaptureLte, HandoversNameTheirTargetAndTheCompleteRepeatsIt) {
  REQUIRE_CAPTURES();
  size_t handovers = 0;
  for (const char* name : LteOnly) {
    SCOPED_TRACE(name);
    const fs::path capture = RealCaptures / name;
    CaptureLog log = ReadCapture(capture.string());
    std::vector<std::string> pcis, earfcns;
    for (const CaptureRecord& r : log.Records)
      if (r.Message && r.Code == lte::ConnectionReconfiguration && (r.SubType == 1 || r.SubType == 3)) {
        pcis.push_back(r.Pci ? std::to_string(*r.Pci) : "");
        earfcns.push_back(r.Earfcn ? std::to_string(*r.Earfcn) : "");
      }
    std::vector<std::string> pcisSeen, earfcnsSeen;
    for (const auto& row : tsharkRows(capture, "lte-rrc.mobilityControlInfo_element",
                                      {"lte-rrc.targetPhysCellId", "lte-rrc.dl_CarrierFreq"})) {
      pcisSeen.push_back(row[0]);
      earfcnsSeen.push_back(row[1]);
    }
    EXPECT_EQ(pcis, pcisSeen);
    EXPECT_EQ(earfcns, earfcnsSeen);
    handovers += pcis.size();
    // A Complete right after a handover command carries the same target.
    const CaptureRecord* command = nullptr;
    for (const CaptureRecord& r : log.Records) {
      if (!r.Message) continue;
      if (r.Code == lte::ConnectionReconfiguration) command = &r;
      if (r.Code == lte::ConnectionReconfigurationComplete && command && command->Pci) {
        EXPECT_EQ(r.Pci, command->Pci) << "frame " << r.Frame;
        EXPECT_EQ(r.SubType, command->SubType) << "frame " << r.Frame;
        command = nullptr;
      }
    }
  }
  EXPECT_GE(handovers, 4u) << "the README's captures hold handovers on a tram, a flight and a test network";
}

TEST(CaptureLte, NasLoggedTwiceIsOneRecordAndCipheredNasIsCountedNotGuessed) {
  REQUIRE_CAPTURES();
  // Each message of this capture is logged inside RRC and again as LTE NAS.
  const fs::path deadsim = RealCaptures / "lte-deadsim-attach-reject-2025.pcap";
  CaptureLog log = ReadCapture(deadsim.string());
  ASSERT_EQ(tsharkCount(deadsim, "nas_eps.nas_msg_emm_type == 0x44"), 2u) << "the Attach Reject, logged twice";
  EXPECT_EQ(countCode(log, eps::AttachReject), 1u);
  EXPECT_EQ(countCode(log, eps::AttachRequest), 1u);
  EXPECT_EQ(countCode(log, eps::IdentityRequest), 1u);
  EXPECT_EQ(countCode(log, eps::IdentityResponse), 1u);
  EXPECT_EQ(countCode(log, eps::PdnConnectivityRequest), 1u) << "the ESM message the Attach Request carries";
  for (const CaptureRecord& r : log.Records) {
    if (r.Code == eps::AttachReject) {
      EXPECT_EQ(r.Cause, 15);
    }
  }

  // The writer sets GSMTAP's uplink bit on no RRC frame: the channel gives it.
  ASSERT_EQ(tsharkCount(deadsim, "gsmtap.type == 13 && gsmtap.uplink == 1"), 0u);
  EXPECT_EQ(tsharkCount(deadsim, "lte-rrc.UL_CCCH_Message_element || lte-rrc.UL_DCCH_Message_element"), 3u);
  size_t uplinkRrc = 0;
  for (const CaptureRecord& r : log.Records) uplinkRrc += (r.Code & 0xFFFF0000u) == lte::Prefix && r.Uplink == 1;
  EXPECT_EQ(uplinkRrc, 3u);

  // Ciphered NAS (security header 2 or 4, no message decoded) and NR frames,
  // which this tshark does not decode, are counted under their names.
  const fs::path endc = RealCaptures / "lte-nr-endc-attach-2025.pcap";
  CaptureLog endcLog = ReadCapture(endc.string());
  EXPECT_EQ(endcLog.Stats.CipheredNas,
            tsharkCount(endc, "(nas_eps.security_header_type == 2 || nas_eps.security_header_type == 4) && "
                              "!nas_eps.nas_msg_emm_type && !nas_eps.nas_msg_esm_type"));
  EXPECT_GT(endcLog.Stats.CipheredNas, 0u);
  EXPECT_EQ(endcLog.Stats.Skipped["NR (GSMTAP version 3, not decoded by tshark)"], tsharkCount(endc, "gsmtap.version == 3"));
  EXPECT_EQ(countCode(endcLog, eps::CipheredNas), 0u);

  // EN-DC: a reconfiguration that sets up the NR secondary cell group names
  // the NR primary cell tshark decodes inside it (NR-ARFCN, PCI).
  std::vector<std::pair<int32_t, int32_t>> added, addedSeen;
  for (const CaptureRecord& r : endcLog.Records)
    if (r.Message && r.Code == lte::ConnectionReconfiguration && r.NrCell) added.push_back(*r.NrCell);
  for (const auto& row : tsharkRows(endc, "lte-rrc.nr_Config_r15 == 1 && nr-rrc.physCellId",
                                    {"nr-rrc.absoluteFrequencySSB", "nr-rrc.physCellId"}))
    addedSeen.emplace_back(std::stoi(row[0]), std::stoi(row[1]));
  EXPECT_FALSE(added.empty());
  EXPECT_EQ(added, addedSeen);
}

TEST(CaptureLte, ACaptureWith2G3GRecordsKeepsItsLteStretches) {
  REQUIRE_CAPTURES();
  // LTE, UMTS and GSM: run as a UMTS log, its stretches on LTE noted as before.
  const fs::path capture = RealCaptures / "lte-gsm-tau-reject-2022.pcapng";
  CaptureLog log = ReadCapture(capture.string());
  EXPECT_NE(log.Network, 4);
  EXPECT_FALSE(log.LteStretches.empty());
  for (const CaptureRecord& r : log.Records) ASSERT_NE(r.Net, 4) << "frame " << r.Frame;
  EXPECT_EQ(log.Stats.Skipped["LTE RRC"], tsharkCount(capture, "gsmtap.type == 13"));
}
