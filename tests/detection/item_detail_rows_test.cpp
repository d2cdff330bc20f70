// Detail texts of test items, family by family: what a user sees beside each
// kind of test event, built from hand-made extra data blocks.
#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <random>
#include <sstream>
#include <vector>

#include "block_builder.h"
#include "detection/item_detail.h"
#include "eventmanager/outside/cdma_diagnosis.h"
#include "eventmanager/outside/message_codes.h"
#include "eventmanager/outside/tdscdma_decoder.h"
#include "eventmanager/outside/tdscdma_diagnosis.h"
#include "eventmanager/outside/umts_diagnosis.h"

namespace {

struct Case {
  const char* What;
  int16_t Id;
  std::string Block;
  std::string Expected;
  uint8_t NetType = 255;
  uint8_t PublishId = 0;
};

std::string detail(int16_t id, const std::string& block, uint8_t net = 255, uint8_t publishId = 0,
                   uint8_t recordNet = 255) {
  TItemDetailContext context;
  context.NetType = net;
  context.RecordNetType = recordNet;
  context.PublishId = publishId;
  return BuildItemDetail(ItemClaiming(id, block.size()), block, context);
}

void expectAll(const std::vector<Case>& cases) {
  for (const Case& c : cases)
    EXPECT_EQ(detail(c.Id, c.Block, c.NetType, c.PublishId), c.Expected) << c.What << " (identifier " << c.Id << ")";
}

}  // namespace

