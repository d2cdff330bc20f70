// Message codes by catalogue name: every code that the library, the outside
// components and their tools and tests name, written here once. A constant
// is named after its entry in the network's decoder catalogue, in CamelCase
// (rrc::ConnectionRelease is "RRC Connection Release"); tests/outside checks each.
#pragma once

#include <cstdint>

// The GSM catalogue: core-network layer 3 under 0x012F0000; the low 16 bits
// are the group byte (the protocol discriminator, 0x13 for CC) and the
// message type of the protocol.
namespace gsm {

inline constexpr uint32_t Prefix = 0x012F0000;

// MM (3GPP TS 24.008)
inline constexpr uint32_t LocationUpdatingAccept = 0x012F0502;
inline constexpr uint32_t LocationUpdatingRequest = 0x012F0508;
inline constexpr uint32_t CmServiceRequest = 0x012F0524;
inline constexpr uint32_t CmReestablishmentRequest = 0x012F0528;

// RR (3GPP TS 44.018)
inline constexpr uint32_t MeasurementReport = 0x012F0615;
inline constexpr uint32_t SystemInformationType1 = 0x012F0619;
inline constexpr uint32_t SystemInformationType2 = 0x012F061A;
inline constexpr uint32_t SystemInformationType3 = 0x012F061B;
inline constexpr uint32_t HandoverCommand = 0x012F062B;
inline constexpr uint32_t AssignmentCommand = 0x012F062E;

// CC (3GPP TS 24.008)
inline constexpr uint32_t Alerting = 0x012F1301;
inline constexpr uint32_t Setup = 0x012F1305;
inline constexpr uint32_t Connect = 0x012F1307;
inline constexpr uint32_t Disconnect = 0x012F1325;

}  // namespace gsm

// Core-network layer 3 of the WCDMA and TD-SCDMA catalogues, under
// 0x512F0000; the low 16 bits are those of the same message in gsm.
namespace nas {

inline constexpr uint32_t Prefix = 0x512F0000;

// MM (3GPP TS 24.008)
inline constexpr uint32_t ImsiDetachIndication = 0x512F0501;
inline constexpr uint32_t LocationUpdatingReject = 0x512F0504;
inline constexpr uint32_t LocationUpdatingRequest = 0x512F0508;
inline constexpr uint32_t AuthenticationReject = 0x512F0511;
inline constexpr uint32_t AuthenticationRequest = 0x512F0512;
inline constexpr uint32_t IdentityRequest = 0x512F0518;
inline constexpr uint32_t TmsiReallocationCommand = 0x512F051A;
inline constexpr uint32_t AuthenticationFailure = 0x512F051C;
inline constexpr uint32_t CmServiceReject = 0x512F0522;
inline constexpr uint32_t CmServiceRequest = 0x512F0524;
inline constexpr uint32_t CmReestablishmentRequest = 0x512F0528;
inline constexpr uint32_t Abort = 0x512F0529;
inline constexpr uint32_t MmStatus = 0x512F0531;

// RR (3GPP TS 44.018)
inline constexpr uint32_t ChannelRelease = 0x512F060D;
inline constexpr uint32_t RrStatus = 0x512F0612;
inline constexpr uint32_t MeasurementReport = 0x512F0615;
inline constexpr uint32_t PagingRequestType1 = 0x512F0621;
inline constexpr uint32_t PagingRequestType2 = 0x512F0622;
inline constexpr uint32_t PagingRequestType3 = 0x512F0624;
inline constexpr uint32_t HandoverFailure = 0x512F0628;
inline constexpr uint32_t HandoverCommand = 0x512F062B;
inline constexpr uint32_t AssignmentCommand = 0x512F062E;
inline constexpr uint32_t AssignmentFailure = 0x512F062F;
inline constexpr uint32_t ImmediateAssignmentExtended = 0x512F0639;
inline constexpr uint32_t ImmediateAssignmentReject = 0x512F063A;
inline constexpr uint32_t ImmediateAssignment = 0x512F063F;

// GMM (3GPP TS 24.008)
inline constexpr uint32_t AttachReject = 0x512F0804;
inline constexpr uint32_t DetachRequest = 0x512F0805;
inline constexpr uint32_t RoutingAreaUpdateRequest = 0x512F0808;
inline constexpr uint32_t RoutingAreaUpdateReject = 0x512F080B;
inline constexpr uint32_t ServiceReject = 0x512F080E;
inline constexpr uint32_t GmmStatus = 0x512F0820;

// SMS CP (3GPP TS 24.011)
inline constexpr uint32_t CpData = 0x512F0901;
inline constexpr uint32_t CpError = 0x512F0910;

// SM (3GPP TS 24.008)
inline constexpr uint32_t ActivatePdpContextReject = 0x512F0A43;
inline constexpr uint32_t RequestPdpContextActivationReject = 0x512F0A45;
inline constexpr uint32_t DeactivatePdpContextRequest = 0x512F0A46;
inline constexpr uint32_t ModifyPdpContextReject = 0x512F0A4C;
inline constexpr uint32_t ActivateSecondaryPdpContextReject = 0x512F0A4F;
inline constexpr uint32_t SmStatus = 0x512F0A55;

// CC (3GPP TS 24.008)
inline constexpr uint32_t Setup = 0x512F1305;
inline constexpr uint32_t ModifyReject = 0x512F1313;
inline constexpr uint32_t HoldReject = 0x512F131A;
inline constexpr uint32_t RetrieveReject = 0x512F131E;
inline constexpr uint32_t Disconnect = 0x512F1325;
inline constexpr uint32_t ReleaseComplete = 0x512F132A;
inline constexpr uint32_t Release = 0x512F132D;
inline constexpr uint32_t StartDtmfReject = 0x512F1337;
inline constexpr uint32_t Status = 0x512F133D;

// SMS RP (3GPP TS 24.011)
inline constexpr uint32_t RpDataMsToNetwork = 0x512F1A00;
inline constexpr uint32_t RpErrorMsToNetwork = 0x512F1A04;
inline constexpr uint32_t RpErrorNetworkToMs = 0x512F1A05;

}  // namespace nas

