// Cause tables: RRC (25.331), CC, MM/GMM and SM (24.008), RR (44.018), SMS
// RP (24.011) and the CDMA call-end causes of this decoder family.
#include <span>

#include "cause_texts.h"
#include "nas_messages.h"
#include "rrc_messages.h"

namespace outside {
namespace {

struct Entry {
  int32_t Value;
  const char* Text;
};

constexpr Entry kEstablishment[] = {
    {0, "originating conversational call"}, {1, "originating streaming call"},
    {2, "originating interactive call"},    {3, "originating background call"},
    {4, "originating subscribed traffic call"}, {5, "terminating conversational call"},
    {6, "terminating streaming call"},      {7, "terminating interactive call"},
    {8, "terminating background call"},     {9, "emergency call"},
    {10, "inter-RAT cell re-selection"},    {11, "inter-RAT cell change order"},
    {12, "registration"},                   {13, "detach"},
    {14, "originating high priority signalling"}, {15, "originating low priority signalling"},
    {16, "call re-establishment"},          {17, "terminating high priority signalling"},
    {18, "terminating low priority signalling"}, {19, "terminating cause unknown"},
    {20, "MBMS reception"},                 {21, "MBMS ptp RB request"},
};
constexpr Entry kReject[] = {{0, "congestion"}, {1, "unspecified"}};
constexpr Entry kRelease[] = {
    {0, "normal event"}, {1, "unspecified"}, {2, "pre-emptive release"}, {3, "congestion"},
    {4, "re-establishment reject"}, {5, "directed signalling connection re-establishment"},
    {6, "user inactivity"},
};
constexpr Entry kCellUpdate[] = {
    {0, "cell reselection"}, {1, "periodical cell update"}, {2, "uplink data transmission"},
    {3, "paging response"}, {4, "re-entered service area"}, {5, "radio link failure"},
    {6, "RLC unrecoverable error"}, {7, "MBMS reception"}, {8, "MBMS ptp RB request"},
};
constexpr Entry kFailure[] = {
    {0, "configuration unsupported"}, {1, "physical channel failure"},
    {2, "incompatible simultaneous reconfiguration"}, {3, "compressed mode runtime error"},
    {4, "protocol error"}, {5, "cell update occurred"}, {6, "invalid configuration"},
    {7, "configuration incomplete"}, {8, "unsupported measurement"},
    {9, "MBMS session already received correctly"}, {10, "lower priority MBMS service"},
};
constexpr Entry kInterRatFailure[] = {
    {0, "configuration unacceptable"}, {1, "physical channel failure"}, {2, "protocol error"},
    {3, "inter-RAT protocol error"}, {4, "unspecified"},
};
constexpr Entry kSignallingRelease[] = {{0, "UE requested PS data session end"}, {1, "T323 expiry"}};

constexpr Entry kCc[] = {
    {1, "Unassigned (unallocated) number"}, {3, "No route to destination"}, {6, "Channel unacceptable"},
    {8, "Operator determined barring"}, {16, "Normal call clearing"}, {17, "User busy"},
    {18, "No user responding"}, {19, "User alerting, no answer"}, {21, "Call rejected"},
    {22, "Number changed"}, {25, "Pre-emption"}, {26, "Non selected user clearing"},
    {27, "Destination out of order"}, {28, "Invalid number format (incomplete number)"},
    {29, "Facility rejected"}, {30, "Response to STATUS ENQUIRY"}, {31, "Normal, unspecified"},
    {34, "No circuit/channel available"}, {38, "Network out of order"}, {41, "Temporary failure"},
    {42, "Switching equipment congestion"}, {43, "Access information discarded"},
    {44, "Requested circuit/channel not available"}, {47, "Resources unavailable, unspecified"},
    {49, "Quality of service unavailable"}, {50, "Requested facility not subscribed"},
    {55, "Incoming calls barred within the CUG"}, {57, "Bearer capability not authorized"},
    {58, "Bearer capability not presently available"}, {63, "Service or option not available, unspecified"},
    {65, "Bearer service not implemented"}, {68, "ACM equal to or greater than ACMmax"},
    {69, "Requested facility not implemented"},
    {70, "Only restricted digital information bearer capability is available"},
    {79, "Service or option not implemented, unspecified"}, {81, "Invalid transaction identifier value"},
    {87, "User not member of CUG"}, {88, "Incompatible destination"}, {91, "Invalid transit network selection"},
    {95, "Semantically incorrect message"}, {96, "Invalid mandatory information"},
    {97, "Message type non-existent or not implemented"}, {98, "Message type not compatible with protocol state"},
    {99, "Information element non-existent or not implemented"}, {100, "Conditional IE error"},
    {101, "Message not compatible with protocol state"}, {102, "Recovery on timer expiry"},
    {111, "Protocol error, unspecified"}, {127, "Interworking, unspecified"},
};
constexpr Entry kMm[] = {
    {2, "IMSI unknown in HLR"}, {3, "Illegal MS"}, {4, "IMSI unknown in VLR"}, {5, "IMEI not accepted"},
    {6, "Illegal ME"}, {7, "GPRS services not allowed"},
    {8, "GPRS services and non-GPRS services not allowed"}, {9, "MS identity cannot be derived by the network"},
    {10, "Implicitly detached"}, {11, "PLMN not allowed"}, {12, "Location Area not allowed"},
    {13, "Roaming not allowed in this location area"}, {14, "GPRS services not allowed in this PLMN"},
    {15, "No Suitable Cells In Location Area"}, {16, "MSC temporarily not reachable"},
    {17, "Network failure"}, {20, "MAC failure"}, {21, "Synch failure"}, {22, "Congestion"},
    {23, "GSM authentication unacceptable"}, {25, "Not authorized for this CSG"},
    {32, "Service option not supported"}, {33, "Requested service option not subscribed"},
    {34, "Service option temporarily out of order"}, {38, "Call cannot be identified"},
    {95, "Semantically incorrect message"}, {96, "Invalid mandatory information"},
    {97, "Message type non-existent or not implemented"}, {98, "Message type not compatible with the protocol state"},
    {99, "Information element non-existent or not implemented"}, {100, "Conditional IE error"},
    {101, "Message not compatible with the protocol state"}, {111, "Protocol error, unspecified"},
};
constexpr Entry kRr[] = {
    {0, "Normal event"}, {1, "Abnormal release, unspecified"}, {2, "Abnormal release, channel unacceptable"},
    {3, "Abnormal release, timer expired"}, {4, "Abnormal release, no activity on the radio path"},
    {5, "Preemptive release"}, {6, "UTRAN configuration unknown"},
    {8, "Handover impossible, timing advance out of range"}, {9, "Channel mode unacceptable"},
    {10, "Frequency not implemented"}, {13, "Originator or talker leaving group call area"},
    {65, "Call already cleared"}, {95, "Semantically incorrect message"}, {96, "Invalid mandatory information"},
    {97, "Message type non-existent or not implemented"}, {98, "Message type not compatible with protocol state"},
    {100, "Conditional IE error"}, {101, "No cell allocation available"}, {111, "Protocol error unspecified"},
};
constexpr Entry kSm[] = {
    {8, "Operator Determined Barring"}, {25, "LLC or SNDCP failure"}, {26, "Insufficient resources"},
    {27, "Missing or unknown APN"}, {28, "Unknown PDP address or PDP type"}, {29, "User authentication failed"},
    {30, "Activation rejected by GGSN"}, {31, "Activation rejected, unspecified"},
    {32, "Service option not supported"}, {33, "Requested service option not subscribed"},
    {34, "Service option temporarily out of order"}, {35, "NSAPI already used"}, {36, "Regular deactivation"},
    {37, "QoS not accepted"}, {38, "Network failure"}, {39, "Reactivation required"},
    {40, "Feature not supported"}, {41, "Semantic error in the TFT operation"},
    {42, "Syntactical error in the TFT operation"}, {43, "Unknown PDP context"},
    {81, "Invalid transaction identifier value"}, {95, "Semantically incorrect message"},
    {96, "Invalid mandatory information"}, {111, "Protocol error, unspecified"},
};
constexpr Entry kSms[] = {
    {1, "Unassigned (unallocated) number"}, {8, "Operator determined barring"}, {10, "Call barred"},
    {21, "Short message transfer rejected"}, {22, "Memory capacity exceeded"},
    {27, "Destination out of service"}, {28, "Unidentified subscriber"}, {29, "Facility rejected"},
    {30, "Unknown subscriber"}, {38, "Network out of order"}, {41, "Temporary failure"}, {42, "Congestion"},
    {47, "Resources unavailable, unspecified"}, {50, "Requested facility not subscribed"},
    {69, "Requested facility not implemented"}, {81, "Invalid short message transfer reference value"},
    {95, "Semantically incorrect message"}, {96, "Invalid mandatory information"},
    {111, "Protocol error, unspecified"}, {127, "Interworking, unspecified"},
};
constexpr Entry kCdma[] = {
    {0, "Normal release"}, {1, "Release with power-down indication"}, {2, "Service option rejected"},
    {3, "Reorder"}, {4, "Intercept"}, {5, "Access failure"}, {6, "Fade (traffic channel lost)"},
    {7, "Lock"}, {8, "Service redirection"}, {9, "Registration rejected"}, {10, "Retry order"},
    {11, "Extended release"}, {12, "Maximum access probes transmitted"}, {13, "Connection denied"},
    {14, "Connection closed"},
};

const char* Lookup(std::span<const Entry> table, int32_t value) {
  for (const Entry& e : table)
    if (e.Value == value) return e.Text;
  return nullptr;
}

std::span<const Entry> RrcTable(rrc::CauseKind kind) {
  switch (kind) {
    case rrc::CauseKind::Establishment: return kEstablishment;
    case rrc::CauseKind::Reject: return kReject;
    case rrc::CauseKind::Release: return kRelease;
    case rrc::CauseKind::CellUpdate: return kCellUpdate;
    case rrc::CauseKind::Failure: return kFailure;
    case rrc::CauseKind::InterRatFailure: return kInterRatFailure;
    case rrc::CauseKind::SignallingRelease: return kSignallingRelease;
    case rrc::CauseKind::None: break;
  }
  return {};
}

}  // namespace

const char* CauseName(int32_t family, int32_t cause, uint32_t code) {
  switch (family) {
    case nas::FamilyRrc: return Lookup(RrcTable(rrc::CauseKindOf(code)), cause);
    case nas::FamilyCc: return Lookup(kCc, cause);
    case nas::FamilyMm: return Lookup(kMm, cause);
    case nas::FamilyRr: return Lookup(kRr, cause);
    case nas::FamilySm: return Lookup(kSm, cause);
    case nas::FamilyCdma: return Lookup(kCdma, cause);
    case nas::FamilySms: return Lookup(kSms, cause);
    default: return nullptr;
  }
}

}  // namespace outside