TEST(ItemDetailRows, DataTransfer) {
  std::string lastData = BlockBuilder().I32(0, 2500).I32(4, 2000).I32(8, 1000).Bytes();
  expectAll({
      {"last data", 12, lastData,
       "Total Time: 2.500 (s)\r\nTransimit Time: 2.000 (s)\r\nTransimit Size: 1000 (Byte)\r\nAverage: 4,000 (bps)"},
      {"last data left out of publishing variant 1", 12, lastData, "", 255, 1},
      {"last data of a multi-task transfer", 244, BlockBuilder().I32(0, 1).I32(4, 0).I32(8, 1000).Bytes(),
       "Total Time: 0.001 (s)\r\nTransimit Time: 0.000 (s)\r\nTransimit Size: 1000 (Byte)\r\nAverage: N/A"},
      {"big transfer groups its thousands", 22, BlockBuilder().I32(0, 9000).I32(4, 8000).I32(8, 250000000).Bytes(),
       "Total Time: 9.000 (s)\r\nTransimit Time: 8.000 (s)\r\nTransimit Size: 250000000 (Byte)\r\n"
       "Average: 250,000,000 (bps)"},
      {"file size", 9, BlockBuilder().U32(0, 4000000000u).Bytes(), "File Size: 4000000000 (Byte)"},
      {"file size of 0", 9, BlockBuilder().U32(0, 0).Bytes(), ""},
      {"file size left out of publishing variant 1", 42, BlockBuilder().U32(0, 10).Bytes(), "", 255, 1},
      {"drop in whole seconds", 13, BlockBuilder().I32(0, 3).I32(4, 3000).I32(8, 1).Bytes(),
       "Transimit Time: 3 (s)\r\nTransimit Size: 3000 (Byte)\r\nAverage: 8,000 (bps)\r\nDrop Reason: Timeout"},
      {"drop at once with an unknown reason", 45, BlockBuilder().I32(0, 0).I32(4, 10).I32(8, -104).Bytes(),
       "Transimit Time: 0 (s)\r\nTransimit Size: 10 (Byte)\r\nAverage: N/A\r\nDrop Reason: Unknown(ErrCode: -104)"},
      {"ping reply", 48,
       BlockBuilder().U8(0, 192).U8(1, 168).U8(2, 1).U8(3, 10).I32(4, 32).I32(12, 64).I32(16, 25).I32(20, 0)
           .I32(24, 384).Bytes(),
       "Reply from 192.168.1.10\r\nBytes = 32 TTL = 64\r\nTime = 25 ms\r\nRequest ULRate=Default\r\n"
       "Request DLRate=384"},
      {"ping timeout", 49, BlockBuilder().U8(0, 10).U8(3, 255).I32(4, 32).I32(20, 64).I32(24, -1).Bytes(),
       "Reply from 10.0.0.255\r\nBytes = 32\r\nRequest time out\r\nRequest ULRate=64\r\nRequest DLRate=Default"},
      {"PDP activation", 53, BlockBuilder().I32(0, 812).I32(4, 128).I32(8, 0).Bytes(),
       "Delay 812 ms\r\nRequest ULRate=128\r\nRequest DLRate=Default"},
      {"WAP logon total", 85, BlockBuilder().I32(0, 100).I32(4, 200).I32(8, 300).Bytes(),
       "PDPActive Delay: 100 (ms)\r\nConnect Gateway Delay: 200 (ms)\r\nWap Reply Delay: 300 (ms)\r\n"
       "Logon Total Delay: 600 (ms)"},
      {"URL redirect", 97, BlockBuilder().Text(0, "http://wap.example/next").Bytes(), "URL: http://wap.example/next"},
      {"get URL failure with an HTTP status", 88, BlockBuilder().I32(0, 404).Bytes(), "Reason: Request Not Found"},
      {"get URL failure with a socket error", 99, BlockBuilder().I32(0, 10038).Bytes(),
       "Reason: Socket operation on nonsocket"},
      {"WAP page finished", 89, BlockBuilder().I32(0, 5000).U32(4, 2000).U8(8, 2).Bytes(),
       "Transimit Size: 5000 (Byte)\r\nTransimit Time: 2.000 (s)\r\nAverage: 20,000 (bps)\r\nTest Mode: Get Url List"},
      {"WAP page drop on timeout adds a line", 90, BlockBuilder().U32(0, 2000).I32(4, 5000).U8(8, 1).U8(9, 1).Bytes(),
       "Transimit Size: 5000 (Byte)\r\nTransimit Time: 2.000 (s)\r\nAverage: 20,000 (bps)\r\nTest Mode: Refresh\r\n"
       "Drop Reason: Timeout\r\nTimeOut"},
      {"WAP download drop by the user", 101,
       BlockBuilder().U32(0, 4000).I32(4, 1000).U8(8, static_cast<uint8_t>(-101)).U8(9, 2).Bytes(),
       "Transimit Size: 1000 (Byte)\r\nTransimit Time: 4.000 (s)\r\nAverage: 2,000 (bps)\r\nDownload KJava\r\n"
       "Drop Reason: User stop"},
      {"WAP download of an unknown kind", 100, BlockBuilder().I32(0, 0).U32(4, 0).U8(8, 7).Bytes(),
       "Transimit Size: 0 (Byte)\r\nTransimit Time: 0.000 (s)\r\nAverage: N/A\r\nDownload Unknown"},
      {"task delays", 225, BlockBuilder().Text(0, "  120;80; ").Bytes(), "Task1_Delay: 120 ms\r\nTask2_Delay: 80 ms"},
      {"task file sizes", 239, BlockBuilder().Text(0, "1024;2048").Bytes(),
       "Task1_FileSize: 1024 Byte\r\nTask2_FileSize: 2048 Byte"},
      {"task resets", 237, BlockBuilder().Text(0, "01x").Bytes(),
       "Task1_Reset: Support\r\nTask2_Reset: NonSupport\r\nTask3_Reset: Unknown"},
      {"task error with its own code", 227, BlockBuilder().I32(0, 101).I32(4, 3).Bytes(),
       "TaskID: 3\r\nError Code: 101"},
      {"task error with an unknown code", 238, BlockBuilder().I32(0, 9).I32(4, 1).Bytes(),
       "TaskID: 1\r\nError Code: UnKnown"},
      {"task re-send", 242, BlockBuilder().I32(0, 4).Bytes(), "TaskID: 4"},
      {"task drop", 232, BlockBuilder().I32(0, 777).I32(4, -3).I32(8, 2).Bytes(),
       "TaskID: 2\r\nActual Size: 777(Byte)\r\nReason: -3"},
  });
}

