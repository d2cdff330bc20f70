// CDMA diagnosis export: the text of a release or reject cause record.
#include "eventmanager/outside/cdma_diagnosis.h"

#include "cause_texts.h"

std::string GainCDMAMessageCauseInfo(uint32_t code, const std::string& causeRecord) {
  return outside::CauseText(code, causeRecord);
}
