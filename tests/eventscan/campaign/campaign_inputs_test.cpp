// What a campaign finds below its folders: a file or folder that cannot be
// read is a fault of its own, named in the database, never passed over.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "campaign_support.h"
#include "testing/e2e_support.h"

namespace {

namespace fs = std::filesystem;
using campaign::Quoted;
using campaign::Ran;

// The path, status and fault of every log stored, the paths below `dir`
// relative to it, so that they read the same wherever the test runs.
std::vector<std::string> storedStatuses(const fs::path& db, const fs::path& dir) {
  std::vector<std::string> rows;
  for (std::string row : campaign::Query(db, "SELECT path, status, coalesce(fault, '') FROM logs ORDER BY path")) {
    if (row.rfind(dir.string() + "/", 0) == 0) row.erase(0, dir.string().size() + 1);
    for (size_t at; (at = row.find(dir.string() + "/")) != std::string::npos;) row.erase(at, dir.string().size() + 1);
    rows.push_back(row);
  }
  return rows;
}

bool setprivRunsAsNobody(const fs::path& work) {
  return std::system(("/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups /bin/true 2>" +
                      Quoted(work / "setpriv.txt"))
                         .c_str()) == 0;
}

}  // namespace

// A link that leads nowhere and one that leads round in a circle cannot be
// read by anyone, root included: each is a fault row naming it, the log
// beside them runs, and the campaign ends with status 2. Run as a user who
// may not read them, a file at mode 000 and a folder at mode 000 are faults
// the same way (root reads them whatever their mode: it runs the campaign as
// nobody for that).
TEST(CampaignInputs, WhatCannotBeReadBelowItsFoldersIsAFaultNamingIt) {
  e2e::TempHome home;
  e2e::TempDir work;
  const fs::path logs = work.Path() / "logs";
  fs::create_directories(logs / "sub");
  fs::copy_file(e2e::SampleLog("gsm"), logs / "gsm.jsonl");
  fs::create_symlink("nowhere.jsonl", logs / "gone.jsonl");
  fs::create_symlink("loop.jsonl", logs / "loop.jsonl");
  const fs::path db = work.Path() / "campaign.sqlite";
  Ran r = campaign::Run("campaign " + Quoted(logs) + " --db " + Quoted(db) + " --home " + Quoted(home.Path()),
                        work.Path());
  EXPECT_EQ(r.Status, 2) << r.Err;
  EXPECT_NE(r.Err.find("3 logs: 1 ok, 2 faulty"), std::string::npos) << r.Err;
  EXPECT_EQ(storedStatuses(db, logs),
            (std::vector<std::string>{
                "gone.jsonl\tfault\tgone.jsonl: cannot open the log: No such file or directory (a link to "
                "nowhere.jsonl)",
                "gsm.jsonl\tok\t",
                "loop.jsonl\tfault\tloop.jsonl: cannot open the log: Too many levels of symbolic links (a link to "
                "loop.jsonl)"}));

  // A file and a folder the user may not read.
  fs::copy_file(e2e::SampleLog("umts"), logs / "sub" / "umts.jsonl");
  fs::copy_file(e2e::SampleLog("cdma"), logs / "closed.jsonl");
  fs::permissions(logs / "closed.jsonl", fs::perms::none);
  fs::permissions(logs / "sub", fs::perms::none);
  std::string as;
  if (geteuid() == 0) {
    if (!setprivRunsAsNobody(work.Path()))
      GTEST_SKIP() << "run as root without setpriv: a file at mode 000 cannot be tried ("
                   << e2e::ReadFile(work.Path() / "setpriv.txt") << ")";
    as = "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups ";
    ASSERT_EQ(std::system(("chown -R 65534:65534 " + Quoted(work.Path()) + " " + Quoted(home.Path())).c_str()), 0);
  }
  const fs::path second = work.Path() / "second.sqlite";
  const e2e::ShellResult s = e2e::Shell(as + Quoted(EVENTSCAN_PROGRAM) + " campaign " + Quoted(logs) + " --db " +
                                            Quoted(second) + " --home " + Quoted(home.Path()),
                                        work.Path());
  fs::permissions(logs / "sub", fs::perms::owner_all);
  EXPECT_EQ(s.Status, 2) << s.Err;
  EXPECT_NE(s.Err.find("5 logs: 1 ok, 4 faulty"), std::string::npos) << s.Err;
  EXPECT_EQ(storedStatuses(second, logs),
            (std::vector<std::string>{
                "closed.jsonl\tfault\tclosed.jsonl: cannot open the log: Permission denied",
                "gone.jsonl\tfault\tgone.jsonl: cannot open the log: No such file or directory (a link to "
                "nowhere.jsonl)",
                "gsm.jsonl\tok\t",
                "loop.jsonl\tfault\tloop.jsonl: cannot open the log: Too many levels of symbolic links (a link to "
                "loop.jsonl)",
                "sub\tfault\tsub: cannot read the folder: Permission denied; the logs in it are not run"}));
}