TEST(ItemDetailRows, Messaging) {
  std::string content = BlockBuilder().Text(0, "a@x").Text(32, "b@y").Text(64, "Hello").I32(96, 120).I32(100, 0)
                            .I32(104, 550).Bytes();
  expectAll({
      {"SMS sent", 60, BlockBuilder().I32(0, 0).I32(4, 1500).Bytes(), "Send SMS Delay: 1500 (ms)"},
      {"SMS send failure", 61, BlockBuilder().I32(0, 27).I32(4, 1500).Bytes(),
       "Send SMS Delay: 1500 (ms)\r\nError Code: 27"},
      {"SMS receive failure", 65, BlockBuilder().I32(0, -1).I32(4, 0).Bytes(),
       "Receive SMS Delay: 0 (ms)\r\nError Code: -1"},
      {"connect", 114, BlockBuilder().I32(4, 320).Bytes(), "Connect Delay: 320 (ms)"},
      {"connect failure with an unsigned delay", 69, BlockBuilder().I32(0, -1).U32(4, 3000000000u).Bytes(),
       "Connect Delay: 3000000.000 (s)\r\nError Code: -1"},
      {"gateway failure", 94, BlockBuilder().I32(0, 8).I32(4, 45).Bytes(), "Connect Delay: 45 (ms)\r\nError Code: 8"},
      {"MMS sent", 70, BlockBuilder().I32(0, 2048).U32(4, 1234).U32(8, 56).Bytes(),
       "Send Size: 2048 (Byte)\r\nSend Delay: 1.234 (s)\r\nPDPActive Delay: 0.056 (s)"},
      {"MMS send failure in two decimals", 71, BlockBuilder().I32(0, 2048).U32(4, 1250).I32(8, -102).Bytes(),
       "Send Size: 2048 (Byte)\r\nSend Delay: 1.25 (s)\r\nDrop Reason: Timeout"},
      {"push received", 111, BlockBuilder().U32(0, 7).Bytes(), "Receive Delay: 0.007 (s)"},
      {"MMS received", 78, BlockBuilder().U32(0, 2500).U32(4, 900).Bytes(),
       "Receive Delay: 2.500 (s)\r\nPDPActive Delay: 0.900 (s)"},
      {"MMS receive failure with an unknown reason", 79, BlockBuilder().U32(0, 100).I32(4, 7).Bytes(),
       "Receive Delay: 0.100 (s)\r\nDrop Reason: Unknown(ErrCode: 7)"},
      {"U-IMAP sent", 107, BlockBuilder().I32(0, 300).U32(4, 1500).Bytes(), "Size: 300 (Byte)\r\nDelay: 1.500 (s)"},
      {"U-IMAP receive failure", 121, BlockBuilder().I32(0, 300).U32(4, 1505).I32(8, -101).Bytes(),
       "Size: 300 (Byte)\r\nDelay: 1.51 (s)\r\nDrop Reason: User stop"},
      {"content detail", 118, content,
       "From: a@x\r\nTo: b@y\r\nSubject: Hello\r\nContent Size: 120\r\nAccessory Size: 0"},
      {"content detail failure", 119, content,
       "From: a@x\r\nTo: b@y\r\nSubject: Hello\r\nContent Size: 120\r\nAccessory Size: 0\r\nError Code: 550"},
      {"Fetion logon total", 168, BlockBuilder().I32(0, 1).I32(4, 2).I32(8, 3).I32(12, 4).I32(16, 5).Bytes(),
       "PDPActive Delay: 1 (ms)\r\nConnect Gateway delay: 2 (ms)\r\nRequest URI delay: 3 (ms)\r\n"
       "Request SIP delay: 4 (ms)\r\nFetion Login delay: 5 (ms)\r\nLogon total delay: 15 (ms)"},
      {"Fetion logon failure", 169, BlockBuilder().U16(0, 2).U16(2, 404).Bytes(), "Request SIP fail\r\nErrorCode: 404"},
      {"Fetion logon failure at an unknown step", 169, BlockBuilder().U16(0, 4).U16(2, 1).Bytes(),
       "Unknown fail\r\nErrorCode: 1"},
      {"Fetion login start", 170, BlockBuilder().I32(0, 3).I32(4, 2).Bytes(),
       "Test Type: Fetion ->Fetion\r\nDirection: Send"},
      {"Fetion login", 171, BlockBuilder().I32(0, 99).Bytes(), "Delay: 99(ms)"},
      {"Fetion login failed", 172, BlockBuilder().I32(0, 0).I32(4, 2).I32(8, 31).Bytes(),
       "FailStep: 2\r\nErrorCode: 31"},
      {"Fetion send start", 182, BlockBuilder().I32(0, 1).Bytes(), "Test Type: SMS->Fetion"},
      {"Fetion received", 186, BlockBuilder().I32(0, 2).I32(4, 640).Bytes(), "TestType: Fetion->SMS\r\nDelay: 640(ms)"},
      {"Fetion send failed", 184, BlockBuilder().I32(0, 9).I32(4, 5).Bytes(), "TestType: Unknown\r\nErrorCode: 5"},
      {"Fetion offline", 188, BlockBuilder().I32(0, 1).Bytes(), "Direction: Recv"},
      {"Fetion gateway", 165, BlockBuilder().I32(0, 77).Bytes(), "Delay: 77 (ms)"},
  });
}

