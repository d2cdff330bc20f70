// The fast reader of record lines: one pass over the text without building a
// JSON tree, for lines of flat keys with numbers and plain strings, a
// "fields" object and "items" and "events" lists (everything but "ie" and "bytes"). It declines (returns false) anything else, including every
// line it finds fault with, so that the full reader gives the message.
#include <algorithm>
#include <charconv>
#include <iterator>
#include <tuple>
#include <string>
#include <utility>
#include <vector>

#include "eventmanager/outside/message_bytes.h"
#include "hex_text.h"
#include "log_time.h"
#include "networks.h"
#include "record_parser.h"

namespace eventscan {
namespace {

class Scanner {
 public:
  explicit Scanner(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

  void SkipBlanks() {
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\t' || *p_ == '\r' || *p_ == '\n')) ++p_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (p_ < end_ && *p_ == c) {
      ++p_;
      return true;
    }
    return false;
  }
  bool Peek(char c) {
    SkipBlanks();
    return p_ < end_ && *p_ == c;
  }
  bool AtEnd() {
    SkipBlanks();
    return p_ == end_;
  }
  // A string without escapes or control characters.
  bool String(std::string_view& out) {
    if (!Take('"')) return false;
    const char* start = p_;
    while (p_ < end_ && *p_ != '"') {
      if (*p_ == '\\' || static_cast<unsigned char>(*p_) < 0x20) return false;
      ++p_;
    }
    if (p_ == end_) return false;
    out = std::string_view(start, p_ - start);
    ++p_;
    return true;
  }
  // The text of a number token, refusing what JSON refuses (leading zeros, '+').
  bool Number(std::string_view& out) {
    SkipBlanks();
    const char* start = p_;
    while (p_ < end_ && ((*p_ >= '0' && *p_ <= '9') || *p_ == '-' || *p_ == '.' || *p_ == 'e' || *p_ == 'E' ||
                         *p_ == '+'))
      ++p_;
    out = std::string_view(start, p_ - start);
    if (out.empty() || out[0] == '+') return false;
    std::string_view mag = out[0] == '-' ? out.substr(1) : out;
    return !mag.empty() && !(mag.size() > 1 && mag[0] == '0' && mag[1] >= '0' && mag[1] <= '9');
  }
  bool Literal(std::string_view word) {
    SkipBlanks();
    if (static_cast<size_t>(end_ - p_) < word.size() || std::string_view(p_, word.size()) != word) return false;
    p_ += word.size();
    return true;
  }

