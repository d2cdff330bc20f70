// Item detail rows of the data tests: FTP, HTTP and mail transfers, ping,
// attach and PDP activation, WAP pages and downloads, multi-task FTP.
#include <cstring>
#include <iterator>
#include <utility>

#include <fmt/format.h>

#include "detection/item_detail_rows.h"
#include "platform/ipv4_text.h"

namespace {

std::string seconds3(double milliseconds) { return fmt::format("{:.3f}", milliseconds / 1000.0); }

bool published(const TItemRow& row) { return row.Context.PublishId != 1; }

// The texts written most often go straight into the caller's buffer, which
// keeps its room from one result to the next, instead of a string of their
// own moved over it.
template <class... Args>
void formatInto(std::string& text, fmt::format_string<Args...> format, Args&&... args) {
  text.clear();
  fmt::format_to(std::back_inserter(text), format, std::forward<Args>(args)...);
}

void fileSize(const BlockReader& b, std::string& text) {
  if (!b.Needs(4) || b.U32(0) == 0) return text.clear();
  formatInto(text, "File Size: {} (Byte)", b.U32(0));
}

void lastData(const BlockReader& b, std::string& text) {
  if (!b.Needs(12)) return text.clear();
  formatInto(text, "Total Time: {} (s)\r\nTransimit Time: {} (s)\r\nTransimit Size: {} (Byte)\r\nAverage: {}",
             seconds3(b.I32(0)), seconds3(b.I32(4)), b.I32(8), SpeedText(b.I32(8), b.I32(4)));
}

void transferDrop(const BlockReader& b, std::string& text) {
  if (!b.Needs(12)) return text.clear();
  formatInto(text, "Transimit Time: {} (s)\r\nTransimit Size: {} (Byte)\r\nAverage: {}\r\nDrop Reason: {}", b.I32(0),
             b.I32(4), SpeedText(b.I32(4), int64_t{b.I32(0)} * 1000), DropReasonText(b.I32(8)));
}

std::string address(const BlockReader& b) {
  uint32_t value = 0;
  std::string_view raw = b.Raw(0, 4);
  std::memcpy(&value, raw.data(), raw.size());
  return Ipv4Text(value);
}

void pingSuccess(const BlockReader& b, std::string& text) {
  if (!b.Needs(28)) return text.clear();
  formatInto(text, "Reply from {}\r\nBytes = {} TTL = {}\r\nTime = {} ms\r\nRequest ULRate={}\r\nRequest DLRate={}",
             address(b), b.I32(4), b.I32(12), b.I32(16), DefaultOrNumber(b.I32(20)), DefaultOrNumber(b.I32(24)));
}

void pingFailure(const BlockReader& b, std::string& text) {
  if (!b.Needs(28)) return text.clear();
  formatInto(text, "Reply from {}\r\nBytes = {}\r\nRequest time out\r\nRequest ULRate={}\r\nRequest DLRate={}",
             address(b), b.I32(4), DefaultOrNumber(b.I32(20)), DefaultOrNumber(b.I32(24)));
}

std::string pdpActivation(const BlockReader& b) {
  if (!b.Needs(12)) return {};
  return fmt::format("Delay {} ms\r\nRequest ULRate={}\r\nRequest DLRate={}", b.I32(0), DefaultOrNumber(b.I32(4)),
                     DefaultOrNumber(b.I32(8)));
}

std::string wapReply(const BlockReader& b) {
  if (!b.Needs(12)) return {};
  int64_t total = int64_t{b.I32(0)} + b.I32(4) + b.I32(8);
  return fmt::format(
      "PDPActive Delay: {} (ms)\r\nConnect Gateway Delay: {} (ms)\r\nWap Reply Delay: {} (ms)\r\nLogon Total Delay: {} "
      "(ms)",
      b.I32(0), b.I32(4), b.I32(8), total);
}

// Page finish (89) and download finish (100): size at 0, time at 4, kind at 8.
std::string wapFinish(const BlockReader& b, bool download) {
  if (!b.Needs(9)) return {};
  std::string head = fmt::format("Transimit Size: {} (Byte)\r\nTransimit Time: {} (s)\r\nAverage: {}\r\n", b.I32(0),
                                 seconds3(b.U32(4)), SpeedText(b.I32(0), b.I32(4)));
  if (download) return head + "Download " + DownloadKindText(b.U8(8));
  return head + "Test Mode: " + WapTestModeText(b.U8(8));
}

// Page drop (90) and download drop (101): time at 0, size at 4, reason at 8, kind at 9.
std::string wapDrop(const BlockReader& b, bool download) {
  if (!b.Needs(10)) return {};
  std::string text = fmt::format("Transimit Size: {} (Byte)\r\nTransimit Time: {} (s)\r\nAverage: {}\r\n", b.I32(4),
                                 seconds3(b.U32(0)), SpeedText(b.I32(4), b.I32(0)));
  text += download ? "Download " + DownloadKindText(b.U8(9)) : "Test Mode: " + WapTestModeText(b.U8(9));
  text += "\r\nDrop Reason: " + DropReasonText(b.I8(8));
  if (b.I8(8) == 1) text += "\r\nTimeOut";
  return text;
}

std::string trimmed(std::string text) {
  size_t begin = 0;
  while (begin < text.size() && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  size_t end = text.size();
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string multiFtp(const TItemRow& row) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 225: case 236:
      return b.Needs(1) ? TaskDelayLines(trimmed(b.Chars(0, 128))) : std::string();
    case 226: case 237:
      return b.Needs(1) ? TaskResetLines(trimmed(b.Chars(0, 24))) : std::string();
    case 227: case 238:
      return b.Needs(8) ? TaskIdText(b.I32(4)) + "\r\nError Code: " + FtpFailureText(b.I32(0)) : std::string();
    case 228: case 239:
      return b.Needs(1) ? TaskFileSizeLines(trimmed(b.Chars(0, 128))) : std::string();
    case 231: case 242:
      return b.Needs(4) ? TaskIdText(b.I32(0)) : std::string();
    default:  // 232, 243
      if (!b.Needs(12)) return {};
      return fmt::format("{}\r\nActual Size: {}(Byte)\r\nReason: {}", TaskIdText(b.I32(8)), b.I32(0), b.I32(4));
  }
}

}  // namespace

