// LTE decoder exports: catalogue queries, the cause record and text, and the
// readers of handover targets, redirects, EPS bearers and NR cell groups.
#include "eventmanager/outside/lte_decoder.h"

#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_bytes.h"
#include "lte_catalogue.h"
#include "lte_causes.h"
#include "umts_readers.h"

using outside::lte::Catalogue;
using outside::OneOf;
using outside::OptionalI32;

int NetLTEL3LogMsgTypesCount() { return Catalogue().Count(); }
uint32_t NetLTEL3LogMsgTypeCode(int position) { return Catalogue().Code(position); }
std::string NetLTEL3LogMsgTypeDesc(int position) { return Catalogue().Desc(position); }
std::string NetLTEL3LogMsgTypeName(uint32_t code) { return Catalogue().Name(code); }
bool NetLTEL3LogMsgTypeHasSubTypes(uint32_t code) { return Catalogue().HasSubTypes(code); }

int GainNetLTEL3LogMsgSubIndex(uint32_t code, const std::string& bytes) {
  return Catalogue().SubIndex(code, bytes);
}

bool Compare_LTE_MsgInfo(uint8_t /*deviceType*/, uint32_t recordCode, uint32_t definedCode) {
  return recordCode == definedCode;
}

std::optional<std::string> GainLTEMessageCauseCode(uint32_t code, const std::string& bytes) {
  return outside::lte::CauseRecord(code, bytes);
}

std::string GainLTEMessageCauseInfo(uint32_t code, const std::string& causeRecord) {
  return outside::lte::CauseText(code, causeRecord);
}

std::optional<LteCellTarget> Gain_LTE_Target_Cell(uint8_t /*deviceType*/, uint32_t code, const std::string& bytes) {
  // The Complete carries the target of the reconfiguration it answers.
  if (!OneOf(code, {lte::ConnectionReconfiguration, lte::ConnectionReconfigurationComplete})) return std::nullopt;
  auto pci = OptionalI32(bytes, msgbytes::Pci);
  auto earfcn = OptionalI32(bytes, msgbytes::Earfcn);
  if (!pci || !earfcn || *pci == NoValue) return std::nullopt;
  return LteCellTarget{*pci, *earfcn};
}

namespace {

// Target system of a release's sub-type (the redirected carrier's kind).
int32_t SystemOfReleaseSubType(int subType) {
  switch (subType) {
    case 1: return msgbytes::SystemEutra;
    case 2: return msgbytes::SystemGeran;
    case 3: return msgbytes::SystemUtraFdd;
    case 4: return msgbytes::SystemUtraTdd;
    case 5:
    case 6: return msgbytes::SystemCdma2000;
    case 7: return msgbytes::SystemNr;
    default: return NoValue;
  }
}

}  // namespace

std::optional<LteRedirect> Gain_LTE_Redirect(uint8_t /*deviceType*/, uint32_t code, const std::string& bytes) {
  if (!OneOf(code, {lte::ConnectionRelease, lte::MobilityFromEutraCommand})) return std::nullopt;
  auto system = OptionalI32(bytes, msgbytes::TargetSystem);
  auto carrier = OptionalI32(bytes, msgbytes::Earfcn);
  if (!system || !carrier) return std::nullopt;
  // A release names its redirection in its sub-type; the element may be left out.
  if (*system == NoValue && code == lte::ConnectionRelease)
    system = SystemOfReleaseSubType(Catalogue().SubIndex(code, bytes));
  if (*system < msgbytes::SystemEutra || *system > msgbytes::SystemNr) return std::nullopt;
  return LteRedirect{*system, *carrier};
}

std::optional<int32_t> Gain_LTE_Eps_Bearer_Id(uint32_t code, const std::string& bytes) {
  // ESM messages about one bearer context; a PDN disconnection and a bearer
  // resource modification name the (linked) bearer they are about.
  if (!OneOf(code, {eps::ActivateDefaultEpsBearerContextRequest, eps::ActivateDefaultEpsBearerContextAccept,
                    eps::ActivateDefaultEpsBearerContextReject, eps::ActivateDedicatedEpsBearerContextRequest,
                    eps::ActivateDedicatedEpsBearerContextAccept, eps::ActivateDedicatedEpsBearerContextReject,
                    eps::ModifyEpsBearerContextRequest, eps::ModifyEpsBearerContextAccept,
                    eps::ModifyEpsBearerContextReject, eps::DeactivateEpsBearerContextRequest,
                    eps::DeactivateEpsBearerContextAccept, eps::PdnDisconnectRequest,
                    eps::BearerResourceModificationRequest, eps::EsmStatus}))
    return std::nullopt;
  auto id = OptionalI32(bytes, msgbytes::EpsBearerId);
  // 0..4 are no bearer (24.301 9.3.2: 0 none assigned, 1..4 reserved).
  if (!id || *id < 5 || *id > 15) return std::nullopt;
  return *id;
}

std::optional<LteScgInfo> Gain_LTE_Scg_Info(uint32_t code, const std::string& bytes) {
  const bool failure = code == lte::ScgFailureInformationNr;
  if (!failure && !OneOf(code, {lte::ConnectionReconfiguration, lte::ConnectionReconfigurationComplete}))
    return std::nullopt;
  if (!msgbytes::WellFormed(bytes)) return std::nullopt;
  LteScgInfo info;
  bool found = false;
  if (auto cell = msgbytes::Find(bytes, msgbytes::NrCell)) {
    if (cell->size() < 8) return std::nullopt;
    info.NrArfcn = msgbytes::ReadI32(*cell, 0);
    info.NrPci = msgbytes::ReadI32(*cell, 4);
    found = true;
  }
  if (failure) {
    auto type = OptionalI32(bytes, msgbytes::ScgFailureType);
    if (!type) return std::nullopt;
    info.FailureType = *type;
    found = found || *type != NoValue;
  }
  if (!found) return std::nullopt;
  return info;
}
