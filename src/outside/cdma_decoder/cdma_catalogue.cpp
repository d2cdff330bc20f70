// Message tables of IS-95/IS-2000 layer 3 (paging, access and traffic
// channels) and of the EV-DO connection and session layers.
#include "cdma_catalogue.h"

namespace outside::cdma {
namespace {

constexpr MsgRow kSync[] = {{0x0100, "Sync Channel Message"}};

constexpr MsgRow kPaging[] = {
    {0x0100, "System Parameters"}, {0x0200, "Access Parameters"}, {0x0300, "Neighbor List"},
    {0x0400, "CDMA Channel List"}, {0x0500, "Slotted Page"}, {0x0600, "Page"},
    {0x0700, "Paging Channel Order", true}, {0x0704, "Reorder Order"}, {0x0709, "Intercept Order"},
    {0x0710, "Base Station Acknowledgement Order"}, {0x0712, "Lock Until Power-Cycled Order"},
    {0x0715, "Release Order (Paging Channel)"}, {0x071B, "Registration Accepted/Rejected Order"},
    {0x071E, "Retry Order"}, {0x0800, "Channel Assignment"}, {0x0900, "Data Burst (Paging Channel)"},
    {0x0A00, "Authentication Challenge"}, {0x0B00, "SSD Update"}, {0x0C00, "Feature Notification"},
    {0x0D00, "Extended System Parameters"}, {0x0E00, "Extended Neighbor List"}, {0x0F00, "Status Request"},
    {0x1000, "Service Redirection"}, {0x1100, "General Page"}, {0x1200, "Global Service Redirection"},
    {0x1300, "TMSI Assignment"}, {0x1400, "PACA"}, {0x1500, "Extended Channel Assignment"},
    {0x1600, "General Neighbor List"}, {0x1700, "User Zone Identification"}, {0x1800, "Private Neighbor List"},
    {0x1A00, "Extended Global Service Redirection"}, {0x1B00, "Extended CDMA Channel List"},
};

constexpr MsgRow kAccess[] = {
    {0x0100, "Registration"}, {0x0200, "Access Channel Order", true}, {0x0300, "Data Burst (Access Channel)"},
    {0x0400, "Origination"}, {0x0500, "Page Response"}, {0x0600, "Authentication Challenge Response"},
    {0x0700, "Status Response (Access Channel)"}, {0x0800, "TMSI Assignment Completion (Access Channel)"},
    {0x0900, "PACA Cancel"}, {0x0A00, "Extended Status Response"}, {0x0D00, "Device Information"},
    {0x0E00, "Security Mode Request"},
};

constexpr MsgRow kForwardTraffic[] = {
    {0x0100, "Forward Traffic Channel Order", true}, {0x0106, "Audit Order"}, {0x010A, "Maintenance Order"},
    {0x0110, "Base Station Acknowledgement Order (Traffic Channel)"}, {0x0113, "Service Option Request Order"},
    {0x0114, "Service Option Response Order"}, {0x0115, "Release Order"}, {0x0119, "Continuous DTMF Tone Order"},
    {0x0200, "Authentication Challenge (Traffic Channel)"}, {0x0300, "Alert With Information"},
    {0x0400, "Data Burst (Forward Traffic Channel)"}, {0x0500, "Handoff Direction"},
    {0x0600, "Analog Handoff Direction"}, {0x0700, "In-Traffic System Parameters"},
    {0x0800, "Neighbor List Update"}, {0x0900, "Send Burst DTMF (Forward)"}, {0x0A00, "Power Control Parameters"},
    {0x0B00, "Retrieve Parameters"}, {0x0C00, "Set Parameters"}, {0x0D00, "SSD Update (Traffic Channel)"},
    {0x0E00, "Flash With Information (Forward)"}, {0x0F00, "Mobile Station Registered"},
    {0x1000, "Status Request (Traffic Channel)"}, {0x1100, "Extended Handoff Direction"},
    {0x1200, "Service Request (Forward)"}, {0x1300, "Service Response (Forward)"}, {0x1400, "Service Connect"},
    {0x1500, "Service Option Control (Forward)"}, {0x1600, "TMSI Assignment (Traffic Channel)"},
    {0x1700, "Service Redirection (Traffic Channel)"}, {0x1800, "Supplemental Channel Assignment"},
    {0x1900, "Power Control"}, {0x1A00, "Extended Neighbor List Update"},
    {0x1B00, "Candidate Frequency Search Request"}, {0x1C00, "Candidate Frequency Search Control"},
    {0x1D00, "Power Up Function"}, {0x1E00, "Power Up Function Completion"},
    {0x1F00, "General Handoff Direction"}, {0x2000, "Resource Allocation"}, {0x2100, "Resource Allocation Mini"},
    {0x2200, "Universal Handoff Direction"}, {0x2300, "Extended Supplemental Channel Assignment"},
    {0x2900, "Call Assignment"}, {0x2A00, "Extended Release"}, {0x2B00, "Extended Release Mini"},
    {0x2C00, "Security Mode Command"}, {0x2F00, "Rate Change"},
};

constexpr MsgRow kReverseTraffic[] = {
    {0x0100, "Reverse Traffic Channel Order", true}, {0x0110, "Mobile Station Acknowledgement Order"},
    {0x0113, "Service Option Request Order (Reverse)"}, {0x0114, "Service Option Response Order (Reverse)"},
    {0x0115, "Release Order (Mobile Station)"}, {0x0200, "Authentication Challenge Response (Traffic Channel)"},
    {0x0300, "Flash With Information (Reverse)"}, {0x0400, "Data Burst (Reverse Traffic Channel)"},
    {0x0500, "Pilot Strength Measurement"}, {0x0600, "Power Measurement Report"},
    {0x0700, "Send Burst DTMF (Reverse)"}, {0x0800, "Status"}, {0x0900, "Origination Continuation"},
    {0x0A00, "Handoff Completion"}, {0x0B00, "Parameters Response"}, {0x0C00, "Service Request (Reverse)"},
    {0x0D00, "Service Response (Reverse)"}, {0x0E00, "Service Connect Completion"},
    {0x0F00, "Service Option Control (Reverse)"}, {0x1000, "Status Response (Traffic Channel)"},
    {0x1100, "TMSI Assignment Completion (Traffic Channel)"}, {0x1200, "Supplemental Channel Request"},
    {0x1300, "Candidate Frequency Search Response"}, {0x1400, "Candidate Frequency Search Report"},
    {0x1500, "Periodic Pilot Strength Measurement"}, {0x1800, "Extended Release Response"},
};

// The handset's own records: one, whose code is the group's prefix.
constexpr MsgRow kInternal[] = {{0x0000, "CDMA Access Probe Info"}};

constexpr MsgRow kEvdo[] = {
    {0x0100, "Connection Request"}, {0x0200, "Connection Deny"}, {0x0300, "Traffic Channel Assignment"},
    {0x0400, "Traffic Channel Complete"}, {0x0500, "Connection Close"}, {0x0600, "Route Update"},
    {0x0700, "UATI Request"}, {0x0800, "UATI Assignment"}, {0x0900, "UATI Complete"},
    {0x0A00, "Session Close"}, {0x0B00, "Configuration Request"}, {0x0C00, "Configuration Response"},
    {0x0D00, "Keep Alive Request"}, {0x0E00, "Keep Alive Response"}, {0x0F00, "Hardware ID Request"},
    {0x1000, "Hardware ID Response"}, {0x1100, "Quick Config"}, {0x1200, "Sector Parameters"},
    {0x1300, "Redirect"}, {0x1400, "HDR Neighbor List"},
};

constexpr uint32_t kCauseCarriers[] = {
    ReorderOrder, InterceptOrder, ReleaseOrderPagingChannel, RegistrationAcceptedRejectedOrder, RetryOrder,
    ServiceRedirection, GlobalServiceRedirection, ReleaseOrder, ServiceRedirectionTrafficChannel, ExtendedRelease,
    ExtendedReleaseMini, ReleaseOrderMobileStation, ExtendedReleaseResponse, AccessProbeInfo, ConnectionDeny,
    ConnectionClose, SessionClose,
};

}  // namespace

const MsgCatalogue& Catalogue() {
  static const MsgGroup groups[] = {
      {0x10030000, "Sync Channel", kSync},         {0x10060000, "Paging Channel", kPaging},
      {0x10040000, "Access Channel", kAccess},     {0x10080000, "Forward Traffic Channel", kForwardTraffic},
      {0x10050000, "Reverse Traffic Channel", kReverseTraffic}, {AccessProbeInfo, "Handset", kInternal},
      {0x10200000, "EV-DO", kEvdo},
  };
  static const MsgCatalogue catalogue(groups);
  return catalogue;
}

bool CarriesCause(uint32_t code) {
  for (uint32_t c : kCauseCarriers)
    if (c == code) return true;
  return false;
}

}  // namespace outside::cdma
