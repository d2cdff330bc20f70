// Short extra data blocks: a record may hold fewer bytes than its item claims.
// Every row must give the empty text for a block shorter than its layout and
// never read the bytes that follow the block in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "block_builder.h"
#include "detection/item_detail.h"

namespace {

struct Layout {
  int16_t Id;
  std::string Full;  // a block that fills the row's layout exactly
  uint8_t Net = 255;
  uint8_t RecordNet = 255;
};

std::string ones(size_t n) { return std::string(n, '\x01'); }

std::vector<Layout> layouts() {
  std::vector<Layout> all;
  // One entry per layout family: identifier and the bytes the layout covers.
  const std::pair<int16_t, size_t> plain[] = {
      {9, 4},    {12, 12},  {13, 12},  {48, 28},  {49, 28},  {50, 4},   {52, 12},  {56, 4},   {60, 8},
      {61, 8},   {64, 8},   {65, 8},   {68, 8},   {69, 8},   {70, 12},  {71, 12},  {72, 4},   {77, 8},
      {78, 8},   {79, 8},   {85, 12},  {86, 1},   {87, 8},   {88, 4},   {89, 9},   {90, 10},  {100, 9},
      {101, 10}, {107, 8},  {108, 12}, {118, 104}, {119, 108}, {135, 173}, {136, 1}, {142, 4},  {145, 164},
      {146, 168}, {149, 4}, {150, 4},  {155, 40}, {156, 44}, {158, 28}, {159, 17}, {160, 4},  {161, 8},
      {165, 4},  {168, 20}, {169, 4},  {170, 8},  {171, 4},  {172, 12}, {182, 4},  {183, 8},  {184, 8},
      {188, 4},  {189, 1},  {194, 1},  {203, 12}, {227, 8},  {231, 4},
      {232, 12},
  };
  for (auto [id, size] : plain) all.push_back({id, ones(size)});
  // Task lists are trimmed of control characters: give them digits.
  for (int16_t id : {225, 226, 228}) all.push_back({id, "5"});
  all.push_back({162, ones(16), 255, 0});
  all.push_back({162, BlockBuilder(16, '\x01').I32(0, 3).Bytes(), 255, 2});
  all.push_back({194, BlockBuilder().U8(0, 9).U16(1, 283).U16(3, 201).Bytes()});
  all.push_back({10004, ones(4), 0});
  all.push_back({10015, ones(16), 0});
  all.push_back({10040, ones(17), 2});                                       // handover to GSM
  all.push_back({10040, BlockBuilder(25).I32(17, 0).Bytes(), 2});            // no codes
  all.push_back({10040, BlockBuilder(33).I32(17, 2).Bytes(), 2});            // two codes
  all.push_back({10068, BlockBuilder(18).Bytes(), 3});                       // TD-SCDMA handover
  all.push_back({10042, BlockBuilder(72).I32(0, 8).I32(36, 8).Bytes(), 2});  // eight of each
  all.push_back({10042, BlockBuilder(48).I32(0, 1).I32(36, 2).Bytes(), 2});
  all.push_back({10048, ones(8), 2});
  all.push_back({10058, ones(8), 3});
  return all;
}

std::string detail(const Layout& layout, std::string_view held) {
  TItemDetailContext context;
  context.NetType = layout.Net;
  context.RecordNetType = layout.RecordNet;
  return BuildItemDetail(ItemClaiming(layout.Id, layout.Full.size()), held, context);
}

}  // namespace

TEST(ItemDetailBounds, BlocksShorterThanTheLayoutGiveNoText) {
  for (const Layout& layout : layouts()) {
    // The bytes after the block are readable garbage, so a read past the
    // block would show up in the text instead of staying unnoticed.
    std::string memory = layout.Full + std::string(256, '7');
    EXPECT_NE(detail(layout, std::string_view(memory.data(), layout.Full.size())), "")
        << "identifier " << layout.Id << " with its whole layout";
    for (size_t held = 0; held < layout.Full.size(); ++held)
      EXPECT_EQ(detail(layout, std::string_view(memory.data(), held)), "")
          << "identifier " << layout.Id << " with " << held << " of " << layout.Full.size() << " bytes";
  }
}

TEST(ItemDetailBounds, TextsStopAtTheBlockEnd) {
  std::string memory = "http://a.example" + std::string("/beyond");
  TestItem item = ItemClaiming(86, 40);
  EXPECT_EQ(BuildItemDetail(item, std::string_view(memory.data(), 16), {}), "URL: http://a.example");
  // A character array ends at its own size even without a zero.
  std::string tasks = std::string(128, '5') + "6;7";
  EXPECT_EQ(BuildItemDetail(ItemClaiming(225, tasks.size()), tasks, {}),
            "Task1_Delay: " + std::string(128, '5') + " ms");
  // The tag text is what the item claims, when the record holds more.
  EXPECT_EQ(BuildItemDetail(ItemClaiming(163, 3), "abcdef", {}), "abc");
  EXPECT_EQ(BuildItemDetail(ItemClaiming(57, 0), "abcdef", {}), "");
  EXPECT_EQ(BuildItemDetail(ItemClaiming(57, 4), std::string_view(), {}), "");
}

