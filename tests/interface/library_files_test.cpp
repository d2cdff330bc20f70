// What the library does with the files of its home directory, seen from a
// host: no write without a change, unused property records dropped by the
// next save, and malformed files reported and kept byte for byte.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <functional>
#include <regex>

#include "cli/commands.h"
#include "eventmanager/event_property.h"
#include "testing/child_process.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

struct FileState {
  std::string Bytes;
  e2e::fs::file_time_type Time;
  bool operator==(const FileState& o) const { return Bytes == o.Bytes && Time == o.Time; }
};

FileState stateOf(const e2e::fs::path& path) { return {e2e::ReadFile(path), e2e::fs::last_write_time(path)}; }

std::vector<std::string> listing(const e2e::fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : e2e::fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A full host session over every network and the GSM sample log.
void runEverything(HostLibrary& library) {
  HostSession session(library, 0);
  for (uint8_t net : {1, 2, 3, 0}) session.Reload(net);
  ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
  session.Feed(log);
}

// The first result whose event has this name.
TEventResult* resultNamed(TEventsResult& results, const std::string& wanted) {
  for (int32_t i = 0; i < results.GetCount(); ++i) {
    std::string name;
    results.GetResult(i)->GetEventName(name);
    if (name == wanted) return results.GetResult(i);
  }
  return nullptr;
}

}  // namespace

TEST(LibraryFiles, FinalWritesNoFileWithoutAChange) {
  e2e::TempHome home;
  // The first run may complete the sample registry (records that linking
  // creates); from then on the files are settled.
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    runEverything(*library);
  });
  const FileState define = stateOf(home.Path() / "EventsDefine.cfg");
  const FileState property = stateOf(home.Path() / "EventsProperty.cfg");
  const std::vector<std::string> files = listing(home.Path());
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    EXPECT_TRUE(library.Faults().empty());
    runEverything(*library);
  });
  EXPECT_TRUE(stateOf(home.Path() / "EventsDefine.cfg") == define);
  EXPECT_TRUE(stateOf(home.Path() / "EventsProperty.cfg") == property) << "written without a change";
  EXPECT_EQ(listing(home.Path()), files) << "no temporary or backup file is left behind";
}

TEST(LibraryFiles, UnusedPropertyRecordsAreGoneAfterTheNextSave) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
  std::string text = e2e::ReadFile(file);
  const std::string unused =
      R"(<Property-99 EventName="Nobody Defines This" BitmapFile="" VoiceText="" FontColor="255" BackColor="0" )"
      R"(DrawInMap="True" DrawInGraph="True" Display="True" PlayVoice="False" />)";
  size_t at = text.find("</GSM-Message>");
  ASSERT_NE(at, std::string::npos);
  text.insert(at, unused + "\n    ");
  e2e::WriteFile(file, text);
  const e2e::fs::path count = home.Path() / "gsm-records.txt";
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    EXPECT_TRUE(library.Faults().empty());
    e2e::WriteFile(count, std::to_string(library->MsgPropertyListCount(0)));
    // A change a user makes through the host: a new colour for Start Dial.
    HostSession session(*library, 0);
    ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
    session.Feed(log);
    TEventResult* dial = resultNamed(session.Results(), "Start Dial");
    ASSERT_NE(dial, nullptr);
    dial->Property->SetFontColor(0x123456);
  });
  std::string saved = e2e::ReadFile(file);
  EXPECT_EQ(saved.find("Nobody Defines This"), std::string::npos);
  EXPECT_TRUE(std::regex_search(saved, std::regex(R"(EventName="Start Dial"[^>]*FontColor="1193046")")));
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary again(home.Path());
    EXPECT_EQ(std::to_string(again->MsgPropertyListCount(0)), e2e::ReadFile(count))
        << "the saved GSM list holds what start-up kept";
  });
}

// A file that does not parse is left where and as it is: same bytes, same
// time, no copy beside it.
bool keptByteForByte(const e2e::fs::path& path, const FileState& before) { return stateOf(path) == before; }

