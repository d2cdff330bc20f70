// eventscan import: a capture read through tshark and written as a log in
// our format, to a file (replaced whole or not at all) or to stdout; --stats
// lists what was skipped and what has no catalogue code.
#include <iostream>
#include <optional>
#include <sstream>

#include <fmt/format.h>

#include "capture/capture_import.h"
#include "capture/capture_reader.h"
#include "cli/command_setup.h"
#include "cli/commands.h"
#include "host/log_input.h"
#include "support/file_io.h"
#include "support/text_escape.h"

namespace eventscan {

int ImportCommand(const ImportOptions& o) {
  if (o.Output && OutputIsInput(o.Capture, *o.Output)) return ExitUsage;
  try {
    if (o.Output)
      if (auto missing = MissingOutputFolder(*o.Output)) {
        std::cerr << TerminalText(*missing) << '\n';
        return ExitInput;
      }
    if (!IsCaptureFile(o.Capture)) {
      std::cerr << fmt::format("{}: not a pcap or pcapng capture\n", o.Capture);
      return ExitInput;
    }
    CaptureLog capture = ReadCapture(o.Capture);
    PrintCaptureFaults(capture, o.Capture);
    std::cerr << o.Capture << ": " << CaptureSummary(capture) << '\n';
    if (o.Stats) {
      std::cout << fmt::format("{} frames, {} records\n", capture.Stats.Frames, capture.Records.size());
      std::cout << "skipped frames:\n";
      for (const auto& [kind, count] : capture.Stats.Skipped) std::cout << fmt::format("  {:>6}  {}\n", count, kind);
      std::cout << "messages without a catalogue code:\n";
      for (const auto& [name, count] : capture.Stats.Unmapped) std::cout << fmt::format("  {:>6}  {}\n", count, name);
    }
    if (o.Output) {
      std::ostringstream log;
      WriteCaptureLog(log, capture, o.Capture);
      if (std::optional<TSaveFault> fault = TrySaveFileAtomic(*o.Output, log.str())) {
        std::cerr << fmt::format("{}: cannot write the log: {}: {}\n", *o.Output, fault->Step, fault->Reason);
        return ExitInput;
      }
    } else if (!o.Stats) {
      WriteCaptureLog(std::cout, capture, o.Capture);
      std::cout.flush();
    }
    // A capture tshark read only in part: the log holds the records before
    // the damage, and the damage is named last, as a run of it names it.
    if (!capture.Damage.empty()) {
      std::cerr << "fault: " << TerminalText(capture.Damage) << '\n';
      return ExitInput;
    }
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
