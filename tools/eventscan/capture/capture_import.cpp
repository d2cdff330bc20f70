#include "capture/capture_import.h"

#include <filesystem>

#include <fmt/format.h>

#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_bytes.h"
#include "log/log_header.h"
#include "log/networks.h"
#include "support/text_escape.h"

namespace eventscan {
namespace {

std::string hexBytes(const void* data, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) out += fmt::format("{:02X}", static_cast<const unsigned char*>(data)[i]);
  return out;
}

}  // namespace

void WriteCaptureLog(std::ostream& out, const CaptureLog& capture, const std::string& source) {
  // The capture's name is the user's: written as a JSON string, whatever it holds.
  out << fmt::format(
      "{{\"format\": \"{}\", \"version\": {}, \"network\": \"{}\", \"device\": 0, \"generator\": \"eventscan "
      "import\", \"source\": {}}}\n",
      LogFormatName, LogFormatVersion, NetworkName(capture.Network),
      JsonString(std::filesystem::path(source).filename().string()));
  for (const CaptureRecord& r : capture.Records) {
    std::string line = fmt::format("{{\"time\": {}", r.Time);
    line += fmt::format(", \"net\": \"{}\", \"kind\": \"{}\"", NetworkName(r.Net), r.Message ? "message" : "measurement");
    if (r.Message) {
      line += fmt::format(", \"code\": \"0x{:08X}\", \"mode\": {}", r.Code, r.Mode);
      if (r.SubType >= 0) line += fmt::format(", \"sub_type\": {}", r.SubType);
      line += ", \"ie\": {";
      // LTE elements by their tags, as little-endian hex (the log reader
      // takes a host's tag so).
      auto element = [&](uint8_t tag, std::initializer_list<int32_t> values) {
        std::string hex;
        for (int32_t v : values) hex += hexBytes(&v, 4);
        line += fmt::format("\"0x{:02X}\": \"{}\", ", tag, hex);
      };
      if (r.Pci) element(msgbytes::Pci, {*r.Pci});
      if (r.Earfcn) element(msgbytes::Earfcn, {*r.Earfcn});
      if (r.TargetSystem) element(msgbytes::TargetSystem, {*r.TargetSystem});
      if (r.EpsBearerId) element(msgbytes::EpsBearerId, {*r.EpsBearerId});
      if (r.NrCell) element(msgbytes::NrCell, {r.NrCell->first, r.NrCell->second});
      if (r.ScgFailureType) element(msgbytes::ScgFailureType, {*r.ScgFailureType});
      if (r.Uplink >= 0) line += fmt::format("\"0x80\": \"{:02X}\", ", r.Uplink);
      uint32_t frame = r.Frame;
      line += fmt::format("\"0x81\": \"{}\"", hexBytes(&frame, 4));
      if (r.Cause) line += fmt::format(", \"cause\": {}", *r.Cause);
      if (r.CmServiceType) line += fmt::format(", \"cm_service_type\": {}", *r.CmServiceType);
      if (r.TargetCell) line += fmt::format(", \"target_cell\": [{}, {}]", r.TargetCell->first, r.TargetCell->second);
      line += "}";
    }
    if (!r.Fields.empty()) {
      line += ", \"fields\": {";
      for (size_t i = 0; i < r.Fields.size(); ++i) {
        const char* name = FieldNameById(r.Fields[i].first);
        line += fmt::format("{}\"{}\": {}", i ? ", " : "", name ? name : std::to_string(r.Fields[i].first).c_str(),
                            r.Fields[i].second);
      }
      line += "}";
    }
    out << line << "}\n";
  }
}

}  // namespace eventscan
