// Validated number texts: the marker value prints as an empty text.
#include <cmath>

#include <fmt/format.h>

#include "eventmanager/outside/utility.h"
#include "number_format.h"

namespace {

constexpr int64_t Marker = -9999;

// The exponent k when `divisor` is exactly 10^k (1 <= k <= 18), else 0.
int powerOfTen(double divisor) {
  double p = 1;
  for (int k = 1; k <= 18; ++k) {
    p *= 10;
    if (divisor == p) return k;
  }
  return 0;
}

// value / 10^k rounded to `decimals` places from the integer itself, half-way
// away from zero: 2155 / 1000 to two places is 2.16, where the binary
// approximation of 2.155 (a little below) would print 2.15.
double roundedQuotient(int64_t value, int k, int decimals) {
  int64_t step = 1;
  for (int i = decimals; i < k; ++i) step *= 10;
  int64_t whole = value / step;
  int64_t rest = value % step;
  if (rest < 0) rest = -rest;
  if (rest != 0 && rest >= step - rest) whole += value < 0 ? -1 : 1;
  double scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  return static_cast<double>(whole) / scale;
}

}  // namespace

// `flags` is reserved (callers pass 0).
std::string IntValidStr(int64_t value, int /*flags*/) {
  if (value == Marker) return {};
  return fmt::format("{}", value);
}

std::string IntValidStrEx(int64_t value, double divisor, int /*flags*/, std::string_view format) {
  if (value == Marker || divisor == 0 || !std::isfinite(divisor)) return {};
  double scaled = static_cast<double>(value) / divisor;
  int k = powerOfTen(divisor);
  int decimals = outside::FixedDecimalsOf(format);
  if (k > 0 && decimals >= 0 && decimals < k) scaled = roundedQuotient(value, k, decimals);
  return std::isfinite(scaled) ? outside::FormatOne(format, scaled) : std::string();
}

std::string FloatValidStrF2S(double value, std::string_view format, int /*flags*/) {
  if (!std::isfinite(value) || value == static_cast<double>(Marker)) return {};
  return outside::FormatOne(format, value);
}
