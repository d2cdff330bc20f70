#include "cli/command_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

void ReportDefinitionsFault(HostLibrary& library, const HostSession& session) {
  const std::string& fault = session.DefinitionsFault();
  if (fault.empty()) return;
  const std::vector<std::string> faults = LibraryFaults(library);
  if (std::find(faults.begin(), faults.end(), fault) == faults.end()) std::cerr << "fault: " << fault << '\n';
}

bool OutputIsInput(const std::string& input, const std::string& output) {
  struct stat in {}, out {};
  const bool stdinput = input == "-";
  if ((stdinput ? fstat(STDIN_FILENO, &in) : stat(input.c_str(), &in)) != 0) return false;
  if (stat(output.c_str(), &out) != 0) return false;
  // Devices (/dev/null, a terminal) are no file to lose.
  if (!S_ISREG(out.st_mode) || in.st_dev != out.st_dev || in.st_ino != out.st_ino) return false;
  std::cerr << fmt::format("{}: the output is the input {} (the same file): give another output; {} is kept\n", output,
                           stdinput ? "<stdin>" : input, stdinput ? "the input" : input);
  return true;
}

}  // namespace eventscan
