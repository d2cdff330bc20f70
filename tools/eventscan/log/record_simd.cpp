// The reader of record lines that every log goes through: one pass over the
// line with simdjson's on-demand API, each value read where the line has it,
// nothing built but the record. What depends on other keys is settled after
// the pass: the default time of items, "msg" names looked up in the record's
// network, "ie" elements written in the order of their names. It makes the
// same record and the same fault texts as the reference reader that tests
// compare it with (testing/record_json.cpp); a line with several faults may be
// reported by another one of them. Its working space is per thread, so that
// lines may be parsed on any thread without a lock.
#include <simdjson.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "eventmanager/outside/message_bytes.h"
#include "log/line_splitter.h"
#include "log/log_time.h"
#include "log/networks.h"
#include "log/record_parser.h"
#include "support/hex_text.h"

namespace eventscan {
namespace {

namespace od = simdjson::ondemand;
using simdjson::error_code;

// A fault of the JSON text itself, raised where simdjson finds it and worded
// at the top, where the line and the position are known.
struct SyntaxFault {
  error_code Code;
};

// A member of an object in place, without moving it out of its result: the
// move copies it through the stack in two halves, which costs a stall on
// every member of every line.
inline od::field& memberOf(simdjson::simdjson_result<od::field>& result) {
  if (error_code e = result.error()) throw SyntaxFault{e};
  return result.value_unsafe();
}

template <class T>
T take(simdjson::simdjson_result<T>&& result) {
  T value;
  if (error_code e = std::move(result).get(value)) throw SyntaxFault{e};
  return value;
}

// What a fault names: "fields." and the field's name, built only when needed.
struct Name {
  Name(std::string_view head, std::string_view tail = {}) : Head(head), Tail(tail) {}
  std::string_view Head, Tail;
};

}  // namespace
}  // namespace eventscan

template <>
struct fmt::formatter<eventscan::Name> : fmt::formatter<std::string_view> {
  auto format(const eventscan::Name& n, format_context& ctx) const {
    return fmt::format_to(ctx.out(), "{}{}", n.Head, eventscan::ClipValue(n.Tail));
  }
};

