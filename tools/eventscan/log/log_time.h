// Times in logs: ISO 8601 text ("2026-03-14T10:00:01.250", a blank instead of
// the T, optional milliseconds up to 3 digits, no zone) or a day count since
// 1899-12-30, the date-time the library works with.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace eventscan {

std::optional<double> ParseIsoTime(std::string_view text);
// "2026-03-14 10:00:01.250"; empty for a time that is not finite.
std::string TimeText(double days);
// ISO text with the T, as logs write it: "2026-03-14T10:00:01.250".
std::string IsoTimeText(double days);

}  // namespace eventscan
