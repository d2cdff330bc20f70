// Five KPIs an engineer checks by hand, each on a log this test writes (our
// JSON Lines format, docs/log-format.md) and run with the sample home as a
// user runs `eventscan kpi`: the expected numbers are counted from the
// messages written here, the reasoning beside them.
#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "testing/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// One record at `seconds` after 10:00:00 with the rest of its object.
struct Line {
  double Seconds;
  std::string Body;
};

std::string timeOf(double seconds) {
  const long ms = std::lround(seconds * 1000);
  return fmt::format("2026-03-14T10:{:02}:{:02}.{:03}", ms / 60000, ms / 1000 % 60, ms % 1000);
}

// The log's header, its records, and a last measurement at `end` seconds so
// that every timer of the log has run out.
fs::path writeLog(const fs::path& dir, const std::string& name, const std::string& network,
                  std::initializer_list<Line> lines, double end) {
  std::string text = fmt::format(R"({{"format": "eventscan-log", "version": 1, "network": "{}", "device": 3}})", network) + "\n";
  for (const Line& l : lines) text += fmt::format(R"({{"time": "{}", {}}})", timeOf(l.Seconds), l.Body) + "\n";
  text += fmt::format(R"({{"time": "{}", "kind": "measurement", "fields": {{"RxLevSub": -80}}}})", timeOf(end)) + "\n";
  const fs::path path = dir / (name + ".jsonl");
  e2e::WriteFile(path, text);
  return path;
}

std::string msg(const std::string& name, const std::string& more = "") {
  return fmt::format(R"("kind": "message", "msg": "{}"{})", name, more.empty() ? "" : ", " + more);
}

json kpiTable(const e2e::TempHome& home, const fs::path& log) {
  e2e::ShellResult run = e2e::Shell("EVENTMANAGER_SPEECH=0 " + std::string(EVENTSCAN_PROGRAM) + " kpi '" + log.string() +
                                        "' --home '" + home.Path().string() + "' --format json",
                                    home.Path());
  EXPECT_EQ(run.Status, 0) << run.Err;
  return json::parse(run.Out);
}

const json& named(const json& table, const std::string& name) {
  for (const json& k : table)
    if (k["name"] == name) return k;
  ADD_FAILURE() << "no KPI " << name;
  static const json none = json::object();
  return none;
}

std::pair<int, int> ratioOf(const json& table, const std::string& name) {
  const json& k = named(table, name);
  return {k.value("numerator", -1), k.value("denominator", -1)};
}

}  // namespace

// Fault 1: the set-up time read the delay from the request to the handset's
// own Setup (0.6 s), and gave a value for a call that never alerted.
TEST(KpiFaults, CallSetUpTimeRunsFromTheDialToTheAlerting) {
  e2e::TempHome home;
  const fs::path log = writeLog(home.Path(), "calls", "GSM", {
      // Call 1: dial 10.000, request 10.300, Alerting 13.500: 3.500 s from the dial.
      {10.000, R"("kind": "test", "items": [{"id": 54}])"},
      {10.300, msg("CM Service Request", R"("sub_type": 1, "ie": {"cm_service_type": 1})")},
      {10.500, msg("Immediate Assignment")},
      {10.900, msg("Setup", R"("mode": "dedicated")")},
      {11.200, msg("Call Proceeding", R"("mode": "dedicated")")},
      {13.500, msg("Alerting", R"("mode": "dedicated")")},
      {16.000, msg("Connect", R"("mode": "dedicated")")},
      {16.200, msg("Connect Acknowledge", R"("mode": "dedicated")")},
      {25.000, msg("Disconnect", R"("mode": "dedicated", "ie": {"cause": 16})")},
      {25.500, msg("Channel Release", R"("mode": "dedicated", "ie": {"cause": 0})")},
      // Call 2, no dial: request 60.000, Setup 60.600, no Alerting, Connect
      // 64.250: 4.250 s from the request.
      {60.000, msg("CM Service Request", R"("sub_type": 1, "ie": {"cm_service_type": 1})")},
      {60.600, msg("Setup", R"("mode": "dedicated")")},
      {64.250, msg("Connect", R"("mode": "dedicated")")},
      {70.000, msg("Disconnect", R"("mode": "dedicated", "ie": {"cause": 16})")},
      {70.400, msg("Channel Release", R"("mode": "dedicated", "ie": {"cause": 0})")},
      // Call 3: dial 120.000, request 120.200, Setup 120.700, rejected by a
      // Disconnect (cause 21) at 122.000 before any Alerting: no value.
      {120.000, R"("kind": "test", "items": [{"id": 54}])"},
      {120.200, msg("CM Service Request", R"("sub_type": 1, "ie": {"cm_service_type": 1})")},
      {120.700, msg("Setup", R"("mode": "dedicated")")},
      {122.000, msg("Disconnect", R"("mode": "dedicated", "ie": {"cause": 21})")},
      {122.300, msg("Channel Release", R"("mode": "dedicated", "ie": {"cause": 0})")},
      // A call to the handset (paging, its Setup, Alerting from the handset,
      // Connect): not a call it made, so no attempt and no value.
      {180.000, msg("Paging Request Type 1")},
      {180.300, msg("Paging Response")},
      {180.800, msg("Setup", R"("mode": "dedicated")")},
      {181.500, msg("Alerting", R"("mode": "dedicated")")},
      {184.000, msg("Connect", R"("mode": "dedicated")")},
  }, 240);
  const json table = kpiTable(home, log);
  const json& time = named(table, "Call set-up time");
  ASSERT_EQ(time.value("count", 0), 2);
  EXPECT_NEAR(time.value("mean", 0.0), (3.5 + 4.25) / 2, 1e-3);
  EXPECT_NEAR(time.value("max", 0.0), 4.25, 1e-3);
  // Three attempts of the handset, two set up.
  EXPECT_EQ(ratioOf(table, "Call set-up success"), std::make_pair(2, 3));
  EXPECT_EQ(named(table, "MT call set-ups").value("value", -1), 1);
}