namespace eventscan {
namespace {

template <class... Args>
[[noreturn, gnu::cold, gnu::noinline]] void fail(fmt::format_string<Args...> text, Args&&... args) {
  throw RecordError(fmt::format(text, std::forward<Args>(args)...));
}

// An integer that fits in 64 bits, read as the reference reader reads one:
// unsigned values above the signed range count as the largest signed value.
// False for anything else (fractions, exponents, wider integers, other types).
bool readInteger(od::value& v, int64_t& n) {
  // Nearly every integer of a log fits: one conversion, no look at the type.
  // A failed conversion leaves the value unread.
  if (!v.get_int64().get(n)) return true;
  if (take(v.type()) != od::json_type::number) return false;
  switch (take(v.get_number_type())) {
    case od::number_type::signed_integer:
      return !v.get_int64().get(n);
    case od::number_type::unsigned_integer: {
      uint64_t u;
      if (v.get_uint64().get(u)) return false;
      n = u > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(u);
      return true;
    }
    default:
      return false;
  }
}

// The rare ends of integer(), kept out of the line that reads most values.
[[gnu::noinline]] int64_t notInt64(od::value& v, const Name& what) {
  int64_t n;
  if (!readInteger(v, n)) fail("{}: expected an integer", what);
  return n;
}
[[noreturn, gnu::noinline]] void outside(const Name& what, int64_t n, int64_t lo, int64_t hi) {
  fail("{}: {} is outside {}..{}", what, n, lo, hi);
}

inline int64_t integer(od::value& v, const Name& what, int64_t lo, int64_t hi) {
  int64_t n;
  if (v.get_int64().get(n)) n = notInt64(v, what);
  if (n < lo || n > hi) outside(what, n, lo, hi);
  return n;
}

int32_t i32(od::value& v, const Name& what) { return static_cast<int32_t>(integer(v, what, INT32_MIN, INT32_MAX)); }

std::string_view text(od::value& v, std::string_view what) {
  if (take(v.type()) != od::json_type::string) fail("{}: expected text", what);
  return take(v.get_string());
}

double timeValue(od::value& v, std::string_view what) {
  switch (take(v.type())) {
    case od::json_type::number: {
      // Integers convert as integers (so "-0" is 0, as the reference reads
      // it); fractions, exponents and integers wider than 64 bits as doubles.
      int64_t i;
      uint64_t u;
      const od::number_type type = take(v.get_number_type());
      if (type == od::number_type::signed_integer && !v.get_int64().get(i)) return static_cast<double>(i);
      if (type == od::number_type::unsigned_integer && !v.get_uint64().get(u)) return static_cast<double>(u);
      const double d = take(v.get_double());
      if (!std::isfinite(d)) fail("{}: not a finite day count", what);
      return d;
    }
    case od::json_type::string: {
      const std::string_view t = take(v.get_string());
      if (auto days = ParseIsoTime(t)) return *days;
      fail("{}: \"{}\" is not an ISO 8601 time like 2026-03-14T10:00:01.250", what, ClipValue(t));
    }
    default:
      fail("{}: expected ISO 8601 text or a day count", what);
  }
}

template <class T>
void put(std::string& out, T n) {
  char b[sizeof n];
  std::memcpy(b, &n, sizeof n);
  out.append(b, sizeof n);
}

// An integer or a list of integers, appended as little-endian i32 values.
void i32List(od::value& v, const Name& what, size_t minCount, size_t maxCount, std::string& out) {
  size_t count = 0;
  const od::json_type type = take(v.type());
  if (type == od::json_type::number) {
    put(out, i32(v, what));
    ++count;
  } else if (type == od::json_type::array) {
    for (auto element : take(v.get_array())) {
      od::value e = take(std::move(element));
      put(out, i32(e, what));
      ++count;
    }
  } else {
    fail("{}: expected an integer or a list of integers", what);
  }
  if (count < minCount || count > maxCount) fail("{}: expected {} to {} values, got {}", what, minCount, maxCount, count);
}

// Hex text or a list of bytes, appended to `out`.
void bytesOf(od::value& v, const Name& what, std::string& out) {
  const od::json_type type = take(v.type());
  if (type == od::json_type::string) {
    if (!AppendHexBytes(take(v.get_string()), out)) fail("{}: expected hex text (pairs of 0-9, A-F)", what);
    return;
  }
  if (type != od::json_type::array) fail("{}: expected hex text or a list of bytes", what);
  for (auto element : take(v.get_array())) {
    od::value e = take(std::move(element));
    out.push_back(static_cast<char>(integer(e, what, 0, 255)));
  }
}

// One "ie" element's value as its tag holds it; the tag, or -1 for an
// unknown key.
int elementValue(std::string_view key, od::value& v, std::string& out) {
  const Name what{"ie.", key};
  if (key == "cause") return i32List(v, what, 1, 2, out), msgbytes::Cause;
  if (key == "cm_service_type") return put(out, i32(v, what)), msgbytes::CmServiceType;
  if (key == "target_cell") return i32List(v, what, 2, 2, out), msgbytes::TargetCell;
  if (key == "psc_added") return i32List(v, what, 0, 8, out), msgbytes::PscAdded;
  if (key == "psc_removed") return i32List(v, what, 0, 8, out), msgbytes::PscRemoved;
  if (key == "new_uarfcn") return put(out, i32(v, what)), msgbytes::NewUarfcn;
  if (key == "psc_list") return i32List(v, what, 0, 8, out), msgbytes::PscList;
  if (key == "new_cell_param_id") return put(out, i32(v, what)), msgbytes::NewCellParamId;
  if (key == "timer_expiry") return i32List(v, what, 2, 2, out), msgbytes::TimerExpiry;
  if (key == "baton_handover") {
    if (take(v.type()) == od::json_type::boolean) out.push_back(take(v.get_bool()) ? 1 : 0);
    else out.push_back(static_cast<char>(integer(v, what, 0, 255)));
    return msgbytes::BatonHandover;
  }
  if (key == "handoff_direction") return bytesOf(v, what, out), msgbytes::HandoffDirection;
  if (key == "cdma_cause") return put(out, static_cast<uint16_t>(integer(v, what, 0, 65535))), msgbytes::CdmaCause;
  // A host's own element: the tag as a number, the value as hex.
  std::optional<int> tag = ParseDecimalOrHex<int>(key);
  if (!tag || *tag < 1 || *tag > 255) fail("ie: unknown element \"{}\"", ClipValue(key));
  const size_t start = out.size();
  bytesOf(v, what, out);
  if (out.size() - start > 255) fail("{}: an element holds at most 255 bytes", what);
  return *tag;
}

struct Element {
  std::string_view Key;
  uint8_t Tag;
  uint32_t Offset, Size;
};

// Field names as the previous lines had them, by position in "fields": the
// lines of a log name the same fields in the same order, so a name is
// usually found by comparing two words with the one at its position.
class KnownFields {
 public:
  // REQUIRES: 16 bytes readable at name.data() (names in the padded line).
  // The key whose text starts at `raw` (after its opening quote) when it is
  // the name the previous lines had at this position: its bytes compared as
  // two words and the closing quote after them, with no scan for the key's end.
  // REQUIRES: 17 bytes readable at raw (keys in the padded line).
  bool Same(size_t position, const char* raw, std::string_view& name, int32_t& id) const {
    if (position >= std::size(known_)) return false;
    const Known& k = known_[position];
    if (k.Size > 16 || raw[k.Size] != '"') return false;
    uint64_t w[2];
    std::memcpy(w, raw, 16);
    mask(w, k.Size);
    if (w[0] != k.Words[0] || w[1] != k.Words[1]) return false;
    name = std::string_view(raw, k.Size);
    id = k.Id;
    return true;
  }
  int32_t Id(size_t position, std::string_view name) {
    uint64_t w[2];
    if (name.size() > 16 || position >= std::size(known_)) return FieldIdOf(name);
    std::memcpy(w, name.data(), 16);
    mask(w, name.size());
    Known& k = known_[position];
    if (k.Size == name.size() && k.Words[0] == w[0] && k.Words[1] == w[1]) return k.Id;
    const int32_t id = FieldIdOf(name);
    k = {{w[0], w[1]}, name.size(), id};
    return id;
  }

