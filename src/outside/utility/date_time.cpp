// Time text of a results row from a date-time in days since 1899-12-30.
#include <cmath>
#include <cstdint>

#include "eventmanager/outside/utility.h"

namespace {

struct Civil {
  int64_t Year;
  unsigned Month, Day;
};

// Days since 1970-01-01 to a proleptic Gregorian date.
Civil CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

constexpr int64_t DaysFrom1899To1970 = 25569;
constexpr int64_t MsPerDay = 86400000;

// Writes `value` as at least `width` decimal digits, zero-padded on the
// left; a minus sign counts towards the width, as "{:0N}" formatting does.
char* WritePadded(char* out, int64_t value, int width) {
  if (value < 0) {
    *out++ = '-';
    --width;
  }
  uint64_t v = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[20];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v);
  for (int i = n; i < width; ++i) *out++ = '0';
  while (n) *out++ = digits[--n];
  return out;
}

inline char* WriteTwo(char* out, unsigned value) {
  out[0] = static_cast<char>('0' + value / 10);
  out[1] = static_cast<char>('0' + value % 10);
  return out + 2;
}

// Writes the parts the switches ask for; returns the end of the text, or
// `out` itself for a time that gives no text.
char* WriteParts(char* out, double t, bool showDate, bool showTime, bool showMilliseconds) {
  if (!std::isfinite(t) || std::fabs(t) > 3.0e6) return out;
  if (!showDate && !showTime && !showMilliseconds) showTime = showMilliseconds = true;
  if (showMilliseconds) showTime = true;
  // Rounded to the millisecond first, so that 23:59:59.9995 is the next day.
  auto ms = static_cast<int64_t>(std::llround(t * MsPerDay));
  int64_t days = ms >= 0 ? ms / MsPerDay : -((-ms + MsPerDay - 1) / MsPerDay);
  auto inDay = static_cast<unsigned>(ms - days * MsPerDay);
  char* p = out;
  if (showDate) {
    Civil c = CivilFromDays(days - DaysFrom1899To1970);
    if (c.Year >= 0 && c.Year <= 9999) {
      auto y = static_cast<unsigned>(c.Year);
      p = WriteTwo(WriteTwo(p, y / 100), y % 100);
    } else {
      p = WritePadded(p, c.Year, 4);
    }
    *p++ = '-';
    p = WriteTwo(p, c.Month);
    *p++ = '-';
    p = WriteTwo(p, c.Day);
  }
  if (showTime) {
    if (p != out) *p++ = ' ';
    p = WriteTwo(p, inDay / 3600000);
    *p++ = ':';
    p = WriteTwo(p, inDay / 60000 % 60);
    *p++ = ':';
    p = WriteTwo(p, inDay / 1000 % 60);
    if (showMilliseconds) {
      const unsigned milli = inDay % 1000;
      p[0] = '.';
      p[1] = static_cast<char>('0' + milli / 100);
      p = WriteTwo(p + 2, milli % 100);
    }
  }
  return p;
}

}  // namespace

size_t WriteDateTimeText(double days, char* out) {
  return static_cast<size_t>(WriteParts(out, days, true, true, true) - out);
}

// With every switch off the text is "hh:nn:ss.zzz"; milliseconds alone
// imply the time. A value that is not finite gives "".
std::string MakeDateTime(double resultTime, double orderTime, bool showDate, bool showTime,
                         bool showMilliseconds, bool useOrderTime) {
  char text[DateTimeTextCapacity];
  char* end = WriteParts(text, useOrderTime ? orderTime : resultTime, showDate, showTime, showMilliseconds);
  return std::string(text, end);
}