TEST(LibraryFiles, MalformedFilesAreReportedAndKeptByteForByte) {
  struct Case {
    const char* file;
    std::string text;
  };
  const Case cases[] = {
      {"EventsDefine.cfg", "<?xml version=\"1.0\"?>\n<Events>\n  <Message>\n    <GSM>\n      <MsgEvent-0 EventName=\"x\"\n"},
      {"EventsProperty.cfg", "<?xml version=\"1.0\"?>\n<Propertys>\n  <Test>\n    <Property-0 EventName=\"Start Dial\" <\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    e2e::TempHome home;
    const e2e::fs::path path = home.Path() / c.file;
    e2e::WriteFile(path, c.text);
    const FileState before = stateOf(path);
    e2e::InFreshProcess([&] {
      e2e::LoadedLibrary library(home.Path());
      std::vector<std::string> faults = library.Faults();
      ASSERT_FALSE(faults.empty());
      EXPECT_NE(faults.front().find(c.file), std::string::npos) << faults.front();
      EXPECT_TRUE(std::regex_search(faults.front(), std::regex(R"(\.cfg:[0-9]+: .+)"))) << faults.front();
      try {
        // Test items still give results, and a user's change makes the final call save.
        HostSession session(*library, 0);
        ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
        session.Feed(log);
        TEventResult* dial = resultNamed(session.Results(), "Start Dial");
        ASSERT_NE(dial, nullptr);
        dial->Property->SetFontColor(0x654321);
      } catch (const std::exception& e) {
        // Loading the definitions of a file that did not parse may refuse, naming the file.
        EXPECT_NE(std::string(e.what()).find(c.file), std::string::npos) << e.what();
      }
    });
    EXPECT_TRUE(keptByteForByte(path, before)) << "the bytes of a file that did not parse were lost";
    e2e::InFreshProcess([&] {
      CommonOptions check;
      check.Home = home.Path().string();
      check.Library = EVENTMANAGER_LIBRARY;
      EXPECT_EQ(CheckCommand(check), ExitInput);
    });
  }
}

TEST(LibraryFiles, CheckPassesWithoutDefinitionFilesAndFailsWithoutAHome) {
  e2e::TempHome home;
  e2e::TempDir empty;
  const std::pair<std::string, int> cases[] = {
      {home.Path().string(), ExitOk},
      // The library runs without either file: no user events, and the
      // properties file is written by the first save.
      {empty.Path().string(), ExitOk},
      {"/nonexistent/eventscan/home", ExitInput},
  };
  for (const auto& [dir, status] : cases) {
    SCOPED_TRACE(dir);
    e2e::InFreshProcess([&] {
      CommonOptions check;
      check.Library = EVENTMANAGER_LIBRARY;
      check.Home = dir;
      EXPECT_EQ(CheckCommand(check), status);
    });
  }
}

namespace {

// Runs `eventscan run` on the GSM sample log in a child process with its
// stderr in `errors`; returns the child's process id.
pid_t startRun(const e2e::fs::path& home, const e2e::fs::path& output, const e2e::fs::path& errors) {
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t child = fork();
  if (child != 0) return child;
  int fd = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(fd, STDERR_FILENO);
  RunOptions run;
  run.Log = e2e::SampleLog("gsm").string();
  run.Home = home.string();
  run.Library = EVENTMANAGER_LIBRARY;
  run.Output = output.string();
  run.Format = OutputFormat::Csv;
  int status = RunCommand(run);
  std::fflush(stderr);
  _exit(status);
}

int exitOf(pid_t child) {
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Property elements under <Message> and under <Gate> of a properties file.
std::pair<size_t, size_t> recordCounts(const e2e::fs::path& file) {
  const std::string text = e2e::ReadFile(file);
  auto count = [&](const std::string& section) {
    size_t from = text.find("<" + section + ">"), to = text.find("</" + section + ">");
    size_t n = 0;
    for (size_t at = text.find("<Property-", from); from != std::string::npos && at < to;
         at = text.find("<Property-", at + 1))
      ++n;
    return n;
  };
  return {count("Message"), count("Gate")};
}

}  // namespace

// Several runs at once on a home whose properties file does not parse: every
// run reports it, and the file stays exactly where and as it was.
TEST(LibraryFiles, ParallelRunsOnAMalformedFileKeepItAndReportIt) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
  e2e::WriteFile(file, e2e::ReadFile(file).substr(0, 5000));
  const FileState before = stateOf(file);
  const std::vector<std::string> files = listing(home.Path());
  e2e::TempDir work;
  std::vector<pid_t> runs;
  for (int i = 0; i < 6; ++i)
    runs.push_back(startRun(home.Path(), work.Path() / ("out" + std::to_string(i)),
                            work.Path() / ("err" + std::to_string(i))));
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(exitOf(runs[i]), ExitOk);
    std::string errors = e2e::ReadFile(work.Path() / ("err" + std::to_string(i)));
    EXPECT_NE(errors.find("fault: " + file.string() + ":"), std::string::npos) << errors;
    EXPECT_NE(e2e::ReadFile(work.Path() / ("out" + std::to_string(i))).find("Start Dial"), std::string::npos);
  }
  EXPECT_TRUE(stateOf(file) == before) << "the user's file was touched";
  EXPECT_EQ(listing(home.Path()), files) << "copies or temporary files were left";
}

