#include "lte_catalogue.h"

namespace outside::lte {
namespace {

// Names as 36.331 and 24.301 write the messages, with spaces.
constexpr MsgRow kRrc[] = {
    {0x2001, "Master Information Block"},
    {0x2002, "System Information Block Type 1"},
    {0x2003, "System Information"},
    {0x2004, "Paging"},
    {0x2101, "RRC Connection Request", true},  // establishment cause
    {0x2102, "RRC Connection Setup"},
    {0x2103, "RRC Connection Reject"},
    {0x2104, "RRC Connection Reestablishment Request", true},  // re-establishment cause
    {0x2105, "RRC Connection Reestablishment"},
    {0x2106, "RRC Connection Reestablishment Reject"},
    {0x2201, "RRC Connection Setup Complete"},
    {0x2202, "RRC Connection Release", true},  // redirected carrier
    {0x2203, "RRC Connection Reconfiguration", true},  // handover, NR secondary cell group
    {0x2204, "RRC Connection Reconfiguration Complete", true},  // as the reconfiguration it answers
    {0x2205, "RRC Connection Reestablishment Complete"},
    {0x2206, "Security Mode Command"},
    {0x2207, "Security Mode Complete"},
    {0x2208, "Security Mode Failure"},
    {0x2209, "UE Capability Enquiry"},
    {0x220A, "UE Capability Information"},
    {0x220B, "Measurement Report"},
    {0x220C, "Mobility From E-UTRA Command", true},  // purpose
    {0x220D, "DL Information Transfer"},
    {0x220E, "UL Information Transfer"},
    {0x220F, "UE Information Request"},
    {0x2210, "UE Information Response"},
    {0x2211, "SCG Failure Information NR"},
    {0x2212, "Counter Check"},
    {0x2213, "Counter Check Response"},
    {0x2214, "UE Assistance Information"},
    {0x2215, "Handover From E-UTRA Preparation Request"},
    {0x2216, "CSFB Parameters Request CDMA2000"},
};

constexpr MsgRow kEmm[] = {
    {0x0741, "Attach Request", true},  // EPS attach type
    {0x0742, "Attach Accept"},
    {0x0743, "Attach Complete"},
    {0x0744, "Attach Reject"},
    {0x0745, "Detach Request"},
    {0x0746, "Detach Accept"},
    {0x0748, "Tracking Area Update Request", true},  // EPS update type
    {0x0749, "Tracking Area Update Accept"},
    {0x074A, "Tracking Area Update Complete"},
    {0x074B, "Tracking Area Update Reject"},
    {0x074C, "Extended Service Request", true},  // service type
    {0x074D, "Service Request"},
    {0x074E, "Service Reject"},
    {0x074F, "Service Accept"},
    {0x0750, "GUTI Reallocation Command"},
    {0x0751, "GUTI Reallocation Complete"},
    {0x0752, "Authentication Request"},
    {0x0753, "Authentication Response"},
    {0x0754, "Authentication Reject"},
    {0x0755, "Identity Request"},
    {0x0756, "Identity Response"},
    {0x075C, "Authentication Failure"},
    {0x075D, "Security Mode Command"},
    {0x075E, "Security Mode Complete"},
    {0x075F, "Security Mode Reject"},
    {0x0760, "EMM Status"},
    {0x0761, "EMM Information"},
    {0x0762, "Downlink NAS Transport"},
    {0x0763, "Uplink NAS Transport"},
    {0x0764, "CS Service Notification"},
    {0x0768, "Downlink Generic NAS Transport"},
    {0x0769, "Uplink Generic NAS Transport"},
    {0x07FF, "Ciphered NAS"},
};

constexpr MsgRow kEsm[] = {
    {0x02C1, "Activate Default EPS Bearer Context Request"},
    {0x02C2, "Activate Default EPS Bearer Context Accept"},
    {0x02C3, "Activate Default EPS Bearer Context Reject"},
    {0x02C5, "Activate Dedicated EPS Bearer Context Request"},
    {0x02C6, "Activate Dedicated EPS Bearer Context Accept"},
    {0x02C7, "Activate Dedicated EPS Bearer Context Reject"},
    {0x02C9, "Modify EPS Bearer Context Request"},
    {0x02CA, "Modify EPS Bearer Context Accept"},
    {0x02CB, "Modify EPS Bearer Context Reject"},
    {0x02CD, "Deactivate EPS Bearer Context Request"},
    {0x02CE, "Deactivate EPS Bearer Context Accept"},
    {0x02D0, "PDN Connectivity Request"},
    {0x02D1, "PDN Connectivity Reject"},
    {0x02D2, "PDN Disconnect Request"},
    {0x02D3, "PDN Disconnect Reject"},
    {0x02D4, "Bearer Resource Allocation Request"},
    {0x02D5, "Bearer Resource Allocation Reject"},
    {0x02D6, "Bearer Resource Modification Request"},
    {0x02D7, "Bearer Resource Modification Reject"},
    {0x02D9, "ESM Information Request"},
    {0x02DA, "ESM Information Response"},
    {0x02DB, "Notification"},
    {0x02E8, "ESM Status"},
};

}  // namespace

const MsgCatalogue& Catalogue() {
  static const MsgGroup groups[] = {
      {Prefix, "RRC", kRrc},
      {eps::Prefix, "EMM", kEmm},
      {eps::Prefix, "ESM", kEsm},
  };
  static const MsgCatalogue catalogue(groups);
  return catalogue;
}

}  // namespace outside::lte
