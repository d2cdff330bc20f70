#include "cause_texts.h"

#include <fmt/format.h>

#include "eventmanager/outside/message_bytes.h"
#include "nas_messages.h"
#include "rrc_messages.h"

namespace outside {
namespace {

const char* RrcLabel(rrc::CauseKind kind) {
  switch (kind) {
    case rrc::CauseKind::Establishment: return "Establishment Cause";
    case rrc::CauseKind::Reject: return "Reject Cause";
    case rrc::CauseKind::Release: return "Release Cause";
    case rrc::CauseKind::CellUpdate: return "Cell Update Cause";
    case rrc::CauseKind::Failure: return "Failure Cause";
    case rrc::CauseKind::InterRatFailure: return "Inter-RAT Handover Failure Cause";
    case rrc::CauseKind::SignallingRelease: return "Signalling Release Cause";
    case rrc::CauseKind::None: break;
  }
  return "Cause";
}

}  // namespace

std::string CauseText(uint32_t code, std::string_view record) {
  if (record.size() < 8) return {};
  int32_t cause = msgbytes::ReadI32(record, 0);
  int32_t family = msgbytes::ReadI32(record, 4);
  const char* name = CauseName(family, cause, code);
  if (family == nas::FamilyRrc) {
    const char* label = RrcLabel(rrc::CauseKindOf(code));
    return name ? fmt::format("{}: {}", label, name) : fmt::format("{}: unknown({})", label, cause);
  }
  return fmt::format("Cause: {}({})", name ? name : "Unknown cause", cause);
}

}  // namespace outside