 private:
  static void mask(uint64_t w[2], size_t size) {
    auto low = [](size_t bytes) { return bytes >= 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * bytes)) - 1; };
    w[0] &= low(size);
    w[1] &= size > 8 ? low(size - 8) : 0;
  }
  struct Known {
    uint64_t Words[2];
    size_t Size = ~size_t(0);
    int32_t Id = -1;
  };
  Known known_[32];
};

// The working space of one thread, reused from line to line.
struct Reader {
  KnownFields Names;
  od::parser Parser;
  std::string Line;  // a copy of a line without padding, with simdjson's padding after it
  // The text parsed: the line where it is, or its copy; and the end of the
  // bytes readable after it.
  const char* Text = nullptr;
  const char* Readable = nullptr;
  std::string ElementBytes, RawBytes, Extra;
  std::vector<Element> Elements;
  std::vector<uint64_t> FieldOrder;
  std::vector<int32_t> FieldValues;
  std::vector<std::string_view> FieldNameViews;
  uint64_t SortedIds[32];          // the previous sorted line's keys, by position
  std::vector<uint64_t> Sorted;    // and in sorted order
  size_t SortedCount = ~size_t(0);
};

// What the pass keeps for after it.
struct Pending {
  bool hasTime = false, hasOrder = false, hasCode = false, kindGiven = false, hasMsg = false;
  std::string_view msg;
  int subType = -1;
  uint32_t mode = 0, vendor = 0;
  std::bitset<256> untimedItems;
};

// A key as the line writes it: a view into the line unless it holds an
// escape, which is then decoded into the parser's buffer.
[[gnu::noinline]] std::string_view unescapedKey(od::field& f) { return take(f.unescaped_key()); }

