// The table that turns what tshark decodes in a GSMTAP capture into message
// codes of the WCDMA decoder catalogue (a capture is run as a UMTS log, its
// GSM frames as records of network GSM) and of the LTE catalogue: the tshark
// field of each layer-3 protocol, its catalogue group and the field of its
// cause, the RRC message choices by GSMTAP channel, the LTE RRC choices by
// logical channel and the direction of EPS NAS messages. Read-only data; any
// thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace eventscan::capture {

// One GSM layer-3 protocol (3GPP TS 24.007 protocol discriminators).
struct NasProtocol {
  const char* Name;       // "MM", as the catalogue groups are named
  const char* TypeField;  // tshark field of the message type
  uint8_t Group;          // group byte of the catalogue code (nas::Prefix | GG TT)
  const char* CauseField; // tshark field of the protocol's cause, or nullptr
};

// In the order a frame is searched: the first protocol whose type field is
// present names the message; SMS RP, carried inside CP-DATA, comes last and
// gives a record of its own.
std::span<const NasProtocol> NasProtocols();
inline constexpr size_t SmsRpProtocol = 6;  // index of SMS RP in NasProtocols()

// GSMTAP sub-types of UMTS RRC (the logical channel of the message).
enum RrcChannel : uint8_t {
  DlDcch = 0, UlDcch = 1, DlCcch = 2, UlCcch = 3, Pcch = 4, DlShcch = 5, UlShcch = 6, BcchFach = 7, BcchBch = 8
};

// One RRC message choice (3GPP TS 25.331, the CHOICE index of the channel's
// message type, as tshark's rrc.message field gives it).
struct RrcChoice {
  uint8_t Channel;
  uint8_t Choice;
  const char* Name;  // the ASN.1 name, for listings of unmapped messages
  uint32_t Code;     // its rrc:: catalogue code; 0 when unmapped
};
std::span<const RrcChoice> RrcChoices();
const RrcChoice* FindRrcChoice(uint8_t channel, uint8_t choice);

// RR system information messages (44.018 9.1.31-9.1.43): counted and
// skipped, as no reader uses them.
bool IsSystemInformation(uint8_t rrType);

// LTE RRC logical channels (36.331 6.2.1), in the order of their columns.
// This tshark leaves gsmtap.rrc_sub_type empty for LTE: the channel is the
// message element tshark decoded.
enum LteChannel : uint8_t { LteBcchBch, LteBcchDlSch, LtePcch, LteDlCcch, LteDlDcch, LteUlCcch, LteUlDcch };
inline constexpr size_t LteChannelCount = 7;
std::span<const char* const> LteChannelFields();   // tshark's message element of each channel
const char* LteChannelName(uint8_t channel);        // "UL-DCCH"
inline bool LteUplinkChannel(uint8_t channel) { return channel == LteUlCcch || channel == LteUlDcch; }

// One LTE RRC message choice: the c1 CHOICE index of the channel's message
// type, or with Extension the c2 index of its messageClassExtension.
struct LteChoice {
  uint8_t Channel;
  bool Extension;
  uint8_t Choice;
  const char* Name;  // the ASN.1 name, for listings of unmapped messages
  uint32_t Code;     // its lte:: catalogue code; 0 when unmapped
};
std::span<const LteChoice> LteChoices();
const LteChoice* FindLteChoice(uint8_t channel, bool extension, uint8_t choice);

// The direction an EPS NAS message type goes in (24.301 8.2, 8.3): 1 uplink,
// 0 downlink, -1 for the messages sent both ways (detach, EMM and ESM status).
int EpsNasDirection(uint32_t code);

// Host elements of the message bytes (tags above 0x7F are the host's own).
inline constexpr uint8_t DirectionTag = 0x80;  // u8: 1 uplink, 0 downlink
inline constexpr uint8_t FrameTag = 0x81;      // u32: frame number in the capture

}  // namespace eventscan::capture
