#include "cli/command_setup.h"

#include <iostream>

#include <fmt/format.h>

#include "host/host_layout.h"
#include "log/networks.h"

namespace eventscan {

std::unique_ptr<HostLibrary> OpenCommandLibrary(const CommonOptions& o) {
  ChooseHomeDirectory(o.Home);
  return std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
}

bool PrepareLogOptions(const LogOptions& o, ReadOptions& read, EventFilter& filter) {
  read.Strict = o.Strict;
  read.MaxLineBytes = o.MaxLineBytes;
  if (o.Network) {
    read.Network = NetworkIndex(*o.Network);
    if (!read.Network) {
      std::cerr << fmt::format("--network: \"{}\" is none of GSM, CDMA, UMTS, TD-SCDMA\n", *o.Network);
      return false;
    }
  }
  if (!o.Only.empty() && !o.Skip.empty()) {
    std::cerr << "--only and --skip exclude each other\n";
    return false;
  }
  if (!o.Only.empty()) filter = EventFilter(EventFilter::Mode::Only, SplitList(o.Only));
  if (!o.Skip.empty()) filter = EventFilter(EventFilter::Mode::Skip, SplitList(o.Skip));
  return true;
}

std::vector<std::string> LibraryFaults(HostLibrary& library) {
  std::vector<std::string> faults;
  library.EventManagerFileFaults(faults);
  return faults;
}

void ReportLibraryFaults(const std::vector<std::string>& faults, size_t from) {
  for (size_t i = from; i < faults.size(); ++i) std::cerr << "fault: " << faults[i] << '\n';
}

}  // namespace eventscan
