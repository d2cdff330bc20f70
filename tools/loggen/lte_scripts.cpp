// Drive cycles of the LTE log: attach, tracking area updates, service
// requests, handovers within LTE, radio link failures with their
// re-establishment, redirects and CS fallback to UMTS and GSM, detaches; each
// with its failures. Delays follow the 3GPP timers a handset runs: T300 (RRC
// set-up, 1 s here), T302 (wait after an RRC reject), T304 (handover, 1 s),
// T310 (radio link, 1 s), T3410 and T3430 (attach and update, 15 s), T3411
// (attach retry, 10 s), T3346 (back-off after congestion).
#include <fmt/format.h>

#include "drive.h"

namespace loggen {
namespace {

// Establishment causes (RRC Connection Request sub-types).
constexpr int MtAccess = 2, MoSignalling = 3, MoData = 4;
// Re-establishment causes.
constexpr int HandoverFailure = 1, OtherFailure = 2;
// RRC Connection Release sub-types: the redirected carrier's system.
constexpr int NoRedirect = 0, ToEutra = 1, ToGeran = 2, ToUtraFdd = 3;
// TargetSystem values.
constexpr int SystemEutra = 0, SystemUtraFdd = 1, SystemGeran = 3;
// EPS update types and CS fallback service types.
constexpr int TaUpdating = 0, CombinedTaLa = 1, CombinedAttach = 1, MoCsfb = 0, MtCsfb = 1;
// Networks whose values the handset measures after a fallback.
constexpr int Gsm = 0, Umts = 2, Lte = 4;

// The carriers of the UMTS and GSM cells a redirect sends the handset to:
// those it then measures (drive.cpp).
int uarfcn(const Drive& d) { return 10700 + d.Cell() % 3 * 25; }
int arfcn(const Drive& d) { return d.Cell(); }

// The information elements of an LTE message as the inside of a record's ie
// object: the cause by name, the LTE elements by their tag with the value
// as little-endian hex (docs/message-bytes.md).
class Ie {
 public:
  Ie& Cause(int value) { return add(fmt::format("\"cause\": {}", value)); }
  Ie& Pci(int pci) { return tagged(0x0E, pci); }
  Ie& Earfcn(int carrier) { return tagged(0x0F, carrier); }
  Ie& System(int system) { return tagged(0x10, system); }
  Ie& Bearer(int id) { return tagged(0x11, id); }
  operator std::string() const { return text_; }

