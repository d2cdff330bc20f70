// The columns of tshark's field lines: the -e fields eventscan asks tshark
// for, in column order, a line split at its tabs, and the values read from a
// column (tshark is asked for every occurrence of a field and separates them
// by commas; most readers take the first). Read-only data; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace eventscan {

// The -e fields given to tshark, in column order.
const std::vector<const char*>& CaptureFields();

namespace capture {

// Columns of a tshark line. NAS type and cause columns follow NasProtocols().
enum Column : size_t {
  ColFrame, ColTime, ColType, ColUplink, ColRrcChannel, ColRrcMessage, ColMalformed,
  ColCapturedLength, ColWireLength,  // what the file holds of the frame, and the frame's own length
  ColNasType,                       // 7 columns, one per protocol
  ColNasCause = ColNasType + 7,     // 7 columns
  ColServiceType = ColNasCause + 7, ColUpdatingType, ColEstablishment, ColRelease, ColRejection,
  ColCellUpdate, ColFailure, ColRxLevFull, ColRxLevSub, ColRxQualFull, ColRxQualSub, ColEcNo, ColRscp,
  ColBcchArfcn, ColNcc, ColBcc, ColProtocol, ColInfo,
  // LTE and NR (GSMTAP version 3 is NR)
  ColVersion,
  ColLteChannel,                       // 7 columns, one per LTE RRC logical channel (LteChannel)
  ColLteChoice = ColLteChannel + 7,    // the CHOICE index of the channel's message type
  ColLteExtension, ColLteExtensionChoice,  // a message of the messageClassExtension, and its index
  ColLteEstablishment, ColLteReestablishment, ColLteRelease,
  ColLteMobility, ColLteTargetPci, ColLteTargetEarfcn,
  ColLteRedirect, ColLteRedirectEutra, ColLteRedirectGeran, ColLteRedirectUtraFdd, ColLteRedirectUtraTdd,
  ColLteRedirectNr,
  ColLtePurpose, ColLteTargetRat,
  ColLteNrConfig, ColNrPci, ColNrArfcn,
  ColLteFailureType, ColLteFailureTypeExt,
  ColLteRsrp, ColLteRsrq, ColLteNeighbourPci,
  ColEpsSecurityHeader, ColEmmType, ColEsmType, ColEmmCause, ColEsmCause, ColEpsBearer, ColEpsLinkedBearer,
  ColEpsAttachType, ColEpsUpdateType, ColEpsServiceType,
  ColCount
};

using Columns = std::vector<std::string_view>;

// The line's columns, views into the line; as many as it has tabs, plus one.
Columns SplitColumns(std::string_view line);

// A whole integer, decimal or "0x" hexadecimal; none for anything else.
std::optional<int64_t> ColumnNumber(std::string_view text);
// A decimal number such as "1521877211.472500000"; none for anything else.
std::optional<double> ColumnDecimal(std::string_view text);
// The first value of a column.
std::string_view FirstValue(std::string_view column);
// Every value of a column, in the order tshark decoded them.
std::vector<std::string_view> ColumnValues(std::string_view column);
// The first value of column `c` as a 32-bit integer; none when it is empty,
// not a number or out of range.
std::optional<int32_t> ColumnValue(const Columns& cols, size_t c);
// The same, none also outside [lo, hi]: for values a field's coding bounds,
// where anything else is not a reading of the field.
std::optional<int32_t> ColumnValueIn(const Columns& cols, size_t c, int32_t lo, int32_t hi);

}  // namespace capture
}  // namespace eventscan
