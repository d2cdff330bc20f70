// The host's key-value configuration files as a user writes them by hand:
// any letter case, blanks around names and values, comments, duplicate keys,
// numbers in decimal (leading zeros included) or 0x hexadecimal.
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/ini_file.h"

namespace fs = std::filesystem;

namespace {

fs::path writeIni(const std::string& name, const std::string& text) {
  const fs::path path = fs::path(::testing::TempDir()) / name;
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace

TEST(IniFile, ReadsWhatAUserWritesByHand) {
  const fs::path path = writeIni("host.ini",
                                 "; written by hand\r\n"
                                 "[ Paths ]\r\n"
                                 "  Home = /data/drive tests  \r\n"
                                 "# another comment\n"
                                 "home=/second/one\n"
                                 "no equals sign here\n"
                                 "[Limits]\n"
                                 "Count=010\n"
                                 "Mask=0x1F\n"
                                 "Offset=-5\n"
                                 "Ratio=1.5\n"
                                 "Empty=\n");
  const TIniFile ini(path.string());
  ASSERT_TRUE(ini.Loaded());
  // Section and key names match without regard to case; the first of two
  // equal keys is the one read, as the platform's own reader does.
  EXPECT_EQ(ini.ReadString("paths", "HOME", "-"), "/data/drive tests");
  EXPECT_EQ(ini.ReadString("Paths", "Missing", "-"), "-");
  EXPECT_EQ(ini.ReadString("Other", "Home", "-"), "-");
  // A count written with a leading zero is decimal to the person who wrote it.
  EXPECT_EQ(ini.ReadInteger("limits", "count", -1), 10);
  EXPECT_EQ(ini.ReadInteger("Limits", "Mask", -1), 31);
  EXPECT_EQ(ini.ReadInteger("Limits", "Offset", -1), -5);
  EXPECT_EQ(ini.ReadInteger("Limits", "Ratio", -1), -1);
  EXPECT_EQ(ini.ReadInteger("Limits", "Empty", 7), 7);
}

TEST(IniFile, AMissingFileOrAFolderReadsAsEmpty) {
  const TIniFile missing((fs::path(::testing::TempDir()) / "no-such.ini").string());
  EXPECT_FALSE(missing.Loaded());
  EXPECT_EQ(missing.ReadString("A", "B", "fallback"), "fallback");
  const TIniFile folder(::testing::TempDir());
  EXPECT_FALSE(folder.Loaded());
  EXPECT_EQ(folder.ReadInteger("A", "B", 3), 3);
}