inline std::string_view keyOf(od::field& f) {
  // Eight bytes at a time to the first quote or backslash; the closing quote
  // is in the line, and the padding after it holds the word's overhang.
  const char* start = f.key().raw();
  constexpr uint64_t ones = 0x0101010101010101u, highs = 0x8080808080808080u;
  for (const char* p = start;; p += 8) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    const uint64_t quote = w ^ (ones * '"'), backslash = w ^ (ones * '\\');
    // The lowest marked byte is exact: the first byte that is zero.
    const uint64_t found = ((quote - ones) & ~quote & highs) | ((backslash - ones) & ~backslash & highs);
    if (found == 0) continue;
    const char* end = p + __builtin_ctzll(found) / 8;
    if (*end == '"') return std::string_view(start, static_cast<size_t>(end - start));
    return unescapedKey(f);
  }
}

// The members of an item or an event-table entry: `readOne` reads one and
// returns the bit of its key (it raises the fault of an unknown key); a key
// given twice is a fault. Returns the bits of the keys seen.
template <class ReadOne>
unsigned readMembers(od::value& object, std::string_view context, ReadOne&& readOne) {
  unsigned seen = 0;
  for (auto m : take(object.get_object())) {
    od::field f = take(std::move(m));
    const std::string_view key = keyOf(f);
    od::value value = f.value();
    const unsigned bit = readOne(key, value);
    if (seen & bit) throw RecordError(DuplicateKeyText(context, key));
    seen |= bit;
  }
  return seen;
}

void readIe(od::value& v, Reader& r) {
  if (take(v.type()) != od::json_type::object) fail("ie: expected an object of element name to value");
  for (auto member : take(v.get_object())) {
    od::field f = take(std::move(member));
    const std::string_view key = keyOf(f);
    const size_t start = r.ElementBytes.size();
    const int tag = elementValue(key, f.value(), r.ElementBytes);
    r.Elements.push_back({key, static_cast<uint8_t>(tag), static_cast<uint32_t>(start),
                          static_cast<uint32_t>(r.ElementBytes.size() - start)});
  }
}

// A value passed over is still read through: simdjson checks a number or a
// literal only when it is read, and a line that is not JSON is refused
// whichever names it holds.
void passOver(od::value v) {
  switch (take(v.type())) {
    case od::json_type::object:
      for (auto member : take(v.get_object())) {
        od::field f = take(std::move(member));
        take(f.unescaped_key());
        passOver(f.value());
      }
      return;
    case od::json_type::array:
      for (auto element : take(v.get_array())) passOver(take(std::move(element)));
      return;
    case od::json_type::string:
      take(v.get_string());
      return;
    case od::json_type::number:
      take(v.get_number());
      return;
    case od::json_type::boolean:
      take(v.get_bool());
      return;
    case od::json_type::null:
      if (!take(v.is_null())) throw SyntaxFault{simdjson::N_ATOM_ERROR};
      return;
  }
  throw SyntaxFault{simdjson::TAPE_ERROR};
}

