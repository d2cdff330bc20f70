#include "definitions/msg_node.h"

#include <fmt/format.h>

#include "core/network.h"
#include "eventmanager/outside/message_codes.h"

void TMsgNode::GetMessageName(std::string& name) const {
  if (NetType == 1 && MessageCode == cdma::AccessProbeInfo)
    name = "CDMA Access Probe Info";
  else
    name = DecoderMessageName(NetType, MessageCode);
  if (SubCode != 0) name += fmt::format("({:02X})", SubCode);
}

int TMsgNodes::Add(TObject* item) {
  int index = TObjectList::Add(item);
  Modified = true;
  return index;
}

void TMsgNodes::Delete(int index) {
  TObjectList::Delete(index);
  Modified = true;
}

TMsgNode* TMsgNodes::AddNode(uint8_t net, uint32_t code, uint32_t subCode) {
  auto* node = new TMsgNode;
  node->NetType = net;
  node->MessageCode = code;
  node->SubCode = subCode;
  Add(node);
  return node;
}

void TMsgNodes::AssignFrom(const TMsgNodes& source) {
  if (&source == this) return;
  Clear();
  for (int i = 0; i < source.Count(); ++i) {
    const TMsgNode* s = source.Node(i);
    AddNode(s->NetType, s->MessageCode, s->SubCode);
  }
  Modified = source.Modified;
}
