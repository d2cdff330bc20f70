// Utility component: text comparison, number texts (locale independent),
// the results-row time text and the speech engine.
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale>

#include <gtest/gtest.h>

#include "eventmanager/outside/utility.h"
#include "speech_engine.h"

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

// The fixed-layout writer against the texts the formatted writer gave for
// the same times: rounding into the next second, day, month and year, leap
// days, times before 1899-12-30, years below 1000 and beyond 9999, and the
// range limits.
TEST(Utility, DateTimeTextWriterGivesTheFormattedTexts) {
  constexpr double Ms = 86400000.0;
  const struct {
    double days;
    const char* text;
  } cases[] = {
      {0, "1899-12-30 00:00:00.000"},
      {46095 + 7108.0 / Ms + 36000.0 / 86400, "2026-03-14 10:00:07.108"},
      {46095.41675125, "2026-03-14 10:00:07.308"},
      {46095 + 7999.5 / Ms, "2026-03-14 00:00:08.000"},
      {46095 + 1234.5 / Ms, "2026-03-14 00:00:01.234"},
      {46095 + 59999.5 / Ms, "2026-03-14 00:01:00.000"},
      {46095 + 3599999.6 / Ms, "2026-03-14 01:00:00.000"},
      {46095 + 86399999.4 / Ms, "2026-03-14 23:59:59.999"},
      {46095 + 86399999.6 / Ms, "2026-03-15 00:00:00.000"},
      {46095.999999994, "2026-03-14 23:59:59.999"},
      {46112 + 86399999.7 / Ms, "2026-04-01 00:00:00.000"},
      {46387 + 86399999.7 / Ms, "2027-01-01 00:00:00.000"},
      {45351 + 86399999.7 / Ms, "2024-03-01 00:00:00.000"},
      {45351.5, "2024-02-29 12:00:00.000"},
      {45350.99999999, "2024-02-28 23:59:59.999"},
      {60, "1900-02-28 00:00:00.000"},
      {61, "1900-03-01 00:00:00.000"},
      {-0.6 / Ms, "1899-12-29 23:59:59.999"},
      {-1e-9, "1899-12-30 00:00:00.000"},
      {-5000.0 / Ms, "1899-12-29 23:59:55.000"},
      {-0.25, "1899-12-29 18:00:00.000"},
      {-1 - 0.4 / Ms, "1899-12-29 00:00:00.000"},
      {-693593, "0001-01-01 00:00:00.000"},
      {-693594.5, "0000-12-30 12:00:00.000"},
      {-700000, "-017-06-18 00:00:00.000"},
      {-3.0e6, "-6314-04-10 00:00:00.000"},
      {2958465.9999999, "9999-12-31 23:59:59.991"},
      {2958465.99999999, "9999-12-31 23:59:59.999"},
      {2958466, "10000-01-01 00:00:00.000"},
      {3.0e6, "10113-09-19 00:00:00.000"},
      {3.0e6 + 1, ""},
      {-3.0e6 - 1, ""},
      {std::nan(""), ""},
      {HUGE_VAL, ""},
      {-HUGE_VAL, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    char text[DateTimeTextCapacity];
    EXPECT_EQ(std::string(text, WriteDateTimeText(c.days, text)), c.text);
    EXPECT_EQ(MakeDateTime(c.days, 0, true, true, true, false), c.text);
    // The shorter layouts are the same text cut down.
    const std::string full = c.text;
    EXPECT_EQ(MakeDateTime(c.days, 0, true, true, false, false), full.substr(0, full.empty() ? 0 : full.size() - 4));
    EXPECT_EQ(MakeDateTime(0, c.days, false, false, false, true), full.empty() ? "" : full.substr(full.size() - 12));
  }
}

TEST(Utility, SpeechStaysSilentWhenSwitchedOff) {
  setenv("EVENTMANAGER_SPEECH", "0", 1);
  EXPECT_EQ(SynthesiseSpeech("Call drop"), 0u);
  Speech("Handover failure", 0);  // the export, silent too
}

TEST(Utility, SpeechSynthesisesIntoMemory) {
  if (!SpeechEngineBuiltIn()) GTEST_SKIP() << "built without espeak-ng";
  setenv("EVENTMANAGER_SPEECH", "memory", 1);
  EXPECT_GT(SynthesiseSpeech("Call drop"), 0u);
  EXPECT_EQ(SynthesiseSpeech(""), 0u);
}
