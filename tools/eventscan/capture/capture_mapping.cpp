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

constexpr const char* kLteChannelFields[] = {
    "lte-rrc.BCCH_BCH_Message_element", "lte-rrc.BCCH_DL_SCH_Message_element", "lte-rrc.PCCH_Message_element",
    "lte-rrc.DL_CCCH_Message_element",  "lte-rrc.DL_DCCH_Message_element",     "lte-rrc.UL_CCCH_Message_element",
    "lte-rrc.UL_DCCH_Message_element"};
constexpr const char* kLteChannelNames[] = {"BCCH-BCH", "BCCH-DL-SCH", "PCCH", "DL-CCCH", "DL-DCCH", "UL-CCCH", "UL-DCCH"};

// 36.331 6.2.1: the message type CHOICEs of each channel.
constexpr LteChoice kLte[] = {
    // BCCH-BCH-Message: the Master Information Block, with no CHOICE
    {LteBcchBch, false, 0, "masterInformationBlock", lte::MasterInformationBlock},
    // BCCH-DL-SCH-MessageType
    {LteBcchDlSch, false, 0, "systemInformation", lte::SystemInformation},
    {LteBcchDlSch, false, 1, "systemInformationBlockType1", lte::SystemInformationBlockType1},
    // PCCH-MessageType
    {LtePcch, false, 0, "paging", lte::Paging},
    // DL-CCCH-MessageType
    {LteDlCcch, false, 0, "rrcConnectionReestablishment", lte::ConnectionReestablishment},
    {LteDlCcch, false, 1, "rrcConnectionReestablishmentReject", lte::ConnectionReestablishmentReject},
    {LteDlCcch, false, 2, "rrcConnectionReject", lte::ConnectionReject},
    {LteDlCcch, false, 3, "rrcConnectionSetup", lte::ConnectionSetup},
    // DL-DCCH-MessageType
    {LteDlDcch, false, 0, "csfbParametersResponseCDMA2000", 0},
    {LteDlDcch, false, 1, "dlInformationTransfer", lte::DlInformationTransfer},
    {LteDlDcch, false, 2, "handoverFromEUTRAPreparationRequest", lte::HandoverFromEutraPreparationRequest},
    {LteDlDcch, false, 3, "mobilityFromEUTRACommand", lte::MobilityFromEutraCommand},
    {LteDlDcch, false, 4, "rrcConnectionReconfiguration", lte::ConnectionReconfiguration},
    {LteDlDcch, false, 5, "rrcConnectionRelease", lte::ConnectionRelease},
    {LteDlDcch, false, 6, "securityModeCommand", lte::SecurityModeCommand},
    {LteDlDcch, false, 7, "ueCapabilityEnquiry", lte::UeCapabilityEnquiry},
    {LteDlDcch, false, 8, "counterCheck", lte::CounterCheck},
    {LteDlDcch, false, 9, "ueInformationRequest-r9", lte::UeInformationRequest},
    {LteDlDcch, false, 10, "loggedMeasurementConfiguration-r10", 0},
    {LteDlDcch, false, 11, "rnReconfiguration-r10", 0},
    {LteDlDcch, false, 12, "rrcConnectionResume-r13", 0},
    // UL-CCCH-MessageType
    {LteUlCcch, false, 0, "rrcConnectionReestablishmentRequest", lte::ConnectionReestablishmentRequest},
    {LteUlCcch, false, 1, "rrcConnectionRequest", lte::ConnectionRequest},
    {LteUlCcch, true, 0, "rrcConnectionResumeRequest-r13", 0},
    // UL-DCCH-MessageType
    {LteUlDcch, false, 0, "csfbParametersRequestCDMA2000", lte::CsfbParametersRequestCdma2000},
    {LteUlDcch, false, 1, "measurementReport", lte::MeasurementReport},
    {LteUlDcch, false, 2, "rrcConnectionReconfigurationComplete", lte::ConnectionReconfigurationComplete},
    {LteUlDcch, false, 3, "rrcConnectionReestablishmentComplete", lte::ConnectionReestablishmentComplete},
    {LteUlDcch, false, 4, "rrcConnectionSetupComplete", lte::ConnectionSetupComplete},
    {LteUlDcch, false, 5, "securityModeComplete", lte::SecurityModeComplete},
    {LteUlDcch, false, 6, "securityModeFailure", lte::SecurityModeFailure},
    {LteUlDcch, false, 7, "ueCapabilityInformation", lte::UeCapabilityInformation},
    {LteUlDcch, false, 8, "ulHandoverPreparationTransfer", 0},
    {LteUlDcch, false, 9, "ulInformationTransfer", lte::UlInformationTransfer},
    {LteUlDcch, false, 10, "counterCheckResponse", lte::CounterCheckResponse},
    {LteUlDcch, false, 11, "ueInformationResponse-r9", lte::UeInformationResponse},
    {LteUlDcch, false, 12, "proximityIndication-r9", 0},
    {LteUlDcch, false, 13, "rnReconfigurationComplete-r10", 0},
    {LteUlDcch, false, 14, "mbmsCountingResponse-r10", 0},
    {LteUlDcch, false, 15, "interFreqRSTDMeasurementIndication-r10", 0},
    {LteUlDcch, true, 0, "ueAssistanceInformation-r11", lte::UeAssistanceInformation},
    {LteUlDcch, true, 1, "inDeviceCoexIndication-r11", 0},
    {LteUlDcch, true, 2, "mbmsInterestIndication-r11", 0},
    {LteUlDcch, true, 3, "scgFailureInformation-r12", 0},
    {LteUlDcch, true, 4, "sidelinkUEInformation-r12", 0},
    {LteUlDcch, true, 5, "wlanConnectionStatusReport-r13", 0},
    {LteUlDcch, true, 6, "rrcConnectionResumeComplete-r13", 0},
    {LteUlDcch, true, 7, "ulInformationTransferMRDC-r15", 0},
    {LteUlDcch, true, 8, "scgFailureInformationNR-r15", lte::ScgFailureInformationNr},
    {LteUlDcch, true, 9, "measReportAppLayer-r15", 0},
    {LteUlDcch, true, 10, "failureInformation-r15", 0},
};

}  // namespace

