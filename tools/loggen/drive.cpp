#include "drive.h"

#include <cstdlib>
#include <utility>

#include <fmt/format.h>

namespace loggen {

namespace {

// The drive goes round a loop of streets some 1.8 km long, corners given as
// (latitude, longitude) offsets in 1e-6 degree from the start, so that a long
// log stays in one town and its map shows streets driven again and again.
constexpr int Corners[][2] = {{0, 0},       {2400, 0},    {2400, 1600}, {4300, 1600},
                              {4300, 3800}, {1600, 3800}, {1600, 2400}, {0, 2400}};
constexpr int CornerCount = sizeof(Corners) / sizeof(Corners[0]);

int legLength(int i) {
  const int* a = Corners[i];
  const int* b = Corners[(i + 1) % CornerCount];
  return std::abs(b[0] - a[0]) + std::abs(b[1] - a[1]);
}

// The point `distance` along the loop; every leg runs along one axis.
std::pair<int, int> alongLoop(long distance) {
  long lap = 0;
  for (int i = 0; i < CornerCount; ++i) lap += legLength(i);
  distance %= lap;
  int i = 0;
  while (distance >= legLength(i)) distance -= legLength(i++);
  const int* a = Corners[i];
  const int* b = Corners[(i + 1) % CornerCount];
  auto d = static_cast<int>(distance);
  int dLat = b[0] > a[0] ? d : b[0] < a[0] ? -d : 0;
  int dLon = b[1] > a[1] ? d : b[1] < a[1] ? -d : 0;
  return {a[0] + dLat, a[1] + dLon};
}

}  // namespace

std::string Drive::fields(Signal s) {
  Rng& r = b.Random();
  travelled_ += r.Between(20, 90);
  int wobble = r.Between(-30, 60);  // a little off the centre line of the street
  auto [dLat, dLon] = alongLoop(travelled_);
  lat_ = StartLat + dLat + (wobble - 15) / 6;
  lon_ = StartLon + dLon + (wobble - 15) / 9;
  int level = s == Signal::Dip ? r.Between(-109, -102) : s == Signal::PoorQuality ? r.Between(-82, -76) : r.Between(-88, -62);
  std::string pos = fmt::format("\"Latitude\": {}, \"Longitude\": {}, \"Speed_kmh\": {}", lat_, lon_, r.Between(25, 60));
  switch (radio_) {
    case 0: {
      int qual = s == Signal::PoorQuality ? r.Between(5, 6) : s == Signal::Dip ? r.Between(3, 5) : r.Between(0, 2);
      return fmt::format("\"RxLevSub\": {}, \"RxLevFull\": {}, \"RxQualSub\": {}, \"BCCH\": {}, \"BSIC\": {}, "
                         "\"LAC\": {}, \"CellId\": {}, {}",
                         level, level + r.Between(0, 2), qual, cell_, code_, lac_, cellId_, pos);
    }
    case 1: {
      int ecio = s == Signal::PoorQuality ? r.Between(-180, -155) : s == Signal::Dip ? r.Between(-140, -110)
                                                                                    : r.Between(-90, -40);
      int rx = s == Signal::PoorQuality ? r.Between(-80, -70) : level;
      return fmt::format("\"CDMA_RxPower\": {}, \"CDMA_EcIo\": {}, \"PN\": {}, \"Channel\": {}, \"CDMA_TxPower\": {}, "
                         "\"FFER\": {}, {}",
                         rx, ecio, code_ * 3, 283, r.Between(-20, 5), r.Between(0, 150), pos);
    }
    case 2: {
      int rscp = s == Signal::Dip ? r.Between(-115, -106) : s == Signal::PoorQuality ? r.Between(-90, -85)
                                                                                    : r.Between(-95, -70);
      int ecio = s == Signal::PoorQuality ? r.Between(-190, -155) : r.Between(-120, -40);
      int rssi = s == Signal::Dip ? r.Between(-104, -96) : r.Between(-85, -60);
      return fmt::format("\"RSCP\": {}, \"EcIo\": {}, \"RSSI\": {}, \"UARFCN\": {}, \"PSC\": {}, \"UE_TxPower\": {}, "
                         "\"BLER\": {}, {}",
                         rscp, ecio, rssi, 10700 + cell_ % 3 * 25, code_ * 4 % 512, r.Between(-30, 10),
                         r.Between(0, 200), pos);
    }
    case 4: {
      // RSRP in dBm, RSRQ and SINR in dB: a dip loses level, poor quality
      // keeps a fair level under interference.
      int rsrp = s == Signal::Dip ? r.Between(-121, -112) : s == Signal::PoorQuality ? r.Between(-96, -86)
                                                                                   : r.Between(-100, -72);
      int rsrq = s == Signal::Dip ? r.Between(-17, -12) : s == Signal::PoorQuality ? r.Between(-19, -16)
                                                                                  : r.Between(-11, -5);
      int sinr = s == Signal::Dip ? r.Between(-6, 2) : s == Signal::PoorQuality ? r.Between(-5, -1) : r.Between(4, 24);
      std::string neighbour;
      if (nbPci_ >= 0)
        neighbour = fmt::format("\"NbRSRP\": {}, \"NbRSRQ\": {}, \"NbPCI\": {}, ", rsrp + r.Between(3, 8),
                                rsrq + r.Between(0, 3), nbPci_);
      return fmt::format("\"RSRP\": {}, \"RSRQ\": {}, \"SINR\": {}, \"PCI\": {}, \"EARFCN\": {}, \"TAC\": {}, "
                         "\"ECI\": {}, {}{}",
                         rsrp, rsrq, sinr, LtePci(code_), LteEarfcn(cell_), lac_ + 20000,
                         (51000 + cellId_ % 1000) * 256 + cell_ % 3, neighbour, pos);
    }
    default: {
      int rscp = s == Signal::Dip ? r.Between(-110, -101) : r.Between(-90, -65);
      int ci = s == Signal::Dip ? r.Between(-8, -4) : r.Between(-2, 12);
      return fmt::format("\"PCCPCH_RSCP\": {}, \"PCCPCH_C_I\": {}, \"CPI\": {}, \"TD_UARFCN\": {}, \"DPCH_RSCP\": {}, {}",
                         rscp, ci, code_ % 128, 10055 + cell_ % 3 * 8, rscp + r.Between(-3, 3), pos);
    }
  }
}

void Drive::Measure(int ms, Signal signal) {
  static const char* const reports[] = {"Measurement Report", "Power Measurement Report", "Measurement Report",
                                        "Measurement Report", "Measurement Report"};
  static const char* const broadcasts[] = {"System Information Type 3", "Access Parameters",
                                           "Master Information Block", "Master Information Block",
                                           "System Information Block Type 1"};
  for (int done = 0; done < ms;) {
    int step = b.Random().Between(440, 520);
    b.Advance(step, step);
    done += step;
    last_ = fields(signal);
    if (radio_ != network_)
      b.Measurement(current());
    else if (reporting_)
      b.Message(reports[network_], {}, -1, current());
    else if (++steps_ % 4 == 0)
      b.Message(broadcasts[network_], {}, -1, current());
    else
      b.Measurement(current());
  }
}

void Drive::Msg(const char* name, const std::string& ie, int subType, int delayLo, int delayHi) {
  b.Advance(delayLo, delayHi);
  if (last_.empty()) last_ = fields(Signal::Good);
  b.Message(name, ie, subType, current());
}

// The last measured values, and on LTE the RRC state the handset is in now:
// a message after the connection was set up already reports it connected.
std::string Drive::current() const {
  if (radio_ != 4) return last_;
  return last_ + fmt::format(", \"LTE_RRC_State\": {}", b.Dedicated() ? 1 : 0);
}

void Drive::Item(int id, const std::string& extra, const char* text) {
  b.Advance(20, 120);
  b.Item(id, extra, text);
}

void Drive::ChangeCell() {
  int cell = 40 + b.Random().Between(0, 80);
  int code = b.Random().Between(1, 63);
  ChangeCellTo(cell, code);
}

void Drive::ChangeCellTo(int cell, int code) {
  cell_ = cell;
  code_ = code;
  cellId_ = 12000 + b.Random().Between(0, 999);
  if (b.Random().Chance(20)) lac_ += 1;
}

void Drive::FtpDownload(bool drop) {
  Rng& r = b.Random();
  const int size = 1 << r.Between(19, 22);
  Item(6);
  Measure(600);
  Item(7);
  Item(9, Extra().U32(static_cast<uint32_t>(size)).Hex());
  Measure(900);
  Item(11);
  Measure(drop ? 2500 : 4000);
  if (drop) {
    int seconds = r.Between(2, 4), got = size / r.Between(3, 6);
    Item(13, Extra().I32(seconds).I32(got).I32(-102).Hex());
  } else {
    int transfer = r.Between(3500, 9000);
    Item(12, Extra().I32(transfer + r.Between(300, 900)).I32(transfer).I32(size).Hex());
  }
  Item(14);
}

void Drive::Ping(int count, bool lastFails) {
  Rng& r = b.Random();
  const uint32_t address = 0x0A00A8C0;  // 192.168.0.10 in network byte order
  Item(47);
  for (int i = 0; i < count; ++i) {
    Measure(500);
    bool fails = lastFails && i == count - 1;
    Extra e;
    e.U32(address).I32(32).I32(0).I32(fails ? 0 : 53).I32(fails ? 0 : r.Between(60, 240)).I32(0).I32(384);
    Item(fails ? 49 : 48, e.Hex());
  }
}

void Drive::Sms(bool fails) {
  Rng& r = b.Random();
  Item(59);
  Measure(1000);
  if (fails)
    Item(61, Extra().I32(38).I32(r.Between(8000, 12000)).Hex());
  else
    Item(60, Extra().I32(0).I32(r.Between(1800, 4200)).Hex());
}

void Drive::AttachAndPdp() {
  Rng& r = b.Random();
  Item(139);
  Measure(500);
  Item(50, Extra().I32(r.Between(600, 1500)).Hex());
  Item(140);
  Measure(500);
  Item(52, Extra().I32(r.Between(300, 900)).I32(384).I32(7200).Hex());
}

void ConnectCall(Drive& d) {
  d.b.SetDedicated(true);
  d.Msg("Setup", {}, -1, 300, 700);
  d.Msg("Call Proceeding");
  d.Msg("Alerting", {}, -1, 1500, 3000);
  d.Msg("Connect", {}, -1, 2000, 5000);
  d.Msg("Connect Acknowledge");
}

void HangUp(Drive& d, uint32_t reason) {
  d.SetReporting(false);
  d.Item(56, Extra().U32(reason).Hex());
}

void ClearCall(Drive& d, Outcome outcome, const char* channelRelease, int quietMs) {
  if (outcome == Normal) {
    d.Measure(3000, Signal::PoorQuality);
    d.Measure(quietMs);
    d.Msg("Disconnect", "\"cause\": 16");
    d.Msg("Release");
    d.Msg("Release Complete");
    d.Msg(channelRelease, "\"cause\": 0");
  } else {
    d.Measure(4500, Signal::Dip);
    d.Msg(channelRelease, "\"cause\": 1");
  }
  d.b.SetDedicated(false);
  HangUp(d, 0);
}

}  // namespace loggen
