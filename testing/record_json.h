// The reference reader of record lines: the whole line parsed into an
// nlohmann tree, then read key by key in the order of their names. Written
// apart from the reader eventscan runs, so that tests and the fuzz target can
// hold the two against each other: the same record of every line, or a fault.
#pragma once

#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "log/record_parser.h"

namespace eventscan {

// One record line, with ParseRecordLine's contract (a RecordLineReader).
void ParseRecordReference(std::string_view line, const LogHeader& header, LineTarget& target);
// The reference reader's work on a parsed tree (duplicate keys are already
// refused by the parse in ParseRecordReference).
void ParseRecordJson(const nlohmann::json& line, const LogHeader& header, LineTarget& target);

}  // namespace eventscan
