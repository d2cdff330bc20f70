// eventscan's manners on the command line, run as a person runs it: the
// version, a typo of a command, an unknown format, events that no definition
// has, an output into a missing folder, a gzip file, the message catalogue;
// text of a log that would drive the terminal shown escaped; and a capture
// through tshark: the network of each row, no change between 2G/3G networks
// reported across a stretch on LTE, a GSM-only capture run as a GSM log, and
// tshark ended with eventscan.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "testing/capture_pcap.h"
#include "testing/e2e_support.h"

extern char** environ;

namespace {

using Command = e2e::ShellResult;

Command shell(const std::string& line, const e2e::fs::path& work) { return e2e::Shell(line, work); }

const std::string Program = EVENTSCAN_PROGRAM;

e2e::GsmtapFrame frame(uint8_t type, uint8_t subType, const std::string& hex, double time) {
  e2e::GsmtapFrame f;
  f.Type = type;
  f.SubType = subType;
  f.Payload = e2e::Hex(hex);
  f.Time = 1521877211.0 + time;
  return f;
}

// Payloads of a handset capture, read in Wireshark.
const char* const GsmPaging = "06 21 00 01 f0 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b 2b";
const char* const RrcConnectionRequest = "29 01 71 4f 1c 20 80 81 7a 33 15 2d 57 3c 80";  // UL-CCCH
const char* const LteSib1 = "60 c8 20 21 90 40 43 6b 5a 00 9c 80";

// The (event, network) of each CSV row.
std::vector<std::pair<std::string, std::string>> eventsOf(const std::string& csv) {
  std::vector<std::pair<std::string, std::string>> out;
  size_t pos = csv.find('\n') + 1;
  while (pos < csv.size()) {
    size_t end = csv.find('\n', pos);
    std::string line = csv.substr(pos, end - pos);
    pos = end == std::string::npos ? csv.size() : end + 1;
    std::vector<std::string> cols;
    for (size_t s = 0, c; s <= line.size(); s = c + 1) {
      c = line.find(',', s);
      if (c == std::string::npos) c = line.size();
      cols.push_back(line.substr(s, c - s));
    }
    if (cols.size() >= 5) out.emplace_back(cols[2], cols[4]);
  }
  return out;
}

}  // namespace

TEST(CommandLine, VersionTyposFormatsUnknownEventsFoldersAndGzip) {
  e2e::TempHome home;
  const std::string h = " --home " + home.Path().string();
  const std::string log = e2e::SampleLog("gsm").string();

  Command version = shell(Program + " --version", home.Path());
  EXPECT_EQ(version.Status, 0);
  EXPECT_EQ(version.Out.rfind("eventscan ", 0), 0u) << version.Out;

  Command typo = shell(Program + " rnu " + log, home.Path());
  EXPECT_EQ(typo.Status, 1);
  EXPECT_NE(typo.Err.find("did you mean \"run\"?"), std::string::npos) << typo.Err;

  Command format = shell(Program + " run " + log + h + " --format xml", home.Path());
  EXPECT_EQ(format.Status, 1);
  EXPECT_NE(format.Err.find("table, csv, json and jsonl"), std::string::npos) << format.Err;

  // "Call Drop" is a GSM event of the sample; "Cal Drop" is none.
  Command only = shell(Program + " run " + log + h + " --format csv --only \"Cal Drop,54\"", home.Path());
  EXPECT_EQ(only.Status, 0) << only.Err;
  EXPECT_NE(only.Err.find("warning: --only: no event is named \"Cal Drop\"; the closest names are \"Call Drop\""),
            std::string::npos)
      << only.Err;
  EXPECT_EQ(only.Err.find("\"54\""), std::string::npos) << "an identifier is no name";

  const std::string missing = (home.Path() / "no-folder" / "rows.csv").string();
  Command folder = shell(Program + " run " + log + h + " --output " + missing, home.Path());
  EXPECT_EQ(folder.Status, 2);
  EXPECT_NE(folder.Err.find("no such folder"), std::string::npos) << folder.Err;
  Command reportFolder = shell(Program + " report " + log + h + " -o " + missing, home.Path());
  EXPECT_NE(reportFolder.Err.find("no such folder"), std::string::npos) << reportFolder.Err;

  const std::string gz = (home.Path() / "gsm.jsonl.gz").string();
  ASSERT_EQ(std::system(("gzip -c " + log + " > " + gz).c_str()), 0);
  // run and report read a compressed log as they read the plain one; import
  // reads captures only, compressed or not, and a log is none.
  Command plain = shell(Program + " run " + log + h + " --format csv", home.Path());
  Command packed = shell(Program + " run " + gz + h + " --format csv", home.Path());
  EXPECT_EQ(packed.Status, 0) << packed.Err;
  EXPECT_EQ(packed.Out, plain.Out);
  Command report = shell(Program + " report " + gz + h + " -o " + (home.Path() / "r.html").string(), home.Path());
  EXPECT_EQ(report.Status, 0) << report.Err;
  Command import = shell(Program + " import " + gz + " -o " + (home.Path() / "i.jsonl").string(), home.Path());
  EXPECT_EQ(import.Status, 2);
  EXPECT_NE(import.Err.find("not a pcap or pcapng capture"), std::string::npos) << import.Err;
}

