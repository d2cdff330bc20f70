// Matching of one decoded layer-3 message against the levels of a message
// event: message comparison through the network's decoder, sub-type masks,
// cause conditions (on LTE the cause the message carries: EMM, ESM or RRC), and
// the UMTS and TD-SCDMA messages that count only in some states.
#include <cstring>

#include "core/network.h"
#include "definitions/level_node.h"
#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"
#include "eventmanager/outside/wcdma_decoder.h"

namespace {

constexpr uint32_t CodeCauseByMessage = rrc::ConnectionReject;
constexpr uint32_t CodeReconfigA = rrc::RadioBearerReconfiguration;
constexpr uint32_t CodeReconfigB = rrc::TransportChannelReconfiguration;
constexpr uint32_t CodeReconfigC = rrc::PhysicalChannelReconfiguration;
constexpr uint32_t CodeTdInProgress = rrc::ConnectionRelease;
constexpr uint32_t CodeNotInGsmIdle = nas::HandoverCommand;
constexpr uint32_t CodeDedicatedOnly = nas::AssignmentCommand;

int32_t firstI32(const std::string& record) {
  int32_t v = -9999;
  if (record.size() >= 4) std::memcpy(&v, record.data(), 4);
  return v;
}

void loadRecord(TLevelNode& level, const TMatchInput& in) {
  if (in.OnGetRecord) in.OnGetRecord(level.HandsetFields.get(), static_cast<int32_t>(in.RecordRef));
}

// The 3G cause: the message-cause reader for CodeCauseByMessage, otherwise the CM
// service type reader.
template <class CauseReader, class ServiceReader>
int32_t cause3g(uint8_t net, const TMatchInput& in, CauseReader causeReader, ServiceReader serviceReader) {
  const std::string& data = *in.Data;
  if (CompareMsgInfo(in.DeviceType, net, in.MessageCode, CodeCauseByMessage)) {
    if (auto r = causeReader(in.MessageCode, data)) return firstI32(*r);
    return -9999;
  }
  return serviceReader(in.DeviceType, in.MessageCode, data).value_or(-9999);
}

}  // namespace

bool TLevelNode::MatchReason(const TMatchInput& in) {
  if (ReasonNum == -9999) return true;
  static const std::string empty;
  const std::string& data = in.Data ? *in.Data : empty;
  TMatchInput input = in;
  input.Data = &data;
  int32_t cause = -9999;
  switch (Network()) {
    case 0:
      cause = Gain_GSM_CM_Service_Type_Data_Point(in.DeviceType, in.MessageCode, data).value_or(-9999);
      break;
    case 1: {
      loadRecord(*this, in);
      if (HandsetFields->HasData() == 0) return false;
      uint8_t previous = HandsetFields->FieldByte(21);
      if (auto r = Gain_cdma_Cause_code_Data_Point_With_Prev(previous, in.DeviceType, in.MessageCode, data))
        cause = *r;
      break;
    }
    case 2:
      cause = cause3g(2, input, GainUMTSMessageCauseCode, Gain_WCDMA_CM_Service_Type_Data_Point);
      break;
    case 3:
      cause = cause3g(3, input, GainTDSCDMAMessageCauseCode, Gain_TDSCDMA_CM_Service_Type_Data_Point);
      break;
    case 4:
      if (auto r = GainLTEMessageCauseCode(in.MessageCode, data)) cause = firstI32(*r);
      break;
    default:
      break;
  }
  return ReasonNum == cause;
}

// The state checks of the special UMTS and TD-SCDMA messages; false ends the
// level's attempt.
bool TLevelNode::SpecialMessageAccepted(const TMatchInput& in, uint32_t nodeCode) {
  uint8_t net = Network();
  if (net != 2 && net != 3) return true;
  switch (nodeCode) {
    case CodeTdInProgress:
      if (net == 3) {
        Event()->InProgress = true;
        if (Event()->List()) Event()->List()->MayHaveWaiting = true;
        if (in.HangupTime) *in.HangupTime = 0;
      }
      return true;
    case CodeReconfigA:
    case CodeReconfigB:
    case CodeReconfigC:
      try {
        loadRecord(*this, in);
        const std::string& raw = HandsetFields->MessageBytes();
        uint32_t code = HandsetFields->MessageCode();
        if (net == 2) {
          auto r = GainWCDMAPhysicalChannelReconfigurationInfo(code, raw);
          return r && r->NewUarfcn != -9999;
        }
        auto r = GainTDSCDMAPhysicalChannelReconfigurationInfo(code, raw);
        return r && r->NewUarfcn != -9999;
      } catch (...) {
        // A failing diagnosis only means the message does not count here.
        return false;
      }
    case CodeDedicatedOnly:
      loadRecord(*this, in);
      return ((HandsetFields->MessageInfo() >> 24) & 0xF) == 2;
    case CodeNotInGsmIdle:
      loadRecord(*this, in);
      if (HandsetFields->NetType() != net) return true;
      return net == 2 ? UMTSInGSMState(*HandsetFields) : TDSCDMAInGSMState(*HandsetFields);
    default:
      return true;
  }
}

bool TLevelNode::MatchLevel(const TMatchInput& in) {
  for (int i = 0; i < MsgNodes->Count(); ++i) {
    const TMsgNode* node = MsgNodes->Node(i);
    bool ok = CompareMsgInfo(in.DeviceType, node->NetType, in.MessageCode, node->MessageCode);
    if (node->SubCode != 0 && in.SubIndex >= 0)
      ok = ok && in.SubIndex < 32 && ((node->SubCode >> in.SubIndex) & 1u) != 0;
    if (!ok) continue;
    if (!MatchReason(in)) continue;
    if (!SpecialMessageAccepted(in, node->MessageCode)) return false;
    TMsgEvent* event = Event();
    event->PreviousLevel = event->CurrentLevel;
    event->CurrentLevel = this;
    return true;
  }
  return false;
}

bool TLevelNode::MatchChildren(const TMatchInput& in) {
  for (int i = 0; i < ChildCount(); ++i)
    if (Child(i)->MatchLevel(in)) return true;
  return false;
}

bool TMsgEvent::MatchNext(const TMatchInput& in) { return CurrentLevel && CurrentLevel->MatchChildren(in); }

bool TMsgEvent::MatchStart(const TMatchInput& in) {
  if (!MatchFirstStep(in)) return false;
  RestartAtCurrentLevel();
  return true;
}

bool TMsgEvent::MatchFirstStep(const TMatchInput& in) {
  bool ok = HasLevels();
  if (NeedsArming()) ok = ok && Armed;
  TLevelNode* saved = CurrentLevel;
  bool matched = false;
  if (ok) {
    for (int i = 0; i < LevelCount(); ++i) {
      matched = Level(i)->MatchLevel(in);
      if (!matched) continue;
      if (!saved || CurrentLevel->RootLevel() == saved->RootLevel()) break;
      // A sequence is under way in another branch: this message does not
      // restart the event.
      CurrentLevel = saved;
      matched = false;
    }
  }
  return ok && matched;
}

void TMsgEvent::RestartAtCurrentLevel() {
  TLevelNode* level = CurrentLevel;
  ResetRun();
  CurrentLevel = level;
}
