#include "log/log_header.h"

#include <map>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "log/log_time.h"
#include "log/networks.h"
#include "log/record_parser.h"
#include "support/text_case.h"

namespace eventscan {

LogHeader ReadLogHeader(std::string_view line, const std::string& name, std::optional<uint8_t> network) {
  using json = nlohmann::json;
  auto where = [&](const std::string& what) { return LogError(fmt::format("{}:1: {}", name, what)); };
  // A key given twice (letter case aside) keeps one of two values: the one
  // this reader looks up, or the one a person reads first. The line is
  // malformed, as a record line with a key twice is.
  std::map<std::string, std::string> keys;  // lower case to the key as written
  std::string twice;
  auto check = [&](int depth, json::parse_event_t event, json& parsed) {
    if (event == json::parse_event_t::key && depth == 1 && twice.empty()) {
      const std::string& key = parsed.get_ref<const std::string&>();
      auto [at, fresh] = keys.emplace(AsciiLowerCopy(key), key);
      if (!fresh)
        twice = at->second == key ? fmt::format("\"{}\" is given twice", ClipValue(key))
                                  : fmt::format("\"{}\" is given twice (also as \"{}\")", ClipValue(key),
                                                ClipValue(at->second));
    }
    return true;
  };
  json h = json::parse(line, check, false);
  // A "format" that is not text is no header either (value() would throw a JSON type error).
  if (h.is_discarded() || !h.is_object() || !h.contains("format") || !h["format"].is_string() ||
      h["format"].get<std::string>() != LogFormatName)
    throw where(fmt::format("the first line is not an {} header ({{\"format\": \"{}\", ...}})", LogFormatName,
                            LogFormatName));
  if (!twice.empty()) throw where(twice);
  LogHeader header;
  const json& version = h["version"];
  if (!version.is_number_integer() || version.get<int>() != LogFormatVersion)
    throw where(fmt::format("unsupported log version {} (this eventscan reads version {})", ClipValue(version.dump()),
                            LogFormatVersion));
  header.Version = LogFormatVersion;
  if (h.contains("network") && h["network"].is_string()) {
    header.NetworkName = h["network"].get<std::string>();
    header.Network = NetworkIndex(header.NetworkName).value_or(255);
  }
  if (network) {
    header.Network = *network;
    header.NetworkName = NetworkName(*network);
  }
  if (header.NetworkName.empty()) throw where("the header names no \"network\" (give --network)");
  if (h.contains("device")) {
    const json& d = h["device"];
    if (!d.is_number_integer() || d.get<int64_t>() < 0 || d.get<int64_t>() > 255)
      throw where("\"device\" must be a device type 0..255");
    header.DeviceType = static_cast<uint8_t>(d.get<int>());
  }
  if (h.contains("start") && h["start"].is_string())
    header.StartTime = ParseIsoTime(h["start"].get<std::string>()).value_or(0);
  return header;
}

}  // namespace eventscan