TEST(ItemDetailRows, StreamingAndVideoCalls) {
  std::string stream = BlockBuilder().I32(0, 250000).I32(4, 10000).I32(8, 40).I32(12, -9999).I32(16, 95)
                           .I32(20, 0).I32(24, 5).I32(28, 0).Text(32, "clip.3gp").I32(160, 2).Bytes();
  std::string drop = BlockBuilder().I32(0, 250000).I32(4, 0).I32(8, 40).I32(12, 3).I32(16, 95).I32(20, 0)
                         .I32(24, 5).I32(28, 0).I32(32, 3).Text(36, "clip.3gp").I32(164, 0).Bytes();
  std::string streamText =
      "Receive Size: 250000 (Byte)\r\nAverage Speed: 200,000 (bps)\r\n(A-V)Sync Conrrect: 40 (ms)\r\n"
      "(A-V)Sync Lost Frame: \r\nReceive Video Packet: 95\r\nReceive Audio packet: 0\r\n"
      "Percent of Video Lost packet: 5.000\r\nPercent of Audio Lost packet: N/A\r\nRebuffer Times: 2\r\n"
      "VideoFile: clip.3gp";
  std::string dropText =
      "Receive Size: 250000 (Byte)\r\nAverage Speed: N/A\r\n(A-V)Sync Conrrect: 40 (ms)\r\n"
      "(A-V)Sync Lost Frame: 3 (frame)\r\nReceive Video Packet: 95\r\nReceive Audio packet: 0\r\n"
      "Percent of Video Lost packet: 5.000\r\nPercent of Audio Lost packet: N/A\r\nRebuffer Times: 0\r\n"
      "VideoFile: clip.3gp\r\nDrop Reason: No Response";

  BlockBuilder call;
  call.I32(0, 1000).I32(4, 2000).I32(8, 30000).I32(12, 0).I32(16, 2000).I32(20, 4000).I32(24, 3000).I32(28, 0)
      .I32(32, 12).I32(36, 1);
  std::string finished = BlockBuilder(call).Text(40, "a.wav").Text(168, "v.3gp").Bytes();
  std::string dropped = BlockBuilder(call).I32(40, 5).Text(44, "a.wav").Text(172, "v.3gp").Bytes();
  std::string callText =
      "Audio Send Size: 1000 (Byte)\r\nAudio Send Time: 2.000 (s)\r\nAudio Send Speed: 4,000 (bps)\r\n"
      "Audio Receive Size: 2000 (Byte)\r\nAudio Receive Time: 4.000 (s)\r\nAudio Receive Speed: 4,000 (bps)\r\n"
      "Video Send Size: 30000 (Byte)\r\nVideo Send Time: 3.000 (s)\r\nVideo Send Speed: 80,000 (bps)\r\n"
      "Video Receive Size: 0 (Byte)\r\nVideo Receive Time: 0.000 (s)\r\nVideo Receive Speed: N/A\r\n"
      "Total Lost Frames: 12\r\nTotal CRC Errors: 1\r\nAudio File: a.wav\r\nVideo File: v.3gp";
  expectAll({
      {"stream finished", 145, stream, streamText},
      {"stream drop", 146, drop, dropText},
      {"video call finished", 155, finished, callText},
      {"video call drop", 156, dropped, callText + "\r\nDrop Reason: 3G324M Error"},
      {"first data", 142, BlockBuilder().I32(0, 350).Bytes(), "Delay: 350 (ms)"},
      {"VP setup", 149, BlockBuilder().I32(0, 4567).Bytes(), "Delay: 4.57 (s)"},
      {"VP timeout by self", 150, BlockBuilder().I32(0, 0).Bytes(), "Timeout by self"},
      {"VP timeout by other", 152, BlockBuilder().I32(0, 7).Bytes(), "Timeout by other"},
      {"VP interrupted by the carrier", 160, BlockBuilder().I32(0, 4).Bytes(), "Reason: Carrier Interrupt"},
      {"VP interrupted otherwise", 160, BlockBuilder().I32(0, 6).Bytes(), "Reason: 3G324M Error"},
  });
}

