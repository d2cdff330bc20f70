#include "lte_causes.h"

#include <fmt/format.h>

#include "cause_texts.h"
#include "eventmanager/outside/message_bytes.h"
#include "lte_catalogue.h"
#include "msg_catalogue.h"
#include "umts_readers.h"

namespace outside::lte {

RrcCauseKind RrcCauseKindOf(uint32_t code) {
  switch (code) {
    case ConnectionRequest: return RrcCauseKind::Establishment;
    // 36.331 gives the reject no cause; a writer copies the cause of the
    // request it answers, so the reject's level can say why it was asked.
    case ConnectionReestablishmentRequest:
    case ConnectionReestablishmentReject: return RrcCauseKind::Reestablishment;
    case ScgFailureInformationNr: return RrcCauseKind::ScgFailure;
    default: return RrcCauseKind::None;
  }
}

int32_t CauseFamilyOf(uint32_t code) {
  if (code == ConnectionRelease) return FamilyRrcRelease;
  if (RrcCauseKindOf(code) != RrcCauseKind::None) return FamilyRrc;
  // EMM cause: mandatory in the rejects, the failures and the status; optional
  // in the accepts (a combined attach or update accepted for EPS only) and in
  // a detach by the network.
  if (OneOf(code, {eps::AttachAccept, eps::AttachReject, eps::DetachRequest, eps::TrackingAreaUpdateAccept,
                   eps::TrackingAreaUpdateReject, eps::ServiceReject, eps::AuthenticationFailure,
                   eps::SecurityModeReject, eps::EmmStatus}))
    return FamilyEmm;
  // ESM cause: the rejects, a deactivation, the status, and the optional cause
  // of a default bearer granted with another PDN type than asked or of a
  // bearer resource modification that releases a bearer.
  if (OneOf(code, {eps::ActivateDefaultEpsBearerContextRequest, eps::ActivateDefaultEpsBearerContextReject,
                   eps::ActivateDedicatedEpsBearerContextReject, eps::ModifyEpsBearerContextReject,
                   eps::DeactivateEpsBearerContextRequest, eps::PdnConnectivityReject, eps::PdnDisconnectReject,
                   eps::BearerResourceAllocationReject, eps::BearerResourceModificationRequest,
                   eps::BearerResourceModificationReject, eps::EsmStatus}))
    return FamilyEsm;
  return -1;
}

namespace {

std::string Record(int32_t cause, int32_t family) {
  return msgbytes::Writer().I32s(0, {cause, family}).Bytes().substr(2);
}

// A family-10 cause a writer need not repeat: the sub-type of the requests
// is their cause, and the failure type of an SCG failure has its own element.
std::optional<std::string> ImpliedCause(uint32_t code, std::string_view bytes) {
  switch (RrcCauseKindOf(code)) {
    case RrcCauseKind::Establishment:
    case RrcCauseKind::Reestablishment:
      if (code == ConnectionReestablishmentReject) break;
      if (int index = Catalogue().SubIndex(code, bytes); index >= 0) return Record(index, FamilyRrc);
      break;
    case RrcCauseKind::ScgFailure:
      if (auto value = msgbytes::Find(bytes, msgbytes::ScgFailureType))
        if (auto type = msgbytes::I32At(*value, 0)) return Record(*type, FamilyRrc);
      break;
    case RrcCauseKind::None: break;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CauseRecord(uint32_t code, std::string_view bytes) {
  const int32_t family = CauseFamilyOf(code);
  if (family < 0 || !msgbytes::WellFormed(bytes)) return std::nullopt;
  if (msgbytes::Find(bytes, msgbytes::Cause)) return CauseRecordOfFamily(family, bytes);
  return ImpliedCause(code, bytes);
}

std::string CauseText(uint32_t code, std::string_view record) {
  if (record.size() < 8) return {};
  const int32_t cause = msgbytes::ReadI32(record, 0);
  const int32_t family = msgbytes::ReadI32(record, 4);
  // A cause of an older family (an SMS relay cause carried over NAS) reads
  // as it does on the network it comes from.
  if (family < FamilyEmm || family > FamilyRrc) return outside::CauseText(code, record);
  for (const CauseEntry& e : CauseTable(family, code))
    if (e.Value == cause) return fmt::format("Cause: {}({})", e.Text, cause);
  return fmt::format("Cause: Unknown cause({})", cause);
}

}  // namespace outside::lte
