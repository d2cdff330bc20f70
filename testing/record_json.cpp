#include "testing/record_json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "eventmanager/outside/message_bytes.h"
#include "log/log_time.h"
#include "log/networks.h"
#include "support/hex_text.h"

namespace eventscan {
namespace {

using json = nlohmann::json;

[[noreturn]] void fail(const std::string& what) { throw RecordError(what); }

int64_t integer(const json& v, const std::string& what, int64_t lo, int64_t hi) {
  if (!v.is_number_integer()) fail(fmt::format("{}: expected an integer", what));
  int64_t n = v.is_number_unsigned() && v.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : v.get<int64_t>();
  if (n < lo || n > hi) fail(fmt::format("{}: {} is outside {}..{}", what, n, lo, hi));
  return n;
}

int32_t i32(const json& v, const std::string& what) {
  return static_cast<int32_t>(integer(v, what, INT32_MIN, INT32_MAX));
}

double timeValue(const json& v, const std::string& what) {
  if (v.is_number()) {
    double d = v.get<double>();
    if (!std::isfinite(d)) fail(what + ": not a finite day count");
    return d;
  }
  if (v.is_string()) {
    if (auto t = ParseIsoTime(v.get_ref<const std::string&>())) return *t;
    fail(fmt::format("{}: \"{}\" is not an ISO 8601 time like 2026-03-14T10:00:01.250",
                     what, ClipValue(v.get_ref<const std::string&>())));
  }
  fail(what + ": expected ISO 8601 text or a day count");
}

std::vector<int32_t> i32List(const json& v, const std::string& what, size_t minCount, size_t maxCount) {
  std::vector<int32_t> out;
  if (v.is_number_integer()) {
    out.push_back(i32(v, what));
  } else if (v.is_array()) {
    for (const json& e : v) out.push_back(i32(e, what));
  } else {
    fail(what + ": expected an integer or a list of integers");
  }
  if (out.size() < minCount || out.size() > maxCount)
    fail(fmt::format("{}: expected {} to {} values, got {}", what, minCount, maxCount, out.size()));
  return out;
}

std::string bytesOf(const json& v, const std::string& what) {
  if (v.is_string()) {
    auto bytes = HexToBytes(v.get_ref<const std::string&>());
    if (!bytes) fail(what + ": expected hex text (pairs of 0-9, A-F)");
    return *bytes;
  }
  std::string out;
  if (!v.is_array()) fail(what + ": expected hex text or a list of bytes");
  for (const json& e : v) out.push_back(static_cast<char>(integer(e, what, 0, 255)));
  return out;
}

void writeElement(msgbytes::Writer& w, const std::string& key, const json& v) {
  const std::string what = "ie." + ClipValue(key);
  if (key == "cause") w.I32s(msgbytes::Cause, i32List(v, what, 1, 2));
  else if (key == "cm_service_type") w.I32(msgbytes::CmServiceType, i32(v, what));
  else if (key == "target_cell") w.I32s(msgbytes::TargetCell, i32List(v, what, 2, 2));
  else if (key == "psc_added") w.I32s(msgbytes::PscAdded, i32List(v, what, 0, 8));
  else if (key == "psc_removed") w.I32s(msgbytes::PscRemoved, i32List(v, what, 0, 8));
  else if (key == "new_uarfcn") w.I32(msgbytes::NewUarfcn, i32(v, what));
  else if (key == "psc_list") w.I32s(msgbytes::PscList, i32List(v, what, 0, 8));
  else if (key == "baton_handover") w.U8(msgbytes::BatonHandover, v.is_boolean() ? v.get<bool>() : integer(v, what, 0, 255));
  else if (key == "new_cell_param_id") w.I32(msgbytes::NewCellParamId, i32(v, what));
  else if (key == "timer_expiry") w.I32s(msgbytes::TimerExpiry, i32List(v, what, 2, 2));
  else if (key == "handoff_direction") w.Raw(msgbytes::HandoffDirection, bytesOf(v, what));
  else if (key == "cdma_cause") w.U16(msgbytes::CdmaCause, static_cast<uint16_t>(integer(v, what, 0, 65535)));
  else {
    // A host's own element: the tag as a number, the value as hex.
    int tag = -1;
    std::string_view k(key);
    int base = k.size() > 2 && k[0] == '0' && (k[1] == 'x' || k[1] == 'X') ? 16 : 10;
    if (base == 16) k.remove_prefix(2);
    auto [end, ec] = std::from_chars(k.data(), k.data() + k.size(), tag, base);
    if (ec != std::errc() || end != k.data() + k.size() || tag < 1 || tag > 255)
      fail(fmt::format("ie: unknown element \"{}\"", ClipValue(key)));
    std::string value = bytesOf(v, what);
    if (value.size() > 255) fail(what + ": an element holds at most 255 bytes");
    w.Raw(static_cast<uint8_t>(tag), value);
  }
}

void readFields(const json& v, HandsetRecord& rec, std::vector<std::string>* unknown) {
  if (!v.is_object()) fail("fields: expected an object of name or identifier to value");
  std::map<int32_t, std::string> named;  // the first name of each field, in name order
  for (const auto& [name, value] : v.items()) {
    int32_t id = -1;
    auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), id);
    if (ec != std::errc() || end != name.data() + name.size()) id = FieldIdByName(name);
    if (id < 0) {
      if (unknown) unknown->push_back(name);
      continue;
    }
    if (auto [at, fresh] = named.emplace(id, name); !fresh) fail(SameFieldText(at->second, name));
    rec.SetField(id, i32(value, "fields." + ClipValue(name)));
  }
}

