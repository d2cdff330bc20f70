// tshark's field lines of a GSMTAP capture (tab-separated, one frame a line)
// through the capture mapper and on to the records eventscan feeds. Whatever
// the lines hold, mapping must not crash, and record times never run back.
#include <cstdlib>
#include <string_view>

#include "capture/capture_mapper.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  eventscan::CaptureMapper mapper("fuzz.pcap");
  for (size_t pos = 0; pos <= text.size();) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    mapper.MapLine(text.substr(pos, end - pos));
    pos = end + 1;
  }
  const eventscan::CaptureLog& log = mapper.Result();
  for (size_t i = 1; i < log.Records.size(); ++i)
    if (log.Records[i].Time < log.Records[i - 1].Time) std::abort();
  eventscan::ParsedLog parsed = eventscan::ToParsedLog(log, "fuzz.pcap");
  if (parsed.Records.size() != log.Records.size()) std::abort();
  return 0;
}
