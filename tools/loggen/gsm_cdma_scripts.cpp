// Drive cycles of the GSM and CDMA logs. Each cycle idles, may update its
// location or registration, makes one call (normal, dropped or blocked, in
// turn) with a handover, and runs a data test.
#include <fmt/format.h>

#include "drive.h"

namespace loggen {
namespace {

void gsmLocationUpdate(Drive& d, int cycle) {
  d.Msg("Location Updating Request", {}, 0);
  if (cycle % 4 == 2) {
    // Unanswered for longer than the sample gate allows, then rejected.
    d.Measure(16000);
    d.Msg("Location Updating Reject", "\"cause\": 17");
  } else {
    d.Msg("Location Updating Accept", {}, -1, 600, 1400);
    d.Msg("Channel Release", "\"cause\": 0");
  }
}

void gsmCall(Drive& d, int cycle, Outcome outcome) {
  d.Item(54);
  d.SetReporting(true);
  d.Msg("CM Service Request", "\"cm_service_type\": 1", 1);
  if (outcome == Blocked) {
    d.Measure(5600);  // no Immediate Assignment within the gate's 5 seconds
    d.Msg("CM Service Reject", "\"cause\": 17");
    HangUp(d, 1);
    return;
  }
  d.Msg("Immediate Assignment");
  ConnectCall(d);
  d.Measure(5000);
  int bcch = 40 + d.b.Random().Between(0, 80), bsic = d.b.Random().Between(1, 63);
  d.Msg("Handover Command", fmt::format("\"target_cell\": [{}, {}]", bcch, bsic));
  if (cycle % 5 == 3) {
    d.Msg("Handover Failure", "\"cause\": 3");
  } else {
    d.Msg("Handover Complete");
    d.ChangeCell();
  }
  ClearCall(d, outcome, "Channel Release", 4000);
}

void cdmaCall(Drive& d, Outcome outcome) {
  d.Item(54);
  d.SetReporting(true);
  d.Msg("Origination");
  if (outcome == Blocked) {
    d.Measure(5600);  // no channel assignment within the gate's 5 seconds
    d.Msg("Reorder Order", "\"cdma_cause\": 7");
    HangUp(d, 1);
    return;
  }
  d.Msg("Extended Channel Assignment", {}, -1, 300, 900);
  d.b.SetDedicated(true);
  d.Msg("Service Connect", {}, -1, 400, 1200);
  d.Msg("Service Connect Completion");
  d.Measure(4000);
  d.Msg("Universal Handoff Direction", "\"handoff_direction\": \"0103\"");
  d.Msg("Handoff Completion");
  d.Item(194, Extra().U8(1).U16(283).U16(283).Hex());
  d.ChangeCell();
  if (outcome == Normal) {
    d.Measure(3000, Signal::PoorQuality);
    d.Measure(3000);
    d.Msg("Release Order (Mobile Station)");
  } else {
    d.Measure(4500, Signal::Dip);
    d.Msg("Release Order", "\"cdma_cause\": 1");
  }
  d.b.SetDedicated(false);
  HangUp(d, 0);
}

void dataTests(Drive& d, int cycle) {
  if (cycle % 2 == 0)
    d.FtpDownload(cycle % 4 == 2);
  else
    d.Ping(3, cycle % 3 == 1);
  d.Measure(3000);
  if (cycle % 3 == 0) d.Sms(cycle % 6 == 3);
}

void marks(Drive& d, int cycle) {
  if (cycle % 4 == 1) {
    d.b.DeclareEvent(58);  // the log's own note that the GPS fix was lost
    d.Measure(500);
  }
  if (cycle % 4 == 2) d.Item(163, {}, "Bridge crossing");
}

}  // namespace

void GsmCycle(Drive& d, int cycle) {
  d.Measure(6000);
  if (cycle % 2 == 0) gsmLocationUpdate(d, cycle);
  d.Measure(3000);
  gsmCall(d, cycle, static_cast<Outcome>(cycle % 3));
  d.Measure(4000);
  marks(d, cycle);
  dataTests(d, cycle);
}

void GsmEnd(Drive& d) {
  d.Measure(4000);
  // A short message sent (service type 4), one refused by the service
  // centre, and one received after paging.
  d.Msg("CM Service Request", "\"cm_service_type\": 4", 4);
  d.Msg("Immediate Assignment");
  d.b.SetDedicated(true);
  d.Msg("RP-DATA (MS to Network)", {}, -1, 300, 700);
  d.Msg("RP-ACK (Network to MS)", {}, -1, 800, 1600);
  d.Msg("Channel Release", "\"cause\": 0");
  d.b.SetDedicated(false);
  d.Measure(3000);
  d.Msg("CM Service Request", "\"cm_service_type\": 4", 4);
  d.Msg("Immediate Assignment");
  d.b.SetDedicated(true);
  d.Msg("RP-DATA (MS to Network)", {}, -1, 300, 700);
  d.Msg("RP-ERROR (Network to MS)", "\"cause\": 21", -1, 800, 1600);
  d.Msg("Channel Release", "\"cause\": 0");
  d.b.SetDedicated(false);
  d.Measure(3000);
  d.Msg("Paging Request Type 1");
  d.Msg("Paging Response", {}, -1, 200, 500);
  d.b.SetDedicated(true);
  d.Msg("RP-DATA (Network to MS)", {}, -1, 300, 700);
  d.Msg("RP-ACK (MS to Network)");
  d.Msg("Channel Release", "\"cause\": 0");
  d.b.SetDedicated(false);
  d.Measure(3000);
  // A packet attach refused by the network (17: network failure) and
  // accepted on the retry; a later one left unanswered past the gate's
  // 15 seconds before its retry is accepted.
  d.Msg("Attach Request");
  d.Msg("Attach Reject", "\"cause\": 17", -1, 600, 1200);
  d.Measure(8000);
  d.Msg("Attach Request");
  d.Msg("Attach Accept", {}, -1, 600, 1200);
  d.Msg("Attach Complete");
  d.Measure(6000);
  d.Msg("Detach Request");
  d.Msg("Detach Accept", {}, -1, 300, 800);
  d.Measure(3000);
  d.Msg("Attach Request");
  d.Measure(16000);
  d.Msg("Attach Request");
  d.Msg("Attach Accept", {}, -1, 600, 1200);
  d.Msg("Attach Complete");
  d.Measure(4000);
  // Switched off: the handset detaches from both domains.
  d.Msg("Detach Request");
  d.Msg("IMSI Detach Indication", {}, -1, 100, 300);
}

void CdmaCycle(Drive& d, int cycle) {
  d.Measure(6000);
  if (cycle % 3 == 0) {
    d.Msg("Registration");
    d.Msg("Registration Accepted/Rejected Order", {}, -1, 300, 800);
  }
  d.Measure(3000);
  cdmaCall(d, static_cast<Outcome>(cycle % 3));
  d.Measure(4000);
  marks(d, cycle);
  dataTests(d, cycle);
}

}  // namespace loggen