// RRC of the WCDMA and TD-SCDMA catalogues (3GPP TS 25.331), under
// 0x412F0000; the low 16 bits are a group byte and a running number.
namespace rrc {

inline constexpr uint32_t Prefix = 0x412F0000;

// Common channels (0x00)
inline constexpr uint32_t ConnectionRequest = 0x412F0001;
inline constexpr uint32_t ConnectionReject = 0x412F0002;
inline constexpr uint32_t CellUpdate = 0x412F0003;
inline constexpr uint32_t UraUpdate = 0x412F0004;
inline constexpr uint32_t CellUpdateConfirm = 0x412F0005;
inline constexpr uint32_t UraUpdateConfirm = 0x412F0006;
inline constexpr uint32_t ConnectionReleaseCcch = 0x412F0007;
inline constexpr uint32_t InitialDirectTransfer = 0x412F0008;
inline constexpr uint32_t UplinkDirectTransfer = 0x412F0009;
inline constexpr uint32_t DownlinkDirectTransfer = 0x412F000A;
inline constexpr uint32_t PagingType1 = 0x412F000B;
inline constexpr uint32_t PagingType2 = 0x412F000C;
inline constexpr uint32_t SystemInformationBlock = 0x412F000E;

// Mobility and measurement (0x01)
inline constexpr uint32_t MeasurementControl = 0x412F0101;
inline constexpr uint32_t MeasurementReport = 0x412F0102;
inline constexpr uint32_t ActiveSetUpdate = 0x412F0103;
inline constexpr uint32_t ActiveSetUpdateComplete = 0x412F0104;
inline constexpr uint32_t ActiveSetUpdateFailure = 0x412F0105;
inline constexpr uint32_t HandoverFromUtranCommand = 0x412F0106;
inline constexpr uint32_t HandoverFromUtranFailure = 0x412F0107;
inline constexpr uint32_t HandoverToUtranComplete = 0x412F0109;
inline constexpr uint32_t CellChangeOrderFromUtran = 0x412F010A;
inline constexpr uint32_t CellChangeOrderFromUtranFailure = 0x412F010B;
inline constexpr uint32_t UtranMobilityInformation = 0x412F010C;
inline constexpr uint32_t UtranMobilityInformationConfirm = 0x412F010D;
inline constexpr uint32_t UtranMobilityInformationFailure = 0x412F010E;
inline constexpr uint32_t MeasurementControlFailure = 0x412F010F;

// Connection control (0x02)
inline constexpr uint32_t ConnectionSetup = 0x412F0201;
inline constexpr uint32_t ConnectionSetupComplete = 0x412F0202;
inline constexpr uint32_t SignallingConnectionRelease = 0x412F0203;
inline constexpr uint32_t SignallingConnectionReleaseIndication = 0x412F0204;
inline constexpr uint32_t SecurityModeCommand = 0x412F0205;
inline constexpr uint32_t SecurityModeComplete = 0x412F0206;
inline constexpr uint32_t SecurityModeFailure = 0x412F0207;
inline constexpr uint32_t UeCapabilityEnquiry = 0x412F0208;
inline constexpr uint32_t UeCapabilityInformation = 0x412F0209;
inline constexpr uint32_t UeCapabilityInformationConfirm = 0x412F020A;
inline constexpr uint32_t CounterCheck = 0x412F020B;
inline constexpr uint32_t CounterCheckResponse = 0x412F020C;
inline constexpr uint32_t Status = 0x412F020D;

// Radio bearers and channels (0x03)
inline constexpr uint32_t RadioBearerSetupComplete = 0x412F0301;
inline constexpr uint32_t RadioBearerSetupFailure = 0x412F0302;
inline constexpr uint32_t RadioBearerSetup = 0x412F0304;
inline constexpr uint32_t RadioBearerReconfigurationComplete = 0x412F0305;
inline constexpr uint32_t RadioBearerReconfigurationFailure = 0x412F0306;
inline constexpr uint32_t TransportChannelReconfigurationComplete = 0x412F0307;
inline constexpr uint32_t TransportChannelReconfigurationFailure = 0x412F0308;
inline constexpr uint32_t PhysicalChannelReconfigurationComplete = 0x412F0309;
inline constexpr uint32_t PhysicalChannelReconfigurationFailure = 0x412F030A;
inline constexpr uint32_t RadioBearerReconfiguration = 0x412F030B;
inline constexpr uint32_t RadioBearerReleaseComplete = 0x412F030C;
inline constexpr uint32_t TransportChannelReconfiguration = 0x412F030D;
inline constexpr uint32_t RadioBearerReleaseFailure = 0x412F030E;
inline constexpr uint32_t PhysicalSharedChannelAllocation = 0x412F030F;
inline constexpr uint32_t RadioBearerRelease = 0x412F0310;
inline constexpr uint32_t UplinkPhysicalChannelControl = 0x412F0311;
inline constexpr uint32_t TransportFormatCombinationControl = 0x412F0312;
inline constexpr uint32_t PhysicalChannelReconfiguration = 0x412F0313;

// Connection release (0x04)
inline constexpr uint32_t ConnectionRelease = 0x412F0401;
inline constexpr uint32_t ConnectionReleaseComplete = 0x412F0402;

}  // namespace rrc

