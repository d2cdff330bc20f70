#include "detection/item_detail.h"

#include <algorithm>
#include <cmath>

#include <fmt/format.h>

#include "detection/detail_spares.h"
#include "detection/item_detail_rows.h"

std::string BuildItemDetail(const TestItem& item, std::string_view extra, const TItemDetailContext& context) {
  std::string text;
  BuildItemDetail(item, extra, context, text);
  return text;
}

void BuildItemDetail(const TestItem& item, std::string_view extra, const TItemDetailContext& context,
                     std::string& text) {
  text.clear();
  if (extra.data() == nullptr) return;
  // The record may hold fewer bytes than the item claims, never more.
  if (extra.size() > item.ExtraLength) extra = extra.substr(0, item.ExtraLength);
  TItemRow row{item.EventId, item.ExtraLength, BlockReader(extra), context};
  if (TransferRowDetail(row, text) || MessagingRowDetail(row, text) || MediaRowDetail(row, text) ||
      NetworkRowDetail(row, text))
    return;
  text.clear();
}

std::string ThousandthsText(int64_t thousandths, int decimals) {
  if (decimals >= 3) return fmt::format("{:.{}f}", static_cast<double>(thousandths) / 1000.0, decimals);
  int64_t step = decimals <= 0 ? 1000 : decimals == 1 ? 100 : 10;
  int64_t whole = thousandths / step;
  int64_t rest = thousandths % step;
  if (2 * (rest < 0 ? -rest : rest) >= step) whole += thousandths < 0 ? -1 : 1;
  int64_t scale = 1000 / step;
  // whole / scale has at most `decimals` places, so its nearest double prints exactly.
  return fmt::format("{:.{}f}", static_cast<double>(whole) / static_cast<double>(scale), std::max(decimals, 0));
}

namespace {

template <class Each>
void eachLine(std::string_view text, Each each) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    size_t stop = (end > start && text[end - 1] == '\r') ? end - 1 : end;
    each(text.substr(start, stop - start));
    start = end + 1;
  }
}

}  // namespace

std::vector<std::string> SplitDetailLines(const std::string& text) {
  std::vector<std::string> lines;
  eachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

void AppendDetailLines(std::string_view text, int32_t recordIndex, TResultDetails& details) {
  // Room for every line at once, not a growth step per line.
  size_t lines = 0;
  eachLine(text, [&](std::string_view) { ++lines; });
  detail_spares::Prepare(details, lines);
  eachLine(text, [&](std::string_view line) { detail_spares::Append(details, line, recordIndex); });
}

std::string GroupedNumber(double value, int decimals) {
  std::string plain = fmt::format("{:.{}f}", value, decimals);
  bool negative = !plain.empty() && plain[0] == '-';
  std::string body = negative ? plain.substr(1) : plain;
  size_t point = body.find('.');
  std::string whole = body.substr(0, point);
  std::string fraction = point == std::string::npos ? std::string() : body.substr(point);
  std::string grouped;
  for (size_t i = 0; i < whole.size(); ++i) {
    if (i > 0 && (whole.size() - i) % 3 == 0) grouped += ',';
    grouped += whole[i];
  }
  // A value that rounds to zero prints without a sign.
  if (negative && body.find_first_not_of("0.") != std::string::npos) grouped.insert(0, 1, '-');
  return grouped + fraction;
}

std::string SpeedText(int64_t bytes, int64_t milliseconds) {
  if (milliseconds < 1) return "N/A";
  return GroupedNumber(static_cast<double>(bytes) / static_cast<double>(milliseconds) * 8000.0, 0) + " (bps)";
}

std::string PercentText(int64_t part, int64_t whole) {
  if (whole < 1) return "N/A";
  return fmt::format("{:.3f}", static_cast<double>(part) / static_cast<double>(whole) * 100.0);
}

std::string DefaultOrNumber(int32_t value) { return value > 0 ? std::to_string(value) : "Default"; }

int32_t PesqMosLqo(int32_t raw) {
  double mapped = (0.999 + 4.0 / (1.0 + std::exp(-1.4945 * raw / 1000.0 + 4.6607))) * 1000.0;
  double floor = std::floor(mapped);
  double rest = mapped - floor;
  if (rest > 0.5 || (rest == 0.5 && std::fmod(floor, 2.0) != 0.0)) floor += 1.0;
  return static_cast<int32_t>(floor);
}

std::string TaskIdText(int32_t task) { return fmt::format("TaskID: {}", task); }

namespace {

// The text's values as lines: ';' and line breaks separate them, and a final
// separator adds no empty value.
std::vector<std::string> taskValues(std::string_view text) {
  std::vector<std::string> values;
  std::string current;
  bool open = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ';' || c == '\n' || c == '\r') {
      values.push_back(current);
      current.clear();
      open = false;
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
      open = true;
    }
  }
  if (open) values.push_back(current);
  return values;
}

template <typename Line>
std::string joinLines(size_t count, Line line) {
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) out += "\r\n";
    out += line(i);
  }
  return out;
}

}  // namespace

std::string TaskDelayLines(std::string_view text) {
  std::vector<std::string> values = taskValues(text);
  return joinLines(values.size(), [&](size_t i) { return fmt::format("Task{}_Delay: {} ms", i + 1, values[i]); });
}

std::string TaskFileSizeLines(std::string_view text) {
  std::vector<std::string> values = taskValues(text);
  return joinLines(values.size(),
                   [&](size_t i) { return fmt::format("Task{}_FileSize: {} Byte", i + 1, values[i]); });
}

std::string TaskResetLines(std::string_view text) {
  return joinLines(text.size(), [&](size_t i) {
    int digit = (text[i] >= '0' && text[i] <= '9') ? text[i] - '0' : -1;
    return fmt::format("Task{}_Reset: {}", i + 1, ResetSupportText(digit));
  });
}