// Fault 2: an attach request left unanswered was no attempt. Three requests
// within the timer of one another are one attempt.
TEST(KpiFaults, AnUnansweredAttachIsAFailedAttempt) {
  e2e::TempHome home;
  const fs::path log = writeLog(home.Path(), "attach", "GSM", {
      // Requests at 10, 17.3 and 24: each within 15 s of the one before,
      // never answered: one attempt, failed at 39 s.
      {10.000, msg("Attach Request")},
      {17.300, msg("Attach Request")},
      {24.000, msg("Attach Request")},
      // Request at 60, accepted at 64: a success.
      {60.000, msg("Attach Request")},
      {64.000, msg("Attach Accept")},
      // Request at 100, rejected at 101: a failure.
      {100.000, msg("Attach Request")},
      {101.000, msg("Attach Reject", R"("ie": {"cause": 17})")},
      // Request at 150, nothing for 20 s: a failure.
      {150.000, msg("Attach Request")},
  }, 170);
  // 1 success of 4 attempts.
  EXPECT_EQ(ratioOf(kpiTable(home, log), "Attach success"), std::make_pair(1, 4));
}

// Fault 3: a location update ended by the release of its connection before an
// accept was not counted.
TEST(KpiFaults, ALocationUpdateCutByTheReleaseIsAFailedAttempt) {
  e2e::TempHome home;
  const fs::path log = writeLog(home.Path(), "updates", "UMTS", {
      // 1: request 10.2, accept 11: a success.
      {10.000, msg("RRC Connection Request", R"("sub_type": 10)")},
      {10.100, msg("RRC Connection Setup Complete")},
      {10.200, msg("Location Updating Request", R"("sub_type": 0)")},
      {11.000, msg("Location Updating Accept")},
      {11.200, msg("RRC Connection Release", R"("ie": {"cause": 0})")},
      // 2: request 30.2, the CS signalling connection released at 31: a failure.
      {30.000, msg("RRC Connection Request", R"("sub_type": 10)")},
      {30.100, msg("RRC Connection Setup Complete")},
      {30.200, msg("Location Updating Request", R"("sub_type": 0)")},
      {31.000, msg("Signalling Connection Release")},
      {31.200, msg("RRC Connection Release", R"("ie": {"cause": 0})")},
      // 3: request 40.2 on a new connection, the RRC connection released at
      // 41 before an answer: a failure (and not the same attempt as the
      // next request, 4.8 s later).
      {40.000, msg("RRC Connection Request", R"("sub_type": 10)")},
      {40.100, msg("RRC Connection Setup Complete")},
      {40.200, msg("Location Updating Request", R"("sub_type": 0)")},
      {41.000, msg("RRC Connection Release", R"("ie": {"cause": 1})")},
      // 4: request 45, accept 46: a success.
      {44.800, msg("RRC Connection Request", R"("sub_type": 10)")},
      {44.900, msg("RRC Connection Setup Complete")},
      {45.000, msg("Location Updating Request", R"("sub_type": 0)")},
      {46.000, msg("Location Updating Accept")},
      {46.300, msg("RRC Connection Release", R"("ie": {"cause": 0})")},
  }, 80);
  // 2 successes of 4 attempts.
  EXPECT_EQ(ratioOf(kpiTable(home, log), "Location update success"), std::make_pair(2, 4));
}

