// Item detail rows of the voice and video tests: PESQ and PEVQ scores,
// streaming, video telephony calls and their timers.
#include <fmt/format.h>

#include "detection/item_detail_rows.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/utility.h"

namespace {

std::string score(float value) { return FloatValidStrF2S(value, "%.3f", 0); }

// Raw PESQ score x1000 at 0, LQ x1000 at 4, record file at 8 (128 bytes),
// direction at 136, levels at 137/141 and 149/153, swings at 161..172.
std::string pesqFinished(const BlockReader& b) {
  if (!b.Needs(173)) return {};
  return fmt::format(
      "PESQ MOS: {}\r\nPESQ Score: {}\r\nPESQ LQ: {}\r\nInsertion Gain(dB): {}\r\nNoise Gain(dB): {}\r\n"
      "MaxSwing: {}, MinSwing: {}, AvgSwing: {}\r\nRecordFile: {}\r\n{}",
      IntValidStrEx(PesqMosLqo(b.I32(0)), 1000.0, 0, "%.2f"), IntValidStrEx(b.I32(0), 1000.0, 0, "%.2f"),
      IntValidStrEx(b.I32(4), 1000.0, 0, "%.2f"),
      FloatValidStrF2S(double{b.F32(149)} - double{b.F32(137)}, "%.2f", 0),
      FloatValidStrF2S(double{b.F32(153)} - double{b.F32(141)}, "%.2f", 0), IntValidStr(b.I32(161), 0),
      IntValidStr(b.I32(165), 0), IntValidStr(b.I32(169), 0), b.Chars(8, 128),
      b.U8(136) == 85 ? "Uplink" : "Downlink");
}

// 145: file at 32, rebuffer count at 160; 146: drop reason at 32, file at 36,
// rebuffer count at 164.
std::string videoStream(const BlockReader& b, bool drop) {
  if (!b.Needs(drop ? 168 : 164)) return {};
  int64_t videoLost = b.I32(24), audioLost = b.I32(28);
  std::string text = fmt::format(
      "Receive Size: {}\r\nAverage Speed: {}\r\n(A-V)Sync Conrrect: {}\r\n(A-V)Sync Lost Frame: {}\r\n"
      "Receive Video Packet: {}\r\nReceive Audio packet: {}\r\nPercent of Video Lost packet: {}\r\n"
      "Percent of Audio Lost packet: {}\r\nRebuffer Times: {}\r\nVideoFile: {}",
      IntValidStrEx(b.I32(0), 1.0, 0, "%.0f (Byte)"), SpeedText(b.I32(0), b.I32(4)),
      IntValidStrEx(b.I32(8), 1.0, 0, "%.0f (ms)"), IntValidStrEx(b.I32(12), 1.0, 0, "%.0f (frame)"),
      IntValidStr(b.I32(16), 0), IntValidStr(b.I32(20), 0), PercentText(videoLost, videoLost + b.I32(16)),
      PercentText(audioLost, audioLost + b.I32(20)), IntValidStr(b.I32(drop ? 164 : 160), 0),
      b.Chars(drop ? 36 : 32, 128));
  if (drop) text += "\r\nDrop Reason: " + DropReasonText(b.I32(32));
  return text;
}

// Four streams (audio send, audio receive, video send, video receive): bytes
// at 0..12, times at 16..28, then lost frames, CRC errors and the files.
std::string videoCall(const BlockReader& b, bool drop) {
  if (!b.Needs(drop ? 44 : 40)) return {};
  static const char* const names[] = {"Audio Send", "Audio Receive", "Video Send", "Video Receive"};
  std::string text;
  for (int s = 0; s < 4; ++s) {
    int32_t bytes = b.I32(4 * s), ms = b.I32(16 + 4 * s);
    text += fmt::format("{0} Size: {1}\r\n{0} Time: {2}\r\n{0} Speed: {3}\r\n", names[s],
                        IntValidStrEx(bytes, 1.0, 0, "%.0f (Byte)"), IntValidStrEx(ms, 1000.0, 0, "%.3f (s)"),
                        SpeedText(bytes, ms));
  }
  size_t audioFile = drop ? 44 : 40;
  text += fmt::format("Total Lost Frames: {}\r\nTotal CRC Errors: {}\r\nAudio File: {}\r\nVideo File: {}",
                      IntValidStr(b.I32(32), 0), IntValidStr(b.I32(36), 0), b.Chars(audioFile, 128),
                      b.Text(audioFile + 128));
  if (drop) text += "\r\nDrop Reason: " + DropReasonText(b.I32(40));
  return text;
}

std::string avetFinished(const BlockReader& b) {
  if (!b.Needs(28)) return {};
  return fmt::format(
      "PESQ MOS: {}\r\nPESQ Score: {}\r\nPESQ LQ: {}\r\nPEVQ MOS: {}\r\nSync MOS: {}\r\nTotal Score: {}\r\n"
      "FrameDelay: {}\r\nVideo File: {}",
      score(b.F32(0)), score(b.F32(4)), score(b.F32(8)), score(b.F32(12)), score(b.F32(16)), score(b.F32(20)),
      score(b.F32(24)), b.Text(28));
}

std::string pevqFinished(const BlockReader& b) {
  if (!b.Needs(17)) return {};
  return fmt::format("PESQ MOS: {}\r\nPESQ Score: {}\r\nPESQ LQ: {}\r\nPEVQ MOS: {}\r\nVideo File: {}",
                     score(b.F32(1)), score(b.F32(5)), score(b.F32(9)), score(b.F32(13)), b.Text(17));
}

// The score is stored at 8 and the LQ at 4.
std::string mosTooLow(const BlockReader& b) {
  if (!b.Needs(12)) return {};
  return fmt::format("PESQ MOS: {}\r\nPESQ Score: {}\r\nPESQ LQ: {}\r\n", ThousandthsText(b.I32(0), 2),
                     ThousandthsText(b.I32(8), 2), ThousandthsText(b.I32(4), 2));
}

}  // namespace

bool MediaRowDetail(const TItemRow& row, std::string& text) {
  const BlockReader& b = row.Block;
  switch (row.EventId) {
    case 135: text = pesqFinished(b); return true;
    case 136: text = b.Needs(1) ? "RecordFile: " + b.Text(0) : std::string(); return true;
    case 142: case 143: case 144: case 153: case 154:
      text = b.Needs(4) ? fmt::format("Delay: {} (ms)", b.I32(0)) : std::string();
      return true;
    case 145: text = videoStream(b, false); return true;
    case 146: text = videoStream(b, true); return true;
    case 149: case 151:
      text = b.Needs(4) ? fmt::format("Delay: {} (s)", ThousandthsText(b.I32(0), 2)) : std::string();
      return true;
    case 150: case 152:
      text = b.Needs(4) ? std::string("Timeout ") + (b.I32(0) == 0 ? "by self" : "by other") : std::string();
      return true;
    case 155: text = videoCall(b, false); return true;
    case 156: text = videoCall(b, true); return true;
    case 158: text = avetFinished(b); return true;
    case 159: text = pevqFinished(b); return true;
    case 160:
      text = b.Needs(4) ? std::string("Reason: ") + (b.I32(0) == 4 ? "Carrier Interrupt" : "3G324M Error")
                        : std::string();
      return true;
    case 161:
      text = b.Needs(8) ? Parse_UE_TimeOut_Type(b.I32(0)) + fmt::format("\r\nTimeout = {}", b.I32(4)) : std::string();
      return true;
    case 203: text = mosTooLow(b); return true;
    default:
      return false;
  }
}
