// tshark field -> catalogue code. RRC choice indexes are those of the
// 25.331 ASN.1 message-type CHOICEs; NAS types are the protocols' own
// (44.018, 24.008, 24.011), so they map to nas::Prefix | GG TT without a table.
#include "capture/capture_mapping.h"

#include "eventmanager/outside/message_codes.h"

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
    {DlDcch, 0, "activeSetUpdate", rrc::ActiveSetUpdate},
    {DlDcch, 1, "assistanceDataDelivery", 0},
    {DlDcch, 2, "cellChangeOrderFromUTRAN", rrc::CellChangeOrderFromUtran},
    {DlDcch, 3, "cellUpdateConfirm", rrc::CellUpdateConfirm},
    {DlDcch, 4, "counterCheck", rrc::CounterCheck},
    {DlDcch, 5, "downlinkDirectTransfer", rrc::DownlinkDirectTransfer},
    {DlDcch, 6, "handoverFromUTRANCommand-GSM", rrc::HandoverFromUtranCommand},
    {DlDcch, 7, "handoverFromUTRANCommand-CDMA2000", 0},
    {DlDcch, 8, "measurementControl", rrc::MeasurementControl},
    {DlDcch, 9, "pagingType2", rrc::PagingType2},
    {DlDcch, 10, "physicalChannelReconfiguration", rrc::PhysicalChannelReconfiguration},
    {DlDcch, 11, "physicalSharedChannelAllocation", rrc::PhysicalSharedChannelAllocation},
    {DlDcch, 12, "radioBearerReconfiguration", rrc::RadioBearerReconfiguration},
    {DlDcch, 13, "radioBearerRelease", rrc::RadioBearerRelease},
    {DlDcch, 14, "radioBearerSetup", rrc::RadioBearerSetup},
    {DlDcch, 15, "rrcConnectionRelease", rrc::ConnectionRelease},
    {DlDcch, 16, "securityModeCommand", rrc::SecurityModeCommand},
    {DlDcch, 17, "signallingConnectionRelease", rrc::SignallingConnectionRelease},
    {DlDcch, 18, "transportChannelReconfiguration", rrc::TransportChannelReconfiguration},
    {DlDcch, 19, "transportFormatCombinationControl", rrc::TransportFormatCombinationControl},
    {DlDcch, 20, "ueCapabilityEnquiry", rrc::UeCapabilityEnquiry},
    {DlDcch, 21, "ueCapabilityInformationConfirm", rrc::UeCapabilityInformationConfirm},
    {DlDcch, 22, "uplinkPhysicalChannelControl", rrc::UplinkPhysicalChannelControl},
    {DlDcch, 23, "uraUpdateConfirm", rrc::UraUpdateConfirm},
    {DlDcch, 24, "utranMobilityInformation", rrc::UtranMobilityInformation},
    {DlDcch, 25, "handoverFromUTRANCommand-GERANIu", 0},
    {DlDcch, 28, "handoverFromUTRANCommand-EUTRA", 0},
    // UL-DCCH-MessageType
    {UlDcch, 0, "activeSetUpdateComplete", rrc::ActiveSetUpdateComplete},
    {UlDcch, 1, "activeSetUpdateFailure", rrc::ActiveSetUpdateFailure},
    {UlDcch, 2, "cellChangeOrderFromUTRANFailure", rrc::CellChangeOrderFromUtranFailure},
    {UlDcch, 3, "counterCheckResponse", rrc::CounterCheckResponse},
    {UlDcch, 4, "handoverToUTRANComplete", rrc::HandoverToUtranComplete},
    {UlDcch, 5, "initialDirectTransfer", rrc::InitialDirectTransfer},
    {UlDcch, 6, "handoverFromUTRANFailure", rrc::HandoverFromUtranFailure},
    {UlDcch, 7, "measurementControlFailure", rrc::MeasurementControlFailure},
    {UlDcch, 8, "measurementReport", rrc::MeasurementReport},
    {UlDcch, 9, "physicalChannelReconfigurationComplete", rrc::PhysicalChannelReconfigurationComplete},
    {UlDcch, 10, "physicalChannelReconfigurationFailure", rrc::PhysicalChannelReconfigurationFailure},
    {UlDcch, 11, "radioBearerReconfigurationComplete", rrc::RadioBearerReconfigurationComplete},
    {UlDcch, 12, "radioBearerReconfigurationFailure", rrc::RadioBearerReconfigurationFailure},
    {UlDcch, 13, "radioBearerReleaseComplete", rrc::RadioBearerReleaseComplete},
    {UlDcch, 14, "radioBearerReleaseFailure", rrc::RadioBearerReleaseFailure},
    {UlDcch, 15, "radioBearerSetupComplete", rrc::RadioBearerSetupComplete},
    {UlDcch, 16, "radioBearerSetupFailure", rrc::RadioBearerSetupFailure},
    {UlDcch, 17, "rrcConnectionReleaseComplete", rrc::ConnectionReleaseComplete},
    {UlDcch, 18, "rrcConnectionSetupComplete", rrc::ConnectionSetupComplete},
    {UlDcch, 19, "rrcStatus", rrc::Status},
    {UlDcch, 20, "securityModeComplete", rrc::SecurityModeComplete},
    {UlDcch, 21, "securityModeFailure", rrc::SecurityModeFailure},
    {UlDcch, 22, "signallingConnectionReleaseIndication", rrc::SignallingConnectionReleaseIndication},
    {UlDcch, 23, "transportChannelReconfigurationComplete", rrc::TransportChannelReconfigurationComplete},
    {UlDcch, 24, "transportChannelReconfigurationFailure", rrc::TransportChannelReconfigurationFailure},
    {UlDcch, 25, "transportFormatCombinationControlFailure", 0},
    {UlDcch, 26, "ueCapabilityInformation", rrc::UeCapabilityInformation},
    {UlDcch, 27, "uplinkDirectTransfer", rrc::UplinkDirectTransfer},
    {UlDcch, 28, "utranMobilityInformationConfirm", rrc::UtranMobilityInformationConfirm},
    {UlDcch, 29, "utranMobilityInformationFailure", rrc::UtranMobilityInformationFailure},
    // DL-CCCH-MessageType
    {DlCcch, 0, "cellUpdateConfirm", rrc::CellUpdateConfirm},
    {DlCcch, 1, "rrcConnectionReject", rrc::ConnectionReject},
    {DlCcch, 2, "rrcConnectionRelease", rrc::ConnectionReleaseCcch},
    {DlCcch, 3, "rrcConnectionSetup", rrc::ConnectionSetup},
    {DlCcch, 4, "uraUpdateConfirm", rrc::UraUpdateConfirm},
    // UL-CCCH-MessageType
    {UlCcch, 0, "cellUpdate", rrc::CellUpdate},
    {UlCcch, 1, "rrcConnectionRequest", rrc::ConnectionRequest},
    {UlCcch, 2, "uraUpdate", rrc::UraUpdate},
    // PCCH-MessageType
    {Pcch, 0, "pagingType1", rrc::PagingType1},
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
