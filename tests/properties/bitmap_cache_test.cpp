// The icon cache and the icon side of property records: every BMP depth the
// sample icons use, names found without regard to letter case, and broken
// files that must fail cleanly.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "eventmanager/errors.h"
#include "platform/xml_file.h"
#include "properties/bmp_decode.h"
#include "properties/event_bitmap_list.h"
#include "properties/event_propertys.h"
#include "temp_home.h"

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
