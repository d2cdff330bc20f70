// The icon cache and the icon side of property records: every BMP depth the
// sample icons use, names found without regard to letter case, and broken
// files that must fail cleanly.
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventmanager/errors.h"
#include "platform/xml_file.h"
#include "properties/bmp_decode.h"
#include "properties/event_bitmap_list.h"
#include "properties/event_propertys.h"
#include "testing/property_home.h"

namespace {

constexpr uint32_t kMagenta = 0xFFFF00FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

uint16_t bitsPerPixel(const std::string& bytes) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8);
}

}  // namespace

TEST(BitmapDecoding, EveryDepthOfTheSampleIcons) {
  struct Case {
    const char* file;
    uint16_t bits;
    uint32_t background;
  };
  const std::vector<Case> cases = {
      {"CallDrop.bmp", 24, kMagenta}, {"Sms.bmp", 8, kWhite},      {"Attach.bmp", 4, kMagenta},
      {"Dial.bmp", 1, kWhite},        {"VideoCall.bmp", 32, kMagenta},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::string path = TempHome::SampleIcon(c.file);
    ASSERT_EQ(bitsPerPixel(TempHome::Read(path)), c.bits);
    TBitmap bitmap = DecodeBitmapFile(path);
    EXPECT_EQ(bitmap.Width, 16);
    EXPECT_EQ(bitmap.Height, 16);
    ASSERT_EQ(bitmap.Pixels.size(), 256u);
    EXPECT_EQ(bitmap.TransparentColor, c.background);
    EXPECT_EQ(bitmap.TransparentColor, bitmap.Pixels[15 * 16]) << "bottom-left pixel";
    int drawn = 0;
    for (uint32_t pixel : bitmap.Pixels) drawn += pixel != c.background;
    EXPECT_GT(drawn, 10) << "the icon's shape survives decoding";
  }
  // The 1-bit handset is black on white: both palette entries must arrive.
  TBitmap dial = DecodeBitmapFile(TempHome::SampleIcon("Dial.bmp"));
  EXPECT_EQ(dial.Pixels[2 * 16 + 2], 0xFF000000u);
}

TEST(BitmapCache, NamesMatchWithoutRegardToCaseAndLoadOnce) {
  TempHome home;
  home.CopySampleIcon("CallDrop.bmp", "EventBitmap/CallDrop.bmp");
  home.CopySampleIcon("Ping.bmp", "other/CALLDROP.BMP");
  TEventBitmapList& cache = BitmapCache();

  int first = cache.LoadBitmap(home.Path("EventBitmap/calldrop.bmp"));
  ASSERT_EQ(first, 0) << "found by listing the folder";
  EXPECT_EQ(cache.LoadBitmap(home.Path("other/CALLDROP.BMP")), first) << "the first loaded wins";
  EXPECT_EQ(cache.IndexOf("C:\\Host\\EventBitmap\\CallDROP.bmp"), first);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(cache.GetBitmap(first)->Pixels, DecodeBitmapFile(TempHome::SampleIcon("CallDrop.bmp")).Pixels);

  EXPECT_EQ(cache.LoadBitmap(""), -1);
  EXPECT_EQ(cache.LoadBitmap(home.Path("EventBitmap/Missing.bmp")), -1);
  EXPECT_EQ(cache.GetBitmap(-1), nullptr);
  EXPECT_EQ(cache.GetBitmap(cache.Count()), nullptr);
  cache.Clear();
  EXPECT_EQ(cache.Count(), 0);
  EXPECT_EQ(cache.GetBitmap(first), nullptr);
}