// A save that fails at the end of a run (here: the properties file is a link
// into a folder that does not exist) is reported after the results are
// written, and the run exits with its own status instead of aborting.
TEST(LibraryFiles, FailedFinalSaveIsReportedAfterTheResults) {
  e2e::TempHome home;
  const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
  e2e::fs::remove(file);
  e2e::fs::create_symlink("gone/EventsProperty.cfg", file);
  e2e::TempDir work;
  int status = exitOf(startRun(home.Path(), work.Path() / "out.csv", work.Path() / "err"));
  EXPECT_EQ(status, ExitSave);
  EXPECT_NE(e2e::ReadFile(work.Path() / "out.csv").find("Start Dial"), std::string::npos) << "results lost";
  std::string errors = e2e::ReadFile(work.Path() / "err");
  EXPECT_NE(errors.find("fault: " + file.string() +
                        ": cannot save: cannot create a temporary file: No such file or directory"),
            std::string::npos)
      << errors;
}

// Start-up prunes the property records of a kind only when the definitions of
// that kind were read: without them, the next save keeps every record.
TEST(LibraryFiles, MissingDefinitionsCostNoPropertyRecords) {
  auto without = [](const std::string& section) {
    return [section](const e2e::fs::path& define) {
      std::string text = e2e::ReadFile(define);
      size_t from = text.find("<" + section + ">"), to = text.find("</" + section + ">");
      ASSERT_NE(to, std::string::npos);
      e2e::WriteFile(define, text.erase(from, to + section.size() + 3 - from));
    };
  };
  const std::pair<const char*, std::function<void(const e2e::fs::path&)>> cases[] = {
      {"no definitions file", [](const e2e::fs::path& define) { e2e::fs::remove(define); }},
      {"no Message element", without("Message")},
      {"no Gate element", without("Gate")},
  };
  for (const auto& [name, change] : cases) {
    SCOPED_TRACE(name);
    e2e::TempHome home;
    const e2e::fs::path file = home.Path() / "EventsProperty.cfg";
    const auto before = recordCounts(file);
    ASSERT_GT(before.first, 0u);
    ASSERT_GT(before.second, 0u);
    change(home.Path() / "EventsDefine.cfg");
    e2e::InFreshProcess([&] {
      e2e::LoadedLibrary library(home.Path());
      HostSession session(*library, 0);
      ParsedLog log = ReadLog(e2e::SampleLog("gsm").string());
      session.Feed(log);
      TEventResult* dial = resultNamed(session.Results(), "Start Dial");
      ASSERT_NE(dial, nullptr);
      dial->Property->SetFontColor(0x123456);  // a change, so that the registry is saved
    });
    EXPECT_NE(e2e::ReadFile(file).find("1193046"), std::string::npos) << "not saved";
    EXPECT_EQ(recordCounts(file), before);
  }
}

