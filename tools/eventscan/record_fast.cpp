// The fast reader of record lines: one pass over the text without building a
// JSON tree, for lines of flat keys with numbers and plain strings and a
// "fields" object. It declines (returns false) anything else, including every
// line it finds fault with, so that the full reader gives the message.
#include <charconv>
#include <string>
#include <utility>
#include <vector>

#include "eventmanager/outside/message_bytes.h"
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
int32_t fieldId(std::string_view name) {
  static std::vector<std::pair<std::string, int32_t>> seen;
  for (const auto& [n, id] : seen)
    if (n == name) return id;
  int32_t id = -1;
  if (!whole(name, id)) id = FieldIdByName(name);
  if (id >= 0 && seen.size() < 256) seen.emplace_back(std::string(name), id);
  return id;
}

bool fields(Scanner& s, HandsetRecord& rec) {
  if (!s.Take('{')) return false;
  if (s.Take('}')) return true;
  do {
    std::string_view name;
    int64_t value;
    if (!s.String(name) || !s.Take(':') || !integerIn(s, INT32_MIN, INT32_MAX, value)) return false;
    int32_t id = fieldId(name);
    if (id < 0) return false;
    rec.SetField(id, static_cast<int32_t>(value));
  } while (s.Take(','));
  return s.Take('}');
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
  return false;
}

}  // namespace

bool ParseRecordFast(std::string_view line, const LogHeader& header, LineTarget& t) {
  Scanner s(line);
  Pending p;
  try {
    if (!s.Take('{')) return false;
    if (!s.Peek('}')) {
      do {
        std::string_view key;
        if (!s.String(key) || !s.Take(':') || !member(s, key, t, p)) return false;
      } while (s.Take(','));
    }
    if (!s.Take('}') || !s.AtEnd() || !p.hasTime || (p.codeKey && p.msgKey)) return false;
  } catch (const RecordError&) {
    return false;
  }
  HandsetRecord& rec = t.Record;
  if (!p.hasOrder) rec.OrderTime = rec.Time;
  if (!p.msg.empty()) {
    rec.MessageCode = MessageCodeByName(rec.NetType != 255 ? rec.NetType : header.Network, p.msg);
    if (rec.MessageCode == 0) return false;
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