// GSM messages in a UMTS log carry the codes of the UMTS catalogue's GSM part
// (0x512F, as `eventscan import` writes a capture's GSM frames): Paging
// Request Type 1 0x512F0621, Handover Command 0x512F062B, Handover Complete
// 0x512F062C, Inter System to UTRAN Handover Command 0x512F0663.

// Fault 4: a change of system in idle mode (after the release, the handset
// shows up on GSM by a paging) counted as a handover.
TEST(KpiFaults, AReselectionIsNoHandover) {
  e2e::TempHome home;
  const fs::path log = writeLog(home.Path(), "reselection", "UMTS", {
      // Two soft handovers in a call.
      {10.000, msg("Active Set Update", R"("mode": "dedicated", "ie": {"psc_added": [100], "psc_removed": [120]})")},
      {10.200, msg("Active Set Update Complete", R"("mode": "dedicated")")},
      {20.000, msg("Active Set Update", R"("mode": "dedicated", "ie": {"psc_added": [140], "psc_removed": [100]})")},
      {20.200, msg("Active Set Update Complete", R"("mode": "dedicated")")},
      // Released; then the handset is paged on GSM: UMTS to GSM in idle mode.
      {30.000, msg("RRC Connection Release", R"("ie": {"cause": 0})")},
      {40.000, R"("kind": "message", "net": "GSM", "code": "0x512F0621")"},
      // Paged on GSM again; then an RRC connection request on UMTS: back.
      {60.000, R"("kind": "message", "net": "GSM", "code": "0x512F0621")"},
      {70.000, msg("RRC Connection Request", R"("sub_type": 0)")},
  }, 80);
  const json table = kpiTable(home, log);
  // Two handovers, both soft; no handover command between the systems.
  EXPECT_EQ(ratioOf(table, "Handover success"), std::make_pair(2, 2));
  EXPECT_EQ(ratioOf(table, "Intra-system handover success"), std::make_pair(2, 2));
  EXPECT_EQ(ratioOf(table, "Inter-system handover success"), std::make_pair(0, 0));
  EXPECT_TRUE(named(table, "Inter-system handover success")["value"].is_null());
  EXPECT_EQ(named(table, "Inter-system reselections").value("value", -1), 2);
}

// Fault 5: the handovers between UMTS and GSM were not counted.
TEST(KpiFaults, EveryRealHandoverIsCountedOnce) {
  e2e::TempHome home;
  const fs::path log = writeLog(home.Path(), "handovers", "UMTS", {
      // UMTS to GSM: the command on UMTS, the Handover Complete on GSM.
      {10.000, msg("Handover from UTRAN Command", R"("mode": "dedicated", "ie": {"target_cell": [62, 33]})")},
      {10.600, R"("kind": "message", "net": "GSM", "mode": "dedicated", "code": "0x512F062C")"},
      // A GSM handover while on GSM.
      {20.000, R"("kind": "message", "net": "GSM", "mode": "dedicated", "code": "0x512F062B", "ie": {"target_cell": [70, 21]})"},
      {20.300, R"("kind": "message", "net": "GSM", "mode": "dedicated", "code": "0x512F062C")"},
      // GSM to UMTS: Inter System to UTRAN Handover Command on GSM, Handover
      // to UTRAN Complete on UMTS.
      {30.000, R"("kind": "message", "net": "GSM", "mode": "dedicated", "code": "0x512F0663")"},
      {30.500, msg("Handover to UTRAN Complete", R"("mode": "dedicated")")},
      // A UMTS hard handover to a new frequency.
      {40.000, msg("Physical Channel Reconfiguration", R"("mode": "dedicated", "ie": {"new_uarfcn": 10700, "psc_list": [210]})")},
      {40.400, msg("Physical Channel Reconfiguration Complete", R"("mode": "dedicated")")},
      // A handover to GSM that fails back on UMTS.
      {50.000, msg("Handover from UTRAN Command", R"("mode": "dedicated", "ie": {"target_cell": [62, 33]})")},
      {51.000, msg("Handover from UTRAN Failure", R"("mode": "dedicated", "ie": {"cause": 1})")},
      // The release, and nothing on GSM after it: no reselection.
      {60.000, msg("RRC Connection Release", R"("ie": {"cause": 0})")},
  }, 70);
  const json table = kpiTable(home, log);
  // Inter-system: UMTS to GSM, GSM to UMTS, and the failure: 2 of 3.
  EXPECT_EQ(ratioOf(table, "Inter-system handover success"), std::make_pair(2, 3));
  // Intra-system: the GSM handover and the hard handover: 2 of 2.
  EXPECT_EQ(ratioOf(table, "Intra-system handover success"), std::make_pair(2, 2));
  // All: 4 of 5, each once.
  EXPECT_EQ(ratioOf(table, "Handover success"), std::make_pair(4, 5));
  EXPECT_EQ(named(table, "Inter-system reselections").value("value", -1), 0);
}