TEST(ItemDetailRows, VoiceQuality) {
  std::string pesq = BlockBuilder().I32(0, 3000).I32(4, 2750).Text(8, "rec01.wav").U8(136, 85).F32(137, -20.0f)
                         .F32(141, -70.0f).F32(149, -17.5f).F32(153, -72.25f).I32(161, 900).I32(165, -9999)
                         .I32(169, 450).Bytes();
  std::string downlink = pesq;
  downlink[136] = 'D';
  std::string pesqText =
      "PESQ MOS: 2.82\r\nPESQ Score: 3.00\r\nPESQ LQ: 2.75\r\nInsertion Gain(dB): 2.50\r\nNoise Gain(dB): -2.25\r\n"
      "MaxSwing: 900, MinSwing: , AvgSwing: 450\r\nRecordFile: rec01.wav\r\n";
  expectAll({
      {"PESQ uplink", 135, pesq, pesqText + "Uplink"},
      {"PESQ downlink", 135, downlink, pesqText + "Downlink"},
      {"record before call", 136, BlockBuilder().Text(0, "pre.wav").Bytes(), "RecordFile: pre.wav"},
      {"AVET finished", 158,
       BlockBuilder().F32(0, 3.5f).F32(4, 3.25f).F32(8, 3.0f).F32(12, 4.0f).F32(16, 2.5f).F32(20, 1.125f)
           .F32(24, 0.5f).Text(28, "v.mp4").Bytes(),
       "PESQ MOS: 3.500\r\nPESQ Score: 3.250\r\nPESQ LQ: 3.000\r\nPEVQ MOS: 4.000\r\nSync MOS: 2.500\r\n"
       "Total Score: 1.125\r\nFrameDelay: 0.500\r\nVideo File: v.mp4"},
      {"PEVQ finished, fields from offset 1", 159,
       BlockBuilder().U8(0, 9).F32(1, 1.5f).F32(5, 2.5f).F32(9, 3.5f).F32(13, 4.5f).Text(17, "p.mp4").Bytes(),
       "PESQ MOS: 1.500\r\nPESQ Score: 2.500\r\nPESQ LQ: 3.500\r\nPEVQ MOS: 4.500\r\nVideo File: p.mp4"},
      {"MOS too low: the score is at 8, the LQ at 4", 203, BlockBuilder().I32(0, 3500).I32(4, 2100).I32(8, 3100).Bytes(),
       "PESQ MOS: 3.50\r\nPESQ Score: 3.10\r\nPESQ LQ: 2.10\r\n"},
  });
  EXPECT_EQ(PesqMosLqo(3000), 2822);
  EXPECT_EQ(PesqMosLqo(1000), 1161);
  EXPECT_EQ(PesqMosLqo(4500), 4549);
}