// The CDMA catalogue (IS-2000 layer 3 and EV-DO): 0x10CCMMoo, CC the
// channel, MM the message type, oo the order code of an order message.
namespace cdma {

// Access Channel
inline constexpr uint32_t Origination = 0x10040400;

// Reverse Traffic Channel
inline constexpr uint32_t ReleaseOrderMobileStation = 0x10050115;
inline constexpr uint32_t HandoffCompletion = 0x10050A00;
inline constexpr uint32_t ExtendedReleaseResponse = 0x10051800;

// Paging Channel
inline constexpr uint32_t ReorderOrder = 0x10060704;
inline constexpr uint32_t InterceptOrder = 0x10060709;
inline constexpr uint32_t ReleaseOrderPagingChannel = 0x10060715;
inline constexpr uint32_t RegistrationAcceptedRejectedOrder = 0x1006071B;
inline constexpr uint32_t RetryOrder = 0x1006071E;
inline constexpr uint32_t ServiceRedirection = 0x10061000;
inline constexpr uint32_t GlobalServiceRedirection = 0x10061200;

// Forward Traffic Channel
inline constexpr uint32_t ReleaseOrder = 0x10080115;
inline constexpr uint32_t HandoffDirection = 0x10080500;
inline constexpr uint32_t ExtendedHandoffDirection = 0x10081100;
inline constexpr uint32_t ServiceRedirectionTrafficChannel = 0x10081700;
inline constexpr uint32_t GeneralHandoffDirection = 0x10081F00;
inline constexpr uint32_t UniversalHandoffDirection = 0x10082200;
inline constexpr uint32_t ExtendedRelease = 0x10082A00;
inline constexpr uint32_t ExtendedReleaseMini = 0x10082B00;

// Handset: the handset's own record of an access probe, not an over-the-air
// message; every CDMA message event is offered it.
inline constexpr uint32_t AccessProbeInfo = 0x10130000;

// EV-DO
inline constexpr uint32_t ConnectionDeny = 0x10200200;
inline constexpr uint32_t ConnectionClose = 0x10200500;
inline constexpr uint32_t SessionClose = 0x10200A00;

}  // namespace cdma