TEST(ItemDetailBounds, CountsBeyondTheBlockAreRefused) {
  TItemDetailContext wcdma;
  wcdma.NetType = 2;
  // A handover claiming a million codes, and a negative count.
  std::string huge = BlockBuilder(29).I32(17, 1000000).I32(21, 10562).I32(25, 7).Bytes();
  EXPECT_EQ(BuildItemDetail(ItemClaiming(10040, huge.size()), huge, wcdma), "");
  std::string negative = BlockBuilder(25).I32(1, 10700).I32(17, -5).I32(21, 10562).Bytes();
  EXPECT_EQ(BuildItemDetail(ItemClaiming(10040, negative.size()), negative, wcdma),
            "Frequency: 10700 --> 10562\r\nPSC List:");
  // Soft handover counts above 8 are held to the 8 places of the layout.
  std::string many = BlockBuilder(72).I32(0, 0).I32(36, 50).I32(40, 1).I32(68, 8).Bytes();
  EXPECT_EQ(BuildItemDetail(ItemClaiming(10042, many.size()), many, wcdma), "Add PSC: 1, 0, 0, 0, 0, 0, 0, 8");
}

// A caller making many results builds every text into one buffer: whatever
// the buffer held from the item before (a longer text, a row with no text),
// each item's text must come out as it does into a fresh string. Cell
// reselection, the most common row, is checked against its layout as well.
TEST(ItemDetailBounds, OneBufferReusedGivesEveryItemItsOwnText) {
  std::mt19937 random(2026);
  const std::vector<Layout> all = layouts();
  std::string reused = "stale text from before";
  for (int round = 0; round < 4000; ++round) {
    if (random() % 2 == 0) {
      const Layout& layout = all[random() % all.size()];
      // Whole blocks and short ones: the short ones give no text.
      std::string_view held(layout.Full.data(), random() % 3 == 0 ? random() % (layout.Full.size() + 1)
                                                                   : layout.Full.size());
      TItemDetailContext context;
      context.NetType = layout.Net;
      context.RecordNetType = layout.RecordNet;
      const TestItem item = ItemClaiming(layout.Id, layout.Full.size());
      BuildItemDetail(item, held, context, reused);
      ASSERT_EQ(reused, BuildItemDetail(item, held, context)) << "item " << layout.Id << " round " << round;
      continue;
    }
    const int32_t kind = static_cast<int32_t>(random() % 5);
    const uint8_t net = static_cast<uint8_t>(random() % 5);  // 4: no network the row knows
    const int32_t from = static_cast<int32_t>(random() % 20000) - 100, to = static_cast<int32_t>(random() % 20000);
    const int16_t oldCode = static_cast<int16_t>(random()), newCode = static_cast<int16_t>(random());
    const uint16_t code = static_cast<uint16_t>(random());
    const int32_t bcch = static_cast<int32_t>(random() % 1024);
    // GSM and CDMA read every kind as a pair of changes, as do kinds 0 and 1.
    const bool pairs = net <= 1 || kind <= 1;
    const std::string block = pairs ? BlockBuilder(16).I32(0, kind).I32(4, from).I32(8, to).I16(12, oldCode)
                                              .I16(14, newCode).Bytes()
                                        : BlockBuilder(16).I32(0, kind).I32(4, from).U16(8, code).I32(10, bcch)
                                              .U16(14, code).Bytes();
    char expected[160] = "";
    const bool td = net == 3;
    auto pair = [&](const char* first, const char* second) {
      std::snprintf(expected, sizeof expected, "%s: %d --> %d\r\n%s: %d --> %d", first, from, to, second, oldCode,
                    newCode);
    };
    if (net == 0 || ((net == 2 || net == 3) && kind == 0))
      pair("BCCH", "BSIC");
    else if (net == 1)
      pair("Frequency", "PN");
    else if ((net == 2 || net == 3) && kind == 1)
      pair("Frequency", td ? "CPI" : "PSC");
    else if ((net == 2 || net == 3) && kind == 2)
      std::snprintf(expected, sizeof expected, "%s(BCCH: %d, BSIC: %u)", td ? "TD-->GSM" : "WCDMA-->GSM", bcch, code);
    else if ((net == 2 || net == 3) && kind == 3)
      std::snprintf(expected, sizeof expected, "%s(UARFCN: %d, %s: %u)", td ? "GSM-->TD" : "GSM-->WCDMA", from,
                    td ? "CPI" : "PSC", code);
    TItemDetailContext context;
    context.RecordNetType = net;
    BuildItemDetail(ItemClaiming(162, 16), block, context, reused);
    ASSERT_EQ(reused, expected) << "kind " << kind << " network " << int(net) << " round " << round;
  }
}
