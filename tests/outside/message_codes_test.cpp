// eventmanager/outside/message_codes.h against the decoder catalogues: each
// constant is the catalogue entry it is named after, in its network's
// catalogue and no other, and every constant of the header has a row here.
// The expected names are the catalogue's (3GPP message names), by hand.
#include <cstdint>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventmanager/outside/message_codes.h"
#include "testing/decoder_catalogues.h"

namespace {

enum Net { Gsm, Cdma, Wcdma, Tdscdma, Lte };

// The catalogues a namespace's codes belong to: RRC and the 3G NAS are in
// both 3G catalogues, tdscdma holds the TD-SCDMA catalogue's own messages,
// lte (RRC) and eps (NAS) the LTE catalogue.
const std::map<std::string, std::set<Net>> kCatalogues = {
    {"gsm", {Gsm}}, {"cdma", {Cdma}}, {"rrc", {Wcdma, Tdscdma}}, {"nas", {Wcdma, Tdscdma}}, {"tdscdma", {Tdscdma}},
    {"lte", {Lte}}, {"eps", {Lte}},
};

struct CodeRow {
  std::string Constant;  // as written, "rrc::ConnectionRelease"
  uint32_t Code;
  const char* Name;  // the catalogue's name of the message
};
#define CODE(constant, name) {#constant, constant, name}

const CodeRow kCodes[] = {
    CODE(gsm::LocationUpdatingAccept, "Location Updating Accept"),
    CODE(gsm::LocationUpdatingRequest, "Location Updating Request"),
    CODE(gsm::CmServiceRequest, "CM Service Request"),
    CODE(gsm::CmReestablishmentRequest, "CM Re-establishment Request"),
    CODE(gsm::MeasurementReport, "Measurement Report"),
    CODE(gsm::SystemInformationType1, "System Information Type 1"),
    CODE(gsm::SystemInformationType2, "System Information Type 2"),
    CODE(gsm::SystemInformationType3, "System Information Type 3"),
    CODE(gsm::HandoverCommand, "Handover Command"),
    CODE(gsm::AssignmentCommand, "Assignment Command"),
    CODE(gsm::Alerting, "Alerting"),
    CODE(gsm::Setup, "Setup"),
    CODE(gsm::Connect, "Connect"),
    CODE(gsm::Disconnect, "Disconnect"),

    CODE(nas::ImsiDetachIndication, "IMSI Detach Indication"),
    CODE(nas::LocationUpdatingReject, "Location Updating Reject"),
    CODE(nas::LocationUpdatingRequest, "Location Updating Request"),
    CODE(nas::AuthenticationReject, "Authentication Reject"),
    CODE(nas::AuthenticationRequest, "Authentication Request"),
    CODE(nas::IdentityRequest, "Identity Request"),
    CODE(nas::TmsiReallocationCommand, "TMSI Reallocation Command"),
    CODE(nas::AuthenticationFailure, "Authentication Failure"),
    CODE(nas::CmServiceReject, "CM Service Reject"),
    CODE(nas::CmServiceRequest, "CM Service Request"),
    CODE(nas::CmReestablishmentRequest, "CM Re-establishment Request"),
    CODE(nas::Abort, "Abort"),
    CODE(nas::MmStatus, "MM Status"),
    CODE(nas::ChannelRelease, "Channel Release"),
    CODE(nas::RrStatus, "RR Status"),
    CODE(nas::MeasurementReport, "Measurement Report"),
    CODE(nas::PagingRequestType1, "Paging Request Type 1"),
    CODE(nas::PagingRequestType2, "Paging Request Type 2"),
    CODE(nas::PagingRequestType3, "Paging Request Type 3"),
    CODE(nas::HandoverFailure, "Handover Failure"),
    CODE(nas::HandoverCommand, "Handover Command"),
    CODE(nas::AssignmentCommand, "Assignment Command"),
    CODE(nas::AssignmentFailure, "Assignment Failure"),
    CODE(nas::ImmediateAssignmentExtended, "Immediate Assignment Extended"),
    CODE(nas::ImmediateAssignmentReject, "Immediate Assignment Reject"),
    CODE(nas::ImmediateAssignment, "Immediate Assignment"),
    CODE(nas::AttachReject, "Attach Reject"),
    CODE(nas::DetachRequest, "Detach Request"),
    CODE(nas::RoutingAreaUpdateRequest, "Routing Area Update Request"),
    CODE(nas::RoutingAreaUpdateReject, "Routing Area Update Reject"),
    CODE(nas::ServiceReject, "Service Reject"),
    CODE(nas::GmmStatus, "GMM Status"),
    CODE(nas::CpData, "CP-DATA"),
    CODE(nas::CpError, "CP-ERROR"),
    CODE(nas::ActivatePdpContextReject, "Activate PDP Context Reject"),
    CODE(nas::RequestPdpContextActivationReject, "Request PDP Context Activation Reject"),
    CODE(nas::DeactivatePdpContextRequest, "Deactivate PDP Context Request"),
    CODE(nas::ModifyPdpContextReject, "Modify PDP Context Reject"),
    CODE(nas::ActivateSecondaryPdpContextReject, "Activate Secondary PDP Context Reject"),
    CODE(nas::SmStatus, "SM Status"),
    CODE(nas::Setup, "Setup"),
    CODE(nas::ModifyReject, "Modify Reject"),
    CODE(nas::HoldReject, "Hold Reject"),
    CODE(nas::RetrieveReject, "Retrieve Reject"),
    CODE(nas::Disconnect, "Disconnect"),
    CODE(nas::ReleaseComplete, "Release Complete"),
    CODE(nas::Release, "Release"),
    CODE(nas::StartDtmfReject, "Start DTMF Reject"),
    CODE(nas::Status, "Status"),
    CODE(nas::RpDataMsToNetwork, "RP-DATA (MS to Network)"),
    CODE(nas::RpErrorMsToNetwork, "RP-ERROR (MS to Network)"),
    CODE(nas::RpErrorNetworkToMs, "RP-ERROR (Network to MS)"),

    CODE(rrc::ConnectionRequest, "RRC Connection Request"),
    CODE(rrc::ConnectionReject, "RRC Connection Reject"),
    CODE(rrc::CellUpdate, "Cell Update"),
    CODE(rrc::UraUpdate, "URA Update"),
    CODE(rrc::CellUpdateConfirm, "Cell Update Confirm"),
    CODE(rrc::UraUpdateConfirm, "URA Update Confirm"),
    CODE(rrc::ConnectionReleaseCcch, "RRC Connection Release (CCCH)"),
    CODE(rrc::InitialDirectTransfer, "Initial Direct Transfer"),
    CODE(rrc::UplinkDirectTransfer, "Uplink Direct Transfer"),
    CODE(rrc::DownlinkDirectTransfer, "Downlink Direct Transfer"),
    CODE(rrc::PagingType1, "Paging Type 1"),
    CODE(rrc::PagingType2, "Paging Type 2"),
    CODE(rrc::SystemInformationBlock, "System Information Block"),
    CODE(rrc::MeasurementControl, "Measurement Control"),
    CODE(rrc::MeasurementReport, "Measurement Report"),
    CODE(rrc::ActiveSetUpdate, "Active Set Update"),
    CODE(rrc::ActiveSetUpdateComplete, "Active Set Update Complete"),
    CODE(rrc::ActiveSetUpdateFailure, "Active Set Update Failure"),
    CODE(rrc::HandoverFromUtranCommand, "Handover from UTRAN Command"),
    CODE(rrc::HandoverFromUtranFailure, "Handover from UTRAN Failure"),
    CODE(rrc::HandoverToUtranComplete, "Handover to UTRAN Complete"),
    CODE(rrc::CellChangeOrderFromUtran, "Cell Change Order from UTRAN"),
    CODE(rrc::CellChangeOrderFromUtranFailure, "Cell Change Order from UTRAN Failure"),
    CODE(rrc::UtranMobilityInformation, "UTRAN Mobility Information"),
    CODE(rrc::UtranMobilityInformationConfirm, "UTRAN Mobility Information Confirm"),
    CODE(rrc::UtranMobilityInformationFailure, "UTRAN Mobility Information Failure"),
    CODE(rrc::MeasurementControlFailure, "Measurement Control Failure"),
    CODE(rrc::ConnectionSetup, "RRC Connection Setup"),
    CODE(rrc::ConnectionSetupComplete, "RRC Connection Setup Complete"),
    CODE(rrc::SignallingConnectionRelease, "Signalling Connection Release"),
    CODE(rrc::SignallingConnectionReleaseIndication, "Signalling Connection Release Indication"),
    CODE(rrc::SecurityModeCommand, "Security Mode Command"),
    CODE(rrc::SecurityModeComplete, "Security Mode Complete"),
    CODE(rrc::SecurityModeFailure, "Security Mode Failure"),
    CODE(rrc::UeCapabilityEnquiry, "UE Capability Enquiry"),
    CODE(rrc::UeCapabilityInformation, "UE Capability Information"),
    CODE(rrc::UeCapabilityInformationConfirm, "UE Capability Information Confirm"),
    CODE(rrc::CounterCheck, "Counter Check"),
    CODE(rrc::CounterCheckResponse, "Counter Check Response"),
    CODE(rrc::Status, "RRC Status"),
    CODE(rrc::RadioBearerSetupComplete, "Radio Bearer Setup Complete"),
    CODE(rrc::RadioBearerSetupFailure, "Radio Bearer Setup Failure"),
    CODE(rrc::RadioBearerSetup, "Radio Bearer Setup"),
    CODE(rrc::RadioBearerReconfigurationComplete, "Radio Bearer Reconfiguration Complete"),
    CODE(rrc::RadioBearerReconfigurationFailure, "Radio Bearer Reconfiguration Failure"),
    CODE(rrc::TransportChannelReconfigurationComplete, "Transport Channel Reconfiguration Complete"),
    CODE(rrc::TransportChannelReconfigurationFailure, "Transport Channel Reconfiguration Failure"),
    CODE(rrc::PhysicalChannelReconfigurationComplete, "Physical Channel Reconfiguration Complete"),
    CODE(rrc::PhysicalChannelReconfigurationFailure, "Physical Channel Reconfiguration Failure"),
    CODE(rrc::RadioBearerReconfiguration, "Radio Bearer Reconfiguration"),
    CODE(rrc::RadioBearerReleaseComplete, "Radio Bearer Release Complete"),
    CODE(rrc::TransportChannelReconfiguration, "Transport Channel Reconfiguration"),
    CODE(rrc::RadioBearerReleaseFailure, "Radio Bearer Release Failure"),
    CODE(rrc::PhysicalSharedChannelAllocation, "Physical Shared Channel Allocation"),
    CODE(rrc::RadioBearerRelease, "Radio Bearer Release"),
    CODE(rrc::UplinkPhysicalChannelControl, "Uplink Physical Channel Control"),
    CODE(rrc::TransportFormatCombinationControl, "Transport Format Combination Control"),
    CODE(rrc::PhysicalChannelReconfiguration, "Physical Channel Reconfiguration"),
    CODE(rrc::ConnectionRelease, "RRC Connection Release"),
    CODE(rrc::ConnectionReleaseComplete, "RRC Connection Release Complete"),

    CODE(cdma::Origination, "Origination"),
    CODE(cdma::ReleaseOrderMobileStation, "Release Order (Mobile Station)"),
    CODE(cdma::HandoffCompletion, "Handoff Completion"),
    CODE(cdma::ExtendedReleaseResponse, "Extended Release Response"),
    CODE(cdma::ReorderOrder, "Reorder Order"),
    CODE(cdma::InterceptOrder, "Intercept Order"),
    CODE(cdma::ReleaseOrderPagingChannel, "Release Order (Paging Channel)"),
    CODE(cdma::RegistrationAcceptedRejectedOrder, "Registration Accepted/Rejected Order"),
    CODE(cdma::RetryOrder, "Retry Order"),
    CODE(cdma::ServiceRedirection, "Service Redirection"),
    CODE(cdma::GlobalServiceRedirection, "Global Service Redirection"),
    CODE(cdma::ReleaseOrder, "Release Order"),
    CODE(cdma::HandoffDirection, "Handoff Direction"),
    CODE(cdma::ExtendedHandoffDirection, "Extended Handoff Direction"),
    CODE(cdma::ServiceRedirectionTrafficChannel, "Service Redirection (Traffic Channel)"),
    CODE(cdma::GeneralHandoffDirection, "General Handoff Direction"),
    CODE(cdma::UniversalHandoffDirection, "Universal Handoff Direction"),
    CODE(cdma::ExtendedRelease, "Extended Release"),
    CODE(cdma::ExtendedReleaseMini, "Extended Release Mini"),
    CODE(cdma::AccessProbeInfo, "CDMA Access Probe Info"),
    CODE(cdma::ConnectionDeny, "Connection Deny"),
    CODE(cdma::ConnectionClose, "Connection Close"),
    CODE(cdma::SessionClose, "Session Close"),

    CODE(tdscdma::MmTimerExpiryIndication, "MM Timer Expiry Indication"),

    CODE(lte::MasterInformationBlock, "Master Information Block"),
    CODE(lte::SystemInformationBlockType1, "System Information Block Type 1"),
    CODE(lte::SystemInformation, "System Information"),
    CODE(lte::Paging, "Paging"),
    CODE(lte::ConnectionRequest, "RRC Connection Request"),
    CODE(lte::ConnectionSetup, "RRC Connection Setup"),
    CODE(lte::ConnectionReject, "RRC Connection Reject"),
    CODE(lte::ConnectionReestablishmentRequest, "RRC Connection Reestablishment Request"),
    CODE(lte::ConnectionReestablishment, "RRC Connection Reestablishment"),
    CODE(lte::ConnectionReestablishmentReject, "RRC Connection Reestablishment Reject"),
    CODE(lte::ConnectionSetupComplete, "RRC Connection Setup Complete"),
    CODE(lte::ConnectionRelease, "RRC Connection Release"),
    CODE(lte::ConnectionReconfiguration, "RRC Connection Reconfiguration"),
    CODE(lte::ConnectionReconfigurationComplete, "RRC Connection Reconfiguration Complete"),
    CODE(lte::ConnectionReestablishmentComplete, "RRC Connection Reestablishment Complete"),
    CODE(lte::SecurityModeCommand, "Security Mode Command"),
    CODE(lte::SecurityModeComplete, "Security Mode Complete"),
    CODE(lte::SecurityModeFailure, "Security Mode Failure"),
    CODE(lte::UeCapabilityEnquiry, "UE Capability Enquiry"),
    CODE(lte::UeCapabilityInformation, "UE Capability Information"),
    CODE(lte::MeasurementReport, "Measurement Report"),
    CODE(lte::MobilityFromEutraCommand, "Mobility From E-UTRA Command"),
    CODE(lte::DlInformationTransfer, "DL Information Transfer"),
    CODE(lte::UlInformationTransfer, "UL Information Transfer"),
    CODE(lte::UeInformationRequest, "UE Information Request"),
    CODE(lte::UeInformationResponse, "UE Information Response"),
    CODE(lte::ScgFailureInformationNr, "SCG Failure Information NR"),
    CODE(lte::CounterCheck, "Counter Check"),
    CODE(lte::CounterCheckResponse, "Counter Check Response"),
    CODE(lte::UeAssistanceInformation, "UE Assistance Information"),
    CODE(lte::HandoverFromEutraPreparationRequest, "Handover From E-UTRA Preparation Request"),
    CODE(lte::CsfbParametersRequestCdma2000, "CSFB Parameters Request CDMA2000"),

    CODE(eps::AttachRequest, "Attach Request"),
    CODE(eps::AttachAccept, "Attach Accept"),
    CODE(eps::AttachComplete, "Attach Complete"),
    CODE(eps::AttachReject, "Attach Reject"),
    CODE(eps::DetachRequest, "Detach Request"),
    CODE(eps::DetachAccept, "Detach Accept"),
    CODE(eps::TrackingAreaUpdateRequest, "Tracking Area Update Request"),
    CODE(eps::TrackingAreaUpdateAccept, "Tracking Area Update Accept"),
    CODE(eps::TrackingAreaUpdateComplete, "Tracking Area Update Complete"),
    CODE(eps::TrackingAreaUpdateReject, "Tracking Area Update Reject"),
    CODE(eps::ExtendedServiceRequest, "Extended Service Request"),
    CODE(eps::ServiceRequest, "Service Request"),
    CODE(eps::ServiceReject, "Service Reject"),
    CODE(eps::ServiceAccept, "Service Accept"),
    CODE(eps::GutiReallocationCommand, "GUTI Reallocation Command"),
    CODE(eps::GutiReallocationComplete, "GUTI Reallocation Complete"),
    CODE(eps::AuthenticationRequest, "Authentication Request"),
    CODE(eps::AuthenticationResponse, "Authentication Response"),
    CODE(eps::AuthenticationReject, "Authentication Reject"),
    CODE(eps::IdentityRequest, "Identity Request"),
    CODE(eps::IdentityResponse, "Identity Response"),
    CODE(eps::AuthenticationFailure, "Authentication Failure"),
    CODE(eps::SecurityModeCommand, "Security Mode Command"),
    CODE(eps::SecurityModeComplete, "Security Mode Complete"),
    CODE(eps::SecurityModeReject, "Security Mode Reject"),
    CODE(eps::EmmStatus, "EMM Status"),
    CODE(eps::EmmInformation, "EMM Information"),
    CODE(eps::DownlinkNasTransport, "Downlink NAS Transport"),
    CODE(eps::UplinkNasTransport, "Uplink NAS Transport"),
    CODE(eps::CsServiceNotification, "CS Service Notification"),
    CODE(eps::DownlinkGenericNasTransport, "Downlink Generic NAS Transport"),
    CODE(eps::UplinkGenericNasTransport, "Uplink Generic NAS Transport"),
    CODE(eps::CipheredNas, "Ciphered NAS"),
    CODE(eps::ActivateDefaultEpsBearerContextRequest, "Activate Default EPS Bearer Context Request"),
    CODE(eps::ActivateDefaultEpsBearerContextAccept, "Activate Default EPS Bearer Context Accept"),
    CODE(eps::ActivateDefaultEpsBearerContextReject, "Activate Default EPS Bearer Context Reject"),
    CODE(eps::ActivateDedicatedEpsBearerContextRequest, "Activate Dedicated EPS Bearer Context Request"),
    CODE(eps::ActivateDedicatedEpsBearerContextAccept, "Activate Dedicated EPS Bearer Context Accept"),
    CODE(eps::ActivateDedicatedEpsBearerContextReject, "Activate Dedicated EPS Bearer Context Reject"),
    CODE(eps::ModifyEpsBearerContextRequest, "Modify EPS Bearer Context Request"),
    CODE(eps::ModifyEpsBearerContextAccept, "Modify EPS Bearer Context Accept"),
    CODE(eps::ModifyEpsBearerContextReject, "Modify EPS Bearer Context Reject"),
    CODE(eps::DeactivateEpsBearerContextRequest, "Deactivate EPS Bearer Context Request"),
    CODE(eps::DeactivateEpsBearerContextAccept, "Deactivate EPS Bearer Context Accept"),
    CODE(eps::PdnConnectivityRequest, "PDN Connectivity Request"),
    CODE(eps::PdnConnectivityReject, "PDN Connectivity Reject"),
    CODE(eps::PdnDisconnectRequest, "PDN Disconnect Request"),
    CODE(eps::PdnDisconnectReject, "PDN Disconnect Reject"),
    CODE(eps::BearerResourceAllocationRequest, "Bearer Resource Allocation Request"),
    CODE(eps::BearerResourceAllocationReject, "Bearer Resource Allocation Reject"),
    CODE(eps::BearerResourceModificationRequest, "Bearer Resource Modification Request"),
    CODE(eps::BearerResourceModificationReject, "Bearer Resource Modification Reject"),
    CODE(eps::EsmInformationRequest, "ESM Information Request"),
    CODE(eps::EsmInformationResponse, "ESM Information Response"),
    CODE(eps::Notification, "Notification"),
    CODE(eps::EsmStatus, "ESM Status"),
};

// A prefix is the upper half of the codes of the catalogue groups (the
// protocols shown in the description, "Setup [CC]") listed with it.
struct PrefixRow {
  std::string Constant;
  uint32_t Prefix;
  std::set<std::string> Protocols;
};
#define PREFIX(constant, ...) {#constant, constant, {__VA_ARGS__}}

const PrefixRow kPrefixes[] = {
    PREFIX(gsm::Prefix, "RR", "MM", "CC", "GMM", "SM", "SMS CP", "SMS RP"),
    PREFIX(nas::Prefix, "RR", "MM", "CC", "GMM", "SM", "SMS CP", "SMS RP"),
    PREFIX(rrc::Prefix, "RRC"),
    PREFIX(lte::Prefix, "RRC"),
    PREFIX(eps::Prefix, "EMM", "ESM"),
};

std::string namespaceOf(const std::string& constant) { return constant.substr(0, constant.find("::")); }

// "Setup [CC]" -> "CC"
std::string protocolOf(const std::string& desc) {
  size_t open = desc.rfind(" [");
  return open == std::string::npos || desc.back() != ']' ? "" : desc.substr(open + 2, desc.size() - open - 3);
}

// Every constant the header defines, "ns::Name", read from its text. Fails
// the test when a definition is written in a form the reader does not know.
std::vector<std::string> headerConstants() {
  std::ifstream in(EVENTMANAGER_SOURCE_DIR "/include/eventmanager/outside/message_codes.h");
  EXPECT_TRUE(in) << "message_codes.h not found";
  const std::regex opens(R"(^namespace (\w+) \{$)");
  const std::regex defines(R"(^inline constexpr uint32_t (\w+) = 0x[0-9A-F]{8};$)");
  std::vector<std::string> constants;
  std::string ns, line;
  int definitions = 0;
  for (int number = 1; std::getline(in, line); ++number) {
    std::smatch m;
    if (std::regex_match(line, m, opens)) ns = m[1];
    if (line.find("constexpr") != std::string::npos && line.rfind("//", 0) != 0) ++definitions;
    if (std::regex_match(line, m, defines)) {
      EXPECT_FALSE(ns.empty()) << "line " << number << " outside a namespace";
      constants.push_back(ns + "::" + m[1].str());
    }
  }
  EXPECT_EQ(definitions, static_cast<int>(constants.size())) << "a definition the reader cannot parse";
  return constants;
}

}  // namespace

