// The conversions and code tables of item detail texts: separators and "N/A"
// where a division would fail, the task line splitters, the fallbacks of every
// table, and how a detail text splits into the lines a result keeps.
#include <gtest/gtest.h>

#include <clocale>
#include <functional>
#include <vector>

#include "detection/item_detail.h"

TEST(ItemDetailConversions, SpeedAndPercentNeverDivideByZero) {
  EXPECT_EQ(SpeedText(500, 2000), "2,000 (bps)");
  EXPECT_EQ(SpeedText(500, 0), "N/A");
  EXPECT_EQ(SpeedText(500, -3), "N/A");
  EXPECT_EQ(SpeedText(0, 1), "0 (bps)");
  EXPECT_EQ(SpeedText(1, 3), "2,667 (bps)");
  EXPECT_EQ(SpeedText(125000000, 1), "1,000,000,000,000 (bps)");
  EXPECT_EQ(SpeedText(-1000, 8), "-1,000,000 (bps)");
  EXPECT_EQ(PercentText(1, 3), "33.333");
  EXPECT_EQ(PercentText(5, 0), "N/A");
  EXPECT_EQ(PercentText(0, 7), "0.000");
  EXPECT_EQ(GroupedNumber(999.5, 0), "1,000");
  EXPECT_EQ(GroupedNumber(-0.2, 0), "0");
  EXPECT_EQ(GroupedNumber(1234567.891, 2), "1,234,567.89");
  EXPECT_EQ(DefaultOrNumber(0), "Default");
  EXPECT_EQ(DefaultOrNumber(-5), "Default");
  EXPECT_EQ(DefaultOrNumber(384), "384");
}

TEST(ItemDetailConversions, SeparatorsIgnoreTheProcessLocale) {
  // A locale with other separators must not change the texts.
  const char* previous = std::setlocale(LC_ALL, nullptr);
  std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) std::setlocale(LC_ALL, "C.UTF-8");
  EXPECT_EQ(SpeedText(500, 2000), "2,000 (bps)");
  EXPECT_EQ(PercentText(1, 8), "12.500");
  std::setlocale(LC_ALL, saved.c_str());
}

TEST(ItemDetailConversions, TaskLineSplitters) {
  struct Case {
    std::function<std::string(std::string_view)> Split;
    std::string Input;
    std::string Expected;
  };
  std::vector<Case> cases = {
      {TaskDelayLines, "120;80;", "Task1_Delay: 120 ms\r\nTask2_Delay: 80 ms"},
      {TaskDelayLines, "120;80", "Task1_Delay: 120 ms\r\nTask2_Delay: 80 ms"},
      {TaskDelayLines, "120;;80", "Task1_Delay: 120 ms\r\nTask2_Delay:  ms\r\nTask3_Delay: 80 ms"},
      {TaskDelayLines, "", ""},
      {TaskFileSizeLines, "4096", "Task1_FileSize: 4096 Byte"},
      {TaskFileSizeLines, "1;2;3;", "Task1_FileSize: 1 Byte\r\nTask2_FileSize: 2 Byte\r\nTask3_FileSize: 3 Byte"},
      {TaskResetLines, "01x", "Task1_Reset: Support\r\nTask2_Reset: NonSupport\r\nTask3_Reset: Unknown"},
      {TaskResetLines, "9", "Task1_Reset: Unknown"},
      {TaskResetLines, "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Split(c.Input), c.Expected) << "input \"" << c.Input << "\"";
  EXPECT_EQ(TaskIdText(-1), "TaskID: -1");
}

TEST(ItemDetailCodes, KnownCodesAndFallbacks) {
  struct Case {
    std::function<std::string(int32_t)> Table;
    int32_t Code;
    std::string Expected;
  };
  std::vector<Case> cases = {
      {DropReasonText, 1, "Timeout"},
      {DropReasonText, -103, "No data"},
      {DropReasonText, -104, "Unknown(ErrCode: -104)"},
      {DropReasonText, 0, "Unknown(ErrCode: 0)"},
      {StopReasonText, -102, "Timeout"},
      {StopReasonText, 1, "Unknown(ErrCode: 1)"},
      {[](int32_t c) { return CallEndReasonText(static_cast<uint32_t>(c)); }, 8, "Pause Logging"},
      {[](int32_t c) { return CallEndReasonText(static_cast<uint32_t>(c)); }, 9, "Unknown(ErrCode: 9)"},
      {SocketErrorText, 225, "WSP_ABORT_DISCONNECT"},
      {SocketErrorText, 10045, "Operation not supported"},
      {SocketErrorText, 10040, "Unknown(ErrCode: 10040)"},
      {FtpFailureText, 3, "Upload Directory Not Exists "},
      {FtpFailureText, 101, "101"},
      {FtpFailureText, 5, "UnKnown"},
      {FetionStepText, 3, "Login Server"},
      {FetionStepText, -1, "Unknown"},
      {FetionTestTypeText, 0, "Unknown"},
      {DirectionText, 3, "Unknown"},
      {WapTestModeText, 3, "Unknown"},
      {DownloadKindText, 1, "Ring"},
      {DownloadKindText, -1, "Unknown"},
      {ResetSupportText, 2, "Unknown"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.Table(c.Code), c.Expected) << "code " << c.Code;
}

TEST(ItemDetailLines, SplitAtEveryLineBreak) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(SplitDetailLines(""), Lines{});
  EXPECT_EQ(SplitDetailLines("one"), Lines{"one"});
  EXPECT_EQ(SplitDetailLines("one\r\ntwo"), (Lines{"one", "two"}));
  EXPECT_EQ(SplitDetailLines("a\r\nb\r\nc\r\n"), (Lines{"a", "b", "c"}));
  EXPECT_EQ(SplitDetailLines("a\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(SplitDetailLines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
}