void readFields(od::value& v, Reader& r, HandsetRecord& rec, std::vector<std::string>* unknown) {
  if (take(v.type()) != od::json_type::object) fail("fields: expected an object of name or identifier to value");
  // By position in the object: the identifier and position as one sort key,
  // the value and the name.
  size_t n = 0;
  for (auto member : take(v.get_object())) {
    od::field& f = memberOf(member);
    std::string_view name;
    int32_t id;
    if (const char* raw = f.key().raw(); raw + 17 > r.Readable || !r.Names.Same(n, raw, name, id)) {
      name = keyOf(f);
      // Names decoded from escapes are elsewhere, perhaps without 16 bytes after them.
      const bool inLine = name.data() >= r.Text && name.data() + 16 <= r.Readable;
      id = inLine ? r.Names.Id(n, name) : FieldIdOf(name);
    }
    if (id < 0) {
      // Passed over: a name this reader does not know costs its own value,
      // never the record (the stream reports the name).
      if (unknown) unknown->emplace_back(name);
      passOver(f.value());
      continue;
    }
    const int32_t value = i32(f.value(), Name{"fields.", name});
    if (n == r.FieldOrder.size()) {
      r.FieldOrder.resize(2 * n + 16);
      r.FieldValues.resize(2 * n + 16);
      r.FieldNameViews.resize(2 * n + 16);
    }
    r.FieldOrder[n] = uint64_t(uint32_t(id)) << 32 | n;
    r.FieldValues[n] = value;
    r.FieldNameViews[n] = name;
    ++n;
  }
  uint64_t* order = r.FieldOrder.data();
  // Lines of a log mostly name the same fields in the same order: the order
  // sorted for the previous line fits again when the identifiers are the same.
  bool same = n == r.SortedCount;
  for (size_t i = 0; same && i < n; ++i) same = r.SortedIds[i] == order[i];
  if (same) {
    std::copy(r.Sorted.begin(), r.Sorted.begin() + static_cast<ptrdiff_t>(n), order);
    rec.Fields.resize(n);
    for (size_t i = 0; i < n; ++i)
      rec.Fields[i] = {static_cast<int32_t>(order[i] >> 32), r.FieldValues[static_cast<uint32_t>(order[i])]};
    return;
  }
  // Forgotten first: a fault below leaves the line half remembered.
  r.SortedCount = ~size_t(0);
  if (n <= std::size(r.SortedIds)) std::copy(order, order + n, r.SortedIds);
  if (n > 32) {
    std::sort(order, order + n);
  } else {
    for (size_t i = 1; i < n; ++i)
      for (size_t j = i; j > 0 && order[j] < order[j - 1]; --j) std::swap(order[j - 1], order[j]);
  }
  rec.Fields.resize(n);
  size_t kept = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t id = static_cast<uint32_t>(order[i] >> 32);
    size_t pos = static_cast<uint32_t>(order[i]);
    // One field under two names (names ignore letter case, and a number
    // names a field too) would keep one of two values: a fault, worded with
    // the two least names as the reference reader, which takes names in
    // order, finds them.
    if (i + 1 < n && static_cast<uint32_t>(order[i + 1] >> 32) == id) {
      std::string_view least = r.FieldNameViews[pos], second;
      for (; i + 1 < n && static_cast<uint32_t>(order[i + 1] >> 32) == id; ++i) {
        const std::string_view name = r.FieldNameViews[static_cast<uint32_t>(order[i + 1])];
        if (name < least) {
          second = least;
          least = name;
        } else if (second.data() == nullptr || name < second) {
          second = name;
        }
      }
      if (least == second) throw RecordError(DuplicateKeyText("fields", least));
      throw RecordError(SameFieldText(least, second));
    }
    rec.Fields[kept++] = {static_cast<int32_t>(id), r.FieldValues[pos]};
  }
  rec.Fields.resize(kept);
  // Remembered only when no identifier repeats, so that a reused order never
  // needs the names.
  r.SortedCount = kept == n && n <= std::size(r.SortedIds) ? n : ~size_t(0);
  if (r.SortedCount == n) r.Sorted.assign(order, order + n);
}

// [{"id": 54, "time": ..., "extra": "hex", "text": "..."}, ...]
void readItems(od::value& v, Reader& r, HandsetRecord& rec, Pending& p) {
  if (take(v.type()) != od::json_type::array) fail("items: expected a list of test items");
  for (auto element : take(v.get_array())) {
    od::value item = take(std::move(element));
    if (take(item.type()) != od::json_type::object) fail("items: every item needs an \"id\"");
    TestItem t{};
    bool hasTime = false, hasText = false;
    std::string_view itemText;
    r.Extra.clear();
    const unsigned seen = readMembers(item, "items", [&](std::string_view key, od::value& value) -> unsigned {
      if (key == "id") {
        t.EventId = static_cast<int16_t>(integer(value, Name{"items.id"}, INT16_MIN, INT16_MAX));
        return 1;
      }
      if (key == "time") {
        t.Time = timeValue(value, "items.time");
        hasTime = true;
        return 2;
      }
      if (key == "extra") {
        r.Extra.clear();
        bytesOf(value, Name{"items.extra"}, r.Extra);
        return 4;
      }
      if (key == "text" && take(value.type()) == od::json_type::string) {
        itemText = take(value.get_string());
        hasText = true;
        return 8;
      }
      fail("items: unknown key \"{}\"", ClipValue(key));
    });
    if (!(seen & 1)) fail("items: every item needs an \"id\"");
    // "text" wins over "extra", as the later of the two names.
    const std::string_view extra = hasText ? itemText : std::string_view(r.Extra);
    if (extra.size() > UINT16_MAX) fail("items.extra: at most 65535 bytes");
    const int position = rec.AddItem(t, extra);
    if (position < 0) fail("items: a record holds at most 255 test items");
    if (!hasTime) p.untimedItems.set(static_cast<size_t>(position));
  }
}