// The same KPIs on real captures (skipped where the captures are absent),
// each value counted from the frames as tshark decodes them.
TEST(KpiFaults, RealCapturesCountedFromTheirFrames) {
  const fs::path dir = fs::path(EVENTMANAGER_CAPTURE_DIR) / "real";
  if (!fs::exists(dir)) GTEST_SKIP() << dir << " is absent";
  e2e::TempHome home;
  struct Expected {
    const char* Kpi;
    int Numerator, Denominator;  // a count: Numerator, Denominator -1
  };
  const std::vector<std::pair<const char*, std::vector<Expected>>> captures = {
      {"xperia-2g3g-2018-sib-nas.pcap",
       {// CM Service Requests of type 1: 716 (UMTS), 1324 (GSM), 1939 (UMTS, after the CS fallback); each
        // Setup is answered by a Disconnect, cause 21 (743, 1351, 1963) before any Alerting. 438 and 1201
        // are of type 4 (SMS).
        {"Call set-up success", 0, 3},
        // Location Updating Request 81, Accept 93; 989 (GSM), Accept 1000; 1972, RRC Connection Release
        // 1973 (directed signalling connection re-establishment) before an accept.
        {"Location update success", 2, 3},
        {"Attach success", 1, 1},                   // 82, Accept 100
        {"PDP context activation success", 1, 1},   // 228, Accept 249
        {"Routing area update success", 3, 3},      // 1005 and 1034, 1805 and 1815 (GSM), 1940 and 1964
        // No handover command in the capture; 977 Signalling Connection Release Indication, then 984 a GSM
        // Paging Request Type 1 and 989 a GSM Location Updating Request: a reselection.
        {"Handover success", 0, 0},
        {"Inter-system handover success", 0, 0},
        {"Inter-system reselections", 1, -1}}},
      {"umts-attach-operator-2022.pcapng",
       {{"Location update success", 2, 2},  // 82 and 96, 192 and 210
        {"Attach success", 2, 2},           // 83 and 104, 193 and 214
        // Active Set Update 101, Complete 102; 196, 197. RRC Connection Release 49 and Signalling
        // Connection Release 51, then the GSM Paging Request 55; GSM paging 60, then RRC Connection
        // Request 72: two reselections, no handover between the systems.
        {"Handover success", 2, 2},
        {"Intra-system handover success", 2, 2},
        {"Inter-system handover success", 0, 0},
        {"Inter-system reselections", 2, -1}}},
      {"gsm-attach-detach-sms-2022.pcapng",
       {// Attach Requests 142, 167, 181 (7.3 s and 6.7 s apart), never answered: one attempt; 294, Accept
        // 324; 385, Accept 410.
        {"Attach success", 2, 3},
        {"Location update success", 3, 3}}},  // 120 and 140, 272 and 291, 363 and 383
      {"umts-gsm-lte-pdp-2022.pcapng",
       {// Location Updating Request 47, Accept 63; 182, Signalling Connection Release (CS) 195 before an
        // accept; 217, Accept 226; 359 (GSM), Accept 378.
        {"Location update success", 3, 4},
        {"Attach success", 3, 3},                  // 48 and 69, 183 and 198, 296 and 304
        {"PDP context activation success", 3, 3},  // 92 and 101, 250 and 259, 328 and 337
        {"Routing area update success", 1, 1},     // 381 and 405 (GSM)
        {"Inter-system reselections", 1, -1}}},    // RRC Connection Release 344, GSM paging 360
      {"umts-lte-pdp-reject-2022.pcapng",
       {// Location Updating Request 34, Signalling Connection Release (CS) 49 before an accept; 133, Accept 150.
        {"Location update success", 1, 2},
        {"Attach success", 2, 2},                   // 35 and 52, 134 and 152
        {"PDP context activation success", 0, 1}}}  // 175, Reject 178
  };
  for (const auto& [file, expected] : captures) {
    SCOPED_TRACE(file);
    const json table = kpiTable(home, dir / file);
    for (const Expected& e : expected) {
      SCOPED_TRACE(e.Kpi);
      if (e.Denominator < 0) {
        EXPECT_EQ(named(table, e.Kpi).value("value", -1), e.Numerator);
      } else {
        EXPECT_EQ(ratioOf(table, e.Kpi), std::make_pair(e.Numerator, e.Denominator));
      }
    }
  }
  // The three calls of the first capture never alert: no set-up time.
  EXPECT_EQ(named(kpiTable(home, dir / "xperia-2g3g-2018-sib-nas.pcap"), "Call set-up time").value("count", -1), 0);
}
