#include "windows/event_modify_rules.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "definitions/level_node.h"
#include "definitions/msg_event.h"
#include "definitions/msg_event_list.h"
#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/utility.h"
#include "eventmanager/outside/wcdma_decoder.h"
#include "support/text_case.h"
#include "support/text_trim.h"

namespace {

constexpr const char* ProbeName = "CDMA Access Probe Info";
constexpr int32_t NoReason = -9999;

std::vector<TChoice> numbered(std::initializer_list<const char*> texts) {
  std::vector<TChoice> choices;
  int32_t number = 1;
  for (const char* text : texts) choices.push_back({text, number++});
  return choices;
}

// The catalogue operations of one network's decoder.
struct TCatalogue {
  int (*Count)();
  uint32_t (*Code)(int);
  std::string (*Desc)(int);
  bool (*HasSubTypes)(uint32_t);
};

const TCatalogue* catalogueOf(uint8_t net) {
  static const TCatalogue catalogues[] = {
      {NetGSML3LogMsgTypesCount, NetGSML3LogMsgTypeCode, NetGSML3LogMsgTypeDesc, NetGSML3LogMsgTypeHasSubTypes},
      {NetCDMAL3LogMsgTypesCount, NetCDMAL3LogMsgTypeCode, NetCDMAL3LogMsgTypeDesc, NetCDMAL3LogMsgTypeHasSubTypes},
      {NetWCDMAL3LogMsgTypesCount, NetWCDMAL3LogMsgTypeCode, NetWCDMAL3LogMsgTypeDesc,
       NetWCDMAL3LogMsgTypeHasSubTypes},
      {NetTDSCDMAL3LogMsgTypesCount, NetTDSCDMAL3LogMsgTypeCode, NetTDSCDMAL3LogMsgTypeDesc,
       NetTDSCDMAL3LogMsgTypeHasSubTypes},
      {NetLTEL3LogMsgTypesCount, NetLTEL3LogMsgTypeCode, NetLTEL3LogMsgTypeDesc, NetLTEL3LogMsgTypeHasSubTypes}};
  return net < std::size(catalogues) ? &catalogues[net] : nullptr;
}

}  // namespace

const std::vector<TChoice>& ReportChoices() {
  static const std::vector<TChoice> choices = numbered({
      "Authentication Success", "Authentication Failure", "Intercell handover success",
      "Intercell handover failure", "Location Update Success", "Location Update Failure",
      "Location Updating Accept", "Location Updating Reject", "Routing Area Update Success",
      "Routing Area Update Failure", "Outgoing Call Attempt", "Outgoing Call Established",
      "Intracell handover success", "Outgoing Call End", "Outgoing Dropped Call", "Intracell handover failure",
      "Outgoing Blocked Call", "Incoming Call Established", "Incoming Call End", "Incoming Dropped Call",
      "Incoming Blocked Call", "SoftHandoff Success", "Outgoing Call Setup", "Incoming Call Setup",
      "RRC Connection Completed", "RAB Setup", "RAB Setup Completed", "Handover Success(GSM-->UMTS)",
      "Handover Failure(GSM-->UMTS)", "Handover Failure(UMTS-->GSM)", "Handover Success(UMTS-->GSM)",
      "Handover Success(GSM-->TD)", "Handover Failure(GSM-->TD)", "Handover Failure(TD-->GSM)",
      "Handover Success(TD-->GSM)", "SoftHandover Success", "SoftHandover Failure", "Hard Handover Success",
      "Hard Handover Failure", "Handover Success", "Handover Failure", "Cell Update Success",
      "Cell Update Attempt", "Cell Update Failure", "Detach Success", "PDP Deactive Success",
      "URA Update Success"});
  return choices;
}

const std::vector<TChoice>& DetailFlagChoices() {
  static const std::vector<TChoice> choices = numbered({"Cause Code", "Soft HandOver", "Hard HandOver",
                                                        "UMTS To GSM", "GSM To UMTS", "Display Delay",
                                                        "TD To GSM", "GSM To TD"});
  return choices;
}

const std::vector<TChoice>& StartedFlagChoices() {
  static const std::vector<TChoice> choices = numbered({"Call Started", "Attach Started", "PDPActive Started"});
  return choices;
}

std::vector<TMessageType> AvailableMessages(uint8_t net) {
  std::vector<TMessageType> types;
  const TCatalogue* catalogue = catalogueOf(net);
  if (!catalogue) return types;
  // The probe record is the handset's, not a layer-3 message: a decoder may
  // not list it, or list it under a description of its own. Either way it is
  // offered once, under the name its conditions are shown with.
  const bool isCdma = net == 1;
  bool probeListed = false;
  for (int i = 0, n = catalogue->Count(); i < n; ++i) {
    const uint32_t code = catalogue->Code(i);
    const bool probe = isCdma && code == cdma::AccessProbeInfo;
    if (probe && probeListed) continue;
    types.push_back({probe ? std::string(ProbeName) : catalogue->Desc(i), code});
    probeListed = probeListed || probe;
  }
  if (isCdma && !probeListed) types.push_back({ProbeName, cdma::AccessProbeInfo});
  std::stable_sort(types.begin(), types.end(), [](const TMessageType& a, const TMessageType& b) {
    std::string ua = AsciiLowerCopy(a.Description), ub = AsciiLowerCopy(b.Description);
    return ua != ub ? ua < ub : a.Description < b.Description;
  });
  return types;
}

