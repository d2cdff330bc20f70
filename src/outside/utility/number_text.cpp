// Validated number texts: the marker value prints as an empty text.
#include <cmath>

#include <fmt/format.h>

#include "eventmanager/outside/utility.h"
#include "number_format.h"

namespace {

constexpr int64_t Marker = -9999;

}  // namespace

// `flags` is reserved (callers pass 0).
std::string IntValidStr(int64_t value, int /*flags*/) {
  if (value == Marker) return {};
  return fmt::format("{}", value);
}

std::string IntValidStrEx(int64_t value, double divisor, int /*flags*/, std::string_view format) {
  if (value == Marker || divisor == 0 || !std::isfinite(divisor)) return {};
  double scaled = static_cast<double>(value) / divisor;
  return std::isfinite(scaled) ? outside::FormatOne(format, scaled) : std::string();
}

std::string FloatValidStrF2S(double value, std::string_view format, int /*flags*/) {
  if (!std::isfinite(value) || value == static_cast<double>(Marker)) return {};
  return outside::FormatOne(format, value);
}
