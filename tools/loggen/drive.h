// One simulated drive: the radio state of the handset (serving cell, signal
// level, position) and the steps every network's script is made of. The
// scripts (one per network) decide which messages a call or a handover
// takes; the steps here write the records.
#pragma once

#include <cstdint>
#include <string>

#include "log_builder.h"

namespace loggen {

enum class Signal { Good, Dip, PoorQuality };
enum Outcome { Normal, Dropped, Blocked };

class Drive {
 public:
  Drive(LogBuilder& builder, int network) : b(builder), network_(network) {}

  LogBuilder& b;

  // Measurements every half second or so for about `ms` milliseconds: plain
  // measurement records with a system information message now and then in
  // idle mode, measurement report messages while reporting.
  void Measure(int ms, Signal signal = Signal::Good);
  // Measurement reports from a call attempt until the release.
  void SetReporting(bool on) { reporting_ = on; }
  // A message after a short signalling delay.
  void Msg(const char* name, const std::string& ie = {}, int subType = -1, int delayLo = 80, int delayHi = 400);
  void Item(int id, const std::string& extra = {}, const char* text = "");
  // A new serving cell (after a handover or a reselection): drawn at
  // random, or the one a handover command named.
  void ChangeCell();
  void ChangeCellTo(int cell, int code);
  // A new location or tracking area (a reselection across its border).
  void NewArea() { lac_ += 1; }
  // The network whose values the handset measures: an LTE handset measures
  // UMTS or GSM values while it is fallen back there for a call. Only
  // measurement records are written meanwhile.
  void CampOn(int network) { radio_ = network; }
  // The strongest LTE neighbour the handset measures (its PCI), -1 none.
  void SetNeighbour(int pci) { nbPci_ = pci; }

  // Data and messaging tests, shared by all networks.
  void FtpDownload(bool drop);
  void Ping(int count, bool lastFails);
  void Sms(bool fails);
  void AttachAndPdp();

  int Cell() const { return cell_; }
  int Code() const { return code_; }
  // The LTE identities of a cell: physical cell identity 0..503 and carrier.
  static int LtePci(int code) { return code * 7 % 504; }
  static int LteEarfcn(int cell) { return cell % 5 == 0 ? 3050 : 1300; }

 private:
  std::string fields(Signal signal);
  std::string current() const;

  int network_;
  int radio_ = network_;
  int nbPci_ = -1;
  bool reporting_ = false;
  int steps_ = 0;
  std::string last_;  // the fields of the last measurement, carried by messages
  int cell_ = 62;    // BCCH, CDMA channel or UARFCN-like serving channel index
  int code_ = 33;    // BSIC, PN, PSC or CPI
  int lac_ = 4101;
  int cellId_ = 12011;
  static constexpr int StartLat = 31230416;  // 1e-6 degree
  static constexpr int StartLon = 121473701;
  long travelled_ = 0;  // along the loop of streets, 1e-6 degree
  int lat_ = StartLat;
  int lon_ = StartLon;
};

// A mobile-originated call on its dedicated channel, from Setup to Connect
// Acknowledge (24.008 call control, the same on GSM and 3G).
void ConnectCall(Drive& d);
// The end of a test call: reporting stops and the "Hangup Dial" item carries
// the reason (0 a normal hang-up, 1 a blocked call).
void HangUp(Drive& d, uint32_t reason);
// Clears a connected circuit-switched call (GSM and 3G): a normal clearing
// after `quietMs` of calm, or a drop after a level dip, each ended with the
// network's release message `channelRelease`; then hangs up.
void ClearCall(Drive& d, Outcome outcome, const char* channelRelease, int quietMs);

void GsmCycle(Drive& d, int cycle);
void CdmaCycle(Drive& d, int cycle);
void UmtsCycle(Drive& d, int cycle);
void TdscdmaCycle(Drive& d, int cycle);
void LteCycle(Drive& d, int cycle);
// The end of a sample drive (GSM and UMTS): messaging, packet attach and
// detach, security mode and radio bearers, each with a failure.
void GsmEnd(Drive& d);
void UmtsEnd(Drive& d);
// The end of the LTE sample drive: CS fallback to GSM and its failure, an
// inter-frequency redirect, poor quality, detaches.
void LteEnd(Drive& d);

}  // namespace loggen
