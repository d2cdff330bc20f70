// Utility component: text comparison, validated number texts, the time text of
// a results row, and speech. Number texts never depend on the process locale.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include "eventmanager/outside/outside_export.h"

// Equal ignoring ASCII letter case.
EM_UTILITY_API bool CompText(std::string_view a, std::string_view b);
// The caseless form of a UTF-8 text: Unicode case folding of its composed
// (NFC) form, so "ÉCHEC" and "échec" (however its accent is encoded) fold
// alike. A text that is not valid UTF-8 folds its ASCII letters only.
EM_UTILITY_API std::string FoldCase(std::string_view text);
// Empty or only blanks (space, tab, CR, LF).
EM_UTILITY_API bool IsEmptyStr(std::string_view text);
// Text of an integer; the marker -9999 (and any value flagged invalid) gives "".
EM_UTILITY_API std::string IntValidStr(int64_t value, int flags);
// value / divisor formatted with a printf-style format for one double ("%.2f",
// "%.0f (Byte)"); "%.Nn" prints with comma thousands separators. -9999 gives "".
EM_UTILITY_API std::string IntValidStrEx(int64_t value, double divisor, int flags, std::string_view format);
// A float formatted with a printf-style format; NaN, infinities and -9999 give "".
EM_UTILITY_API std::string FloatValidStrF2S(double value, std::string_view format, int flags);
// Time text of a results row, "yyyy-mm-dd hh:nn:ss.zzz" with the parts the
// switches ask for (a results row's tag bits: 0 date, 1 time, 2 milliseconds,
// 3 the ordering time instead of the result time). Milliseconds imply the
// time; with every switch off the text is "hh:nn:ss.zzz". Times are days
// since 1899-12-30; a time that is not finite gives "".
EM_UTILITY_API std::string MakeDateTime(double resultTime, double orderTime, bool showDate, bool showTime,
                                        bool showMilliseconds, bool useOrderTime);
// The full text "yyyy-mm-dd hh:nn:ss.zzz" of MakeDateTime with date, time and
// milliseconds, written into `out` (room for DateTimeTextCapacity chars, no
// terminator) without allocating; returns its length, 0 where MakeDateTime
// gives "". Years outside 0..9999 make the text longer than 23 chars.
inline constexpr size_t DateTimeTextCapacity = 40;
EM_UTILITY_API size_t WriteDateTimeText(double days, char* out);
// Speaks the text through espeak-ng when available; otherwise does nothing.
// The text is synthesised into memory unless EVENTMANAGER_SPEECH=play asks
// for the sound device; EVENTMANAGER_SPEECH=0 turns synthesis off.
EM_UTILITY_API void Speech(const std::string& text, int flags);
