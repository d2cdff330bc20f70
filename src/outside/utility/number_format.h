// A printf-style formatter for one floating value, independent of the
// process locale: the decimal point is always '.', and "%.Nn" groups the
// integer digits with ',' in threes.
#pragma once

#include <string>
#include <string_view>

namespace outside {

// Formats `value` into the first conversion of `format` (f F e E g G n d i);
// text around it is copied, "%%" gives '%'. A format without a conversion is
// copied as it stands; a second conversion is copied verbatim.
std::string FormatOne(std::string_view format, double value);

// Decimal places that the first conversion of `format` prints when it is a
// fixed-point one (f F n), or -1 for any other format.
int FixedDecimalsOf(std::string_view format);

}  // namespace outside