// The TD-SCDMA catalogue's own messages, after the RRC and NAS ones.
namespace tdscdma {

// UE MM: the handset's report of an expired MM, GMM or SM timer.
inline constexpr uint32_t MmTimerExpiryIndication = 0x60860000;

}  // namespace tdscdma


// LTE RRC of the LTE catalogue (3GPP TS 36.331), under 0x712F0000; the low
// 16 bits are a group byte (0x20 broadcast and paging, 0x21 common control,
// 0x22 dedicated control) and a running number.
namespace lte {

inline constexpr uint32_t Prefix = 0x712F0000;

// Broadcast and paging (0x20)
inline constexpr uint32_t MasterInformationBlock = 0x712F2001;
inline constexpr uint32_t SystemInformationBlockType1 = 0x712F2002;
inline constexpr uint32_t SystemInformation = 0x712F2003;
inline constexpr uint32_t Paging = 0x712F2004;

// Common control channel (0x21)
inline constexpr uint32_t ConnectionRequest = 0x712F2101;
inline constexpr uint32_t ConnectionSetup = 0x712F2102;
inline constexpr uint32_t ConnectionReject = 0x712F2103;
inline constexpr uint32_t ConnectionReestablishmentRequest = 0x712F2104;
inline constexpr uint32_t ConnectionReestablishment = 0x712F2105;
inline constexpr uint32_t ConnectionReestablishmentReject = 0x712F2106;

// Dedicated control channel (0x22)
inline constexpr uint32_t ConnectionSetupComplete = 0x712F2201;
inline constexpr uint32_t ConnectionRelease = 0x712F2202;
inline constexpr uint32_t ConnectionReconfiguration = 0x712F2203;
inline constexpr uint32_t ConnectionReconfigurationComplete = 0x712F2204;
inline constexpr uint32_t ConnectionReestablishmentComplete = 0x712F2205;
inline constexpr uint32_t SecurityModeCommand = 0x712F2206;
inline constexpr uint32_t SecurityModeComplete = 0x712F2207;
inline constexpr uint32_t SecurityModeFailure = 0x712F2208;
inline constexpr uint32_t UeCapabilityEnquiry = 0x712F2209;
inline constexpr uint32_t UeCapabilityInformation = 0x712F220A;
inline constexpr uint32_t MeasurementReport = 0x712F220B;
inline constexpr uint32_t MobilityFromEutraCommand = 0x712F220C;
inline constexpr uint32_t DlInformationTransfer = 0x712F220D;
inline constexpr uint32_t UlInformationTransfer = 0x712F220E;
inline constexpr uint32_t UeInformationRequest = 0x712F220F;
inline constexpr uint32_t UeInformationResponse = 0x712F2210;
inline constexpr uint32_t ScgFailureInformationNr = 0x712F2211;
inline constexpr uint32_t CounterCheck = 0x712F2212;
inline constexpr uint32_t CounterCheckResponse = 0x712F2213;
inline constexpr uint32_t UeAssistanceInformation = 0x712F2214;
inline constexpr uint32_t HandoverFromEutraPreparationRequest = 0x712F2215;
inline constexpr uint32_t CsfbParametersRequestCdma2000 = 0x712F2216;

}  // namespace lte

