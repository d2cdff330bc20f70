// The LTE decoder's readers over arbitrary message bytes: the first four
// bytes choose the message (a code outside the catalogue picks an entry by
// position), the rest is the block. No reader may read past the block, and
// what a reader answers must be a value its element can hold.
#include <cstring>
#include <string>

#include "eventmanager/outside/lte_decoder.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t code = 0;
  std::memcpy(&code, data, 4);
  if (NetLTEL3LogMsgTypeName(code).empty())
    code = NetLTEL3LogMsgTypeCode(static_cast<int>(code % static_cast<uint32_t>(NetLTEL3LogMsgTypesCount())));
  // A copy of exactly the block's size, so that a read past it is caught.
  const std::string bytes(reinterpret_cast<const char*>(data) + 4, size - 4);

  const int sub = GainNetLTEL3LogMsgSubIndex(code, bytes);
  if (sub < -1 || sub > 31 || (sub >= 0 && !NetLTEL3LogMsgTypeHasSubTypes(code)))
    FuzzFail("sub-type %d of %08x", sub, code);
  if (auto record = GainLTEMessageCauseCode(code, bytes)) {
    if (record->size() != 8) FuzzFail("cause record of %zu bytes", record->size());
    if (GainLTEMessageCauseInfo(code, *record).rfind("Cause", 0) != 0) FuzzFail("cause text of %08x", code);
  }
  if (auto target = Gain_LTE_Target_Cell(0, code, bytes); target && target->Pci == -9999)
    FuzzFail("a target cell without a PCI");
  if (auto redirect = Gain_LTE_Redirect(0, code, bytes); redirect && (redirect->System < 0 || redirect->System > 5))
    FuzzFail("redirect to system %d", redirect->System);
  if (auto bearer = Gain_LTE_Eps_Bearer_Id(code, bytes); bearer && (*bearer < 5 || *bearer > 15))
    FuzzFail("EPS bearer %d", *bearer);
  if (auto scg = Gain_LTE_Scg_Info(code, bytes); scg && scg->NrPci == -9999 && scg->FailureType == -9999)
    FuzzFail("an empty NR cell group");
  return 0;
}