 private:
  Ie& tagged(int tag, int32_t value) { return add(fmt::format("\"0x{:02X}\": \"{}\"", tag, Extra().I32(value).Hex())); }
  Ie& add(const std::string& element) {
    text_ += (text_.empty() ? "" : ", ") + element;
    return *this;
  }
  std::string text_;
};

enum class Answer { Accept, Reject, None };

void connected(Drive& d, bool on) {
  d.b.SetDedicated(on);
  d.SetReporting(on);
}

void rrcSetup(Drive& d, int cause) {
  d.Msg("RRC Connection Request", {}, cause, 200, 600);
  d.Msg("RRC Connection Setup", {}, -1, 20, 60);
  connected(d, true);
  d.Msg("RRC Connection Setup Complete", {}, -1, 10, 40);
}

void rrcSecurity(Drive& d) {
  d.Msg("Security Mode Command", {}, -1, 20, 60);
  d.Msg("Security Mode Complete", {}, -1, 5, 20);
}

// The data radio bearers set up (or resumed) by a plain reconfiguration.
void radioBearers(Drive& d) {
  d.Msg("RRC Connection Reconfiguration", {}, 0, 10, 40);
  d.Msg("RRC Connection Reconfiguration Complete", {}, 0, 5, 20);
}

// A release after inactivity (cause other), or with the given redirect.
void release(Drive& d, const std::string& ie = Ie().Cause(1), int redirect = NoRedirect) {
  d.Msg("RRC Connection Release", ie, redirect, 100, 300);
  connected(d, false);
}

// Combined EPS/IMSI attach. Unanswered, the eNodeB releases the silent
// connection and T3410 runs out; the caller retries after T3411.
void attach(Drive& d, Answer answer, int rejectCause = 0) {
  rrcSetup(d, MoSignalling);
  d.Msg("Attach Request", {}, CombinedAttach, 5, 20);
  d.Msg("PDN Connectivity Request", {}, -1, 1, 5);
  if (answer == Answer::Reject) {
    d.Msg("Attach Reject", Ie().Cause(rejectCause), -1, 300, 800);
    release(d);
    return;
  }
  if (answer == Answer::None) {
    d.Measure(10000);
    release(d);
    d.Measure(5000);
    return;
  }
  d.Msg("Authentication Request", {}, -1, 80, 200);
  d.Msg("Authentication Response", {}, -1, 10, 30);
  d.Msg("Security Mode Command [EMM]", {}, -1, 20, 60);
  d.Msg("Security Mode Complete [EMM]", {}, -1, 5, 20);
  d.Msg("ESM Information Request", {}, -1, 20, 60);
  d.Msg("ESM Information Response", {}, -1, 5, 20);
  rrcSecurity(d);
  d.Msg("UE Capability Enquiry", {}, -1, 10, 30);
  d.Msg("UE Capability Information", {}, -1, 5, 20);
  d.Msg("Attach Accept", {}, -1, 40, 120);
  d.Msg("Activate Default EPS Bearer Context Request", Ie().Bearer(5), -1, 1, 5);
  radioBearers(d);
  d.Msg("Attach Complete", {}, -1, 5, 20);
  d.Msg("Activate Default EPS Bearer Context Accept", Ie().Bearer(5), -1, 1, 5);
  d.Msg("EMM Information", {}, -1, 100, 300);
}

void trackingAreaUpdate(Drive& d, int updateType, int rejectCause = 0) {
  rrcSetup(d, MoSignalling);
  d.Msg("Tracking Area Update Request", {}, updateType, 5, 20);
  if (rejectCause)
    d.Msg("Tracking Area Update Reject", Ie().Cause(rejectCause), -1, 100, 400);
  else {
    d.Msg("Tracking Area Update Accept", {}, -1, 100, 400);
    d.Msg("Tracking Area Update Complete", {}, -1, 5, 20);
  }
  release(d);
}

// Data to send from idle: the connection, the service request, security
// and the radio bearers. A reject leaves the handset idle.
void serviceRequest(Drive& d, int rejectCause = 0) {
  rrcSetup(d, MoData);
  d.Msg("Service Request", {}, -1, 5, 20);
  if (rejectCause) {
    d.Msg("Service Reject", Ie().Cause(rejectCause), -1, 80, 300);
    release(d);
    return;
  }
  rrcSecurity(d);
  radioBearers(d);
}

// After a radio link failure or a failed handover the handset asks the best
// cell it finds to take its connection back; a cell that does not know it
// refuses (the reject carries the cause of the request) and the handset
// falls back to idle.
void reestablish(Drive& d, int cause, bool accepted, int delayLo, int delayHi) {
  d.Msg("RRC Connection Reestablishment Request", {}, cause, delayLo, delayHi);
  if (!accepted) {
    d.Msg("RRC Connection Reestablishment Reject", Ie().Cause(cause), -1, 20, 60);
    connected(d, false);
    return;
  }
  d.Msg("RRC Connection Reestablishment", {}, -1, 20, 60);
  d.Msg("RRC Connection Reestablishment Complete", {}, -1, 5, 20);
  radioBearers(d);
}

// An intra-LTE handover after an A3 report; a failed one runs T304 out and
// re-establishes on the source cell.
void handover(Drive& d, bool fails) {
  Rng& r = d.b.Random();
  int cell = 40 + r.Between(0, 80), code = r.Between(1, 63);
  Ie target = Ie().Pci(Drive::LtePci(code)).Earfcn(Drive::LteEarfcn(cell));
  // The neighbour grows stronger than the serving cell by the A3 offset.
  d.SetNeighbour(Drive::LtePci(code));
  d.Measure(1000);
  d.SetNeighbour(-1);
  d.Msg("RRC Connection Reconfiguration", target, 1, 20, 50);
  if (fails) {
    reestablish(d, HandoverFailure, true, 1000, 1100);
    return;
  }
  d.Msg("RRC Connection Reconfiguration Complete", target, 1, 20, 60);
  d.ChangeCellTo(cell, code);
}

// The level fades, T310 runs out, and the handset re-establishes in the
// best cell it finds.
void radioLinkFailure(Drive& d, bool accepted) {
  d.Measure(4500, Signal::Dip);
  d.ChangeCell();
  reestablish(d, OtherFailure, accepted, 1000, 1100);
}

// Back from UMTS or GSM after a call or a redirect: a reselection to LTE and
// a tracking area update (combined after a CS call).
void returnToLte(Drive& d, int updateType) {
  d.CampOn(Lte);
  d.ChangeCell();
  d.Measure(1500);
  trackingAreaUpdate(d, updateType);
}

// A mobile-originated call by CS fallback to UMTS: the extended service
// request, then a release that redirects the handset to a UTRA carrier.
void csfbToUmts(Drive& d) {
  d.Item(54);
  rrcSetup(d, MoData);
  d.Msg("Extended Service Request", {}, MoCsfb, 5, 20);
  rrcSecurity(d);
  release(d, Ie().Cause(1).System(SystemUtraFdd).Earfcn(uarfcn(d)), ToUtraFdd);
  d.CampOn(Umts);
  d.Measure(12000);
  HangUp(d, 0);
  d.Measure(2000);
  returnToLte(d, CombinedTaLa);
}

// A mobile-terminated call: paged for the CS domain, redirected to GSM.
void csfbToGsm(Drive& d) {
  d.Msg("Paging", {}, -1, 200, 600);
  rrcSetup(d, MtAccess);
  d.Msg("Extended Service Request", {}, MtCsfb, 5, 20);
  rrcSecurity(d);
  release(d, Ie().Cause(1).System(SystemGeran).Earfcn(arfcn(d)), ToGeran);
  d.CampOn(Gsm);
  d.Measure(12000);
  returnToLte(d, CombinedTaLa);
}

void dedicatedBearer(Drive& d) {
  d.Msg("Activate Dedicated EPS Bearer Context Request", Ie().Bearer(6), -1, 100, 300);
  radioBearers(d);
  d.Msg("Activate Dedicated EPS Bearer Context Accept", Ie().Bearer(6), -1, 1, 5);
  d.Measure(3000);
  d.Msg("Deactivate EPS Bearer Context Request", Ie().Cause(36).Bearer(6), -1, 100, 300);
  radioBearers(d);
  d.Msg("Deactivate EPS Bearer Context Accept", Ie().Bearer(6), -1, 1, 5);
}

// Switched on: the first attach is refused (17: network failure), the retry
// goes unanswered, the third is accepted; then a download with a handover.
void powerOn(Drive& d) {
  d.Measure(3000);
  attach(d, Answer::Reject, 17);
  d.Measure(10000);
  attach(d, Answer::None);
  d.Measure(10000);
  attach(d, Answer::Accept);
  d.FtpDownload(false);
  handover(d, false);
  d.Measure(3000);
  release(d);
}

// A new tracking area; an RRC connection refused (the handset waits T302)
// and a ping; a handover that fails and is re-established; a voice bearer.
void secondCycle(Drive& d) {
  d.Measure(6000);
  d.ChangeCell();
  d.NewArea();
  trackingAreaUpdate(d, TaUpdating);
  d.Measure(4000);
  d.Msg("RRC Connection Request", {}, MoData, 200, 600);
  d.Msg("RRC Connection Reject", {}, -1, 20, 60);
  d.Measure(4000);
  serviceRequest(d);
  d.Ping(3, false);
  handover(d, true);
  d.Measure(2000);
  dedicatedBearer(d);
  d.Measure(2000);
  release(d);
}

// An update refused (15: no suitable cells in the tracking area) and done in
// the next area; a call by CS fallback to UMTS; a service request refused
// (22: congestion) and retried after T3346; a download with a handover.
void thirdCycle(Drive& d) {
  d.Measure(5000);
  d.ChangeCell();
  d.NewArea();
  trackingAreaUpdate(d, TaUpdating, 15);
  d.Measure(2000);
  d.ChangeCell();
  d.NewArea();
  trackingAreaUpdate(d, TaUpdating);
  d.Measure(4000);
  csfbToUmts(d);
  d.Measure(4000);
  serviceRequest(d, 22);
  d.Measure(8000);
  serviceRequest(d);
  d.FtpDownload(true);
  handover(d, false);
  d.Measure(2000);
  release(d);
}

// An RRC request unanswered (T300) and retried; radio link failures whose
// re-establishment is refused, then accepted; a redirect to UMTS in weak
// coverage.
void fourthCycle(Drive& d) {
  d.Measure(5000);
  d.Msg("RRC Connection Request", {}, MoData, 200, 600);
  d.Measure(1000);
  serviceRequest(d);
  d.Measure(3000);
  radioLinkFailure(d, false);
  d.Measure(2000);
  serviceRequest(d);
  d.Measure(3000);
  radioLinkFailure(d, true);
  d.Measure(3000);
  d.Measure(4000, Signal::Dip);
  release(d, Ie().Cause(1).System(SystemUtraFdd).Earfcn(uarfcn(d)), ToUtraFdd);
  d.CampOn(Umts);
  d.Measure(8000);
  returnToLte(d, TaUpdating);
}

}  // namespace

void LteCycle(Drive& d, int cycle) {
  switch (cycle % 4) {
    case 0: powerOn(d); break;
    case 1: secondCycle(d); break;
    case 2: thirdCycle(d); break;
    default: fourthCycle(d); break;
  }
}

void LteEnd(Drive& d) {
  d.Measure(4000);
  csfbToGsm(d);
  d.Measure(3000);
  // A call whose fallback the network refuses (18: CS domain not available).
  d.Item(54);
  rrcSetup(d, MoData);
  d.Msg("Extended Service Request", {}, MoCsfb, 5, 20);
  d.Msg("Service Reject", Ie().Cause(18), -1, 80, 300);
  release(d);
  HangUp(d, 1);
  d.Measure(3000);
  // Poor quality under interference, then a load-balancing release to the
  // other LTE carrier, where the handset updates its tracking area.
  serviceRequest(d);
  d.Measure(4000, Signal::PoorQuality);
  d.Measure(2000);
  release(d, Ie().Cause(0).System(SystemEutra).Earfcn(3050), ToEutra);
  d.ChangeCellTo(45, d.Code());
  d.Measure(1500);
  trackingAreaUpdate(d, TaUpdating);
  d.Measure(4000);
  // Flight mode on and off: a detach and a new attach; then switched off.
  rrcSetup(d, MoSignalling);
  d.Msg("Detach Request", {}, -1, 5, 20);
  d.Msg("Detach Accept", {}, -1, 100, 300);
  release(d);
  d.Measure(5000);
  attach(d, Answer::Accept);
  d.Measure(2000);
  release(d);
  d.Measure(4000);
  rrcSetup(d, MoSignalling);
  d.Msg("Detach Request", {}, -1, 5, 20);
  release(d);
}

}  // namespace loggen
