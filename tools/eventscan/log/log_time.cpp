#include "log/log_time.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "eventmanager/outside/utility.h"

namespace eventscan {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

constexpr int64_t DaysFrom1899To1970 = 25569;

bool digits(std::string_view text, size_t pos, size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

unsigned daysInMonth(int year, int month) {
  static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

double dayOf(int year, int month, int day) {
  return static_cast<double>(daysFromCivil(year, month, day) + DaysFrom1899To1970);
}

double timeOfDay(int hour, int minute, int second, int ms) {
  return (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + ms) / 86400000.0;
}

unsigned digit(char c) { return static_cast<unsigned>(c - '0'); }

// The layout nearly every log writes, "2026-03-14T10:00:07.108": fixed
// positions, and the date of the previous time remembered, as a log keeps
// its date for a day. None for anything else; the general reader then
// decides, so both give the same days.
std::optional<double> fixedLayout(std::string_view t) {
  if (t.size() != 23 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != ' ') || t[13] != ':' ||
      t[16] != ':' || t[19] != '.')
    return std::nullopt;
  static constexpr int digitAt[] = {11, 12, 14, 15, 17, 18, 20, 21, 22};
  for (int i : digitAt)
    if (digit(t[i]) > 9) return std::nullopt;
  const int hour = digit(t[11]) * 10 + digit(t[12]), minute = digit(t[14]) * 10 + digit(t[15]);
  const int second = digit(t[17]) * 10 + digit(t[18]);
  const int ms = digit(t[20]) * 100 + digit(t[21]) * 10 + digit(t[22]);
  if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  thread_local uint64_t lastDate = 0;  // the first 8 bytes and the day's 2 digits
  thread_local uint16_t lastDay = 0;
  thread_local double lastDays = 0;
  uint64_t date;
  uint16_t day2;
  std::memcpy(&date, t.data(), 8);
  std::memcpy(&day2, t.data() + 8, 2);
  if (date != lastDate || day2 != lastDay) {
    static constexpr int dateDigits[] = {0, 1, 2, 3, 5, 6, 8, 9};
    for (int i : dateDigits)
      if (digit(t[i]) > 9) return std::nullopt;
    const int year = digit(t[0]) * 1000 + digit(t[1]) * 100 + digit(t[2]) * 10 + digit(t[3]);
    const int month = digit(t[5]) * 10 + digit(t[6]), day = digit(t[8]) * 10 + digit(t[9]);
    if (month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > daysInMonth(year, month)) return std::nullopt;
    lastDays = dayOf(year, month, day);
    lastDate = date;
    lastDay = day2;
  }
  return lastDays + timeOfDay(hour, minute, second, ms);
}

}  // namespace

std::optional<double> ParseIsoTime(std::string_view t) {
  if (auto days = fixedLayout(t)) return days;
  int year, month, day, hour, minute, second, ms = 0;
  if (!digits(t, 0, 4, year) || t.size() < 19 || t[4] != '-' || !digits(t, 5, 2, month) || t[7] != '-' ||
      !digits(t, 8, 2, day) || (t[10] != 'T' && t[10] != ' ') || !digits(t, 11, 2, hour) || t[13] != ':' ||
      !digits(t, 14, 2, minute) || t[16] != ':' || !digits(t, 17, 2, second))
    return std::nullopt;
  size_t pos = 19;
  if (pos < t.size() && t[pos] == '.') {
    size_t n = t.size() - pos - 1;
    if (n < 1 || n > 3 || !digits(t, pos + 1, n, ms)) return std::nullopt;
    for (size_t i = n; i < 3; ++i) ms *= 10;
    pos = t.size();
  }
  if (pos != t.size() || month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > daysInMonth(year, month) ||
      hour > 23 || minute > 59 || second > 59)
    return std::nullopt;
  return dayOf(year, month, day) + timeOfDay(hour, minute, second, ms);
}

std::string TimeText(double days) { return MakeDateTime(days, days, true, true, true, false); }

std::string IsoTimeText(double days) {
  std::string text = TimeText(days);
  if (text.size() > 10) text[10] = 'T';
  return text;
}

}  // namespace eventscan
