// What both record readers share: message codes, the message information
// word, mode names and the defaults a record takes from the header.
#include <charconv>

#include <fmt/format.h>

#include "record_parser.h"

namespace eventscan {

uint32_t ParseMessageCode(std::string_view text) {
  if (std::optional<uint32_t> code = ParseDecimalOrHex<uint32_t>(text)) return *code;
  throw RecordError(fmt::format("code: \"{}\" is not a 32-bit message code like 0x412F0001", text));
}

uint32_t MessageInfoWord(uint32_t mode, uint32_t vendor) { return (mode & 0xFu) << 24 | (vendor & 0xFFu) << 16; }

uint32_t ModeByName(std::string_view name) {
  if (name == "idle") return 0;
  if (name == "dedicated") return 2;
  throw RecordError(fmt::format("mode: \"{}\" is neither idle nor dedicated nor a number 0..15", name));
}

void FinishRecord(const LogHeader& header, LineTarget& target, bool hasCode, bool kindGiven) {
  HandsetRecord& rec = target.Record;
  if (rec.NetType == 255) rec.NetType = header.Network;
  rec.Reference = static_cast<uint32_t>(target.Index);
  RecordKind& kind = target.Feed.Kind;
  if (!kindGiven) {
    if (hasCode) kind = RecordKind::Message;
    else if (!rec.Items.empty()) kind = RecordKind::Test;
    else if ((rec.MessageInfo >> 16 & 0xFFu) != 0) kind = RecordKind::Trace;
    else kind = RecordKind::Measurement;
  } else if (kind == RecordKind::Message && !hasCode) {
    throw RecordError("a message record needs a \"code\" or a \"msg\"");
  }
}

}  // namespace eventscan
