// Turns one record line of a log into a HandsetRecord. The reader of the log
// uses ParseRecordLine, which reads the line in one pass with simdjson's
// on-demand API; what any reader of record lines needs besides is here too.
// The reference reader over a whole nlohmann tree, which tests and the fuzz
// target compare it with, is not part of eventscan (testing/record_json.h).
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "log/log_types.h"

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
  // Names in "fields" that the field catalogue does not know, when wanted:
  // their values are passed over and the rest of the record is read. Null:
  // not collected (a line read again).
  std::vector<std::string>* UnknownFields = nullptr;
  // The line is followed by a NUL byte and LinePadding readable bytes in all
  // (a line of a LineSplitter): it is parsed where it is. Else it is copied.
  bool Padded = false;
};

// One record line; the reader every log goes through. The target must be
// fresh (a default record, the line's feed). Raises RecordError for a
// malformed line ("not valid JSON: ..." when it is not JSON at all, "invalid
// UTF-8 in ..." for bytes that are not UTF-8); the target and the event table
// are then unspecified and the caller rolls them back. `line` needs no
// padding unless the target says it has it: it is then parsed in place, else
// copied into a buffer of the calling thread.
void ParseRecordLine(std::string_view line, const LogHeader& header, LineTarget& target);

// A reader of record lines: ParseRecordLine, or another reader to compare it
// with (ReadOptions::LineReader). The same contract as ParseRecordLine.
using RecordLineReader = void (*)(std::string_view line, const LogHeader& header, LineTarget& target);

// Shared by the readers of record lines.
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
// A field's identifier by name or number text, -1 when unknown; remembers the
// names of the calling thread's log.
int32_t FieldIdOf(std::string_view name);
// A message code by name in a network's catalogue (0 when unknown); remembers
// the names of the calling thread's log.
uint32_t MessageCodeOf(uint8_t network, std::string_view name);
// The fault of a line with bytes no JSON text holds: "invalid UTF-8 in a
// string at column 12", or a NUL byte (which some readers take for the end of
// the text, dropping what follows); none for a line of valid UTF-8.
std::optional<std::string> ByteFault(std::string_view line);
// "\"time\" is given twice", with "fields: " and the like before it for an
// inner object (`context` empty for the record's own keys).
std::string DuplicateKeyText(std::string_view context, std::string_view key);
// "fields: \"RxLevSub\" and \"rxlevsub\" are the same field": two names (or a
// name and an identifier) of one field, which would keep only one value.
std::string SameFieldText(std::string_view a, std::string_view b);
// A value as faults quote it: at most 64 bytes, then "..." and its size, so
// that a huge value gives a message of one short line.
std::string ClipValue(std::string_view value);

}  // namespace eventscan
