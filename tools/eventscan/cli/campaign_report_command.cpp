// eventscan report --db: the campaign's page, written from its database, and
// beside it the report page of every log whose file is still where the
// campaign found it (the single-log report, run as `eventscan report LOG`).
#include <filesystem>
#include <iostream>
#include <map>
#include <sstream>

#include <fmt/format.h>

#include "campaign/campaign_page.h"
#include "cli/command_setup.h"
#include "cli/commands.h"
#include "report/report_file.h"
#include "support/text_escape.h"

namespace eventscan {

int CampaignReportCommand(const ReportOptions& o) {
  namespace fs = std::filesystem;
  try {
    if (auto missing = MissingOutputFolder(o.Output)) {
      std::cerr << TerminalText(*missing) << '\n';
      return ExitInput;
    }
    std::error_code ec;
    if (!fs::is_regular_file(*o.Database, ec)) {
      std::cerr << TerminalText(*o.Database + ": no such campaign database") << '\n';
      return ExitInput;
    }
    const CampaignPageData data = ReadCampaignPage(*o.Database);
    // The logs' pages go into a folder named after the page: campaign.html
    // gets campaign-logs/<log id>.html.
    const fs::path page(o.Output);
    const std::string folderName = page.stem().string() + "-logs";
    const fs::path folder = page.parent_path() / folderName;
    std::map<int64_t, std::string> links;
    bool faulty = false;
    for (const CampaignPageLog& log : data.Logs) {
      if (log.Status != "ok" && log.Status != "damaged") continue;
      // A file of another size is no longer the log the database holds.
      if (!fs::is_regular_file(log.Path, ec) || static_cast<int64_t>(fs::file_size(log.Path, ec)) != log.Size) {
        std::cerr << TerminalText(fmt::format("{}: not there as the campaign ran it; its page is not written", log.Path))
                  << '\n';
        continue;
      }
      fs::create_directories(folder, ec);
      if (ec) {
        std::cerr << TerminalText(fmt::format("{}: cannot make the folder: {}", folder.string(), ec.message())) << '\n';
        return ExitInput;
      }
      ReportOptions one;
      one.Home = o.Home;
      one.Library = o.Library;
      one.Log = log.Path;
      one.Output = (folder / fmt::format("{}.html", log.Id)).string();
      one.Tiles = o.Tiles;  // each log's map over the same street map
      const int status = ReportCommand(one);
      if (status == ExitUsage) return status;
      if (fs::is_regular_file(one.Output, ec)) links[log.Id] = folderName + "/" + fmt::format("{}.html", log.Id);
      faulty = faulty || (status != ExitOk && log.Status == "ok");
    }
    std::ostringstream text;
    WriteCampaignPage(text, data, links);
    const std::string html = std::move(text).str();
    WriteFileAtomically(o.Output, html);
    std::cerr << fmt::format("{}: {} logs, {} pages of logs, {} bytes\n", o.Output, data.Logs.size(), links.size(),
                             html.size());
    return faulty ? ExitInput : ExitOk;
  } catch (const std::exception& e) {
    std::cerr << TerminalText(e.what()) << '\n';
    return ExitInput;
  }
}

}  // namespace eventscan
