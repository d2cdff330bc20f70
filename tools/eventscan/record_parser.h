// Turns one record line of a log into a HandsetRecord. Two readers give the
// same result: a fast scanner for the plain lines that make up most of a log
// (flat keys, numbers, simple strings, fields, items, events), and the full JSON
// reader for everything else. The fast one declines what it does not handle.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include <nlohmann/json_fwd.hpp>

#include "log_types.h"

namespace eventscan {

// A malformed record line; the text says what is wrong.
class RecordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where one line goes: the record, how it is fed, and the event table the
// line may add entries to. The caller rolls the table back on an error.
struct LineTarget {
  HandsetRecord& Record;
  RecordFeed& Feed;
  std::vector<EventTableEntry>& Events;
  std::vector<DeclaredEvent>& Origins;
  int32_t Index;  // position of the record in the log
};

// Full reader; raises RecordError.
void ParseRecordJson(const nlohmann::json& line, const LogHeader& header, LineTarget& target);
// Fast reader; false when the line needs the full reader (nothing is then
// promised about the target, which the caller resets).
bool ParseRecordFast(std::string_view line, const LogHeader& header, LineTarget& target);

// One record line, whichever reader it takes; the only entry the log reader
// uses. The target must be fresh (a default record, the line's feed). Raises
// RecordError for a malformed line ("not valid JSON: ..." when it is not
// JSON at all); the target and the event table are then unspecified and the
// caller rolls them back.
void ParseRecordLine(std::string_view line, const LogHeader& header, LineTarget& target, bool fastPath = true);

// Shared by both readers.
// A whole integer of type T, decimal or with a "0x" prefix hexadecimal; none
// when the text is empty, has anything else in it or does not fit.
template <class T>
std::optional<T> ParseDecimalOrHex(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  T value{};
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}
uint32_t ParseMessageCode(std::string_view text);  // "0x412F0001" or decimal; raises RecordError
uint32_t MessageInfoWord(uint32_t mode, uint32_t vendor);
uint32_t ModeByName(std::string_view name);  // "idle", "dedicated"; raises RecordError
void FinishRecord(const LogHeader& header, LineTarget& target, bool hasCode, bool kindGiven);

}  // namespace eventscan