TEST(ItemDetailRows, CallsAndCellChanges) {
  BlockBuilder reselection;
  reselection.I32(4, 10700).I32(8, 10562).I16(12, 301).I16(14, -2);
  auto kind = [&](int32_t k) { return BlockBuilder(reselection).I32(0, k).Bytes(); };
  auto interRat = [](int32_t k) {
    return BlockBuilder().I32(0, k).I32(4, 10700).U16(8, 301).I32(10, 62).U16(14, 33).Bytes();
  };
  struct Reselection {
    uint8_t Net;
    std::string Block;
    std::string Expected;
  };
  std::vector<Reselection> reselections = {
      {0, kind(9), "BCCH: 10700 --> 10562\r\nBSIC: 301 --> -2"},
      {1, kind(0), "Frequency: 10700 --> 10562\r\nPN: 301 --> -2"},
      {2, kind(0), "BCCH: 10700 --> 10562\r\nBSIC: 301 --> -2"},
      {2, kind(1), "Frequency: 10700 --> 10562\r\nPSC: 301 --> -2"},
      {2, interRat(2), "WCDMA-->GSM(BCCH: 62, BSIC: 33)"},
      {2, interRat(3), "GSM-->WCDMA(UARFCN: 10700, PSC: 301)"},
      {3, kind(1), "Frequency: 10700 --> 10562\r\nCPI: 301 --> -2"},
      {3, interRat(2), "TD-->GSM(BCCH: 62, BSIC: 33)"},
      {3, interRat(3), "GSM-->TD(UARFCN: 10700, CPI: 301)"},
      {3, kind(4), ""},
      {255, kind(0), ""},
  };
  for (const Reselection& r : reselections)
    EXPECT_EQ(detail(162, r.Block, 255, 0, r.Net), r.Expected) << "network " << int(r.Net);
  // Identifier 162 follows the record's network, not the container's.
  EXPECT_EQ(detail(162, kind(1), 2, 0, 3), "Frequency: 10700 --> 10562\r\nCPI: 301 --> -2");

  expectAll({
      {"hang-up reason", 56, BlockBuilder().U32(0, 3).Bytes(), "DSP Error"},
      {"hang-up reason unknown", 56, BlockBuilder().U32(0, 99).Bytes(), "Unknown(ErrCode: 99)"},
      {"hang-up reason in a block of another size", 56, BlockBuilder().U32(0, 3).Size(8).Bytes(), ""},
      {"tag text", 163, "Bridge north", "Bridge north"},
      {"23G one pass", 189, BlockBuilder().U8(0, 1).Bytes(), "1 times through"},
      {"23G second of two", 191, BlockBuilder().U8(0, 22).Bytes(), "2 times through 2nd"},
      {"23G unknown", 190, BlockBuilder().U8(0, 3).Bytes(), ""},
      {"soft handoff", 194, BlockBuilder().U8(0, 1).Bytes(), "Handoff State: Soft"},
      {"soft 6 way", 195, BlockBuilder().U8(0, 7).Bytes(), "Handoff State: Soft 6 way"},
      {"intra hard handoff", 194, BlockBuilder().U8(0, 8).U16(1, 283).U16(3, 201).Bytes(),
       "Handoff State: Intra Hard Handoff\r\nFrequency: 201"},
      {"inter hard handoff", 194, BlockBuilder().U8(0, 9).U16(1, 283).U16(3, 201).Bytes(),
       "Handoff State: Inter Hard Handoff\r\nFrequency: 283 --> 201"},
      {"handoff state 0", 195, BlockBuilder().U8(0, 0).Size(5).Bytes(), ""},
      {"handoff state above 9", 195, BlockBuilder().U8(0, 10).Size(5).Bytes(), ""},
      {"identifier 1", 1, BlockBuilder().I32(0, 5).Bytes(), ""},
      {"identifier without a row", 2, BlockBuilder().I32(0, 5).Bytes(), ""},
  });
}

