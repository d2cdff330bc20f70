// Detail lines of a result: each line of text carries the index of the
// record it was decoded from, so a host can jump from a line to its record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TDetailLine {
  std::string Text;
  int32_t RecordIndex = 0;
};

using TDetailLines = std::vector<TDetailLine>;
