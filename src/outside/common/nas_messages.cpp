// Message tables of RR (44.018), MM/CC/GMM/SM (24.008) and SMS CP/RP (24.011).
#include "nas_messages.h"

namespace outside::nas {
namespace {

constexpr MsgRow kRr[] = {
    {0x063F, "Immediate Assignment"},
    {0x0639, "Immediate Assignment Extended"},
    {0x063A, "Immediate Assignment Reject"},
    {0x063B, "Additional Assignment"},
    {0x0635, "Ciphering Mode Command"},
    {0x0632, "Ciphering Mode Complete"},
    {0x062E, "Assignment Command"},
    {0x0629, "Assignment Complete"},
    {0x062F, "Assignment Failure"},
    {0x062B, "Handover Command"},
    {0x062C, "Handover Complete"},
    {0x0628, "Handover Failure"},
    {0x062D, "Physical Information"},
    {0x0608, "RR Cell Change Order"},
    {0x0623, "PDCH Assignment Command"},
    {0x060D, "Channel Release"},
    {0x060A, "Partial Release"},
    {0x060F, "Partial Release Complete"},
    {0x0621, "Paging Request Type 1"},
    {0x0622, "Paging Request Type 2"},
    {0x0624, "Paging Request Type 3"},
    {0x0627, "Paging Response"},
    {0x0610, "Channel Mode Modify"},
    {0x0617, "Channel Mode Modify Acknowledge"},
    {0x0614, "Frequency Redefinition"},
    {0x0615, "Measurement Report"},
    {0x0636, "Extended Measurement Report"},
    {0x0637, "Extended Measurement Order"},
    {0x0616, "Classmark Change"},
    {0x0613, "Classmark Enquiry"},
    {0x0660, "UTRAN Classmark Change"},
    {0x0663, "Inter System to UTRAN Handover Command"},
    {0x0634, "GPRS Suspension Request"},
    {0x0612, "RR Status"},
    {0x0619, "System Information Type 1"},
    {0x061A, "System Information Type 2"},
    {0x0602, "System Information Type 2bis"},
    {0x0603, "System Information Type 2ter"},
    {0x0607, "System Information Type 2quater"},
    {0x061B, "System Information Type 3"},
    {0x061C, "System Information Type 4"},
    {0x061D, "System Information Type 5"},
    {0x0605, "System Information Type 5bis"},
    {0x0606, "System Information Type 5ter"},
    {0x061E, "System Information Type 6"},
    {0x061F, "System Information Type 7"},
    {0x0618, "System Information Type 8"},
    {0x0604, "System Information Type 9"},
    {0x0600, "System Information Type 13"},
};

constexpr MsgRow kMm[] = {
    {0x0508, "Location Updating Request", true},
    {0x0502, "Location Updating Accept"},
    {0x0504, "Location Updating Reject"},
    {0x0501, "IMSI Detach Indication"},
    {0x0512, "Authentication Request"},
    {0x0514, "Authentication Response"},
    {0x0511, "Authentication Reject"},
    {0x051C, "Authentication Failure"},
    {0x0518, "Identity Request"},
    {0x0519, "Identity Response"},
    {0x051A, "TMSI Reallocation Command"},
    {0x051B, "TMSI Reallocation Complete"},
    {0x0524, "CM Service Request", true},
    {0x0521, "CM Service Accept"},
    {0x0522, "CM Service Reject"},
    {0x0523, "CM Service Abort"},
    {0x0525, "CM Service Prompt"},
    {0x0528, "CM Re-establishment Request"},
    {0x0529, "Abort"},
    {0x0531, "MM Status"},
    {0x0532, "MM Information"},
};

constexpr MsgRow kCc[] = {
    {0x1305, "Setup"},
    {0x130E, "Emergency Setup"},
    {0x1302, "Call Proceeding"},
    {0x1308, "Call Confirmed"},
    {0x1301, "Alerting"},
    {0x1303, "Progress"},
    {0x1307, "Connect"},
    {0x130F, "Connect Acknowledge"},
    {0x1325, "Disconnect"},
    {0x132D, "Release"},
    {0x132A, "Release Complete"},
    {0x1317, "Modify"},
    {0x131F, "Modify Complete"},
    {0x1313, "Modify Reject"},
    {0x1318, "Hold"},
    {0x1319, "Hold Acknowledge"},
    {0x131A, "Hold Reject"},
    {0x131C, "Retrieve"},
    {0x131D, "Retrieve Acknowledge"},
    {0x131E, "Retrieve Reject"},
    {0x1335, "Start DTMF"},
    {0x1336, "Start DTMF Acknowledge"},
    {0x1337, "Start DTMF Reject"},
    {0x1331, "Stop DTMF"},
    {0x1332, "Stop DTMF Acknowledge"},
    {0x133A, "Facility"},
    {0x133E, "Notify"},
    {0x1334, "Status Enquiry"},
    {0x133D, "Status"},
};

constexpr MsgRow kGmm[] = {
    {0x0801, "Attach Request"},
    {0x0802, "Attach Accept"},
    {0x0803, "Attach Complete"},
    {0x0804, "Attach Reject"},
    {0x0805, "Detach Request"},
    {0x0806, "Detach Accept"},
    {0x0808, "Routing Area Update Request"},
    {0x0809, "Routing Area Update Accept"},
    {0x080A, "Routing Area Update Complete"},
    {0x080B, "Routing Area Update Reject"},
    {0x080C, "Service Request"},
    {0x080D, "Service Accept"},
    {0x080E, "Service Reject"},
    {0x0810, "P-TMSI Reallocation Command"},
    {0x0811, "P-TMSI Reallocation Complete"},
    {0x0812, "Authentication and Ciphering Request"},
    {0x0813, "Authentication and Ciphering Response"},
    {0x0814, "Authentication and Ciphering Reject"},
    {0x081C, "Authentication and Ciphering Failure"},
    {0x0815, "GMM Identity Request"},
    {0x0816, "GMM Identity Response"},
    {0x0820, "GMM Status"},
    {0x0821, "GMM Information"},
};

constexpr MsgRow kSm[] = {
    {0x0A41, "Activate PDP Context Request"},
    {0x0A42, "Activate PDP Context Accept"},
    {0x0A43, "Activate PDP Context Reject"},
    {0x0A44, "Request PDP Context Activation"},
    {0x0A45, "Request PDP Context Activation Reject"},
    {0x0A46, "Deactivate PDP Context Request"},
    {0x0A47, "Deactivate PDP Context Accept"},
    {0x0A48, "Modify PDP Context Request (Network to MS)"},
    {0x0A49, "Modify PDP Context Accept (MS to Network)"},
    {0x0A4A, "Modify PDP Context Request (MS to Network)"},
    {0x0A4B, "Modify PDP Context Accept (Network to MS)"},
    {0x0A4C, "Modify PDP Context Reject"},
    {0x0A4D, "Activate Secondary PDP Context Request"},
    {0x0A4E, "Activate Secondary PDP Context Accept"},
    {0x0A4F, "Activate Secondary PDP Context Reject"},
    {0x0A55, "SM Status"},
};

constexpr MsgRow kSmsCp[] = {
    {0x0901, "CP-DATA"},
    {0x0904, "CP-ACK"},
    {0x0910, "CP-ERROR"},
};

constexpr MsgRow kSmsRp[] = {
    {0x1A00, "RP-DATA (MS to Network)"},
    {0x1A01, "RP-DATA (Network to MS)"},
    {0x1A02, "RP-ACK (MS to Network)"},
    {0x1A03, "RP-ACK (Network to MS)"},
    {0x1A04, "RP-ERROR (MS to Network)"},
    {0x1A05, "RP-ERROR (Network to MS)"},
    {0x1A06, "RP-SMMA"},
};

struct CauseCarrier {
  uint32_t Code;  // the 3G code; a GSM code has the same low 16 bits
  int32_t Family;
};

// Messages whose decoded elements include a cause value.
constexpr CauseCarrier kCauseCarriers[] = {
    {ChannelRelease, FamilyRr},
    {AssignmentFailure, FamilyRr},
    {HandoverFailure, FamilyRr},
    {RrStatus, FamilyRr},
    {LocationUpdatingReject, FamilyMm},
    {CmServiceReject, FamilyMm},
    {Abort, FamilyMm},
    {MmStatus, FamilyMm},
    {Disconnect, FamilyCc},
    {Release, FamilyCc},
    {ReleaseComplete, FamilyCc},
    {Status, FamilyCc},
    {ModifyReject, FamilyCc},
    {HoldReject, FamilyCc},
    {RetrieveReject, FamilyCc},
    {StartDtmfReject, FamilyCc},
    {AttachReject, FamilyMm},
    {DetachRequest, FamilyMm},
    {RoutingAreaUpdateReject, FamilyMm},
    {ServiceReject, FamilyMm},
    {GmmStatus, FamilyMm},
    {ActivatePdpContextReject, FamilySm},
    {RequestPdpContextActivationReject, FamilySm},
    {DeactivatePdpContextRequest, FamilySm},
    {ModifyPdpContextReject, FamilySm},
    {ActivateSecondaryPdpContextReject, FamilySm},
    {SmStatus, FamilySm},
    {CpError, FamilySms},
    {RpErrorMsToNetwork, FamilySms},
    {RpErrorNetworkToMs, FamilySms},
};

}  // namespace

std::span<const MsgRow> RrRows() { return kRr; }
std::span<const MsgRow> MmRows() { return kMm; }
std::span<const MsgRow> CcRows() { return kCc; }
std::span<const MsgRow> GmmRows() { return kGmm; }
std::span<const MsgRow> SmRows() { return kSm; }
std::span<const MsgRow> SmsCpRows() { return kSmsCp; }
std::span<const MsgRow> SmsRpRows() { return kSmsRp; }

int32_t CauseFamilyOf(uint16_t low) {
  for (const CauseCarrier& c : kCauseCarriers)
    if ((c.Code & 0xFFFFu) == low) return c.Family;
  return -1;
}

}  // namespace outside::nas
