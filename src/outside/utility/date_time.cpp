// Time text of a results row from a date-time in days since 1899-12-30.
#include <cmath>

#include <fmt/format.h>

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

}  // namespace

// With every switch off the text is "hh:nn:ss.zzz"; milliseconds alone
// imply the time. A value that is not finite gives "".
std::string MakeDateTime(double resultTime, double orderTime, bool showDate, bool showTime,
                         bool showMilliseconds, bool useOrderTime) {
  double t = useOrderTime ? orderTime : resultTime;
  if (!std::isfinite(t) || std::fabs(t) > 3.0e6) return {};
  if (!showDate && !showTime && !showMilliseconds) showTime = showMilliseconds = true;
  if (showMilliseconds) showTime = true;
  auto ms = static_cast<int64_t>(std::llround(t * MsPerDay));
  int64_t days = ms >= 0 ? ms / MsPerDay : -((-ms + MsPerDay - 1) / MsPerDay);
  int64_t inDay = ms - days * MsPerDay;
  std::string out;
  if (showDate) {
    Civil c = CivilFromDays(days - DaysFrom1899To1970);
    out = fmt::format("{:04}-{:02}-{:02}", c.Year, c.Month, c.Day);
  }
  if (showTime) {
    if (!out.empty()) out += ' ';
    out += fmt::format("{:02}:{:02}:{:02}", inDay / 3600000, inDay / 60000 % 60, inDay / 1000 % 60);
    if (showMilliseconds) out += fmt::format(".{:03}", inDay % 1000);
  }
  return out;
}
