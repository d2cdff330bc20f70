// Message table of RRC (25.331), shared by the WCDMA and TD-SCDMA decoders.
#include "rrc_messages.h"

namespace outside::rrc {
namespace {

constexpr MsgRow kRrc[] = {
    {0x0001, "RRC Connection Request", true},
    {0x0002, "RRC Connection Reject"},
    {0x0003, "Cell Update", true},
    {0x0004, "URA Update"},
    {0x0005, "Cell Update Confirm"},
    {0x0006, "URA Update Confirm"},
    {0x0007, "RRC Connection Release (CCCH)"},
    {0x0008, "Initial Direct Transfer"},
    {0x0009, "Uplink Direct Transfer"},
    {0x000A, "Downlink Direct Transfer"},
    {0x000B, "Paging Type 1"},
    {0x000C, "Paging Type 2"},
    {0x000D, "Master Information Block"},
    {0x000E, "System Information Block"},
    {0x000F, "System Information Change Indication"},
    {0x0101, "Measurement Control", true},
    {0x0102, "Measurement Report", true},
    {0x0103, "Active Set Update"},
    {0x0104, "Active Set Update Complete"},
    {0x0105, "Active Set Update Failure"},
    {0x0106, "Handover from UTRAN Command"},
    {0x0107, "Handover from UTRAN Failure"},
    {0x0108, "Handover to UTRAN Command"},
    {0x0109, "Handover to UTRAN Complete"},
    {0x010A, "Cell Change Order from UTRAN"},
    {0x010B, "Cell Change Order from UTRAN Failure"},
    {0x010C, "UTRAN Mobility Information"},
    {0x010D, "UTRAN Mobility Information Confirm"},
    {0x010E, "UTRAN Mobility Information Failure"},
    {0x010F, "Measurement Control Failure"},
    {0x0201, "RRC Connection Setup"},
    {0x0202, "RRC Connection Setup Complete"},
    {0x0203, "Signalling Connection Release"},
    {0x0204, "Signalling Connection Release Indication"},
    {0x0205, "Security Mode Command"},
    {0x0206, "Security Mode Complete"},
    {0x0207, "Security Mode Failure"},
    {0x0208, "UE Capability Enquiry"},
    {0x0209, "UE Capability Information"},
    {0x020A, "UE Capability Information Confirm"},
    {0x020B, "Counter Check"},
    {0x020C, "Counter Check Response"},
    {0x020D, "RRC Status"},
    {0x0301, "Radio Bearer Setup Complete"},
    {0x0302, "Radio Bearer Setup Failure"},
    {0x0304, "Radio Bearer Setup"},
    {0x0305, "Radio Bearer Reconfiguration Complete"},
    {0x0306, "Radio Bearer Reconfiguration Failure"},
    {0x0307, "Transport Channel Reconfiguration Complete"},
    {0x0308, "Transport Channel Reconfiguration Failure"},
    {0x0309, "Physical Channel Reconfiguration Complete"},
    {0x030A, "Physical Channel Reconfiguration Failure"},
    {0x030B, "Radio Bearer Reconfiguration"},
    {0x030C, "Radio Bearer Release Complete"},
    {0x030D, "Transport Channel Reconfiguration"},
    {0x030E, "Radio Bearer Release Failure"},
    {0x030F, "Physical Shared Channel Allocation"},
    {0x0310, "Radio Bearer Release"},
    {0x0311, "Uplink Physical Channel Control"},
    {0x0312, "Transport Format Combination Control"},
    {0x0313, "Physical Channel Reconfiguration"},
    {0x0314, "PUSCH Capacity Request"},
    {0x0401, "RRC Connection Release"},
    {0x0402, "RRC Connection Release Complete"},
};

struct KindRow {
  uint32_t Code;
  CauseKind Kind;
};

constexpr KindRow kKinds[] = {
    {ConnectionRequest, CauseKind::Establishment},
    {ConnectionReject, CauseKind::Reject},
    {CellUpdate, CauseKind::CellUpdate},
    {ConnectionReleaseCcch, CauseKind::Release},
    {ConnectionRelease, CauseKind::Release},
    {ActiveSetUpdateFailure, CauseKind::Failure},
    {HandoverFromUtranFailure, CauseKind::InterRatFailure},
    {CellChangeOrderFromUtranFailure, CauseKind::InterRatFailure},
    {UtranMobilityInformationFailure, CauseKind::Failure},
    {MeasurementControlFailure, CauseKind::Failure},
    {SignallingConnectionReleaseIndication, CauseKind::SignallingRelease},
    {SecurityModeFailure, CauseKind::Failure},
    {RadioBearerSetupFailure, CauseKind::Failure},
    {RadioBearerReconfigurationFailure, CauseKind::Failure},
    {TransportChannelReconfigurationFailure, CauseKind::Failure},
    {PhysicalChannelReconfigurationFailure, CauseKind::Failure},
    {RadioBearerReleaseFailure, CauseKind::Failure},
};

}  // namespace

std::span<const MsgRow> RrcRows() { return kRrc; }

CauseKind CauseKindOf(uint32_t code) {
  for (const KindRow& k : kKinds)
    if (k.Code == code) return k.Kind;
  return CauseKind::None;
}

}  // namespace outside::rrc
