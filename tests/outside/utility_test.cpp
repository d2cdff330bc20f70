// Utility component: text comparison, number texts (locale independent),
// the results-row time text and speech counting.
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>

#include <gtest/gtest.h>

#include "eventmanager/outside/utility.h"

TEST(Utility, TextComparisonIgnoresAsciiCaseOnly) {
  EXPECT_TRUE(CompText("WCDMA", "wcdma"));
  EXPECT_TRUE(CompText("", ""));
  EXPECT_FALSE(CompText("GSM", "GSM "));
  EXPECT_FALSE(CompText("\xC4", "\xE4"));  // no folding beyond ASCII
  EXPECT_TRUE(IsEmptyStr(" \t\r\n"));
  EXPECT_TRUE(IsEmptyStr(""));
  EXPECT_FALSE(IsEmptyStr(" x "));
}

TEST(Utility, NumberTextsFollowTheFormat) {
  struct Case {
    int64_t value;
    double divisor;
    const char* format;
    const char* text;
  };
  const Case cases[] = {
      {2000, 1.0, "%.0n (bps)", "2,000 (bps)"},
      {1234567890123, 1.0, "%.0n", "1,234,567,890,123"},
      {-1234567, 1.0, "%.0n", "-1,234,567"},
      {-999, 1.0, "%.0n", "-999"},
      {1234567, 1000.0, "%.2n", "1,234.57"},
      {1500, 1000.0, "%.3f (s)", "1.500 (s)"},
      {3512, 1000.0, "%.2f", "3.51"},
      {2155, 1000.0, "%.2f", "2.16"},  // half-way rounds from the integer, not from 2.15499...
      {-155, 1000.0, "%.2f (s)", "-0.16 (s)"},
      {1005, 100.0, "%.1f", "10.1"},
      {123456, 1.0, "%.0f (Byte)", "123456 (Byte)"},
      {-9999, 1.0, "%.2f", ""},
      {42, 0.0, "%.2f", ""},
      {5, 1.0, "Rate: %5.1f%%", "Rate:   5.0%"},
      {7, 1.0, "%03.0f", "007"},
      {7, 2.0, "no conversion", "no conversion"},
      {9995, 10.0, "%.0n", "1,000"},  // grouping after rounding
      {1234567, 1.0, "[%12.0n]", "[   1,234,567]"},
      {1234567, 1.0, "[%-12.0n]", "[1,234,567   ]"},
      {1500, 1.0, "%.2e", "1.50e+03"},
      {5, 1.0, "%.0f %.0f", "5 %.0f"},
      {-2500, 1000.0, "%d s", "-3 s"},
      {1, 1e-320, "%.0f", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(IntValidStrEx(c.value, c.divisor, 0, c.format), c.text) << c.format;
  EXPECT_EQ(IntValidStr(-12, 0), "-12");
  EXPECT_EQ(IntValidStr(-9999, 0), "");
  EXPECT_EQ(FloatValidStrF2S(3.14159, "%.3f", 0), "3.142");
  EXPECT_EQ(FloatValidStrF2S(-9999.0, "%.3f", 0), "");
  EXPECT_EQ(FloatValidStrF2S(std::nan(""), "%.3f", 0), "");
  EXPECT_EQ(FloatValidStrF2S(INFINITY, "%.3f", 0), "");
}

TEST(Utility, NumberTextsIgnoreTheProcessLocale) {
  const char* german = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
    if (std::setlocale(LC_ALL, name)) {
      german = name;
      break;
    }
  if (!german) GTEST_SKIP() << "no German locale installed";
  EXPECT_EQ(IntValidStrEx(2000, 1.0, 0, "%.0n (bps)"), "2,000 (bps)");
  EXPECT_EQ(IntValidStrEx(1234567, 1000.0, 0, "%.2n"), "1,234.57");
  EXPECT_EQ(FloatValidStrF2S(2.5, "%.2f", 0), "2.50");
  std::setlocale(LC_ALL, "C");
}

// A host that installs a C++ global locale with other separators changes nothing.
TEST(Utility, NumberTextsIgnoreTheGlobalCppLocale) {
  struct GermanPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
  };
  std::locale saved = std::locale::global(std::locale(std::locale::classic(), new GermanPunct));
  EXPECT_EQ(IntValidStrEx(1234567, 1000.0, 0, "%.2n"), "1,234.57");
  EXPECT_EQ(FloatValidStrF2S(2.5, "%.2f", 0), "2.50");
  std::locale::global(saved);
}

TEST(Utility, DateTimeTextOfAKnownDate) {
  // 2024-03-15 13:45:30.250 is day 45366 plus the fraction of the day.
  double t = 45366 + (13 * 3600 + 45 * 60 + 30.25) / 86400.0;
  EXPECT_EQ(MakeDateTime(t, 0, true, true, true, false), "2024-03-15 13:45:30.250");
  EXPECT_EQ(MakeDateTime(t, 0, true, true, false, false), "2024-03-15 13:45:30");
  EXPECT_EQ(MakeDateTime(t, 0, true, false, false, false), "2024-03-15");
  EXPECT_EQ(MakeDateTime(t, 0, false, false, false, false), "13:45:30.250");
  EXPECT_EQ(MakeDateTime(0, t, false, true, false, true), "13:45:30");
  EXPECT_EQ(MakeDateTime(0, 0, true, true, false, false), "1899-12-30 00:00:00");
  // A hair before midnight rounds to the next midnight, never to "24:00:00".
  EXPECT_EQ(MakeDateTime(45366.999999999, 0, true, true, true, false), "2024-03-16 00:00:00.000");
  EXPECT_EQ(MakeDateTime(std::nan(""), 0, true, true, true, false), "");
}

TEST(Utility, SpeechIsCountedAndStaysSilentWhenSwitchedOff) {
  setenv("EVENTMANAGER_SPEECH", "0", 1);
  uint64_t before = SpeechCallCount();
  Speech("Call drop", 0);
  Speech("Handover failure", 0);
  EXPECT_EQ(SpeechCallCount(), before + 2);
  EXPECT_EQ(LastSpokenText(), "Handover failure");
  EXPECT_EQ(LastSpeechSampleCount(), 0u);
}

TEST(Utility, SpeechSynthesisesIntoMemory) {
  if (!SpeechEngineBuiltIn()) GTEST_SKIP() << "built without espeak-ng";
  setenv("EVENTMANAGER_SPEECH", "memory", 1);
  Speech("Call drop", 0);
  EXPECT_GT(LastSpeechSampleCount(), 0u);
  Speech("", 0);
  EXPECT_EQ(LastSpeechSampleCount(), 0u);
}
