// Detail texts of test items: the text a result made from a test item shows,
// built from the item's extra data block by event identifier, with the
// conversions and code tables the texts use. Pure functions of their inputs;
// the caller owns the block. Runs on the host's thread like the whole library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "detection/detail_lines.h"
#include "eventmanager/test_item.h"

struct TItemDetailContext {
  uint8_t NetType = 255;        // the results container's network (identifiers above 10000)
  uint8_t RecordNetType = 255;  // the loaded record's network (identifier 162)
  uint8_t DeviceType = 0;
  uint8_t PublishId = 0;        // the results container's publishing variant
};

// The detail text of one test item; lines separated by "\r\n". `extra` is the
// item's extra data exactly as the record holds it (may be shorter than the
// item claims). A block too short for the identifier's layout gives "".
std::string BuildItemDetail(const TestItem& item, std::string_view extra, const TItemDetailContext& context);
// The same text into `text` (replaced), so a caller making many results keeps
// one buffer and its room from one to the next.
void BuildItemDetail(const TestItem& item, std::string_view extra, const TItemDetailContext& context,
                     std::string& text);
// Splits a detail text into lines at "\r\n" (and lone "\n"), as results store
// them; a final line break adds no empty line.
std::vector<std::string> SplitDetailLines(const std::string& text);
// The same lines appended to a result's details, each with `recordIndex`.
void AppendDetailLines(std::string_view text, int32_t recordIndex, TResultDetails& details);

// Conversions.
// bytes / ms * 8000 with comma thousands separators and " (bps)"; "N/A" below 1 ms.
std::string SpeedText(int64_t bytes, int64_t milliseconds);
// part / whole * 100 with 3 decimals; "N/A" when whole is below 1.
std::string PercentText(int64_t part, int64_t whole);
// The decimal text when the value is above 0, else "Default".
std::string DefaultOrNumber(int32_t value);
// Listening-quality MOS from a raw PESQ score, both scaled by 1000 (ITU-T
// P.862.1 mapping), rounded to the nearest integer with halves to even.
int32_t PesqMosLqo(int32_t raw);
// A number with `decimals` decimals and comma thousands separators, whatever
// the process locale.
std::string GroupedNumber(double value, int decimals);
std::string TaskIdText(int32_t task);
// Task lists of the multi-task FTP test: ';' separates the tasks' values.
std::string TaskDelayLines(std::string_view text);
std::string TaskFileSizeLines(std::string_view text);
// One line per character: its digit value through ResetSupportText.
std::string TaskResetLines(std::string_view text);

// Code tables; every code not listed gives the table's fallback text.
std::string DropReasonText(int32_t code);
std::string StopReasonText(int32_t code);
std::string CallEndReasonText(uint32_t code);
std::string SocketErrorText(int32_t code);
std::string FtpFailureText(int32_t code);
std::string FetionStepText(int32_t code);
std::string FetionTestTypeText(int32_t code);
std::string DirectionText(int32_t code);
std::string WapTestModeText(int32_t code);
std::string DownloadKindText(int32_t code);
std::string ResetSupportText(int32_t code);
