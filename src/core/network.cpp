#include "core/network.h"

#include "eventmanager/outside/cdma_decoder.h"
#include "eventmanager/outside/gsm_decoder.h"
#include "eventmanager/outside/lte_decoder.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/utility.h"
#include "eventmanager/outside/wcdma_decoder.h"

std::string NetworkName(uint8_t net) {
  switch (net) {
    case 0: return "GSM";
    case 1: return "CDMA";
    case 2: return "UMTS";
    case 3: return "TD-SCDMA";
    case 4: return "LTE";
    default: return {};
  }
}

int NetworkByName(const std::string& name) {
  for (uint8_t n = 0; n < NetworkCount; ++n)
    if (CompText(name, NetworkName(n))) return n;
  if (CompText(name, "WCDMA")) return 2;
  if (CompText(name, "TDSCDMA")) return 3;
  if (CompText(name, "E-UTRA") || CompText(name, "EUTRA")) return 4;
  return -1;
}

std::string DecoderMessageName(uint8_t net, uint32_t code) {
  switch (net) {
    case 0: return NetGSML3LogMsgTypeName(code);
    case 1: return NetCDMAL3LogMsgTypeName(code);
    case 2: return NetWCDMAL3LogMsgTypeName(code);
    case 3: return NetTDSCDMAL3LogMsgTypeName(code);
    case 4: return NetLTEL3LogMsgTypeName(code);
    default: return {};
  }
}

bool CompareMsgInfo(uint8_t deviceType, uint8_t net, uint32_t messageCode, uint32_t nodeCode) {
  switch (net) {
    case 0: return Compare_GSM_MsgInfo(deviceType, messageCode, nodeCode);
    case 1: return Compare_CDMA_MsgInfo(deviceType, messageCode, nodeCode);
    case 2: return Compare_WCDMA_MsgInfo(deviceType, messageCode, nodeCode);
    case 3: return Compare_TDSCDMA_MsgInfo(deviceType, messageCode, nodeCode);
    case 4: return Compare_LTE_MsgInfo(deviceType, messageCode, nodeCode);
    default: return false;
  }
}
