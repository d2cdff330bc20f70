// Writes seeds of the feed_record target from eventscan logs: each log is cut
// into pieces of 48 records, each piece one seed in the byte form of
// feed_records.h. Usage: feed_record_seeds OUTDIR LOG...
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "eventmanager/outside/data_access.h"
#include "feed_records.h"
#include "log/log_reader.h"

namespace {

constexpr size_t kPiece = 48;

int fieldIndex(int32_t id) {
  const auto fields = FieldCatalogue();
  for (size_t i = 0; i < fields.size() && i < 256; ++i)
    if (fields[i].Id == id) return static_cast<int>(i);
  return -1;
}

uint16_t stepMs(double from, double to) {
  return static_cast<uint16_t>(std::clamp(std::lround(std::fabs(to - from) * 86400000.0), 0L, 65535L));
}

void writePiece(const eventscan::ParsedLog& log, size_t first, const std::string& path) {
  using namespace feedfuzz;
  Writer out;
  out.Put<uint8_t>(log.Header.Network);
  out.Put<uint8_t>(log.Header.DeviceType);
  double time = first ? log.Records[first - 1].Time : log.Records[first].Time;
  size_t entry = 0;
  for (size_t i = first; i < std::min(first + kPiece, log.Records.size()); ++i) {
    const HandsetRecord& r = log.Records[i];
    std::vector<size_t> declared;
    for (; entry < log.Events.size() && log.EventOrigins[entry].DeclaredBy <= static_cast<int32_t>(i); ++entry)
      if (log.EventOrigins[entry].DeclaredBy == static_cast<int32_t>(i)) declared.push_back(entry);
    uint8_t flags = RawCode;
    if (!declared.empty()) flags |= Events;
    if (r.MessageCode) flags |= Message;
    if (r.Skip) flags |= Skip;
    if (r.Time < time) flags |= Backwards;
    if (!r.Items.empty()) flags |= Items;
    if (r.NetType == 255) flags |= NoNetwork;
    out.Put<uint8_t>(flags);
    out.Put<uint16_t>(stepMs(time, r.Time));
    time = r.Time;
    out.Put<uint32_t>(r.MessageCode);
    out.Put<uint8_t>(static_cast<uint8_t>(r.MessageInfo >> 24 & 0x0F));
    out.Put<uint8_t>(static_cast<uint8_t>(r.MessageInfo >> 16));
    out.PutBytes(r.MessageBytes);
    int known = 0;
    for (const auto& [id, value] : r.Fields) known += fieldIndex(id) >= 0;
    out.Put<uint8_t>(static_cast<uint8_t>(std::min(known, 255)));
    for (const auto& [id, value] : r.Fields)
      if (int index = fieldIndex(id); index >= 0 && known-- > 0) {
        out.Put<uint8_t>(static_cast<uint8_t>(index));
        out.Put<int32_t>(value);
      }
    if (flags & Items) {
      out.Put<uint8_t>(static_cast<uint8_t>(r.Items.size()));
      for (const TestItem& item : r.Items) {
        out.Put<int16_t>(item.EventId);
        out.Put<int16_t>(static_cast<int16_t>(std::clamp(std::lround((item.Time - r.Time) * 86400000.0), -32768L, 32767L)));
        out.PutBytes(r.Extra(item));
      }
    }
    if (flags & Events) {
      out.Put<uint8_t>(static_cast<uint8_t>(std::min<size_t>(declared.size(), 255)));
      for (size_t k = 0; k < std::min<size_t>(declared.size(), 255); ++k) {
        const EventTableEntry& e = log.Events[declared[k]];
        out.Put<int16_t>(e.EventId);
        out.Put<uint16_t>(static_cast<uint16_t>(std::clamp<int64_t>(int64_t{static_cast<int32_t>(i)} - e.RecordIndex, 0, 65535)));
        out.Put<int8_t>(static_cast<int8_t>(log.EventOrigins[declared[k]].ItemIndex));
      }
    }
  }
  std::ofstream(path, std::ios::binary) << out.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s OUTDIR LOG...\n", argv[0]);
    return 2;
  }
  std::filesystem::create_directories(argv[1]);
  for (int a = 2; a < argc; ++a) {
    const eventscan::ParsedLog log = eventscan::ReadLog(argv[a]);
    const std::string stem = std::filesystem::path(argv[a]).stem().string();
    for (size_t first = 0; first < log.Records.size(); first += kPiece)
      writePiece(log, first, std::string(argv[1]) + "/" + stem + "-" + std::to_string(first / kPiece));
  }
  return 0;
}