void readItems(const json& v, HandsetRecord& rec) {
  if (!v.is_array()) fail("items: expected a list of test items");
  for (const json& item : v) {
    if (!item.is_object() || !item.contains("id")) fail("items: every item needs an \"id\"");
    TestItem t{};
    t.EventId = static_cast<int16_t>(integer(item["id"], "items.id", INT16_MIN, INT16_MAX));
    t.Time = rec.Time;
    std::string extra;
    for (const auto& [key, value] : item.items()) {
      if (key == "id") continue;
      if (key == "time") t.Time = timeValue(value, "items.time");
      else if (key == "extra") extra = bytesOf(value, "items.extra");
      else if (key == "text" && value.is_string()) extra = value.get<std::string>();
      else fail(fmt::format("items: unknown key \"{}\"", ClipValue(key)));
    }
    if (extra.size() > UINT16_MAX) fail("items.extra: at most 65535 bytes");
    if (rec.AddItem(t, extra) < 0) fail("items: a record holds at most 255 test items");
  }
}

void readEvents(const json& v, LineTarget& target) {
  if (!v.is_array()) fail("events: expected a list of event-table entries");
  for (const json& e : v) {
    if (!e.is_object() || !e.contains("id")) fail("events: every entry needs an \"id\"");
    EventTableEntry entry{static_cast<int16_t>(integer(e["id"], "events.id", INT16_MIN, INT16_MAX)), target.Index};
    DeclaredEvent origin{target.Index, -1};
    for (const auto& [key, value] : e.items()) {
      if (key == "id") continue;
      if (key == "record") {
        entry.RecordIndex = static_cast<int32_t>(integer(value, "events.record", 0, INT32_MAX));
        origin.RecordGiven = true;
      }
      else if (key == "item") origin.ItemIndex = static_cast<int32_t>(integer(value, "events.item", -1, 254));
      else fail(fmt::format("events: unknown key \"{}\"", ClipValue(key)));
    }
    target.Events.push_back(entry);
    target.Origins.push_back(origin);
  }
}

std::string text(const json& v, const std::string& what) {
  if (!v.is_string()) fail(what + ": expected text");
  return v.get<std::string>();
}

}  // namespace