// Cell-change texts for values of every size and sign, the numbers written
// by the standard stream library rather than by the texts' own code.
TEST(ItemDetailRows, CellChangeTextsForAnyValues) {
  std::mt19937 random(162);
  const int32_t edges[] = {0, -1, 1, 9, 10, 99, 100, -32768, 32767, 65535, 999999999, -999999999,
                           std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
  auto value = [&]() -> int32_t {
    switch (random() % 3) {
      case 0: return edges[random() % std::size(edges)];
      case 1: return static_cast<int32_t>(random() % 20000) - 10000;
      default: return static_cast<int32_t>(random());
    }
  };
  for (int round = 0; round < 2000; ++round) {
    const auto net = static_cast<uint8_t>(random() % 5);  // 4: none of the networks
    const auto kind = static_cast<int32_t>(random() % 5);
    const int32_t a = value(), b = value(), c = value(), d = value(), e = value();
    BlockBuilder block;
    block.I32(0, kind).I32(4, a).I32(8, b).I16(12, static_cast<int16_t>(c)).I16(14, static_cast<int16_t>(d));
    std::ostringstream expected;
    auto pair = [&](const char* first, const char* second) {
      expected << first << ": " << a << " --> " << b << "\r\n"
               << second << ": " << static_cast<int16_t>(c) << " --> " << static_cast<int16_t>(d);
    };
    const bool threeG = net == 2 || net == 3;
    const bool td = net == 3;
    if (net == 0 || (threeG && kind == 0)) {
      pair("BCCH", "BSIC");
    } else if (net == 1) {
      pair("Frequency", "PN");
    } else if (threeG && kind == 1) {
      pair("Frequency", td ? "CPI" : "PSC");
    } else if (threeG && kind == 2) {
      block.I32(10, e);  // over the old frequency's high half and the old code
      expected << (td ? "TD-->GSM" : "WCDMA-->GSM") << "(BCCH: " << e
               << ", BSIC: " << static_cast<uint16_t>(d) << ")";
    } else if (threeG && kind == 3) {
      expected << (td ? "GSM-->TD" : "GSM-->WCDMA") << "(UARFCN: " << a << ", " << (td ? "CPI" : "PSC")
               << ": " << static_cast<uint16_t>(b) << ")";
    }
    const uint8_t recordNet = net == 4 ? 255 : net;
    ASSERT_EQ(detail(162, block.Bytes(), 255, 0, recordNet), expected.str())
        << "network " << int(recordNet) << ", kind " << kind << ", round " << round;
  }
}

TEST(ItemDetailRows, InternalHandoversAndCalls) {
  std::string gsm = BlockBuilder().I32(0, 45).I32(4, 12).I32(8, 62).I32(12, 33).Bytes();
  auto wcdma = [](int32_t newUarfcn, std::vector<int32_t> codes, int32_t count) {
    BlockBuilder b;
    b.U8(0, 0).I32(1, 10700).I32(17, count).I32(21, newUarfcn);
    for (size_t i = 0; i < codes.size(); ++i) b.I32(25 + 4 * i, codes[i]);
    return b.Bytes();
  };
  std::string toGsm = BlockBuilder().U8(0, 1).I32(1, 70).I32(5, 21).I32(9, 62).I32(13, 33).Bytes();
  std::string td = BlockBuilder().U8(0, 0).I32(1, 10055).I32(5, 17).I32(9, 10080).I32(13, 42).U8(17, 1).Bytes();
  std::string tdNoBaton = BlockBuilder().U8(0, 0).I32(1, 10055).I32(5, 17).I32(9, 10080).I32(13, 42).U8(17, 0).Bytes();
  auto soft = [](std::vector<int32_t> removed, std::vector<int32_t> added) {
    BlockBuilder b(72);
    b.I32(0, static_cast<int32_t>(removed.size())).I32(36, static_cast<int32_t>(added.size()));
    for (size_t i = 0; i < removed.size(); ++i) b.I32(4 + 4 * i, removed[i]);
    for (size_t i = 0; i < added.size(); ++i) b.I32(40 + 4 * i, added[i]);
    return b.Bytes();
  };
  std::string pair = BlockBuilder().I32(0, 70).I32(4, 21).Bytes();
  std::string seconds = BlockBuilder().F32(0, 1.5f).Bytes();
  expectAll({
      {"GSM handover", 10015, gsm, "BCCH: 45 --> 62\r\nBSIC: 12 --> 33", 0},
      {"CDMA has no handover text", 10015, gsm, "", 1},
      {"WCDMA handover to a new UARFCN", 10040, wcdma(10562, {100, 200}, 2),
       "Frequency: 10700 --> 10562\r\nPSC List: 100, 200", 2},
      {"WCDMA handover keeping its UARFCN", 10061, wcdma(-9999, {100}, 1),
       "Frequency: 10700 --> 10700\r\nPSC List: 100", 2},
      {"WCDMA handover without codes", 10062, wcdma(10562, {}, 0), "Frequency: 10700 --> 10562\r\nPSC List:", 2},
      {"WCDMA handover claiming more codes than it holds", 10063, wcdma(10562, {100, 200}, 3), "", 2},
      {"WCDMA handover to GSM", 10067, toGsm, "BCCH: 70 --> 62\r\nBSIC: 21 --> 33", 2},
      {"TD-SCDMA baton handover", 10068, td, "Frequency: 10055 --> 10080\r\nCPI: 17 --> 42\r\nBaton handover", 3},
      {"TD-SCDMA handover", 10069, tdNoBaton,
       "Frequency: 10055 --> 10080\r\nCPI: 17 --> 42\r\nNot Baton handover", 3},
      {"TD-SCDMA handover to GSM", 10077, toGsm, "BCCH: 70 --> 62\r\nBSIC: 21 --> 33", 3},
      {"soft handover adds and removes", 10042, soft({400}, {300, 301}), "Add PSC: 300, 301\r\nRemove PSC: 400", 2},
      {"soft handover only removes", 10042, soft({400, 401}, {}), "Remove PSC: 400, 401", 2},
      {"soft handover outside WCDMA", 10042, soft({400}, {300}), "", 3},
      {"UMTS to GSM", 10048, pair, "UMTS To GSM(BCCH: 70, BSIC: 21)", 2},
      {"UMTS to GSM outside WCDMA", 10048, pair, "", 0},
      {"TD to GSM", 10059, pair, "TD To GSM(BCCH: 70, BSIC: 21)", 3},
      {"call set-up delay", 10051, seconds, "Delay: 1.500 (s)", 0},
      {"call set-up delay without a network", 10004, seconds, "", 255},
      {"call end cause on GSM", 10007, BlockBuilder().I32(0, 1).I32(4, 16).Bytes(), "", 0},
      {"events without a text", 10038, gsm, "", 2},
  });
  // The cause texts belong to the diagnosis components: the row hands them
  // the message code at 0 and the cause record after it, and shows their text.
  uint32_t code = rrc::ConnectionRelease;
  std::string causeRecord = BlockBuilder().I32(0, 16).I32(4, 0).Bytes();
  std::string block = BlockBuilder().U32(0, code).Bytes() + causeRecord;
  EXPECT_EQ(detail(10013, block, 2), GainUMTSMessageCauseInfo(code, causeRecord));
  EXPECT_EQ(detail(10014, block, 3), GainTDSCDMAMessageCauseInfo(code, causeRecord));
  EXPECT_EQ(detail(10009, block, 1), GainCDMAMessageCauseInfo(code, causeRecord));
  EXPECT_FALSE(GainUMTSMessageCauseInfo(code, causeRecord).empty());
  // The timer row places the decoder's timer text before the timeout.
  EXPECT_EQ(detail(161, BlockBuilder().I32(0, 3212).I32(4, 15).Bytes()),
            Parse_UE_TimeOut_Type(3212) + "\r\nTimeout = 15");
}

// Two decimals of a whole number of thousandths: a value exactly half-way
// rounds away from zero, as on paper, whatever the nearest binary fraction.
TEST(ItemDetailRows, TwoDecimalsRoundTheWholeValue) {
  auto pesq = [](int32_t score, int32_t lq) {
    return BlockBuilder().I32(0, score).I32(4, lq).Text(8, "r.wav").U8(136, 85).F32(137, 0.0f).F32(141, 0.0f)
        .F32(149, 0.0f).F32(153, 0.0f).I32(161, 1).I32(165, 2).I32(169, 3).Bytes();
  };
  expectAll({
      {"MMS send failure", 71, BlockBuilder().I32(0, 10).U32(4, 155).I32(8, -102).Bytes(),
       "Send Size: 10 (Byte)\r\nSend Delay: 0.16 (s)\r\nDrop Reason: Timeout"},
      {"U-IMAP send failure", 108, BlockBuilder().I32(0, 10).U32(4, 2155).I32(8, -101).Bytes(),
       "Size: 10 (Byte)\r\nDelay: 2.16 (s)\r\nDrop Reason: User stop"},
      {"U-IMAP receive failure", 121, BlockBuilder().I32(0, 10).U32(4, 1005).I32(8, -101).Bytes(),
       "Size: 10 (Byte)\r\nDelay: 1.01 (s)\r\nDrop Reason: User stop"},
      {"PESQ score and LQ", 135, pesq(3735, 2155),
       "PESQ MOS: 3.86\r\nPESQ Score: 3.74\r\nPESQ LQ: 2.16\r\nInsertion Gain(dB): 0.00\r\nNoise Gain(dB): 0.00\r\n"
       "MaxSwing: 1, MinSwing: 2, AvgSwing: 3\r\nRecordFile: r.wav\r\nUplink"},
      {"VP setup", 149, BlockBuilder().I32(0, 155).Bytes(), "Delay: 0.16 (s)"},
      {"VP setup before the dial", 149, BlockBuilder().I32(0, -155).Bytes(), "Delay: -0.16 (s)"},
      {"H245 connect", 151, BlockBuilder().I32(0, 2155).Bytes(), "Delay: 2.16 (s)"},
      {"MOS too low", 203, BlockBuilder().I32(0, 3735).I32(4, 1005).I32(8, 2155).Bytes(),
       "PESQ MOS: 3.74\r\nPESQ Score: 2.16\r\nPESQ LQ: 1.01\r\n"},
  });
}

// The host's texts are zero-terminated: nothing after the first zero byte is shown.
TEST(ItemDetailRows, TextsEndAtTheFirstZeroByte) {
  using namespace std::string_literals;
  expectAll({
      {"device lost", 57, "USB modem\0\0\0"s, "USB modem"},
      {"tag with what followed in the buffer", 163, "Bridge crossing\0old tag"s, "Bridge crossing"},
      {"force event", 164, "Manual\0"s, "Manual"},
      {"empty text", 163, "\0Bridge"s, ""},
      {"no terminator at all", 163, "Bridge north"s, "Bridge north"},
  });
}