TEST(BitmapCache, RecordsFindTheirIconsInAnyLetterCase) {
  TempHome home;
  home.CopySampleIcon("Sms.bmp", "EventBitmap/Sms.bmp");
  TActEventProperty record(nullptr, "SMS Send Success");
  record.SetBitmapFile("C:\\Program Files\\Host\\EventBitmap\\SMS.BMP");
  EXPECT_EQ(record.BitmapFile, "SMS.BMP");
  ASSERT_TRUE(record.HasBitmap());
  EXPECT_EQ(record.BitmapPath(), home.Path("EventBitmap/Sms.bmp"));
  EXPECT_TRUE(record.Modified);

  record.Modified = false;
  for (const char* same : {"sms.bmp", "EventBitmap\\Sms.Bmp", "D:/icons/SMS.bmp", "x:SMS.BMP"}) {
    record.SetBitmapFile(same);
    EXPECT_FALSE(record.Modified) << same;
  }
  record.SetBitmapFile("EventBitmap\\Absent.bmp");
  EXPECT_EQ(record.BitmapFile, "Absent.bmp");
  EXPECT_FALSE(record.HasBitmap());
  EXPECT_TRUE(record.Modified);
  EXPECT_EQ(record.BitmapPath(), "");
}

TEST(BitmapCache, BrokenFilesFailNamingTheFileAndAddNothing) {
  std::string good = TempHome::Read(TempHome::SampleIcon("CallDrop.bmp"));
  std::string palette = TempHome::Read(TempHome::SampleIcon("Sms.bmp"));
  auto patched = [](std::string bytes, size_t at, std::string with) { return bytes.replace(at, with.size(), with); };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"empty", ""},
      {"header only", good.substr(0, 30)},
      {"half the pixels", good.substr(0, good.size() / 2)},
      {"one byte short", good.substr(0, good.size() - 1)},
      {"no signature", patched(good, 0, "XX")},
      {"huge width", patched(good, 18, std::string("\xff\xff\x00\x00", 4))},
      {"zero height", patched(good, 22, std::string(4, '\0'))},
      {"rle", patched(good, 30, std::string("\x01\x00\x00\x00", 4))},
      {"data offset past end", patched(good, 10, std::string("\x00\x10\x00\x00", 4))},
      {"too many colours", patched(palette, 46, std::string("\x00\x01\x00\x00", 4))},
      {"truncated palette", palette.substr(0, 60)},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    TempHome home;
    home.Write("EventBitmap/Broken.bmp", bytes);
    try {
      BitmapCache().LoadBitmap(home.Path("EventBitmap/Broken.bmp"));
      ADD_FAILURE() << "no error";
    } catch (const EEventManagerError& e) {
      EXPECT_NE(std::string(e.what()).find("Broken.bmp"), std::string::npos) << e.what();
    }
    EXPECT_EQ(BitmapCache().Count(), 0);
  }
}

TEST(BitmapCache, BrokenIconInTheFileCostsOnlyThatIcon) {
  TempHome home;
  std::string good = TempHome::Read(TempHome::SampleIcon("CallDrop.bmp"));
  home.Write("EventBitmap/Broken.bmp", good.substr(0, 100));
  home.CopySampleIcon("CallDrop.bmp", "EventBitmap/CallDrop.bmp");
  home.Write("EventsProperty.cfg", R"(<Propertys><Message><GSM-Message>
<Property-0 EventName="Call End" BitmapFile="Broken.bmp" FontColor="255"/>
<Property-1 EventName="Call Drop" BitmapFile="CallDrop.bmp"/>
</GSM-Message></Message></Propertys>)");
  TEventPropertys p;
  EXPECT_TRUE(p.LoadFromFileKeepingFaults(home.Path("EventsProperty.cfg")));
  ASSERT_EQ(p.MsgLists[0]->Count(), 2);
  EXPECT_EQ(p.MsgLists[0]->Items(0)->BitmapFile, "Broken.bmp");
  EXPECT_EQ(p.MsgLists[0]->Items(0)->FontColor, 255);
  EXPECT_FALSE(p.MsgLists[0]->Items(0)->HasBitmap());
  EXPECT_TRUE(p.MsgLists[0]->Items(1)->HasBitmap());
  ASSERT_EQ(FileFaults().size(), 1u);
  EXPECT_EQ(FileFaults()[0].File, home.Path("EventBitmap/Broken.bmp"));
}

