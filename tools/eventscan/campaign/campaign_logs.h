// The logs of a campaign: the files named, and below each folder named the
// files that are logs by their first bytes, with everything there that
// cannot be read.
#pragma once

#include <string>
#include <vector>

namespace eventscan {

// A log of a campaign, or a file or folder below its directories that
// cannot be read: `Fault` says why, naming it, and it is a fault of the
// campaign of its own.
struct CampaignEntry {
  std::string Path;
  std::string Fault;
};

// The logs of a campaign in the order they are run: files named as they are,
// and below each directory the regular files that are logs, captures or
// gzip-compressed logs by their first bytes, with what cannot be read there
// (sorted by path).
std::vector<CampaignEntry> FindCampaignLogs(const std::vector<std::string>& inputs);

}  // namespace eventscan
