// What the library does with the files of its home directory, seen from a
// host: no write without a change, unused property records dropped by the
// next save, and malformed files reported and kept byte for byte.
#include <gtest/gtest.h>

#include <regex>

#include "commands.h"
#include "e2e_support.h"
#include "eventmanager/event_property.h"

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

// A file that does not parse is left as it is, or set aside as
// "<name>.bad-<time>" before a new one is written; its bytes are never lost.
bool keptByteForByte(const e2e::fs::path& path, const FileState& before) {
  if (stateOf(path) == before) return true;
  for (const auto& e : e2e::fs::directory_iterator(path.parent_path()))
    if (e.path().filename().string().rfind(path.filename().string() + ".bad-", 0) == 0 &&
        e2e::ReadFile(e.path()) == before.Bytes)
      return true;
  return false;
}

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
      if (stateOf(path) == before) {
        EXPECT_EQ(CheckCommand(check), ExitInput);
      }
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
