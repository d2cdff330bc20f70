#include "report/report_file.h"

#include <optional>
#include <stdexcept>

#include <fmt/format.h>

#include "support/file_io.h"

namespace eventscan {

void WriteFileAtomically(const std::string& path, const std::string& text) {
  if (std::optional<TSaveFault> fault = TrySaveFileAtomic(path, text))
    throw std::runtime_error(fmt::format("{}: cannot write the report: {}: {}", path, fault->Step, fault->Reason));
}

}  // namespace eventscan
