// TMsgNode: one message condition of a level (network, message code, accepted
// sub-types); TMsgNodes: the owning list of a level's conditions.
#pragma once

#include <cstdint>
#include <string>

#include "core/object_list.h"

class TMsgNode : public TObject {
  EM_CLASS(TMsgNode, TObject)
 public:
  uint8_t NetType = 0;
  uint32_t MessageCode = 0;
  uint32_t SubCode = 0;  // bit n accepts sub-type n; 0 accepts all

  void SetNetType(uint8_t net) { NetType = net; }
  void SetMessageCode(uint32_t code) {
    if (code != MessageCode) MessageCode = code;
  }
  void SetSubCode(uint32_t mask) {
    if (mask != SubCode) SubCode = mask;
  }
  // The decoder's name of the message, with "(XX)" for a sub-type mask.
  void GetMessageName(std::string& name) const;
  std::string MessageName() const {
    std::string n;
    GetMessageName(n);
    return n;
  }
};

class TMsgNodes : public TObjectList {
  EM_CLASS(TMsgNodes, TObjectList)
 public:
  TMsgNodes() : TObjectList(TObject::StaticClass(), true) {}
  bool Modified = false;

  int Add(TObject* item) override;
  void Delete(int index) override;
  TMsgNode* Node(int index) const { return ItemAs<TMsgNode>(index); }
  TMsgNode* AddNode(uint8_t net, uint32_t code, uint32_t subCode);
  void AssignFrom(const TMsgNodes& source);
};