TEST(MessageCodes, EveryConstantIsTheCatalogueEntryItIsNamedAfter) {
  std::set<std::string> rows;
  std::set<uint32_t> codes;
  for (const CodeRow& row : kCodes) {
    SCOPED_TRACE(row.Constant);
    EXPECT_TRUE(rows.insert(row.Constant).second) << "two rows";
    EXPECT_TRUE(codes.insert(row.Code).second) << "a code named twice";
    ASSERT_EQ(kCatalogues.count(namespaceOf(row.Constant)), 1u);
    const std::set<Net>& own = kCatalogues.at(namespaceOf(row.Constant));
    for (int net = Gsm; net <= Lte; ++net) {
      SCOPED_TRACE(kDecoderCatalogues[net].Name);
      EXPECT_EQ(kDecoderCatalogues[net].MsgName(row.Code), own.count(Net(net)) ? row.Name : "");
    }
  }
  for (const PrefixRow& row : kPrefixes) {
    SCOPED_TRACE(row.Constant);
    EXPECT_TRUE(rows.insert(row.Constant).second) << "two rows";
    EXPECT_EQ(row.Prefix & 0xFFFFu, 0u);
    for (Net net : kCatalogues.at(namespaceOf(row.Constant))) {
      const TDecoderCatalogue& d = kDecoderCatalogues[net];
      int listed = 0;
      for (int i = 0; i < d.Count(); ++i) {
        const bool under = (d.Code(i) & 0xFFFF0000u) == row.Prefix;
        EXPECT_EQ(under, row.Protocols.count(protocolOf(d.Desc(i))) == 1) << d.Name << ": " << d.Desc(i);
        listed += under;
      }
      EXPECT_GT(listed, 0) << d.Name;
    }
  }
  // A constant added to the header needs its row above.
  const std::vector<std::string> constants = headerConstants();
  const std::set<std::string> defined(constants.begin(), constants.end());
  EXPECT_EQ(defined.size(), constants.size()) << "a constant defined twice";
  for (const std::string& c : defined) EXPECT_EQ(rows.count(c), 1u) << c << " has no row";
  for (const std::string& r : rows) EXPECT_EQ(defined.count(r), 1u) << r << " is not read from the header";
}
