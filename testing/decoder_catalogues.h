// The message catalogues of the layer-3 decoders, as the tests walk them:
// one row a network, in network order (GSM, CDMA, WCDMA, TD-SCDMA, LTE).
#pragma once

#include <cstdint>
#include <string>

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/wcdma_decoder.h"

struct TDecoderCatalogue {
  const char* Name;
  int (*Count)();
  uint32_t (*Code)(int);
  std::string (*Desc)(int);
  std::string (*MsgName)(uint32_t);
};

inline const TDecoderCatalogue kDecoderCatalogues[] = {
    {"GSM", NetGSML3LogMsgTypesCount, NetGSML3LogMsgTypeCode, NetGSML3LogMsgTypeDesc, NetGSML3LogMsgTypeName},
    {"CDMA", NetCDMAL3LogMsgTypesCount, NetCDMAL3LogMsgTypeCode, NetCDMAL3LogMsgTypeDesc, NetCDMAL3LogMsgTypeName},
    {"WCDMA", NetWCDMAL3LogMsgTypesCount, NetWCDMAL3LogMsgTypeCode, NetWCDMAL3LogMsgTypeDesc, NetWCDMAL3LogMsgTypeName},
    {"TD-SCDMA", NetTDSCDMAL3LogMsgTypesCount, NetTDSCDMAL3LogMsgTypeCode, NetTDSCDMAL3LogMsgTypeDesc,
     NetTDSCDMAL3LogMsgTypeName},
    {"LTE", NetLTEL3LogMsgTypesCount, NetLTEL3LogMsgTypeCode, NetLTEL3LogMsgTypeDesc, NetLTEL3LogMsgTypeName},
};
