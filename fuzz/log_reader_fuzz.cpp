// eventscan logs (a header line and record lines) through the log reader,
// once with the on-demand reader of record lines and once with the reference
// reader. Both must make the same records and event table and find faults in
// the same lines (a line with several faults may be reported by another one
// of them, so the texts are compared only in the unit tests, line by line).
#include <cstring>
#include <string_view>

#include "fuzz_support.h"
#include "log/log_reader.h"
#include "testing/record_json.h"

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The first difference between two records read from the same line, or null.
const char* difference(const HandsetRecord& a, const HandsetRecord& b) {
  // Times compare bit for bit: both readers convert the same text.
  if (!sameBits(a.Time, b.Time) || !sameBits(a.OrderTime, b.OrderTime)) return "time";
  if (a.MessageCode != b.MessageCode) return "message code";
  if (a.MessageBytes != b.MessageBytes) return "message bytes";
  if (a.MessageInfo != b.MessageInfo) return "message information";
  if (a.NetType != b.NetType || a.Skip != b.Skip || a.Reference != b.Reference) return "network, skip or reference";
  if (a.Fields != b.Fields) return "fields";
  if (a.Items.size() != b.Items.size()) return "item count";
  for (size_t i = 0; i < a.Items.size(); ++i) {
    const TestItem &x = a.Items[i], &y = b.Items[i];
    if (x.EventId != y.EventId || !sameBits(x.Time, y.Time) || a.Extra(x) != b.Extra(y)) return "item";
  }
  return nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  eventscan::ParsedLog fast, full;
  eventscan::ReadOptions options;
  try {
    fast = eventscan::ReadLogText(text, "fuzz.jsonl", options);
  } catch (const eventscan::LogError&) {
    return 0;
  }
  options.LineReader = eventscan::ParseRecordReference;
  full = eventscan::ReadLogText(text, "fuzz.jsonl", options);
  for (size_t i = 0; i < std::min(fast.Faults.size(), full.Faults.size()); ++i)
    if (fast.Faults[i].Line != full.Faults[i].Line)
      FuzzFail("fault %zu: fast '%s', full '%s'", i, fast.Faults[i].Text().c_str(), full.Faults[i].Text().c_str());
  if (fast.Faults.size() != full.Faults.size())
    FuzzFail("%zu faults with the on-demand reader, %zu with the reference", fast.Faults.size(), full.Faults.size());
  if (fast.Records.size() != full.Records.size())
    FuzzFail("%zu records with the on-demand reader, %zu with the reference", fast.Records.size(), full.Records.size());
  for (size_t i = 0; i < fast.Records.size(); ++i) {
    if (const char* what = difference(fast.Records[i], full.Records[i]))
      FuzzFail("line %d: %s differs between the readers", fast.Feeds[i].Line, what);
    if (fast.Feeds[i].Kind != full.Feeds[i].Kind || fast.Feeds[i].DeviceType != full.Feeds[i].DeviceType ||
        fast.Feeds[i].Line != full.Feeds[i].Line)
      FuzzFail("line %d: kind, device or line differs between the readers", fast.Feeds[i].Line);
  }
  if (fast.Events.size() != full.Events.size()) FuzzFail("event tables differ in size");
  for (size_t i = 0; i < fast.Events.size(); ++i)
    if (fast.Events[i].EventId != full.Events[i].EventId || fast.Events[i].RecordIndex != full.Events[i].RecordIndex)
      FuzzFail("event table entry %zu differs between the readers", i);
  return 0;
}