bool TransferRowDetail(const TItemRow& row, std::string& text) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 9: case 20: case 28: case 34: case 42:
      text.clear();
      if (published(row)) fileSize(b, text);
      return true;
    case 12: case 22: case 30: case 36: case 44: case 233: case 244:
      text.clear();
      if (published(row)) lastData(b, text);
      return true;
    case 13: case 23: case 31: case 37: case 45:
      text.clear();
      if (published(row)) transferDrop(b, text);
      return true;
    case 48: pingSuccess(b, text); return true;
    case 49: pingFailure(b, text); return true;
    case 50: case 51:
      text = b.Needs(4) ? fmt::format("Delay {} ms", b.I32(0)) : std::string();
      return true;
    case 52: case 53: text = pdpActivation(b); return true;
    case 85: case 96: text = wapReply(b); return true;
    case 86: case 97:
      text = b.Needs(1) ? "URL: " + b.Text(0) : std::string();
      return true;
    case 87: case 98:
      text = b.Needs(8) ? fmt::format("Delay: {} (ms)", b.I32(4)) : std::string();
      return true;
    case 88: case 99:
      text = b.Needs(4) ? "Reason: " + SocketErrorText(b.I32(0)) : std::string();
      return true;
    case 89: text = wapFinish(b, false); return true;
    case 90: text = wapDrop(b, false); return true;
    case 100: text = wapFinish(b, true); return true;
    case 101: text = wapDrop(b, true); return true;
    case 225: case 226: case 227: case 228: case 231: case 232:
    case 236: case 237: case 238: case 239: case 242: case 243:
      text = multiFtp(row);
      return true;
    default:
      return false;
  }
}
