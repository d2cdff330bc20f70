// What every reader of record lines shares: message codes, the message
// information word, mode names, the defaults a record takes from the header,
// name caches and the texts of faults the readers must word alike.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>

#include "log/networks.h"
#include "log/record_parser.h"

namespace eventscan {

uint32_t ParseMessageCode(std::string_view text) {
  if (std::optional<uint32_t> code = ParseDecimalOrHex<uint32_t>(text)) return *code;
  throw RecordError(fmt::format("code: \"{}\" is not a 32-bit message code like 0x412F0001", ClipValue(text)));
}

uint32_t MessageInfoWord(uint32_t mode, uint32_t vendor) { return (mode & 0xFu) << 24 | (vendor & 0xFFu) << 16; }

uint32_t ModeByName(std::string_view name) {
  if (name == "idle") return 0;
  if (name == "dedicated") return 2;
  throw RecordError(fmt::format("mode: \"{}\" is neither idle nor dedicated nor a number 0..15", ClipValue(name)));
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

int32_t FieldIdOf(std::string_view name) {
  // A log names few fields, in the same order on every line, while the
  // catalogue compares names one by one: the search starts after the name
  // found last. Per thread, so that lines may be parsed on any thread.
  thread_local std::vector<std::pair<std::string, int32_t>> seen;
  thread_local size_t next = 0;
  for (size_t k = 0; k < seen.size(); ++k) {
    size_t i = (next + k) % seen.size();
    if (seen[i].first == name) {
      next = i + 1;
      return seen[i].second;
    }
  }
  int32_t id = -1;
  auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), id);
  if (ec != std::errc() || end != name.data() + name.size()) id = FieldIdByName(name);
  if (id >= 0 && seen.size() < 256) {
    seen.emplace_back(std::string(name), id);
    next = seen.size();
  }
  return id;
}

uint32_t MessageCodeOf(uint8_t network, std::string_view name) {
  // A small table by a hash of the name: a log names a few dozen messages.
  struct Seen {
    uint8_t Network = 255;
    std::string Name;
    uint32_t Code = 0;
  };
  thread_local std::vector<Seen> table(256);
  // Hashed by its size and its first and last eight bytes (names that share
  // a beginning differ at their ends: "... Type 3", "... Type 4"); two names
  // that meet in a slot only take turns in it.
  uint64_t first = 0, last = 0;
  const size_t n = std::min<size_t>(name.size(), 8);
  std::memcpy(&first, name.data(), n);
  std::memcpy(&last, name.data() + name.size() - n, n);
  const uint64_t mixed = (first * 0x9E3779B97F4A7C15u) ^ (last * 0xC2B2AE3D27D4EB4Fu) ^ (name.size() << 8 | network);
  Seen& slot = table[(mixed * 0x165667B19E3779F9u) >> 56];
  if (slot.Code != 0 && slot.Network == network && slot.Name == name) return slot.Code;
  const uint32_t code = MessageCodeByName(network, name);
  if (code != 0) slot = {network, std::string(name), code};
  return code;
}

namespace {

// Length of the well-formed UTF-8 sequence at `p` (RFC 3629: no overlong
// forms, no surrogates, nothing above U+10FFFF), 0 when it is not one.
size_t utf8Sequence(const unsigned char* p, const unsigned char* end) {
  const unsigned char c = p[0];
  if (c < 0x80) return 1;
  size_t n;
  unsigned char lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) n = 2;
  else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<size_t>(end - p) < n || p[1] < lo || p[1] > hi) return 0;
  for (size_t i = 2; i < n; ++i)
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  return n;
}

}  // namespace

std::optional<std::string> ByteFault(std::string_view line) {
  const auto* begin = reinterpret_cast<const unsigned char*>(line.data());
  const auto* end = begin + line.size();
  bool inString = false, escaped = false;
  for (const unsigned char* p = begin; p < end;) {
    const size_t n = utf8Sequence(p, end);
    if (n == 0)
      return fmt::format("invalid UTF-8 in {} at column {}", inString ? "a string" : "the line", p - begin + 1);
    if (*p == 0) return fmt::format("not valid JSON: a NUL byte at column {}", p - begin + 1);
    if (n == 1) {
      if (escaped) escaped = false;
      else if (inString && *p == '\\') escaped = true;
      else if (*p == '"') inString = !inString;
    } else {
      escaped = false;
    }
    p += n;
  }
  return std::nullopt;
}

std::string DuplicateKeyText(std::string_view context, std::string_view key) {
  if (context.empty()) return fmt::format("\"{}\" is given twice", ClipValue(key));
  return fmt::format("{}: \"{}\" is given twice", context, ClipValue(key));
}

std::string SameFieldText(std::string_view a, std::string_view b) {
  if (b < a) std::swap(a, b);
  return fmt::format("fields: \"{}\" and \"{}\" are the same field", ClipValue(a), ClipValue(b));
}

std::string ClipValue(std::string_view value) {
  constexpr size_t shown = 64;
  if (value.size() <= shown) return std::string(value);
  // Cut before a UTF-8 continuation byte, so that no character is split.
  size_t cut = shown;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  return fmt::format("{}... ({} bytes)", value.substr(0, cut), value.size());
}

}  // namespace eventscan
