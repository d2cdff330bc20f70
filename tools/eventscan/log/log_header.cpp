#include "log/log_header.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "log/log_time.h"
#include "log/networks.h"

namespace eventscan {

LogHeader ReadLogHeader(std::string_view line, const std::string& name, std::optional<uint8_t> network) {
  using json = nlohmann::json;
  auto where = [&](const std::string& what) { return LogError(fmt::format("{}:1: {}", name, what)); };
  json h = json::parse(line, nullptr, false);
  // A "format" that is not text is no header either (value() would throw a JSON type error).
  if (h.is_discarded() || !h.is_object() || !h.contains("format") || !h["format"].is_string() ||
      h["format"].get<std::string>() != LogFormatName)
    throw where(fmt::format("the first line is not an {} header ({{\"format\": \"{}\", ...}})", LogFormatName,
                            LogFormatName));
  LogHeader header;
  const json& version = h["version"];
  if (!version.is_number_integer() || version.get<int>() != LogFormatVersion)
    throw where(fmt::format("unsupported log version {} (this eventscan reads version {})", version.dump(),
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