TEST(CommandLine, MessagesListsTheCatalogueOfANetwork) {
  e2e::TempDir dir;
  // Codes by 3GPP: MM Location Updating Request 0x08 (24.008), CC Alerting
  // 0x01; RRC Connection Request in the WCDMA catalogue 0x412F0001.
  Command gsm = shell(Program + " messages --network GSM --find location", dir.Path());
  EXPECT_EQ(gsm.Status, 0) << gsm.Err;
  EXPECT_NE(gsm.Out.find("0x012F0508    19858696"), std::string::npos) << gsm.Out;
  EXPECT_EQ(gsm.Out.find("Alerting"), std::string::npos) << gsm.Out;
  Command umts = shell(Program + " messages --network umts --find \"rrc connection request\"", dir.Path());
  EXPECT_NE(umts.Out.find("0x412F0001  1093599233"), std::string::npos) << umts.Out;
  Command all = shell(Program + " messages --network GSM", dir.Path());
  EXPECT_NE(all.Out.find("0x012F1301    19862273"), std::string::npos) << all.Out;
  // The LTE catalogue, as docs/message-bytes.md numbers it.
  Command lte = shell(Program + " messages --network LTE --find reject", dir.Path());
  EXPECT_EQ(lte.Status, 0) << lte.Err;
  EXPECT_NE(lte.Out.find("0x722F0744  1915684676             Attach Reject [EMM]"), std::string::npos) << lte.Out;
  EXPECT_NE(lte.Out.find("0x712F2103  1898914051             RRC Connection Reject [RRC]"), std::string::npos)
      << lte.Out;
  Command bad = shell(Program + " messages --network NR", dir.Path());
  EXPECT_EQ(bad.Status, 1);
}

TEST(CommandLine, TextOfTheLogThatDrivesTheTerminalIsShownEscaped) {
  e2e::TempHome home;
  const e2e::fs::path log = home.Path() / "tag.jsonl";
  // A tag text that would set the terminal's title, and a malformed line
  // whose bad value holds the same.
  e2e::WriteFile(log,
                 "{\"format\": \"eventscan-log\", \"version\": 1, \"network\": \"GSM\"}\n"
                 "{\"time\": \"2026-03-14T10:00:01\", \"kind\": \"test\", \"items\": [{\"id\": 163, \"text\": "
                 "\"\\u001b]0;owned\\u0007\"}]}\n"
                 "{\"time\": \"\\u001b]0;owned\\u0007\", \"kind\": \"measurement\"}\n");
  Command table = shell(Program + " run " + log.string() + " --home " + home.Path().string(), home.Path());
  EXPECT_EQ(table.Out.find('\x1b'), std::string::npos) << table.Out;
  EXPECT_EQ(table.Out.find('\x07'), std::string::npos) << table.Out;
  EXPECT_NE(table.Out.find("\\e]0;owned\\x07"), std::string::npos) << table.Out;
  EXPECT_EQ(table.Err.find('\x1b'), std::string::npos) << table.Err;
  EXPECT_EQ(table.Err.find('\x07'), std::string::npos) << table.Err;
  EXPECT_NE(table.Err.find("tag.jsonl:3: time: \"\\e]0;owned\\x07\""), std::string::npos) << table.Err;
}

