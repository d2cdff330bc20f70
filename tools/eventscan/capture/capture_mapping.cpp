// tshark field -> catalogue code. RRC choice indexes are those of the
// 25.331 ASN.1 message-type CHOICEs; NAS types are the protocols' own
// (44.018, 24.008, 24.011), so they map to 0x512F GGTT without a table.
#include "capture/capture_mapping.h"

namespace eventscan::capture {
namespace {

constexpr NasProtocol kNas[] = {
    {"RR", "gsm_a.dtap.msg_rr_type", 0x06, "gsm_a.rr.RRcause"},
    {"MM", "gsm_a.dtap.msg_mm_type", 0x05, "gsm_a.dtap.rej_cause"},
    {"CC", "gsm_a.dtap.msg_cc_type", 0x13, "gsm_a.dtap.cause"},
    {"GMM", "gsm_a.dtap.msg_gmm_type", 0x08, "gsm_a.gm.gmm.cause"},
    {"SM", "gsm_a.dtap.msg_sm_type", 0x0A, "gsm_a.gm.sm.cause"},
    {"SMS CP", "gsm_a.dtap.msg_sms_type", 0x09, "gsm_a.dtap.cp_cause"},
    {"SMS RP", "gsm_a.rp.msg_type", 0x1A, "gsm_a.rp.cause"},
};

constexpr RrcChoice kRrc[] = {
    // DL-DCCH-MessageType
    {DlDcch, 0, "activeSetUpdate", 0x0103},
    {DlDcch, 1, "assistanceDataDelivery", 0},
    {DlDcch, 2, "cellChangeOrderFromUTRAN", 0x010A},
    {DlDcch, 3, "cellUpdateConfirm", 0x0005},
    {DlDcch, 4, "counterCheck", 0x020B},
    {DlDcch, 5, "downlinkDirectTransfer", 0x000A},
    {DlDcch, 6, "handoverFromUTRANCommand-GSM", 0x0106},
    {DlDcch, 7, "handoverFromUTRANCommand-CDMA2000", 0},
    {DlDcch, 8, "measurementControl", 0x0101},
    {DlDcch, 9, "pagingType2", 0x000C},
    {DlDcch, 10, "physicalChannelReconfiguration", 0x0313},
    {DlDcch, 11, "physicalSharedChannelAllocation", 0x030F},
    {DlDcch, 12, "radioBearerReconfiguration", 0x030B},
    {DlDcch, 13, "radioBearerRelease", 0x0310},
    {DlDcch, 14, "radioBearerSetup", 0x0304},
    {DlDcch, 15, "rrcConnectionRelease", 0x0401},
    {DlDcch, 16, "securityModeCommand", 0x0205},
    {DlDcch, 17, "signallingConnectionRelease", 0x0203},
    {DlDcch, 18, "transportChannelReconfiguration", 0x030D},
    {DlDcch, 19, "transportFormatCombinationControl", 0x0312},
    {DlDcch, 20, "ueCapabilityEnquiry", 0x0208},
    {DlDcch, 21, "ueCapabilityInformationConfirm", 0x020A},
    {DlDcch, 22, "uplinkPhysicalChannelControl", 0x0311},
    {DlDcch, 23, "uraUpdateConfirm", 0x0006},
    {DlDcch, 24, "utranMobilityInformation", 0x010C},
    {DlDcch, 25, "handoverFromUTRANCommand-GERANIu", 0},
    {DlDcch, 28, "handoverFromUTRANCommand-EUTRA", 0},
    // UL-DCCH-MessageType
    {UlDcch, 0, "activeSetUpdateComplete", 0x0104},
    {UlDcch, 1, "activeSetUpdateFailure", 0x0105},
    {UlDcch, 2, "cellChangeOrderFromUTRANFailure", 0x010B},
    {UlDcch, 3, "counterCheckResponse", 0x020C},
    {UlDcch, 4, "handoverToUTRANComplete", 0x0109},
    {UlDcch, 5, "initialDirectTransfer", 0x0008},
    {UlDcch, 6, "handoverFromUTRANFailure", 0x0107},
    {UlDcch, 7, "measurementControlFailure", 0x010F},
    {UlDcch, 8, "measurementReport", RrcMeasurementReport},
    {UlDcch, 9, "physicalChannelReconfigurationComplete", 0x0309},
    {UlDcch, 10, "physicalChannelReconfigurationFailure", 0x030A},
    {UlDcch, 11, "radioBearerReconfigurationComplete", 0x0305},
    {UlDcch, 12, "radioBearerReconfigurationFailure", 0x0306},
    {UlDcch, 13, "radioBearerReleaseComplete", 0x030C},
    {UlDcch, 14, "radioBearerReleaseFailure", 0x030E},
    {UlDcch, 15, "radioBearerSetupComplete", 0x0301},
    {UlDcch, 16, "radioBearerSetupFailure", 0x0302},
    {UlDcch, 17, "rrcConnectionReleaseComplete", 0x0402},
    {UlDcch, 18, "rrcConnectionSetupComplete", 0x0202},
    {UlDcch, 19, "rrcStatus", 0x020D},
    {UlDcch, 20, "securityModeComplete", 0x0206},
    {UlDcch, 21, "securityModeFailure", 0x0207},
    {UlDcch, 22, "signallingConnectionReleaseIndication", 0x0204},
    {UlDcch, 23, "transportChannelReconfigurationComplete", 0x0307},
    {UlDcch, 24, "transportChannelReconfigurationFailure", 0x0308},
    {UlDcch, 25, "transportFormatCombinationControlFailure", 0},
    {UlDcch, 26, "ueCapabilityInformation", 0x0209},
    {UlDcch, 27, "uplinkDirectTransfer", 0x0009},
    {UlDcch, 28, "utranMobilityInformationConfirm", 0x010D},
    {UlDcch, 29, "utranMobilityInformationFailure", 0x010E},
    // DL-CCCH-MessageType
    {DlCcch, 0, "cellUpdateConfirm", 0x0005},
    {DlCcch, 1, "rrcConnectionReject", 0x0002},
    {DlCcch, 2, "rrcConnectionRelease", 0x0007},
    {DlCcch, 3, "rrcConnectionSetup", 0x0201},
    {DlCcch, 4, "uraUpdateConfirm", 0x0006},
    // UL-CCCH-MessageType
    {UlCcch, 0, "cellUpdate", 0x0003},
    {UlCcch, 1, "rrcConnectionRequest", 0x0001},
    {UlCcch, 2, "uraUpdate", 0x0004},
    // PCCH-MessageType
    {Pcch, 0, "pagingType1", 0x000B},
};

// RR message types of the system information messages, 44.018 10.4.
constexpr uint8_t kSystemInformation[] = {0x00, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x18, 0x19, 0x1A, 0x1B,
                                          0x1C, 0x1D, 0x1E, 0x1F, 0x3D, 0x3E, 0x40, 0x41, 0x42, 0x46};

}  // namespace

std::span<const NasProtocol> NasProtocols() { return kNas; }
std::span<const RrcChoice> RrcChoices() { return kRrc; }

const RrcChoice* FindRrcChoice(uint8_t channel, uint8_t choice) {
  for (const RrcChoice& c : kRrc)
    if (c.Channel == channel && c.Choice == choice) return &c;
  return nullptr;
}

bool IsSystemInformation(uint8_t rrType) {
  for (uint8_t t : kSystemInformation)
    if (t == rrType) return true;
  return false;
}

}  // namespace eventscan::capture
