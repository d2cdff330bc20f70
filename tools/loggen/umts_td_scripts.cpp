// Drive cycles of the UMTS and TD-SCDMA logs: RRC connection, a call with
// soft handover (UMTS) or baton handover (TD-SCDMA), an inter-system
// handover attempt, location updates and data tests.
#include <fmt/format.h>

#include "drive.h"

namespace loggen {
namespace {

void rrcConnect(Drive& d, int cause) {
  d.Msg("RRC Connection Request", {}, cause);
  d.Msg("RRC Connection Setup", {}, -1, 200, 600);
  d.Msg("RRC Connection Setup Complete");
}

void locationUpdate(Drive& d) {
  rrcConnect(d, 10);
  d.Msg("Location Updating Request", {}, 0);
  d.Msg("Location Updating Accept", {}, -1, 500, 1200);
  d.Msg("RRC Connection Release", "\"cause\": 0");
}

void umtsHandovers(Drive& d, int cycle) {
  Rng& r = d.b.Random();
  int added = r.Between(1, 500), removed = d.Code() * 4 % 512;
  d.Msg("Active Set Update", fmt::format("\"psc_added\": [{}], \"psc_removed\": [{}]", added, removed));
  d.Msg("Active Set Update Complete");
  d.ChangeCell();
  if (cycle % 4 == 1) {
    d.Measure(2000);
    d.Msg("Handover from UTRAN Command", fmt::format("\"target_cell\": [{}, {}]", 40 + r.Between(0, 80), r.Between(1, 63)));
    d.Msg("Handover from UTRAN Failure", "\"cause\": 1", -1, 800, 1500);
  }
}

void tdHandovers(Drive& d, int cycle) {
  Rng& r = d.b.Random();
  std::string ie = fmt::format("\"new_uarfcn\": {}, \"new_cell_param_id\": {}, \"baton_handover\": 1",
                               10055 + r.Between(0, 2) * 8, r.Between(0, 127));
  d.Msg("Physical Channel Reconfiguration", ie);
  if (cycle % 4 == 3) {
    d.Msg("Physical Channel Reconfiguration Failure", "\"cause\": 2", -1, 300, 900);
  } else {
    d.Msg("Physical Channel Reconfiguration Complete", {}, -1, 200, 600);
    d.ChangeCell();
  }
}

void call(Drive& d, int cycle, Outcome outcome, bool td) {
  d.Item(54);
  d.SetReporting(true);
  if (outcome == Blocked) {
    d.Msg("RRC Connection Request", {}, 0);
    d.Measure(3500);  // unanswered past the sample gate's 3 seconds
    rrcConnect(d, 0);
    d.Msg("CM Service Request", "\"cm_service_type\": 1", 1);
    d.Msg("CM Service Reject", "\"cause\": 34", -1, 400, 900);
    d.Msg("RRC Connection Release", "\"cause\": 0");
    HangUp(d, 1);
    return;
  }
  rrcConnect(d, 0);
  d.Msg("CM Service Request", "\"cm_service_type\": 1", 1);
  ConnectCall(d);
  d.Measure(4000);
  if (td)
    tdHandovers(d, cycle);
  else
    umtsHandovers(d, cycle);
  ClearCall(d, outcome, "RRC Connection Release", 2000);
}

void dataTests(Drive& d, int cycle) {
  if (cycle == 0) d.AttachAndPdp();
  if (cycle % 2 == 0)
    d.FtpDownload(cycle % 4 == 2);
  else
    d.Ping(3, cycle % 3 == 1);
  d.Measure(3000);
  if (cycle % 3 == 1) d.Sms(false);
  if (cycle % 4 == 3) {
    d.b.DeclareEvent(58);
    d.Measure(500);
  }
}

}  // namespace

void UmtsCycle(Drive& d, int cycle) {
  d.Measure(6000);
  if (cycle % 2 == 0) locationUpdate(d);
  d.Measure(3000);
  call(d, cycle, static_cast<Outcome>(cycle % 3), false);
  d.Measure(4000);
  dataTests(d, cycle);
}

void UmtsEnd(Drive& d) {
  d.Measure(4000);
  // A packet session: attach, security mode, a radio bearer for the data;
  // the second bearer of the session fails (cause 1: physical channel
  // failure) and the connection is released abnormally.
  rrcConnect(d, 7);
  d.Msg("Attach Request");
  d.Msg("Security Mode Command", {}, -1, 200, 500);
  d.Msg("Security Mode Complete");
  d.Msg("Attach Accept", {}, -1, 300, 900);
  d.Msg("Attach Complete");
  d.b.SetDedicated(true);
  d.Msg("Radio Bearer Setup", {}, -1, 300, 800);
  d.Msg("Radio Bearer Setup Complete", {}, -1, 200, 500);
  d.Measure(4000);
  d.Msg("Radio Bearer Setup", {}, -1, 300, 800);
  d.Msg("Radio Bearer Setup Failure", "\"cause\": 1", -1, 200, 500);
  d.Msg("RRC Connection Release", "\"cause\": 1");
  d.b.SetDedicated(false);
  d.Measure(3000);
  // Short messages: one sent, one refused by the service centre, one received.
  rrcConnect(d, 3);
  d.Msg("CM Service Request", "\"cm_service_type\": 4", 4);
  d.Msg("Security Mode Command", {}, -1, 200, 500);
  d.Msg("Security Mode Complete");
  d.Msg("RP-DATA (MS to Network)", {}, -1, 300, 700);
  d.Msg("RP-ACK (Network to MS)", {}, -1, 800, 1600);
  d.Msg("RRC Connection Release", "\"cause\": 0");
  d.Measure(3000);
  rrcConnect(d, 3);
  d.Msg("CM Service Request", "\"cm_service_type\": 4", 4);
  d.Msg("RP-DATA (MS to Network)", {}, -1, 300, 700);
  d.Msg("RP-ERROR (Network to MS)", "\"cause\": 21", -1, 800, 1600);
  d.Msg("RRC Connection Release", "\"cause\": 0");
  d.Measure(3000);
  // A connection set up by the network that the handset never completes.
  d.Msg("RRC Connection Request", {}, 3);
  d.Msg("RRC Connection Setup", {}, -1, 200, 600);
  d.Measure(1500);
  d.Msg("RRC Connection Release", "\"cause\": 1");
  d.Measure(3000);
  d.Msg("Paging Type 1");
  rrcConnect(d, 6);
  d.Msg("Paging Response", {}, -1, 200, 500);
  d.Msg("Security Mode Command", {}, -1, 200, 500);
  d.Msg("Security Mode Failure", "\"cause\": 2");
  d.Msg("RP-DATA (Network to MS)", {}, -1, 300, 700);
  d.Msg("RP-ACK (MS to Network)");
  d.Msg("RRC Connection Release", "\"cause\": 0");
  d.Measure(3000);
  // A packet attach refused (17: network failure) and accepted on the
  // retry; after a detach, one left unanswered past the gate's 15 seconds;
  // then the handset is switched off.
  rrcConnect(d, 7);
  d.Msg("Attach Request");
  d.Msg("Attach Reject", "\"cause\": 17", -1, 600, 1200);
  d.Measure(6000);
  d.Msg("Attach Request");
  d.Msg("Attach Accept", {}, -1, 600, 1200);
  d.Msg("Attach Complete");
  d.Measure(3000);
  d.Msg("Detach Request");
  d.Msg("Detach Accept", {}, -1, 300, 800);
  d.Msg("RRC Connection Release", "\"cause\": 0");
  d.Measure(6000);
  rrcConnect(d, 7);
  d.Msg("Attach Request");
  d.Measure(16000);
  d.Msg("RRC Connection Release", "\"cause\": 0");
  d.Measure(3000);
  rrcConnect(d, 9);
  d.Msg("Detach Request");
  d.Msg("IMSI Detach Indication", {}, -1, 100, 300);
  d.Msg("RRC Connection Release", "\"cause\": 0");
}

void TdscdmaCycle(Drive& d, int cycle) {
  d.Measure(4000);
  // A reselection reported by the vendor trace of the TD-SCDMA handset.
  d.b.Advance(100, 300);
  d.b.Trace(25, 17);
  d.Measure(1000);
  d.b.Advance(100, 300);
  d.b.Trace(25, 18);
  d.ChangeCell();
  if (cycle % 2 == 1) locationUpdate(d);
  d.Measure(3000);
  call(d, cycle, static_cast<Outcome>(cycle % 3), true);
  d.Measure(4000);
  dataTests(d, cycle);
}

}  // namespace loggen