// [{"id": 58, "record": 12, "item": 0}, ...]
void readEvents(od::value& v, LineTarget& target) {
  if (take(v.type()) != od::json_type::array) fail("events: expected a list of event-table entries");
  for (auto element : take(v.get_array())) {
    od::value e = take(std::move(element));
    if (take(e.type()) != od::json_type::object) fail("events: every entry needs an \"id\"");
    EventTableEntry entry{0, target.Index};
    DeclaredEvent origin{target.Index, -1};
    const unsigned seen = readMembers(e, "events", [&](std::string_view key, od::value& value) -> unsigned {
      if (key == "id") {
        entry.EventId = static_cast<int16_t>(integer(value, Name{"events.id"}, INT16_MIN, INT16_MAX));
        return 1;
      }
      if (key == "record") {
        entry.RecordIndex = static_cast<int32_t>(integer(value, Name{"events.record"}, 0, INT32_MAX));
        origin.RecordGiven = true;
        return 2;
      }
      if (key == "item") {
        origin.ItemIndex = static_cast<int32_t>(integer(value, Name{"events.item"}, -1, 254));
        return 4;
      }
      fail("events: unknown key \"{}\"", ClipValue(key));
    });
    if (!(seen & 1)) fail("events: every entry needs an \"id\"");
    target.Events.push_back(entry);
    target.Origins.push_back(origin);
  }
}

enum Key : unsigned {
  KeyTime, KeyOrderTime, KeyKind, KeyCode, KeyMsg, KeySubType, KeyIe, KeyBytes,
  KeyMode, KeyVendor, KeyDevice, KeyNet, KeySkip, KeyFields, KeyItems, KeyEvents, KeyUnknown
};

Key recordKey(std::string_view k) {
  auto is = [&](std::string_view name, Key key) { return k == name ? key : KeyUnknown; };
  if (k.empty()) return KeyUnknown;
  switch (k[0]) {
    case 't': return is("time", KeyTime);
    case 'o': return is("order_time", KeyOrderTime);
    case 'k': return is("kind", KeyKind);
    case 'c': return is("code", KeyCode);
    case 'm': return k.size() == 3 ? is("msg", KeyMsg) : is("mode", KeyMode);
    case 's': return k.size() == 4 ? is("skip", KeySkip) : is("sub_type", KeySubType);
    case 'i': return k.size() == 2 ? is("ie", KeyIe) : is("items", KeyItems);
    case 'b': return is("bytes", KeyBytes);
    case 'v': return is("vendor", KeyVendor);
    case 'd': return is("device", KeyDevice);
    case 'n': return is("net", KeyNet);
    case 'f': return is("fields", KeyFields);
    case 'e': return is("events", KeyEvents);
    default: return KeyUnknown;
  }
}