TEST(CommandLine, ACaptureRowShowsItsNetworkAndLteBreaksAChangeBetween2gAnd3g) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  // A location update on GSM, GSM paging, then the handset on UMTS: a change
  // from GSM to UMTS. With LTE in between (a CS fallback), the handset comes
  // to UMTS from LTE.
  e2e::GsmtapFrame request = frame(2, 0, "05 08 11 02 f8 10 00 01 33 05 f4 08 43 e8 bc", 0);
  request.Uplink = true;
  const e2e::GsmtapFrame accept = frame(2, 0, "05 02 02 f8 10 00 01", 0.2);
  const std::vector<e2e::GsmtapFrame> direct = {request, accept, frame(2, 0, GsmPaging, 0.4),
                                                frame(12, 3, RrcConnectionRequest, 1)};
  const std::vector<e2e::GsmtapFrame> viaLte = {request, accept, frame(2, 0, GsmPaging, 0.4),
                                                frame(13, 5, LteSib1, 0.5), frame(12, 3, RrcConnectionRequest, 1)};
  e2e::WritePcap(home.Path() / "direct.pcap", direct);
  e2e::WritePcap(home.Path() / "lte.pcap", viaLte);
  const std::string run = Program + " run --format csv --home " + home.Path().string() + " ";
  Command a = shell(run + (home.Path() / "direct.pcap").string(), home.Path());
  ASSERT_EQ(a.Status, 0) << a.Err;
  using Rows = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(eventsOf(a.Out), (Rows{{"Location Update Attempt", "GSM"},
                                   {"Location Update Success", "GSM"},
                                   {"Inter-System Change GSM to UMTS", "UMTS"}}))
      << a.Out;
  Command b = shell(run + (home.Path() / "lte.pcap").string(), home.Path());
  ASSERT_EQ(b.Status, 0) << b.Err;
  EXPECT_EQ(eventsOf(b.Out), (Rows{{"Location Update Attempt", "GSM"}, {"Location Update Success", "GSM"}})) << b.Out;
  // The report's table names the network of each event too.
  const std::string page = (home.Path() / "page.html").string();
  Command report = shell(Program + " report --home " + home.Path().string() + " " +
                             (home.Path() / "direct.pcap").string() + " -o " + page,
                         home.Path());
  ASSERT_EQ(report.Status, 0) << report.Err;
  const std::string html = e2e::ReadFile(page);
  EXPECT_NE(html.find(",\"GSM\"]"), std::string::npos);
  EXPECT_NE(html.find(",\"UMTS\"]"), std::string::npos);
  EXPECT_NE(b.Err.find("lte.pcap: frames 4-4: the handset is on LTE (not run: no record can carry LTE); the events "
                       "start again after it\n"),
            std::string::npos)
      << b.Err;
}

TEST(CommandLine, ACaptureOfGsmFramesOnlyRunsWithTheGsmDefinitions) {
  if (!e2e::TsharkAvailable()) GTEST_SKIP() << "tshark is not installed (Debian package tshark)";
  e2e::TempHome home;
  // Location Updating Request and Accept, Handover Command and Complete: the
  // GSM sample's "Location Update" (its request and its success) and
  // "Handover", found by the GSM definitions.
  std::vector<e2e::GsmtapFrame> frames = {frame(2, 0, "05 08 11 02 f8 10 00 01 33 05 f4 08 43 e8 bc", 0),
                                          frame(2, 0, "05 02 02 f8 10 00 01", 0.5),
                                          frame(2, 0, "06 2b 62 3e 0a 0f 93 01 00", 2),
                                          frame(2, 0, "06 2c 00", 2.5)};
  frames[0].Uplink = true;
  e2e::WritePcap(home.Path() / "gsm.pcap", frames);
  Command got = shell(Program + " run --format csv --home " + home.Path().string() + " " +
                          (home.Path() / "gsm.pcap").string(),
                      home.Path());
  ASSERT_EQ(got.Status, 0) << got.Err;
  using Rows = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(eventsOf(got.Out),
            (Rows{{"Location Update Attempt", "GSM"}, {"Location Update Success", "GSM"}, {"Handover Success", "GSM"}}))
      << got.Out << got.Err;
}

TEST(CommandLine, EndingEventscanEndsItsTshark) {
  e2e::TempDir dir;
  e2e::GsmtapFrame f;
  f.Payload = e2e::Hex("83 2a");
  e2e::WritePcap(dir.Path() / "c.pcap", {f});
  // The fake tshark holds a named pipe open for writing while it lives: the
  // test reads the pipe's end of file once no process holds it.
  const auto alive = dir.Path() / "alive";
  ASSERT_EQ(mkfifo(alive.c_str(), 0600), 0);
  const auto fake = dir.Path() / "tshark";
  e2e::WriteFile(fake, "#!/bin/sh\nexec 3>" + alive.string() + "\nexec sleep infinity\n");
  chmod(fake.c_str(), 0755);

  const std::string env = "EVENTSCAN_TSHARK=" + fake.string();
  std::vector<std::string> args = {Program, "import", (dir.Path() / "c.pcap").string()};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (char** e = environ; *e; ++e) envp.push_back(*e);
  std::string envText = env;
  envp.push_back(envText.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, Program.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);

  const int fd = open(alive.c_str(), O_RDONLY);  // returns once the fake runs
  ASSERT_GE(fd, 0);
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  // End of file once tshark is gone; the poll limit only keeps a failing
  // test from hanging.
  pollfd p = {fd, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 30000), 1) << "tshark is still running";
  char c;
  EXPECT_EQ(read(fd, &c, 1), 0);
  close(fd);
}
