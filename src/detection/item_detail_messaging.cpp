// Item detail rows of the messaging tests: SMS, MMS and push, WAP and mail
// connections, U-IMAP content, and the Fetion instant-messaging test.
#include <fmt/format.h>

#include "detection/item_detail_rows.h"

namespace {

std::string seconds(uint32_t milliseconds, int decimals) { return ThousandthsText(milliseconds, decimals); }

std::string delayAndError(const BlockReader& b, const char* label) {
  if (!b.Needs(8)) return {};
  return fmt::format("{}: {} (ms)\r\nError Code: {}", label, b.I32(4), b.I32(0));
}

std::string sizeAndDelay(const BlockReader& b, const char* sizeLabel, const char* delayLabel) {
  if (!b.Needs(8)) return {};
  return fmt::format("{}: {} (Byte)\r\n{}: {} (s)", sizeLabel, b.I32(0), delayLabel, seconds(b.U32(4), 3));
}

// Send size at 0, delay at 4, stop reason at 8.
std::string sizeDelayStop(const BlockReader& b, const char* sizeLabel, const char* delayLabel) {
  if (!b.Needs(12)) return {};
  return fmt::format("{}: {} (Byte)\r\n{}: {} (s)\r\nDrop Reason: {}", sizeLabel, b.I32(0), delayLabel,
                     seconds(b.U32(4), 2), StopReasonText(b.I32(8)));
}

std::string contentDetail(const BlockReader& b, bool failure) {
  if (!b.Needs(failure ? 108 : 104)) return {};
  std::string text = fmt::format("From: {}\r\nTo: {}\r\nSubject: {}\r\nContent Size: {}\r\nAccessory Size: {}",
                                 b.Chars(0, 32), b.Chars(32, 32), b.Chars(64, 32), b.I32(96), b.I32(100));
  if (failure) text += fmt::format("\r\nError Code: {}", b.I32(104));
  return text;
}

std::string fetionLogon(const BlockReader& b) {
  if (!b.Needs(20)) return {};
  int64_t total = int64_t{b.I32(0)} + b.I32(4) + b.I32(8) + b.I32(12) + b.I32(16);
  return fmt::format(
      "PDPActive Delay: {} (ms)\r\nConnect Gateway delay: {} (ms)\r\nRequest URI delay: {} (ms)\r\n"
      "Request SIP delay: {} (ms)\r\nFetion Login delay: {} (ms)\r\nLogon total delay: {} (ms)",
      b.I32(0), b.I32(4), b.I32(8), b.I32(12), b.I32(16), total);
}

std::string smsAndMms(const TItemRow& row) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 60: return b.Needs(8) ? fmt::format("Send SMS Delay: {} (ms)", b.I32(4)) : std::string();
    case 61: return delayAndError(b, "Send SMS Delay");
    case 64: return b.Needs(8) ? fmt::format("Receive SMS Delay: {} (ms)", b.I32(4)) : std::string();
    case 65: return delayAndError(b, "Receive SMS Delay");
    case 70:
      if (!b.Needs(12)) return {};
      return fmt::format("Send Size: {} (Byte)\r\nSend Delay: {} (s)\r\nPDPActive Delay: {} (s)", b.I32(0),
                         seconds(b.U32(4), 3), seconds(b.U32(8), 3));
    case 71: return sizeDelayStop(b, "Send Size", "Send Delay");
    case 72: case 111:
      return b.Needs(4) ? fmt::format("Receive Delay: {} (s)", seconds(b.U32(0), 3)) : std::string();
    case 78:
      if (!b.Needs(8)) return {};
      return fmt::format("Receive Delay: {} (s)\r\nPDPActive Delay: {} (s)", seconds(b.U32(0), 3),
                         seconds(b.U32(4), 3));
    default:  // 79
      if (!b.Needs(8)) return {};
      return fmt::format("Receive Delay: {} (s)\r\nDrop Reason: {}", seconds(b.U32(0), 3), StopReasonText(b.I32(4)));
  }
}

std::string fetion(const TItemRow& row) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 165: case 166: case 167:
      return b.Needs(4) ? fmt::format("Delay: {} (ms)", b.I32(0)) : std::string();
    case 168: return fetionLogon(b);
    case 169:
      return b.Needs(4) ? fmt::format("{} fail\r\nErrorCode: {}", FetionStepText(b.U16(0)), b.U16(2)) : std::string();
    case 170:
      if (!b.Needs(8)) return {};
      return fmt::format("Test Type: {}\r\nDirection: {}", FetionTestTypeText(b.I32(0)), DirectionText(b.I32(4)));
    case 171: case 174:
      return b.Needs(4) ? fmt::format("Delay: {}(ms)", b.I32(0)) : std::string();
    case 172:
      return b.Needs(12) ? fmt::format("FailStep: {}\r\nErrorCode: {}", b.I32(4), b.I32(8)) : std::string();
    case 182: return b.Needs(4) ? "Test Type: " + FetionTestTypeText(b.I32(0)) : std::string();
    case 183: case 186:
      if (!b.Needs(8)) return {};
      return fmt::format("TestType: {}\r\nDelay: {}(ms)", FetionTestTypeText(b.I32(0)), b.I32(4));
    case 184: case 187:
      if (!b.Needs(8)) return {};
      return fmt::format("TestType: {}\r\nErrorCode: {}", FetionTestTypeText(b.I32(0)), b.I32(4));
    default:  // 188
      return b.Needs(4) ? "Direction: " + DirectionText(b.I32(0)) : std::string();
  }
}

}  // namespace

bool MessagingRowDetail(const TItemRow& row, std::string& text) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 60: case 61: case 64: case 65: case 70: case 71: case 72: case 78: case 79: case 111:
      text = smsAndMms(row);
      return true;
    case 68: case 76: case 82: case 93: case 103: case 105: case 114: case 116:
      text = b.Needs(8) ? fmt::format("Connect Delay: {} (ms)", b.I32(4)) : std::string();
      return true;
    case 69: case 104: case 106: case 115: case 117:
      text = b.Needs(8) ? fmt::format("Connect Delay: {} (s)\r\nError Code: {}", seconds(b.U32(4), 3), b.I32(0))
                        : std::string();
      return true;
    case 77: case 83: case 94:
      text = delayAndError(b, "Connect Delay");
      return true;
    case 107: case 120: text = sizeAndDelay(b, "Size", "Delay"); return true;
    case 108: case 121: text = sizeDelayStop(b, "Size", "Delay"); return true;
    case 118: text = contentDetail(b, false); return true;
    case 119: text = contentDetail(b, true); return true;
    case 165: case 166: case 167: case 168: case 169: case 170: case 171: case 172: case 174:
    case 182: case 183: case 184: case 186: case 187: case 188:
      text = fetion(row);
      return true;
    default:
      return false;
  }
}