namespace {

void put16(std::string& b, uint16_t v) { b += static_cast<char>(v & 0xFF), b += static_cast<char>(v >> 8); }
void put32(std::string& b, uint32_t v) { put16(b, v & 0xFFFF), put16(b, static_cast<uint16_t>(v >> 16)); }

// A BMP with a 40-byte header (or the 12-byte OS/2 one), the palette given as
// 0xRRGGBB colours and the pixel data as stored.
std::string bmp(int32_t width, int32_t height, uint16_t bits, uint32_t compression,
                const std::vector<uint32_t>& palette, const std::string& data, bool os2 = false) {
  std::string info;
  const size_t entry = os2 ? 3 : 4;
  if (os2) {
    put32(info, 12), put16(info, static_cast<uint16_t>(width)), put16(info, static_cast<uint16_t>(height));
    put16(info, 1), put16(info, bits);
  } else {
    put32(info, 40), put32(info, static_cast<uint32_t>(width)), put32(info, static_cast<uint32_t>(height));
    put16(info, 1), put16(info, bits), put32(info, compression), put32(info, static_cast<uint32_t>(data.size()));
    put32(info, 2835), put32(info, 2835), put32(info, static_cast<uint32_t>(palette.size())), put32(info, 0);
  }
  for (uint32_t c : palette) {
    info += static_cast<char>(c & 0xFF), info += static_cast<char>(c >> 8 & 0xFF), info += static_cast<char>(c >> 16);
    if (entry == 4) info += '\0';
  }
  std::string file = "BM";
  put32(file, static_cast<uint32_t>(14 + info.size() + data.size())), put32(file, 0);
  put32(file, static_cast<uint32_t>(14 + info.size()));
  return file + info + data;
}

std::string bytesOf(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

}  // namespace

// The BMP forms users meet beside the plain ones: run-length encoded 8- and
// 4-bit pixels, the OS/2 header, and icons larger than 1024 pixels.
TEST(BitmapDecoding, RunLengthOs2AndLargeIcons) {
  const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF;
  constexpr uint32_t R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF;
  struct Case {
    const char* name;
    std::string file;
    int width, height;
    std::vector<uint32_t> pixels;  // from the top row
  };
  // 4x2, bottom row first: RLE8 "3 x green, 1 x red", end of line; then a
  // move of one pixel right and "2 x blue" (the top row's first and last
  // pixels are never written and take palette entry 0), end of bitmap.
  std::string rle8 = bytesOf({3, 1, 1, 0, 0, 0, 0, 2, 1, 0, 2, 2, 0, 1});
  // RLE4, 5x1: "5 pixels alternating 1, 2", end of bitmap.
  std::string rle4 = bytesOf({5, 0x12, 0, 1});
  // RLE4 literal run of 3 nibbles (2 bytes, padded to 16 bits).
  std::string rle4literal = bytesOf({0, 3, 0x21, 0x00, 0, 1});
  std::string os2Pixels = bytesOf({0x01, 0, 0, 0, 0x10, 0, 0, 0});  // 2x2 at 4 bits, rows padded to 4 bytes
  std::string wide(((2000 * 24 + 31) / 32) * 4, '\0');
  for (int x = 0; x < 2000; ++x) wide[static_cast<size_t>(3 * x)] = static_cast<char>(x == 1999 ? 0xFF : 0);
  const Case cases[] = {
      {"rle8", bmp(4, 2, 8, 1, {red, green, blue}, rle8), 4, 2, {R, B, B, R, G, G, G, R}},
      {"rle4", bmp(5, 1, 4, 2, {red, green, blue}, rle4), 5, 1, {G, B, G, B, G}},
      {"rle4 literal", bmp(3, 1, 4, 2, {red, green, blue}, rle4literal), 3, 1, {B, G, R}},
      {"os2 header", bmp(2, 2, 4, 0, {red, green}, os2Pixels, true), 2, 2, {G, R, R, G}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempHome home;
    home.Write("EventBitmap/Icon.bmp", c.file);
    TBitmap b = DecodeBitmapFile(home.Path("EventBitmap/Icon.bmp"));
    EXPECT_EQ(b.Width, c.width);
    EXPECT_EQ(b.Height, c.height);
    EXPECT_EQ(b.Pixels, c.pixels);
    EXPECT_EQ(b.TransparentColor, b.Pixels[static_cast<size_t>(c.height - 1) * c.width]);
  }
  TempHome home;
  home.Write("EventBitmap/Wide.bmp", bmp(2000, 1, 24, 0, {}, wide));
  TBitmap b = DecodeBitmapFile(home.Path("EventBitmap/Wide.bmp"));
  ASSERT_EQ(b.Width, 2000);
  EXPECT_EQ(b.Pixels[1999], B);
  // Past the memory bound: refused from the header, before any pixel is read.
  home.Write("EventBitmap/Huge.bmp", bmp(5000, 5000, 24, 0, {}, std::string(16, '\0')));
  try {
    DecodeBitmapFile(home.Path("EventBitmap/Huge.bmp"));
    ADD_FAILURE() << "decoded 25 million pixels";
  } catch (const EBitmapError& e) {
    EXPECT_NE(e.Reason.find("5000x5000"), std::string::npos) << e.what();
  }
}

// A broken icon named by many records is read once: its failure is cached,
// and it is reported once, naming the file once.
TEST(BitmapCache, FailuresAreCachedAndReportedOnce) {
  TempHome home;
  std::string good = TempHome::Read(TempHome::SampleIcon("CallDrop.bmp"));
  home.Write("EventBitmap/Broken.bmp", good.substr(0, 100));
  std::string records;
  for (int i = 0; i < 5; ++i)
    records += "<Property-" + std::to_string(i) + " EventName=\"E" + std::to_string(i) + "\" BitmapFile=\"Broken.bmp\"/>";
  home.Write("EventsProperty.cfg", "<Propertys><Message><GSM-Message>" + records + "</GSM-Message></Message></Propertys>");
  TEventPropertys p;
  EXPECT_TRUE(p.LoadFromFileKeepingFaults(home.Path("EventsProperty.cfg")));
  ASSERT_EQ(FileFaults().size(), 1u);
  const std::string path = home.Path("EventBitmap/Broken.bmp");
  EXPECT_EQ(FileFaults()[0].File, path);
  EXPECT_EQ(FileFaults()[0].Reason.find(path), std::string::npos) << "path repeated: " << FileFaults()[0].Text();

  // Mended on disk, it is still not read again in this session.
  home.CopySampleIcon("CallDrop.bmp", "EventBitmap/Broken.bmp");
  EXPECT_THROW(BitmapCache().LoadBitmap(path), EBitmapError);
  EXPECT_EQ(BitmapCache().Count(), 0);
}

// Small rules of records: blanks around a voice text include tabs and line
// ends; only a regular file counts as an icon.
TEST(PropertyRecords, BlankVoiceTextsAndIconFolders) {
  TempHome home;
  std::filesystem::create_directories(home.Path("EventBitmap/Folder.bmp"));
  TActEventProperty record(nullptr, "Call Drop");
  for (const char* blank : {"", " ", "\t", " \r\n\t "}) {
    record.SetVoiceText(blank);
    std::string text;
    record.GetVoiceText(text);
    EXPECT_EQ(text, "Call Drop") << '"' << blank << '"';
  }
  record.SetVoiceText("\tDropped!\r\n");
  std::string text;
  record.GetVoiceText(text);
  EXPECT_EQ(text, "Dropped!");

  record.SetBitmapFile("Folder.bmp");
  EXPECT_EQ(record.BitmapPath(), "") << "a folder is no icon";
  EXPECT_FALSE(record.HasBitmap());
}