void member(Key key, std::string_view name, od::value& v, LineTarget& target, Reader& r, Pending& p) {
  HandsetRecord& rec = target.Record;
  switch (key) {
    case KeyTime:
      rec.Time = timeValue(v, "time");
      p.hasTime = true;
      return;
    case KeyOrderTime:
      rec.OrderTime = timeValue(v, "order_time");
      p.hasOrder = true;
      return;
    case KeyKind: {
      const std::string_view k = text(v, "kind");
      if (k == "measurement") target.Feed.Kind = RecordKind::Measurement;
      else if (k == "message") target.Feed.Kind = RecordKind::Message;
      else if (k == "test") target.Feed.Kind = RecordKind::Test;
      else if (k == "trace") target.Feed.Kind = RecordKind::Trace;
      else fail("kind: \"{}\" is none of measurement, message, test, trace", ClipValue(k));
      p.kindGiven = true;
      return;
    }
    case KeyCode: {
      int64_t n;
      if (take(v.type()) == od::json_type::number && take(v.get_number_type()) != od::number_type::floating_point_number) {
        // Wider than 64 bits: the reference reads a double there, and asks for text.
        if (!readInteger(v, n)) fail("code: expected text");
        if (n < 0 || n > UINT32_MAX) fail("code: {} is outside 0..{}", n, UINT32_MAX);
        rec.MessageCode = static_cast<uint32_t>(n);
      } else {
        rec.MessageCode = ParseMessageCode(text(v, "code"));
      }
      p.hasCode = true;
      return;
    }
    case KeyMsg:
      p.msg = text(v, "msg");
      p.hasMsg = p.hasCode = true;
      return;
    case KeySubType:
      p.subType = static_cast<int>(integer(v, Name{"sub_type"}, 0, 255));
      return;
    case KeyIe:
      readIe(v, r);
      return;
    case KeyBytes:
      r.RawBytes.clear();
      bytesOf(v, Name{"bytes"}, r.RawBytes);
      return;
    case KeyMode:
      if (take(v.type()) == od::json_type::string) p.mode = ModeByName(take(v.get_string()));
      else p.mode = static_cast<uint32_t>(integer(v, Name{"mode"}, 0, 15));
      return;
    case KeyVendor:
      p.vendor = static_cast<uint32_t>(integer(v, Name{"vendor"}, 0, 255));
      return;
    case KeyDevice:
      target.Feed.DeviceType = static_cast<uint8_t>(integer(v, Name{"device"}, 0, 255));
      return;
    case KeyNet: {
      const std::string_view net = text(v, "net");
      auto index = NetworkIndex(net);
      if (!index) fail("net: unknown network \"{}\"", ClipValue(net));
      rec.NetType = *index;
      return;
    }
    case KeySkip:
      if (take(v.type()) != od::json_type::boolean) fail("skip: expected true or false");
      rec.Skip = take(v.get_bool());
      return;
    case KeyFields:
      readFields(v, r, rec, target.UnknownFields);
      return;
    case KeyItems:
      readItems(v, r, rec, p);
      return;
    case KeyEvents:
      readEvents(v, target);
      return;
    case KeyUnknown:
      break;
  }
  fail("unknown key \"{}\"", ClipValue(name));
}

