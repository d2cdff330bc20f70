#include "log/line_scan.h"

#include <algorithm>
#include <climits>

#include <fmt/format.h>

#include "log/log_stream.h"

namespace eventscan {
bool BlankLine(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

std::string LongLineText(size_t size, size_t limit) {
  return fmt::format("the line has {} bytes, more than the limit of {} bytes (raise it with --max-line-bytes)", size,
                     limit);
}

void ResetRecord(HandsetRecord& r) {
  // Field by field: a fresh record assigned whole would build and free
  // buffers of its own on every line. A member added to the record must be
  // reset here too.
  static_assert(sizeof(HandsetRecord) == 152, "every member of HandsetRecord is reset below");
  r.Time = 0;
  r.OrderTime = 0;
  r.MessageCode = 0;
  r.MessageBytes.clear();
  r.MessageInfo = 0;
  r.NetType = 255;
  r.Skip = false;
  r.Reference = 0;
  r.Fields.clear();
  r.Items.clear();
  r.ExtraPool.clear();
}

LineScanner::LineScanner(std::unique_ptr<LogSource> source, const ReadOptions& options)
    : lines_(std::move(source), options.BlockBytes, std::min<size_t>(options.MaxLineBytes, UINT32_MAX)),
      reader_(options.LineReader), maxLine_(std::min<size_t>(options.MaxLineBytes, UINT32_MAX)),
      strict_(options.Strict) {}

ScannedLine LineScanner::Scan(int32_t index, ScanTarget target) {
  std::string_view line;
  uint64_t offset = 0;
  size_t size = 0;
  ScannedLine out;
  while (!stopped_) {
    const LineSplitter::Got got = lines_.NextLine(line, offset, size);
    if (got == LineSplitter::Got::End) return out;
    out.Line = lines_.LineNumber();
    if (got == LineSplitter::Got::TooLong) {
      target.FaultText = LongLineText(size, maxLine_);
      stopped_ = strict_;
      out.What = ScannedLine::Kind::Fault;
      return out;
    }
    if (BlankLine(line)) continue;
    const size_t events = target.Events.size();
    ResetRecord(target.Record);
    RecordFeed feed{RecordKind::Measurement, header_.DeviceType, out.Line};
    LineTarget lineTarget{target.Record, feed, target.Events, target.Origins, index};
    target.Unknown.clear();
    lineTarget.UnknownFields = &target.Unknown;
    lineTarget.Padded = true;  // the line is in the splitter's buffer
    try {
      reader_(line, header_, lineTarget);
      // Strict reading takes a name it does not know for a misspelling.
      if (strict_ && !target.Unknown.empty())
        throw RecordError(fmt::format("fields: unknown field \"{}\"", ClipValue(target.Unknown.front())));
    } catch (const std::exception& e) {
      target.FaultText = e.what();
      target.Events.resize(events);
      target.Origins.resize(events);
      target.Unknown.clear();
      stopped_ = strict_;
      out.What = ScannedLine::Kind::Fault;
      return out;
    }
    out.What = ScannedLine::Kind::Record;
    out.Offset = offset;
    out.RecordKind = static_cast<uint8_t>(feed.Kind);
    out.DeviceType = feed.DeviceType;
    out.Length = static_cast<uint32_t>(line.size());
    return out;
  }
  return out;
}

}  // namespace eventscan
