#include "cli/command_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <set>

#include <fmt/format.h>

#include "host/host_layout.h"
#include "log/networks.h"
#include "support/text_case.h"
#include "support/text_escape.h"

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
      std::cerr << fmt::format("--network: \"{}\" is none of GSM, CDMA, UMTS, TD-SCDMA, LTE\n", *o.Network);
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
  for (size_t i = from; i < faults.size(); ++i) std::cerr << "fault: " << TerminalText(faults[i]) << '\n';
}

namespace {

size_t editDistance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = up;
    }
  }
  return row[b.size()];
}

}  // namespace

std::vector<std::string> ClosestNames(const std::string& word, const std::vector<std::string>& names, size_t count) {
  const std::string w = AsciiLowerCopy(word);
  std::vector<std::pair<size_t, std::string>> scored;
  for (const std::string& n : names) {
    const std::string lower = AsciiLowerCopy(n);
    size_t d = editDistance(w, lower);
    // A name that holds the word (or the word the name) is as near as a typo.
    if (!w.empty() && (lower.find(w) != std::string::npos || w.find(lower) != std::string::npos)) d = std::min<size_t>(d, 1);
    if (d <= std::max<size_t>(2, w.size() / 3)) scored.emplace_back(d, n);
  }
  std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> out;
  for (const auto& [d, n] : scored) {
    if (out.size() == count) break;
    if (std::find(out.begin(), out.end(), n) == out.end()) out.push_back(n);
  }
  return out;
}

void WarnUnknownEvents(HostLibrary& library, const LogOptions& o) {
  const std::string& list = !o.Only.empty() ? o.Only : o.Skip;
  if (list.empty()) return;
  std::set<std::string> known;  // lower case names and identifiers
  std::vector<std::string> names;
  for (uint8_t net = 0; net < NetworkCount; ++net) {
    std::vector<TEventListing> events;
    try {
      library.EventManagerListEvents(net, events);
    } catch (...) {
      continue;  // the network's faults are reported where it is loaded
    }
    for (const TEventListing& e : events) {
      if (known.insert(AsciiLowerCopy(e.Name)).second) names.push_back(e.Name);
      known.insert(std::to_string(e.Id));
    }
  }
  for (const std::string& item : SplitList(list)) {
    if (known.count(AsciiLowerCopy(item))) continue;
    // Identifiers of test items need no definition: a number is let be.
    if (!item.empty() && std::all_of(item.begin(), item.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
    std::string text = fmt::format("warning: {}: no event is named \"{}\"", !o.Only.empty() ? "--only" : "--skip", item);
    std::vector<std::string> near = ClosestNames(item, names);
    if (!near.empty()) {
      text += "; the closest names are";
      for (size_t i = 0; i < near.size(); ++i) text += fmt::format("{} \"{}\"", i ? "," : "", near[i]);
    }
    std::cerr << TerminalText(text) << '\n';
  }
}

std::optional<std::string> MissingOutputFolder(const std::string& path) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) return std::nullopt;
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return std::nullopt;
  return fmt::format("{}: no such folder: {}", path, folder.string());
}

void ReportDefinitionsFault(HostLibrary& library, const HostSession& session) {
  const std::string& fault = session.DefinitionsFault();
  if (fault.empty()) return;
  const std::vector<std::string> faults = LibraryFaults(library);
  if (std::find(faults.begin(), faults.end(), fault) == faults.end()) std::cerr << "fault: " << TerminalText(fault) << '\n';
}

bool OutputIsInput(const std::string& input, const std::string& output) {
  struct stat in {}, out {};
  const bool stdinput = input == "-";
  if ((stdinput ? fstat(STDIN_FILENO, &in) : stat(input.c_str(), &in)) != 0) return false;
  if (stat(output.c_str(), &out) != 0) return false;
  // Devices (/dev/null, a terminal) are no file to lose.
  if (!S_ISREG(out.st_mode) || in.st_dev != out.st_dev || in.st_ino != out.st_ino) return false;
  std::cerr << TerminalText(fmt::format("{}: the output is the input {} (the same file): give another output; {} is kept",
                                        output, stdinput ? "<stdin>" : input, stdinput ? "the input" : input))
            << '\n';
  return true;
}

}  // namespace eventscan