void readRecord(od::document& doc, const LogHeader& header, LineTarget& target, Reader& r) {
  od::object object;
  if (error_code e = doc.get_object().get(object)) {
    if (e == simdjson::INCORRECT_TYPE) fail("a record line must be a JSON object");
    throw SyntaxFault{e};
  }
  Pending p;
  r.Elements.clear();
  r.ElementBytes.clear();
  r.RawBytes.clear();
  unsigned seen = 0;
  for (auto m : object) {
    od::field& f = memberOf(m);
    const std::string_view name = keyOf(f);
    const Key key = recordKey(name);
    if (key != KeyUnknown) {
      if (seen & (1u << key)) throw RecordError(DuplicateKeyText({}, name));
      seen |= 1u << key;
    }
    member(key, name, f.value(), target, r, p);
  }
  // Anything after the object: simdjson's position is then still in the line.
  const char* rest = nullptr;
  if (error_code e = doc.current_location().get(rest); e != simdjson::OUT_OF_BOUNDS)
    throw SyntaxFault{e ? e : simdjson::TRAILING_CONTENT};

  HandsetRecord& rec = target.Record;
  if (!p.hasTime) fail("the record has no \"time\"");
  if ((seen & (1u << KeyCode)) && p.hasMsg) fail("give either \"code\" or \"msg\", not both");
  if (!p.hasOrder) rec.OrderTime = rec.Time;
  for (size_t i = 0; i < rec.Items.size(); ++i)
    if (p.untimedItems.test(i)) rec.Items[i].Time = rec.Time;
  if (p.hasMsg) {
    const uint8_t net = rec.NetType != 255 ? rec.NetType : header.Network;
    rec.MessageCode = MessageCodeOf(net, p.msg);
    // A network without a catalogue names no codes: its messages keep code 0.
    if (rec.MessageCode == 0 && net < NetworkCount)
      fail("msg: no message \"{}\" in the {} catalogue", ClipValue(p.msg), NetworkName(net));
  }

  // Message bytes: the sub-type, the elements in the order of their names, the raw bytes.
  std::sort(r.Elements.begin(), r.Elements.end(), [](const Element& a, const Element& b) { return a.Key < b.Key; });
  for (size_t i = 1; i < r.Elements.size(); ++i)
    if (r.Elements[i].Key == r.Elements[i - 1].Key) throw RecordError(DuplicateKeyText("ie", r.Elements[i].Key));
  std::string& bytes = rec.MessageBytes;
  bytes.clear();
  if (p.subType >= 0) {
    bytes.push_back(static_cast<char>(msgbytes::SubType));
    bytes.push_back(1);
    bytes.push_back(static_cast<char>(p.subType));
  }
  for (const Element& e : r.Elements) {
    // As msgbytes::Writer does: a value longer than a length byte holds is cut.
    const uint32_t size = std::min<uint32_t>(e.Size, 255);
    bytes.push_back(static_cast<char>(e.Tag));
    bytes.push_back(static_cast<char>(size));
    bytes.append(r.ElementBytes, e.Offset, size);
  }
  bytes += r.RawBytes;
  rec.MessageInfo = MessageInfoWord(p.mode, p.vendor);
  FinishRecord(header, target, p.hasCode, p.kindGiven);
}

std::string syntaxText(error_code code, std::string_view line, od::document* doc, const char* start) {
  if (auto bytes = ByteFault(line)) return *bytes;
  std::string text = fmt::format("not valid JSON: {}", simdjson::error_message(code));
  // simdjson's texts end in a full stop or in "etc."; the column follows.
  while (!text.empty() && text.back() == '.') text.pop_back();
  const char* at = nullptr;
  if (doc && !doc->current_location().get(at) && at >= start && at <= start + line.size())
    text += fmt::format(" (near column {})", at - start + 1);
  return text;
}

static_assert(LinePadding >= simdjson::SIMDJSON_PADDING, "a line in its splitter's buffer has simdjson's padding");

// Lines longer than this leave no buffers behind them.
constexpr size_t KeptCapacity = size_t(1) << 20;

}  // namespace

void ParseRecordLine(std::string_view line, const LogHeader& header, LineTarget& target) {
  thread_local Reader reader;
  Reader& r = reader;
  struct Release {
    Reader& r;
    size_t size;
    ~Release() {
      if (size <= KeptCapacity) return;
      r.Parser = od::parser();
      r.Line = std::string();
    }
  } release{r, line.size()};
  size_t readable = line.size() + LinePadding;
  if (target.Padded) {
    // The line's own buffer has the padding after it: parsed where it is.
    r.Text = line.data();
  } else {
    if (r.Line.size() < line.size() + simdjson::SIMDJSON_PADDING) r.Line.resize(line.size() + simdjson::SIMDJSON_PADDING);
    std::memcpy(r.Line.data(), line.data(), line.size());
    std::memset(r.Line.data() + line.size(), 0, simdjson::SIMDJSON_PADDING);
    r.Text = r.Line.data();
    readable = r.Line.size();
  }
  r.Readable = r.Text + readable;
  od::document doc;
  if (error_code e = r.Parser.iterate(r.Text, line.size(), readable).get(doc))
    throw RecordError(syntaxText(e, line, nullptr, r.Text));
  try {
    readRecord(doc, header, target, r);
  } catch (const SyntaxFault& fault) {
    throw RecordError(syntaxText(fault.Code, line, &doc, r.Text));
  }
}

}  // namespace eventscan
