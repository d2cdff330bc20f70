#include "report_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>

#include <fmt/format.h>

#include "capture_commands.h"
#include "capture_reader.h"
#include "host_layout.h"
#include "host_session.h"
#include "log_reader.h"
#include "networks.h"
#include "report_data.h"
#include "report_page.h"

namespace eventscan {
namespace {

namespace fs = std::filesystem;

std::runtime_error writeError(const std::string& path, const char* what) {
  return std::runtime_error(fmt::format("{}: cannot write the report: {} ({})", path, what, std::strerror(errno)));
}

}  // namespace

void WriteFileAtomically(const std::string& path, const std::string& text) {
  fs::path target(path);
  fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = mkstemp(temp.data());
  if (fd < 0) throw writeError(path, "no temporary file in its directory");
  // Keep the permissions of the page being replaced; a new page gets the
  // usual ones for a document rather than mkstemp's owner-only mode.
  struct stat old{};
  mode_t mode;
  if (::stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    mode_t mask = umask(0);
    umask(mask);
    mode = 0666 & ~mask;
  }
  fchmod(fd, mode);
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      auto error = writeError(path, "write failed");
      ::close(fd);
      ::unlink(temp.c_str());
      throw error;
    }
    done += static_cast<size_t>(n);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    auto error = writeError(path, "write failed");
    ::unlink(temp.c_str());
    throw error;
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    auto error = writeError(path, "rename failed");
    ::unlink(temp.c_str());
    throw error;
  }
}

int ReportCommand(const ReportOptions& o) {
  ReadOptions read;
  EventFilter filter;
  if (!PrepareLogOptions(o, read, filter)) return ExitUsage;
  // Outlives the library's errors, as in RunCommand.
  std::unique_ptr<HostLibrary> library;
  try {
    ChooseHomeDirectory(o.Home);
    library = std::make_unique<HostLibrary>(o.Library ? *o.Library : HostLibrary::DefaultPath());
    // The same record sources as `eventscan run`: whatever it reads, the
    // report draws.
    std::optional<LogInput> input = OpenLogOrCapture(o, read);
    if (!input) return ExitInput;
    std::string page;
    size_t events = 0;
    {
      // The results read their records through the session, so the report is
      // gathered while it is open.
      HostSession session(*library, input->Header().Network, filter);
      ReportData data;
      if (input->Stream) {
        // The route and the signal are taken from each record as it passes.
        ReportTrack track(input->Stream->Name(), input->Header().Network);
        session.Feed(*input->Stream, [&track](const HandsetRecord& rec) { track.Add(rec); });
        if (!FinishInput(o, *input)) return ExitInput;
        data = CollectReport(session.Results(), std::move(track), session.Filter());
      } else {
        session.Feed(*input->Parsed);
        data = CollectReport(session.Results(), *input->Parsed, session.Filter());
      }
      events = data.Events.size();
      std::ostringstream text;
      WriteReportPage(text, data);
      page = std::move(text).str();
    }
    WriteFileAtomically(o.Output, page);
    std::cerr << fmt::format("{}: {} records, {} events, {} bytes\n", o.Output, input->Records(), events,
                             page.size());
    return ExitOk;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