// EPS NAS of the LTE catalogue (3GPP TS 24.301), under 0x722F0000; the low
// 16 bits are the protocol discriminator (0x07 EMM, 0x02 ESM) and the
// message type. The short Service Request has no message type: 0x074D is
// ours. 0x07FF is a security-protected message whose content is ciphered.
namespace eps {

inline constexpr uint32_t Prefix = 0x722F0000;

// EMM (24.301 9.8.1)
inline constexpr uint32_t AttachRequest = 0x722F0741;
inline constexpr uint32_t AttachAccept = 0x722F0742;
inline constexpr uint32_t AttachComplete = 0x722F0743;
inline constexpr uint32_t AttachReject = 0x722F0744;
inline constexpr uint32_t DetachRequest = 0x722F0745;
inline constexpr uint32_t DetachAccept = 0x722F0746;
inline constexpr uint32_t TrackingAreaUpdateRequest = 0x722F0748;
inline constexpr uint32_t TrackingAreaUpdateAccept = 0x722F0749;
inline constexpr uint32_t TrackingAreaUpdateComplete = 0x722F074A;
inline constexpr uint32_t TrackingAreaUpdateReject = 0x722F074B;
inline constexpr uint32_t ExtendedServiceRequest = 0x722F074C;
inline constexpr uint32_t ServiceRequest = 0x722F074D;
inline constexpr uint32_t ServiceReject = 0x722F074E;
inline constexpr uint32_t ServiceAccept = 0x722F074F;
inline constexpr uint32_t GutiReallocationCommand = 0x722F0750;
inline constexpr uint32_t GutiReallocationComplete = 0x722F0751;
inline constexpr uint32_t AuthenticationRequest = 0x722F0752;
inline constexpr uint32_t AuthenticationResponse = 0x722F0753;
inline constexpr uint32_t AuthenticationReject = 0x722F0754;
inline constexpr uint32_t IdentityRequest = 0x722F0755;
inline constexpr uint32_t IdentityResponse = 0x722F0756;
inline constexpr uint32_t AuthenticationFailure = 0x722F075C;
inline constexpr uint32_t SecurityModeCommand = 0x722F075D;
inline constexpr uint32_t SecurityModeComplete = 0x722F075E;
inline constexpr uint32_t SecurityModeReject = 0x722F075F;
inline constexpr uint32_t EmmStatus = 0x722F0760;
inline constexpr uint32_t EmmInformation = 0x722F0761;
inline constexpr uint32_t DownlinkNasTransport = 0x722F0762;
inline constexpr uint32_t UplinkNasTransport = 0x722F0763;
inline constexpr uint32_t CsServiceNotification = 0x722F0764;
inline constexpr uint32_t DownlinkGenericNasTransport = 0x722F0768;
inline constexpr uint32_t UplinkGenericNasTransport = 0x722F0769;
inline constexpr uint32_t CipheredNas = 0x722F07FF;

// ESM (24.301 9.8.2)
inline constexpr uint32_t ActivateDefaultEpsBearerContextRequest = 0x722F02C1;
inline constexpr uint32_t ActivateDefaultEpsBearerContextAccept = 0x722F02C2;
inline constexpr uint32_t ActivateDefaultEpsBearerContextReject = 0x722F02C3;
inline constexpr uint32_t ActivateDedicatedEpsBearerContextRequest = 0x722F02C5;
inline constexpr uint32_t ActivateDedicatedEpsBearerContextAccept = 0x722F02C6;
inline constexpr uint32_t ActivateDedicatedEpsBearerContextReject = 0x722F02C7;
inline constexpr uint32_t ModifyEpsBearerContextRequest = 0x722F02C9;
inline constexpr uint32_t ModifyEpsBearerContextAccept = 0x722F02CA;
inline constexpr uint32_t ModifyEpsBearerContextReject = 0x722F02CB;
inline constexpr uint32_t DeactivateEpsBearerContextRequest = 0x722F02CD;
inline constexpr uint32_t DeactivateEpsBearerContextAccept = 0x722F02CE;
inline constexpr uint32_t PdnConnectivityRequest = 0x722F02D0;
inline constexpr uint32_t PdnConnectivityReject = 0x722F02D1;
inline constexpr uint32_t PdnDisconnectRequest = 0x722F02D2;
inline constexpr uint32_t PdnDisconnectReject = 0x722F02D3;
inline constexpr uint32_t BearerResourceAllocationRequest = 0x722F02D4;
inline constexpr uint32_t BearerResourceAllocationReject = 0x722F02D5;
inline constexpr uint32_t BearerResourceModificationRequest = 0x722F02D6;
inline constexpr uint32_t BearerResourceModificationReject = 0x722F02D7;
inline constexpr uint32_t EsmInformationRequest = 0x722F02D9;
inline constexpr uint32_t EsmInformationResponse = 0x722F02DA;
inline constexpr uint32_t Notification = 0x722F02DB;
inline constexpr uint32_t EsmStatus = 0x722F02E8;

}  // namespace eps