int32_t ReasonFromText(std::string_view text) {
  text = TrimBlanks(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  int32_t value = NoReason;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return NoReason;
  return value;
}

std::string ReasonText(int32_t reason) { return reason == NoReason ? std::string() : std::to_string(reason); }

void StoreLevelFields(TLevelNode& level, const TLevelFields& fields) {
  // The setters trim the texts and store them only when they differ from the
  // stored ones (letter case aside), so an unchanged level stays unmodified.
  level.SetReportName(fields.Report);
  level.SetExpression(fields.Expression);
  level.SetReasonNum(ReasonFromText(fields.Reason));
  level.SetDetailFlag(fields.DetailFlag);
}

TLevelNode* NewItem(TMsgEvent& event, TLevelNode& selected) {
  return NewSubItem(event, selected.ParentLevel);
}

TLevelNode* NewSubItem(TMsgEvent& event, TLevelNode* selected) {
  auto* level = new TLevelNode(&event, selected);
  if (selected)
    selected->AddChild(level);
  else
    event.AddLevel(level);
  return level;
}

void DeleteItem(TMsgEvent& event, TLevelNode* level) {
  if (!level) return;
  if (level->ParentLevel)
    level->ParentLevel->RemoveChild(level);
  else
    event.RemoveLevel(level);
}

bool SelectMsg(TLevelNode& level, uint8_t net, uint32_t code) {
  const TCatalogue* catalogue = catalogueOf(net);
  TMsgNode candidate;
  candidate.NetType = net;
  candidate.MessageCode = code;
  candidate.SubCode = catalogue && catalogue->HasSubTypes(code) ? 0xFFFFFFFFu : 0;
  const std::string name = candidate.MessageName();
  for (int i = 0; i < level.MsgNodes->Count(); ++i) {
    TMsgNode* node = level.MsgNodes->Node(i);
    node->NetType = net;
    if (node->MessageName() == name) return false;
  }
  level.MsgNodes->AddNode(net, code, candidate.SubCode);
  return true;
}

void DeleteMsg(TLevelNode& level, int index) {
  if (index >= 0 && index < level.MsgNodes->Count()) level.MsgNodes->Delete(index);
}

TLevelNode* DropLevel(TMsgEvent& event, TLevelNode& dragged, TLevelNode* target) {
  // The copy is complete before it is added, so dropping a level on itself or
  // on one of its own sub-levels copies the subtree once and ends.
  TLevelNode* copy = TLevelNode::CloneLevel(&dragged, &event, target);
  if (target)
    target->AddChild(copy);
  else
    event.AddLevel(copy);
  return copy;
}

bool RenameEvent(TMsgEvent& event, const std::string& text) {
  if (IsEmptyStr(text) || text == event.EventName) return false;
  event.SetCaption(text);
  event.Modified = true;
  return true;
}

std::vector<std::string> ReportNamesToOffer(const TMsgEventList* list, const TMsgEvent* copy,
                                            const std::vector<std::string>& present) {
  std::vector<std::string> found;
  if (list) list->CollectReportNames(found);
  if (copy) copy->CollectReportNames(found);
  std::vector<std::string> offered;
  auto listed = [](const std::vector<std::string>& names, const std::string& name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return CompText(n, name); });
  };
  for (const std::string& name : found)
    if (!listed(present, name) && !listed(offered, name)) offered.push_back(name);
  return offered;
}

TEnabling Enabling(bool readOnly, TSelectedNode node) {
  const bool editable = !readOnly;
  const bool level = node == TSelectedNode::Level;
  return TEnabling{.SelectedList = editable,
                   .NewItem = editable && level,
                   .NewSubItem = editable && node != TSelectedNode::None,
                   .DeleteItem = editable && level,
                   .LevelFields = editable && level,
                   .SelectMsg = editable && level,
                   .DeleteMsg = editable && level};
}

std::string NameTakenReason(THashObjectList* list, const TObject* edited, const std::string& name) {
  if (!list) return {};
  const std::string_view wanted = TrimBlanks(name);
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Items(i) == edited) continue;
    std::string other;
    list->GetItemName(i, other);
    if (CompText(std::string(TrimBlanks(other)), std::string(wanted)))
      return "There is already an event named '" + other + "' in this list (letter case aside); give this one another name.";
  }
  return {};
}