void ParseRecordJson(const json& line, const LogHeader& header, LineTarget& target) {
  if (!line.is_object()) fail("a record line must be a JSON object");
  HandsetRecord& rec = target.Record;
  if (!line.contains("time")) fail("the record has no \"time\"");
  rec.Time = timeValue(line["time"], "time");
  rec.OrderTime = rec.Time;
  if (line.contains("code") && line.contains("msg")) fail("give either \"code\" or \"msg\", not both");
  // The network comes first: "msg" names are looked up in the record's network.
  if (line.contains("net")) {
    auto net = NetworkIndex(text(line["net"], "net"));
    if (!net) fail(fmt::format("net: unknown network \"{}\"", ClipValue(line["net"].get<std::string>())));
    rec.NetType = *net;
  }
  bool hasCode = false, kindGiven = false;
  uint32_t mode = 0, vendor = 0;
  const json* ie = nullptr;
  std::string rawBytes;
  int subType = -1;
  for (const auto& [key, v] : line.items()) {
    if (key == "time" || key == "net") continue;
    if (key == "order_time") rec.OrderTime = timeValue(v, key);
    else if (key == "kind") {
      std::string k = text(v, key);
      if (k == "measurement") target.Feed.Kind = RecordKind::Measurement;
      else if (k == "message") target.Feed.Kind = RecordKind::Message;
      else if (k == "test") target.Feed.Kind = RecordKind::Test;
      else if (k == "trace") target.Feed.Kind = RecordKind::Trace;
      else fail(fmt::format("kind: \"{}\" is none of measurement, message, test, trace", ClipValue(k)));
      kindGiven = true;
    } else if (key == "code") {
      rec.MessageCode = v.is_number_integer() ? static_cast<uint32_t>(integer(v, key, 0, UINT32_MAX))
                                              : ParseMessageCode(text(v, key));
      hasCode = true;
    } else if (key == "msg") {
      std::string name = text(v, key);
      uint8_t net = rec.NetType != 255 ? rec.NetType : header.Network;
      rec.MessageCode = MessageCodeByName(net, name);
      // A network without a catalogue names no codes: its messages keep code 0.
      if (rec.MessageCode == 0 && net < 5)
        fail(fmt::format("msg: no message \"{}\" in the {} catalogue", ClipValue(name), NetworkName(net)));
      hasCode = true;
    } else if (key == "sub_type") subType = static_cast<int>(integer(v, key, 0, 255));
    else if (key == "ie") {
      if (!v.is_object()) fail("ie: expected an object of element name to value");
      ie = &v;
    } else if (key == "bytes") rawBytes = bytesOf(v, key);
    else if (key == "mode") mode = v.is_string() ? ModeByName(v.get<std::string>()) : static_cast<uint32_t>(integer(v, key, 0, 15));
    else if (key == "vendor") vendor = static_cast<uint32_t>(integer(v, key, 0, 255));
    else if (key == "device") target.Feed.DeviceType = static_cast<uint8_t>(integer(v, key, 0, 255));
    else if (key == "skip") {
      if (!v.is_boolean()) fail("skip: expected true or false");
      rec.Skip = v.get<bool>();
    } else if (key == "fields") readFields(v, rec, target.UnknownFields);
    else if (key == "items") readItems(v, rec);
    else if (key == "events") readEvents(v, target);
    else fail(fmt::format("unknown key \"{}\"", ClipValue(key)));
  }
  msgbytes::Writer w;
  if (subType >= 0) w.U8(msgbytes::SubType, static_cast<uint8_t>(subType));
  if (ie)
    for (const auto& [key, v] : ie->items()) writeElement(w, key, v);
  rec.MessageBytes = w.Bytes() + rawBytes;
  rec.MessageInfo = MessageInfoWord(mode, vendor);
  FinishRecord(header, target, hasCode, kindGiven);
}

void ParseRecordReference(std::string_view line, const LogHeader& header, LineTarget& target) {
  if (auto bytes = ByteFault(line)) throw RecordError(*bytes);
  // A key given twice in one object is a fault: the tree would keep only one
  // of the two values. Each object's keys, and the key the object is under.
  struct Scope {
    bool object;
    std::string context;
    std::vector<std::string> keys;
  };
  std::vector<Scope> scopes;
  std::string lastKey, duplicate;
  auto check = [&](int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
      case json::parse_event_t::array_start: {
        std::string context = scopes.empty() ? std::string() : scopes.back().object ? lastKey : scopes.back().context;
        scopes.push_back({event == json::parse_event_t::object_start, std::move(context), {}});
        break;
      }
      case json::parse_event_t::key: {
        lastKey = parsed.get<std::string>();
        std::vector<std::string>& keys = scopes.back().keys;
        if (duplicate.empty() && std::find(keys.begin(), keys.end(), lastKey) != keys.end())
          duplicate = DuplicateKeyText(scopes.back().context, lastKey);
        keys.push_back(lastKey);
        break;
      }
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        scopes.pop_back();
        break;
      default:
        break;
    }
    return true;
  };
  json parsed;
  try {
    parsed = json::parse(line, check);
  } catch (const json::exception& e) {
    // "[json.exception.parse_error.101] parse error at line 1, column 9: syntax error ..."
    std::string what = e.what();
    size_t pos = what.find("syntax error");
    if (pos == std::string::npos) pos = what.find("] ") == std::string::npos ? 0 : what.find("] ") + 2;
    throw RecordError("not valid JSON: " + what.substr(pos));
  }
  if (!duplicate.empty()) throw RecordError(duplicate);
  ParseRecordJson(parsed, header, target);
}

}  // namespace eventscan