std::span<const char* const> LteChannelFields() { return kLteChannelFields; }
const char* LteChannelName(uint8_t channel) { return channel < LteChannelCount ? kLteChannelNames[channel] : "?"; }
std::span<const LteChoice> LteChoices() { return kLte; }

const LteChoice* FindLteChoice(uint8_t channel, bool extension, uint8_t choice) {
  for (const LteChoice& c : kLte)
    if (c.Channel == channel && c.Extension == extension && c.Choice == choice) return &c;
  return nullptr;
}

int EpsNasDirection(uint32_t code) {
  if ((code & 0xFFFF0000u) != eps::Prefix) return -1;
  const uint32_t pd = code >> 8 & 0xFF, type = code & 0xFF;
  if (pd == 0x07) {
    switch (type) {
      case 0x45: case 0x46: case 0x60: return -1;  // detach request and accept, EMM status
      case 0x41: case 0x43: case 0x48: case 0x4A: case 0x4C: case 0x4D: case 0x51: case 0x53: case 0x56:
      case 0x5C: case 0x5E: case 0x5F: case 0x63: case 0x69:
        return 1;
      default: return 0;
    }
  }
  if (pd == 0x02) {
    switch (type) {
      case 0xE8: return -1;  // ESM status
      case 0xC2: case 0xC3: case 0xC6: case 0xC7: case 0xCA: case 0xCB: case 0xCE: case 0xD0: case 0xD2:
      case 0xD4: case 0xD6: case 0xDA:
        return 1;
      default: return 0;
    }
  }
  return -1;
}

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
