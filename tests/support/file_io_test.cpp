// Saving the user's files: a failed write, sync or rename leaves the old file
// and no temporary file behind and says why; modes, links and stale
// temporary names are respected.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "eventmanager/errors.h"
#include "platform/xml_file.h"
#include "support/file_io.h"
#include "testing/child_process.h"

namespace fs = std::filesystem;

namespace {

class SavedFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("em-save-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ClearFileFaults();
  }
  void TearDown() override {
    ResetSaveCalls();
    ClearFileFaults();
    fs::remove_all(dir_);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static void write(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
  size_t entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator())); }
  static pugi::xml_document document(const char* root) {
    pugi::xml_document doc;
    doc.append_child(root).append_attribute("saved") = "yes";
    return doc;
  }

  fs::path dir_;
};

}  // namespace

TEST_F(SavedFile, FailedStepsKeepTheOldFileAndSayWhy) {
  struct Case {
    const char* name;
    void (*inject)();
    const char* reason;
  };
  const Case cases[] = {
      {"disk full", [] { SaveCalls().Write = [](int, const void*, size_t) -> long { errno = ENOSPC; return -1; }; },
       "cannot write: No space left on device"},
      {"short writes then full", [] {
         SaveCalls().Write = [](int fd, const void* data, size_t) -> long {
           static int calls = 0;
           if (++calls % 3 == 0) { errno = ENOSPC; return -1; }
           return ::write(fd, data, 1);
         };
       },
       "cannot write: No space left on device"},
      {"sync fails", [] { SaveCalls().Fsync = [](int) { errno = EIO; return -1; }; }, "cannot sync: Input/output error"},
      {"rename fails", [] { SaveCalls().Rename = [](const char*, const char*) { errno = EXDEV; return -1; }; },
       "cannot replace the file: Invalid cross-device link"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = path("EventsProperty.cfg");
    write(file, "<Propertys>the user's</Propertys>");
    ResetSaveCalls();
    c.inject();
    try {
      SaveXmlFileAtomic(document("Propertys"), file);
      ADD_FAILURE() << "no error";
    } catch (const EEventManagerError& e) {
      EXPECT_EQ(std::string(e.what()), file + ": cannot save: " + c.reason);
    }
    EXPECT_EQ(read(file), "<Propertys>the user's</Propertys>");
    EXPECT_EQ(entries(), 1u) << "a temporary file was left behind";
  }
}

// A rename onto a directory fails with the system's reason, not "Success".
TEST_F(SavedFile, RenameOntoADirectorySaysWhy) {
  const std::string target = path("EventsDefine.cfg");
  fs::create_directories(fs::path(target) / "inside");
  try {
    SaveXmlFileAtomic(document("Events"), target);
    ADD_FAILURE() << "no error";
  } catch (const EEventManagerError& e) {
    EXPECT_EQ(std::string(e.what()), target + ": cannot save: cannot replace the file: Is a directory");
  }
  EXPECT_EQ(entries(), 1u);
}

TEST_F(SavedFile, ModesLinksAndStaleTemporaryNames) {
  // A private file stays private.
  const std::string file = path("EventsProperty.cfg");
  write(file, "<Propertys/>");
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  SaveXmlFileAtomic(document("Propertys"), file);
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::mask, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_NE(read(file).find("saved=\"yes\""), std::string::npos);

  // A link is written through to the file it names and stays a link.
  fs::create_directories(dir_ / "real");
  write(dir_ / "real" / "EventsDefine.cfg", "<Events/>");
  fs::create_symlink("real/EventsDefine.cfg", dir_ / "EventsDefine.cfg");
  SaveXmlFileAtomic(document("Events"), path("EventsDefine.cfg"));
  EXPECT_TRUE(fs::is_symlink(dir_ / "EventsDefine.cfg"));
  EXPECT_NE(read(dir_ / "real" / "EventsDefine.cfg").find("saved=\"yes\""), std::string::npos);

  // A stale link at a temporary-looking name is never followed.
  write(dir_ / "victim", "keep me");
  fs::create_symlink(dir_ / "victim", dir_ / "EventsProperty.cfg.tmp");
  SaveXmlFileAtomic(document("Propertys"), file);
  EXPECT_EQ(read(dir_ / "victim"), "keep me");

  // A new file gets the process's usual mode, not mkstemp's 0600.
  mode_t mask = umask(022);
  SaveXmlFileAtomic(document("Propertys"), path("New.cfg"));
  umask(mask);
  EXPECT_EQ(fs::status(path("New.cfg")).permissions() & fs::perms::mask,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

// A save killed half way leaves ".<name>.saving-XXXXXX" behind; the next save
// of that file removes such leftovers of ours, old or new, but never one a
// writer holds locked, a link, or a name of another pattern. The unmarked
// names of earlier versions go once they are ten minutes old, so that a
// user's fresh ".EventsProperty.cfg.backup" is not taken for one.
TEST_F(SavedFile, StaleTemporariesOfOursGoWithTheNextSave) {
  const std::string file = path("EventsProperty.cfg");
  write(file, "<Propertys/>");
  auto aged = [&](const std::string& name, int64_t secondsAgo) {
    write(dir_ / name, "<Propertys><Test><Property-0");  // cut off, as a killed save leaves it
    const timespec when[2] = {{time(nullptr) - secondsAgo, 0}, {time(nullptr) - secondsAgo, 0}};
    EXPECT_EQ(utimensat(AT_FDCWD, (dir_ / name).c_str(), when, 0), 0);
  };
  aged(".EventsProperty.cfg.saving-a1B2c3", 3600);  // killed an hour ago: removed
  aged(".EventsProperty.cfg.saving-Zz9Yy8", 0);     // killed just now: removed too
  aged(".EventsProperty.cfg.saving-LOCKED", 3600);  // held by a writer: kept
  aged(".EventsProperty.cfg.q9W8e7", 3600);         // an earlier version's, an hour old: removed
  aged(".EventsProperty.cfg.backup", 0);            // unmarked and fresh: the user's, kept
  aged(".EventsDefine.cfg.q1w2e3", 3600);        // another file's: not this save's
  aged(".EventsProperty.cfg.toolong1", 3600);    // not our pattern
  aged("EventsProperty.cfg.a1B2c3", 3600);       // not hidden: not ours
  write(dir_ / "victim", "keep me");
  fs::create_symlink(dir_ / "victim", dir_ / ".EventsProperty.cfg.link01");
  const int held = open((dir_ / ".EventsProperty.cfg.saving-LOCKED").c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  ASSERT_EQ(flock(held, LOCK_EX), 0);

  SaveXmlFileAtomic(document("Propertys"), file);
  close(held);
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(dir_)) left.push_back(entry.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".EventsDefine.cfg.q1w2e3", ".EventsProperty.cfg.backup",
                                            ".EventsProperty.cfg.link01", ".EventsProperty.cfg.saving-LOCKED",
                                            ".EventsProperty.cfg.toolong1", "EventsProperty.cfg",
                                            "EventsProperty.cfg.a1B2c3", "victim"}));
  EXPECT_EQ(read(dir_ / "victim"), "keep me");
  EXPECT_NE(read(file).find("saved=\"yes\""), std::string::npos);
}

// A save killed with SIGKILL half way through its write keeps the old file
// and leaves its temporary file; the next save removes that at once, however
// fresh it is, but never the temporary file of a save still writing, which
// then finishes as if nothing had happened.
TEST_F(SavedFile, AKilledSavesTemporaryGoesWithTheNextSaveAWritingOneStays) {
  const std::string file = path("EventsProperty.cfg");
  write(file, "<Propertys>the user's</Propertys>");
  auto temporaries = [&] {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().filename().string().starts_with(".EventsProperty.cfg."))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  };
  const std::string killedText(64 * 1024, 'k'), writingText(64 * 1024, 'w');

  // One save stops half way and goes on later; another stops half way and
  // is killed there.
  TStoppedSave writing(file, writingText);
  ASSERT_TRUE(writing.Stopped());
  const std::vector<std::string> running = temporaries();
  ASSERT_EQ(running.size(), 1u);
  TStoppedSave killed(file, killedText);
  ASSERT_TRUE(killed.Stopped());
  killed.Kill();
  EXPECT_EQ(read(file), "<Propertys>the user's</Propertys>");
  std::vector<std::string> debris = temporaries();
  ASSERT_EQ(debris.size(), 2u) << "the killed save left no temporary file, or took the running one's";
  ASSERT_NE(std::find(debris.begin(), debris.end(), running[0]), debris.end());
  debris.erase(std::find(debris.begin(), debris.end(), running[0]));
  EXPECT_EQ(read(dir_ / debris[0]), killedText.substr(0, killedText.size() / 2));

  SaveXmlFileAtomic(document("Propertys"), file);
  EXPECT_NE(read(file).find("saved=\"yes\""), std::string::npos);
  EXPECT_EQ(temporaries(), running) << "the killed save's temporary file is still there, or the running one's went";

  EXPECT_EQ(writing.Finish(), 0) << "the running save failed";
  EXPECT_EQ(read(file), writingText);
  EXPECT_TRUE(temporaries().empty());
}