// Hostile things in place of the library's files: start-up neither hangs on a
// named pipe nor runs out of stack on a very deep tree; it reports each with
// the system's or the loader's reason and leaves it as it is.
TEST(LibraryFiles, HostileFilesAtStartUpAreReportedNotFollowed) {
  std::string deep = "<?xml version=\"1.0\"?>\n<Events><Message><GSM><MsgEvent-0 EventName=\"Deep\">\n";
  for (int i = 0; i < 100000; ++i) deep += "<LevelNode-0><MsgNodes/>\n";
  for (int i = 0; i < 100000; ++i) deep += "</LevelNode-0>";
  deep += "</MsgEvent-0></GSM></Message></Events>\n";
  struct Case {
    const char* file;
    std::function<void(const e2e::fs::path&)> make;
    std::string fault;  // after "<path>"
  };
  const Case cases[] = {
      {"EventsProperty.cfg", [](const e2e::fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
       ": not a regular file (a named pipe)"},
      {"EventsDefine.cfg", [](const e2e::fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
       ": not a regular file (a named pipe)"},
      {"EventsDefine.cfg", [](const e2e::fs::path& p) { e2e::fs::create_directory(p); },
       ": not a regular file (a directory)"},
      {"EventsDefine.cfg", [&](const e2e::fs::path& p) { e2e::WriteFile(p, deep); },
       ":259: <MsgEvent-0> 'Deep' is not loaded: <LevelNode-0> is nested deeper than 256 levels"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fault);
    e2e::TempHome home;
    const e2e::fs::path path = home.Path() / c.file;
    e2e::fs::remove(path);
    c.make(path);
    const auto type = e2e::fs::symlink_status(path).type();
    e2e::InFreshProcess([&] {
      e2e::LoadedLibrary library(home.Path());
      std::vector<std::string> faults = library.Faults();
      ASSERT_EQ(faults.size(), 1u);
      EXPECT_EQ(faults[0], path.string() + c.fault);
    });
    EXPECT_EQ(e2e::fs::symlink_status(path).type(), type) << "replaced";
  }

  // The host's configuration file is read at start-up too.
  e2e::TempHome home;
  const e2e::fs::path config = home.Path() / "host.cfg";
  ASSERT_EQ(mkfifo(config.c_str(), 0600), 0);
  e2e::InFreshProcess([&] {
    setenv("EVENTMANAGER_HOST_CFG", config.c_str(), 1);
    e2e::LoadedLibrary library(home.Path());
    EXPECT_TRUE(library.Faults().empty()) << "a configuration that cannot be read gives the defaults";
  });
}

// Saves killed half way (a window's save of EventsDefine.cfg, the final save
// of EventsProperty.cfg) leave their temporary files; the next start-up
// removes them, but not the temporary file of a save that another program
// is making at that moment, which then completes.
TEST(LibraryFiles, StartUpRemovesWhatKilledSavesLeft) {
  e2e::TempHome home;
  const std::vector<std::string> before = listing(home.Path());
  const std::string define = (home.Path() / "EventsDefine.cfg").string();
  const std::string property = (home.Path() / "EventsProperty.cfg").string();
  const std::string defineText = e2e::ReadFile(define), propertyText = e2e::ReadFile(property);
  for (const std::string& file : {define, property}) {
    TStoppedSave killed(file, std::string(64 * 1024, 'k'));
    ASSERT_TRUE(killed.Stopped());
    killed.Kill();
  }
  ASSERT_EQ(listing(home.Path()).size(), before.size() + 2) << "the killed saves left nothing to remove";
  EXPECT_EQ(e2e::ReadFile(define), defineText);
  EXPECT_EQ(e2e::ReadFile(property), propertyText);

  TStoppedSave running(property, propertyText);
  ASSERT_TRUE(running.Stopped());
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary library(home.Path());
    EXPECT_TRUE(library.Faults().empty());
  });
  std::vector<std::string> left = listing(home.Path());
  ASSERT_EQ(left.size(), before.size() + 1) << "a killed save's file is left, or the running one's was taken";
  EXPECT_EQ(running.Finish(), 0);
  EXPECT_EQ(listing(home.Path()), before);
  EXPECT_EQ(e2e::ReadFile(property), propertyText);
}