 private:
  const char* p_;
  const char* end_;
};

template <class T>
bool whole(std::string_view token, T& value) {
  auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
  return ec == std::errc() && end == token.data() + token.size();
}

bool integerIn(Scanner& s, int64_t lo, int64_t hi, int64_t& value) {
  std::string_view token;
  return s.Number(token) && whole(token, value) && value >= lo && value <= hi;
}

bool timeValue(Scanner& s, double& out) {
  if (s.Peek('"')) {
    std::string_view text;
    if (!s.String(text)) return false;
    auto t = ParseIsoTime(text);
    if (!t) return false;
    out = *t;
    return true;
  }
  std::string_view token;
  return s.Number(token) && whole(token, out);
}

// Field names seen so far and their identifiers: a log names few fields,
// while the catalogue lookup compares names one by one.
// Lines of one log name their fields in the same order, so the search starts
// after the name found last.
int32_t fieldId(std::string_view name) {
  // Per thread: a large log is read by two threads at once.
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
  if (!whole(name, id)) id = FieldIdByName(name);
  if (id >= 0 && seen.size() < 256) {
    seen.emplace_back(std::string(name), id);
    next = seen.size();
  }
  return id;
}

// Collects the values first and stores them sorted in one allocation; a
// repeated identifier keeps its last value, as SetField would.
bool fields(Scanner& s, HandsetRecord& rec) {
  if (!s.Take('{')) return false;
  if (s.Take('}')) return true;
  std::pair<int32_t, int32_t> buffer[64];
  size_t n = 0;
  do {
    std::string_view name;
    int64_t value;
    if (n == std::size(buffer) || !s.String(name) || !s.Take(':') || !integerIn(s, INT32_MIN, INT32_MAX, value))
      return false;
    int32_t id = fieldId(name);
    if (id < 0) return false;
    buffer[n++] = {id, static_cast<int32_t>(value)};
  } while (s.Take(','));
  if (!s.Take('}')) return false;
  for (size_t i = 1; i < n; ++i)  // insertion sort: stable, and no allocation
    for (size_t j = i; j > 0 && buffer[j - 1].first > buffer[j].first; --j) std::swap(buffer[j - 1], buffer[j]);
  std::vector<std::pair<int32_t, int32_t>> sorted;
  sorted.reserve(n + rec.Fields.size());
  for (size_t i = 0; i < n; ++i) {
    // One field named twice (names ignore letter case) goes to the full
    // reader, so that both readers keep the same one of the two values.
    if (i + 1 < n && buffer[i + 1].first == buffer[i].first) return false;
    sorted.push_back(buffer[i]);
  }
  if (rec.Fields.empty()) {
    rec.Fields = std::move(sorted);
  } else {
    for (const auto& [id, value] : sorted) rec.SetField(id, value);
  }
  return true;
}

bool hexBytes(std::string_view hex, std::string& out) {
  auto bytes = HexToBytes(hex);
  if (!bytes) return false;
  out = std::move(*bytes);
  return true;
}

// [{"id": 54, "time": ..., "extra": "hex", "text": "..."}, ...]
bool items(Scanner& s, HandsetRecord& rec) {
  if (!s.Take('[')) return false;
  if (s.Take(']')) return true;
  do {
    if (!s.Take('{')) return false;
    TestItem t{};
    t.Time = rec.Time;
    bool hasId = false;
    std::string extra;
    do {
      std::string_view key, text;
      int64_t n;
      if (!s.String(key) || !s.Take(':')) return false;
      if (key == "id") {
        if (!integerIn(s, INT16_MIN, INT16_MAX, n)) return false;
        t.EventId = static_cast<int16_t>(n);
        hasId = true;
      } else if (key == "time") {
        double time = 0;  // TestItem is packed: its Time cannot be bound to a reference
        if (!timeValue(s, time)) return false;
        t.Time = time;
      } else if (key == "extra") {
        if (!s.String(text) || !hexBytes(text, extra)) return false;
      } else if (key == "text") {
        if (!s.String(text)) return false;
        extra.assign(text);
      } else {
        return false;
      }
    } while (s.Take(','));
    if (!s.Take('}') || !hasId || extra.size() > UINT16_MAX || rec.AddItem(t, extra) < 0) return false;
  } while (s.Take(','));
  return s.Take(']');
}

// [{"id": 58, "record": 12, "item": 0}, ...]
bool events(Scanner& s, LineTarget& t) {
  if (!s.Take('[')) return false;
  if (s.Take(']')) return true;
  do {
    if (!s.Take('{')) return false;
    EventTableEntry entry{0, t.Index};
    DeclaredEvent origin{t.Index, -1};
    bool hasId = false;
    do {
      std::string_view key;
      int64_t n;
      if (!s.String(key) || !s.Take(':')) return false;
      if (key == "id" && integerIn(s, INT16_MIN, INT16_MAX, n)) {
        entry.EventId = static_cast<int16_t>(n);
        hasId = true;
      } else if (key == "record" && integerIn(s, 0, INT32_MAX, n)) {
        entry.RecordIndex = static_cast<int32_t>(n);
        origin.RecordGiven = true;
      } else if (key == "item" && integerIn(s, -1, 254, n)) {
        origin.ItemIndex = static_cast<int32_t>(n);
      } else {
        return false;
      }
    } while (s.Take(','));
    if (!s.Take('}') || !hasId) return false;
    t.Events.push_back(entry);
    t.Origins.push_back(origin);
  } while (s.Take(','));
  return s.Take(']');
}

// Message names seen so far and their codes, by network.
uint32_t messageCode(uint8_t network, std::string_view name) {
  thread_local std::vector<std::tuple<uint8_t, std::string, uint32_t>> seen;
  for (const auto& [net, n, code] : seen)
    if (net == network && n == name) return code;
  uint32_t code = MessageCodeByName(network, name);
  if (code != 0 && seen.size() < 256) seen.emplace_back(network, std::string(name), code);
  return code;
}

struct Pending {
  bool hasTime = false, hasOrder = false, hasCode = false, kindGiven = false, codeKey = false, msgKey = false;
  std::string_view msg;
  int64_t subType = -1, mode = 0, vendor = 0;
};

bool member(Scanner& s, std::string_view key, LineTarget& t, Pending& p) {
  HandsetRecord& rec = t.Record;
  std::string_view text;
  int64_t n;
  if (key == "time") return p.hasTime = timeValue(s, rec.Time);
  if (key == "order_time") return p.hasOrder = timeValue(s, rec.OrderTime);
  if (key == "kind") {
    if (!s.String(text)) return false;
    p.kindGiven = true;
    if (text == "measurement") t.Feed.Kind = RecordKind::Measurement;
    else if (text == "message") t.Feed.Kind = RecordKind::Message;
    else if (text == "test") t.Feed.Kind = RecordKind::Test;
    else if (text == "trace") t.Feed.Kind = RecordKind::Trace;
    else return false;
    return true;
  }
  if (key == "code") {
    if (s.Peek('"')) {
      if (!s.String(text)) return false;
      rec.MessageCode = ParseMessageCode(text);  // a fault raises, and the full reader says why
    } else {
      if (!integerIn(s, 0, UINT32_MAX, n)) return false;
      rec.MessageCode = static_cast<uint32_t>(n);
    }
    p.codeKey = true;
    return p.hasCode = true;
  }
  if (key == "msg") {
    p.msgKey = true;
    return p.hasCode = s.String(p.msg) && !p.msg.empty();
  }
  if (key == "sub_type") return integerIn(s, 0, 255, p.subType);
  if (key == "mode") {
    if (!s.Peek('"')) return integerIn(s, 0, 15, p.mode);
    if (!s.String(text)) return false;
    p.mode = ModeByName(text);
    return true;
  }
  if (key == "vendor") return integerIn(s, 0, 255, p.vendor);
  if (key == "device") {
    if (!integerIn(s, 0, 255, n)) return false;
    t.Feed.DeviceType = static_cast<uint8_t>(n);
    return true;
  }
  if (key == "net") {
    if (!s.String(text)) return false;
    auto net = NetworkIndex(text);
    if (!net) return false;
    rec.NetType = *net;
    return true;
  }
  if (key == "skip") {
    if (s.Literal("true")) return rec.Skip = true;
    if (!s.Literal("false")) return false;
    rec.Skip = false;
    return true;
  }
  if (key == "fields") return fields(s, rec);
  if (key == "items") return items(s, rec);
  if (key == "events") return events(s, t);
  return false;
}

}  // namespace

bool ParseRecordFast(std::string_view line, const LogHeader& header, LineTarget& t) {
  Scanner s(line);
  Pending p;
  try {
    if (!s.Take('{')) return false;
    if (!s.Peek('}')) {
      // A key given twice goes to the full reader, which keeps the last value,
      // so that both readers make the same record of the line.
      std::string_view keys[16];
      size_t keyCount = 0;
      do {
        std::string_view key;
        if (!s.String(key) || !s.Take(':')) return false;
        if (keyCount == std::size(keys) || std::find(keys, keys + keyCount, key) != keys + keyCount) return false;
        keys[keyCount++] = key;
        if (!member(s, key, t, p)) return false;
      } while (s.Take(','));
    }
    if (!s.Take('}') || !s.AtEnd() || !p.hasTime || (p.codeKey && p.msgKey)) return false;
  } catch (const RecordError&) {
    return false;
  }
  HandsetRecord& rec = t.Record;
  if (!p.hasOrder) rec.OrderTime = rec.Time;
  if (!p.msg.empty()) {
    const uint8_t net = rec.NetType != 255 ? rec.NetType : header.Network;
    rec.MessageCode = messageCode(net, p.msg);
    if (rec.MessageCode == 0 && net <= 3) return false;
  }
  if (p.subType >= 0) {
    msgbytes::Writer w;
    w.U8(msgbytes::SubType, static_cast<uint8_t>(p.subType));
    rec.MessageBytes = w.Bytes();
  }
  rec.MessageInfo = MessageInfoWord(static_cast<uint32_t>(p.mode), static_cast<uint32_t>(p.vendor));
  try {
    FinishRecord(header, t, p.hasCode, p.kindGiven);
  } catch (const RecordError&) {
    return false;
  }
  return true;
}

}  // namespace eventscan
