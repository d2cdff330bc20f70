#include "number_format.h"

#include <cmath>

#include <fmt/format.h>

namespace outside {
namespace {

struct Conversion {
  std::string Flags;
  int Width = 0;
  int Precision = -1;
  char Type = 0;
};

// Parses a conversion after '%' at `pos`; returns the position after it, or
// npos when the text there is not a conversion.
size_t ParseConversion(std::string_view f, size_t pos, Conversion& c) {
  while (pos < f.size() && std::string_view("-+ 0#").find(f[pos]) != std::string_view::npos) c.Flags += f[pos++];
  while (pos < f.size() && f[pos] >= '0' && f[pos] <= '9' && c.Width < 1000) c.Width = c.Width * 10 + (f[pos++] - '0');
  if (pos < f.size() && f[pos] == '.') {
    c.Precision = 0;
    ++pos;
    while (pos < f.size() && f[pos] >= '0' && f[pos] <= '9' && c.Precision < 100)
      c.Precision = c.Precision * 10 + (f[pos++] - '0');
  }
  if (pos >= f.size() || std::string_view("fFeEgGndi").find(f[pos]) == std::string_view::npos)
    return std::string_view::npos;
  c.Type = f[pos];
  return pos + 1;
}

bool Has(const Conversion& c, char flag) { return c.Flags.find(flag) != std::string::npos; }

std::string Pad(std::string body, const Conversion& c) {
  if (static_cast<int>(body.size()) >= c.Width) return body;
  size_t fill = c.Width - body.size();
  if (Has(c, '-')) return body + std::string(fill, ' ');
  if (Has(c, '0')) {
    size_t sign = !body.empty() && (body[0] == '-' || body[0] == '+' || body[0] == ' ') ? 1 : 0;
    return body.insert(sign, fill, '0');
  }
  return std::string(fill, ' ') + body;
}

std::string Sign(double value, const Conversion& c) {
  if (std::signbit(value)) return "-";
  if (Has(c, '+')) return "+";
  if (Has(c, ' ')) return " ";
  return "";
}

// Digits with ',' between groups of three in the integer part.
std::string Grouped(double value, int precision) {
  std::string digits = fmt::format("{:.{}f}", std::fabs(value), precision);
  size_t point = digits.find('.');
  size_t intLen = point == std::string::npos ? digits.size() : point;
  std::string out;
  for (size_t i = 0; i < intLen; ++i) {
    if (i > 0 && (intLen - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out + digits.substr(intLen);
}

std::string Convert(double value, const Conversion& c) {
  if (!std::isfinite(value)) return Pad(std::isnan(value) ? "nan" : Sign(value, c) + "inf", c);
  int precision = c.Precision;
  std::string body;
  switch (c.Type) {
    case 'n':
      body = Grouped(value, precision < 0 ? 2 : precision);
      break;
    case 'd':
    case 'i':
      body = fmt::format("{:.0f}", std::fabs(std::round(value)));
      break;
    default: {
      std::string type(1, c.Type);
      if (Has(c, '#')) type = "#" + type;
      body = precision < 0 ? fmt::format(fmt::runtime("{:" + type + "}"), std::fabs(value))
                           : fmt::format(fmt::runtime("{:." + std::to_string(precision) + type + "}"), std::fabs(value));
    }
  }
  // A value that rounds to zero keeps no minus sign only for integers ("-0" is odd in a table).
  bool negative = std::signbit(value) && !((c.Type == 'd' || c.Type == 'i') && std::round(value) == 0);
  std::string sign = negative ? "-" : Sign(std::fabs(value), c);
  return Pad(sign + body, c);
}

}  // namespace

int FixedDecimalsOf(std::string_view format) {
  for (size_t pos = 0; pos < format.size(); ++pos) {
    if (format[pos] != '%') continue;
    if (pos + 1 < format.size() && format[pos + 1] == '%') {
      ++pos;
      continue;
    }
    Conversion c;
    if (ParseConversion(format, pos + 1, c) == std::string_view::npos) continue;
    if (c.Type != 'f' && c.Type != 'F' && c.Type != 'n') return -1;
    return c.Precision >= 0 ? c.Precision : c.Type == 'n' ? 2 : 6;
  }
  return -1;
}

std::string FormatOne(std::string_view format, double value) {
  std::string out;
  bool done = false;
  for (size_t pos = 0; pos < format.size();) {
    if (format[pos] != '%') {
      out += format[pos++];
      continue;
    }
    if (pos + 1 < format.size() && format[pos + 1] == '%') {
      out += '%';
      pos += 2;
      continue;
    }
    Conversion c;
    size_t end = done ? std::string_view::npos : ParseConversion(format, pos + 1, c);
    if (end == std::string_view::npos) {
      out += format[pos++];
      continue;
    }
    out += Convert(value, c);
    done = true;
    pos = end;
  }
  return out;
}

}  // namespace outside
