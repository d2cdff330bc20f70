// The sample logs run through the library loaded with dlopen, as eventscan
// runs them: expected results, notifications, filters, reloading the
// definitions and networks the library has no definitions for.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "eventmanager/errors.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

// Each test runs its body in a process of its own, with the library loaded
// on a copy of the sample home.
class SampleRuns : public ::testing::Test {
 protected:
  void InLibrary(const std::function<void()>& body) {
    e2e::InFreshProcess([&] {
      e2e::TempHome home;
      e2e::LoadedLibrary loaded(home.Path());
      library_ = &*loaded;
      body();
      library_ = nullptr;
    });
  }
  HostLibrary& library() { return *library_; }
  static ParsedLog sample(const std::string& name) { return ReadLog(e2e::SampleLog(name).string()); }

  HostLibrary* library_ = nullptr;
};

std::vector<ResultRow> rowsOf(HostSession& s) { return CollectRows(s.Results(), s.Filter()); }

}  // namespace

TEST_F(SampleRuns, EverySampleLogGivesItsExpectedResults) {
  InLibrary([&] {
    for (const char* name : e2e::SampleNames) {
      SCOPED_TRACE(name);
      ParsedLog log = sample(name);
      std::string expected = e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "expected" / (std::string(name) + ".csv"));
      EXPECT_EQ(e2e::RunToCsv(library(), log), expected)
          << "if the change is intended, rewrite the expected files with tests/e2e/regenerate.sh";
    }
  });
}

TEST_F(SampleRuns, ResultsAreInTimeOrderAndEveryPassIsRepresented) {
  InLibrary([&] {
    for (const char* name : e2e::SampleNames) {
      SCOPED_TRACE(name);
      ParsedLog log = sample(name);
      HostSession session(library(), log.Header.Network);
      session.Feed(log);
      std::vector<ResultRow> rows = rowsOf(session);
      std::set<std::string> kinds;
      for (size_t i = 0; i < rows.size(); ++i) {
        kinds.insert(rows[i].Kind);
        if (i > 0) {
          EXPECT_LE(rows[i - 1].Time, rows[i].Time) << rows[i].Event << " at record " << rows[i].RecordIndex;
        }
      }
      EXPECT_EQ(kinds, (std::set<std::string>{"message", "test", "gate"}));
    }
  });
}

TEST_F(SampleRuns, EveryAddedResultIsAnnouncedExceptEventTableEntries) {
  InLibrary([&] {
    ParsedLog log = sample("gsm");
    HostSession session(library(), 0);
    session.Feed(log);
    std::map<uint8_t, int> byKind;
    for (const AddedNotice& n : session.Notices()) {
      EXPECT_LT(n.Context, log.Records.size());
      EXPECT_EQ(n.Flag, n.Kind == 2 ? 0 : 1) << "kind " << int(n.Kind);
      EXPECT_GE(n.Position, 0);
      byKind[n.Kind]++;
    }
    int fromTable = 0, tests = 0, others = 0;
    for (const ResultRow& r : rowsOf(session)) {
      if (r.Event == "GPS Lost") ++fromTable;
      else if (r.Kind == "test") ++tests;
      else ++others;
    }
    EXPECT_GT(fromTable, 0);
    EXPECT_EQ(byKind[2], tests);
    EXPECT_EQ(byKind[1] + byKind[3], others);
  });
}

TEST_F(SampleRuns, OnlyAndSkipSelectByIdentifierAndByName) {
  InLibrary([&] {
    ParsedLog log = sample("gsm");
    HostSession only(library(), 0, EventFilter(EventFilter::Mode::Only, SplitList("54, call drop")));
    only.Feed(log);
    std::set<std::string> names;
    for (const ResultRow& r : rowsOf(only)) names.insert(r.Event);
    EXPECT_EQ(names, (std::set<std::string>{"Start Dial", "Call Drop"}));

    ParsedLog again = sample("gsm");
    HostSession skip(library(), 0, EventFilter(EventFilter::Mode::Skip, SplitList("Start Dial,Low RxLev,60")));
    skip.Feed(again);
    names.clear();
    for (const ResultRow& r : rowsOf(skip)) names.insert(r.Event);
    EXPECT_FALSE(names.count("Start Dial"));
    EXPECT_FALSE(names.count("Low RxLev"));
    EXPECT_FALSE(names.count("SMS Send Success"));
    EXPECT_TRUE(names.count("Call Drop"));
    EXPECT_TRUE(names.count("Hangup Dial"));
  });
}

TEST_F(SampleRuns, ALogOfANetworkWithoutDefinitionsGivesTestResultsOnly) {
  InLibrary([&] {
    std::string text = e2e::ReadFile(e2e::SampleLog("gsm"));
    text.replace(text.find("\"GSM\""), 5, "\"NR\"");
    ParsedLog log = ReadLogText(text, "nr.jsonl");
    ASSERT_EQ(log.Header.Network, 255);
    EXPECT_TRUE(log.Faults.empty()) << "messages of a network without a catalogue are kept: " << log.Faults.front().Text();
    HostSession session(library(), log.Header.Network);
    session.Feed(log);
    std::vector<ResultRow> rows = rowsOf(session);
    ASSERT_FALSE(rows.empty());
    for (const ResultRow& r : rows) EXPECT_EQ(r.Kind, "test") << r.Event;
    EXPECT_EQ(rows.front().Network, "none");
  });
}

TEST_F(SampleRuns, ReloadingTheSameNetworkTwiceThenAnotherReplacesTheDefinitions) {
  InLibrary([&] {
    ParsedLog gsm = sample("gsm");
    std::string once = e2e::RunToCsv(library(), gsm);
    {
      ParsedLog log = sample("gsm");
      HostSession session(library(), 0);
      session.Reload(0);
      session.Reload(0);
      session.Feed(log);
      std::ostringstream csv;
      WriteCsv(csv, rowsOf(session));
      EXPECT_EQ(csv.str(), once) << "a second load of the same network must not add its events twice";
    }
    HostSession session(library(), 0);
    session.Reload(2);
    ParsedLog umts = sample("umts");
    session.Feed(umts);
    std::ostringstream csv;
    WriteCsv(csv, rowsOf(session));
    EXPECT_EQ(csv.str(), e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "expected" / "umts.csv"));

    // The GSM definitions are gone: a GSM log now yields test results only.
    HostSession switched(library(), 0);
    switched.Reload(2);
    ParsedLog again = sample("gsm");
    switched.Feed(again);
    for (const ResultRow& r : rowsOf(switched)) EXPECT_EQ(r.Kind, "test") << r.Event;
  });
}

// A host keeps listing the results of a log while it loads the definitions
// of the next one (or clears them): every result still answers as before.
TEST_F(SampleRuns, ResultsOutliveTheDefinitionsThatMadeThem) {
  InLibrary([&] {
    for (uint8_t net = 0; net <= 3; ++net) {
      SCOPED_TRACE(e2e::SampleNames[net]);
      ParsedLog log = sample(e2e::SampleNames[net]);
      HostSession session(library(), net);
      session.Feed(log);
      TEventsResult& results = session.Results();
      auto answers = [&] {
        std::vector<std::string> out;
        for (int32_t i = 0; i < results.GetCount(); ++i) {
          TEventResult* r = results.GetResult(i);
          std::string name;
          r->GetEventName(name);
          out.push_back(name + (r->HasDetailFlag6() ? " flag6" : "") + " " + std::to_string(r->GetTestEventId()) +
                        " " + std::to_string(r->GetBackColor()));
        }
        return out;
      };
      const std::vector<std::string> before = answers();
      EXPECT_TRUE(std::any_of(before.begin(), before.end(),
                              [](const std::string& a) { return a.find(" flag6 ") != std::string::npos; }));
      session.Reload(net);
      session.Reload((net + 1) % 4);
      EXPECT_EQ(answers(), before);
      library().ClearMsgEventList(session.MsgEvents());
      library().ClearGateEventList(session.GateEvents());
      EXPECT_EQ(answers(), before);
    }
  });
}

TEST_F(SampleRuns, ANetworkIndexAboveFourRaisesAndChangesNothing) {
  InLibrary([&] {
    HostSession session(library(), 0);
    for (uint8_t bad : {5, 6, 254, 255}) {
      SCOPED_TRACE(int(bad));
      EXPECT_THROW(library().LoadMsg_Gate_TestEvents(session.MsgEvents(), session.GateEvents(), session.TestEvents(),
                                                     &session.Results(), bad),
                   EEventManagerError);
      EXPECT_THROW(library().MsgPropertyListCount(bad), EEventManagerError);
    }
    EXPECT_EQ(session.Results().GetNetType(), 0);
    ParsedLog log = sample("gsm");
    session.Feed(log);
    std::ostringstream csv;
    WriteCsv(csv, rowsOf(session));
    EXPECT_EQ(csv.str(), e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "expected" / "gsm.csv"));
  });
}

// Each sample log against the events a reader names in it, counted by hand
// from its messages and values (tests/e2e/hand_counts/<log>.txt), apart from
// the expected CSV files, which eventscan wrote: the message and gate rows
// of a run must be those, at those records.
TEST_F(SampleRuns, EverySampleLogGivesTheEventsAReaderNamesInIt) {
  InLibrary([&] {
    for (const char* name : e2e::SampleNames) {
      SCOPED_TRACE(name);
      std::multiset<std::string> named;
      std::istringstream lines(e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "hand_counts" / (std::string(name) + ".txt")));
      for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line[0] != '#') named.insert(line);
      ASSERT_GT(named.size(), 15u);
      ParsedLog log = sample(name);
      HostSession session(library(), log.Header.Network);
      session.Feed(log);
      std::multiset<std::string> found;
      for (const ResultRow& r : rowsOf(session))
        if (r.Kind == "message" || r.Kind == "gate") found.insert(std::to_string(r.RecordIndex) + " " + r.Event);
      EXPECT_EQ(found, named);
    }
  });
}

namespace {

// What a host reads of one result: its record, time and detail lines.
struct ResultReading {
  int32_t Record = 0;
  double Time = 0;
  std::vector<std::pair<std::string, int32_t>> Details;
  bool operator==(const ResultReading&) const = default;
};

ResultReading readingOf(TEventResult* r) {
  ResultReading reading;
  reading.Record = r->RecordIndex;
  reading.Time = r->GetTime();
  if (r->HasDetails() && r->Details)
    for (const TResultDetail& d : *r->Details) reading.Details.emplace_back(d.Text, d.RecordIndex);
  return reading;
}

// Reads every result as it is announced, before the next record is fed.
struct EagerReader {
  TEventAddedEvent Next;
  std::map<TEventResult*, ResultReading> Read;
  static void added(void* self, uint32_t context, TEventResult* result, uint8_t flag, uint8_t kind, int32_t index) {
    auto* reader = static_cast<EagerReader*>(self);
    reader->Read[result] = readingOf(result);
    if (reader->Next) reader->Next(context, result, flag, kind, index);
  }
};

}  // namespace

// A result keeps no view of its record: its time and record are read when the
// host asks, long after the passes made it, through the host's loader. What
// the host reads then is what it read the moment the result was announced,
// and the time is that of the result's own record in the log (or its test
// item's); the record the result loads is the host's.
TEST_F(SampleRuns, ResultsReadLaterReadAsTheyDidWhenAnnounced) {
  InLibrary([&] {
    for (const char* name : e2e::SampleNames) {
      SCOPED_TRACE(name);
      ParsedLog log = sample(name);
      HostSession session(library(), log.Header.Network);
      EagerReader reader;
      reader.Next = session.Results().OnEventAdded;
      session.Results().OnEventAdded = {&EagerReader::added, &reader};
      session.Feed(log);
      TEventsResult& results = session.Results();
      ASSERT_GT(results.GetCount(), 0);
      size_t compared = 0;
      for (int32_t i = 0; i < results.GetCount(); ++i) {
        SCOPED_TRACE("result " + std::to_string(i));
        TEventResult* r = results.GetResult(i);
        ASSERT_GE(r->RecordIndex, 0);
        ASSERT_LT(static_cast<size_t>(r->RecordIndex), log.Records.size());
        const HandsetRecord& record = log.Records[static_cast<size_t>(r->RecordIndex)];
        const ResultReading now = readingOf(r);
        EXPECT_EQ(now.Time, r->Time != 0 ? r->Time : record.Time);
        if (auto it = reader.Read.find(r); it != reader.Read.end()) {
          EXPECT_EQ(now, it->second);
          ++compared;
        }
        RecordView view;
        EXPECT_EQ(r->LoadRecord(&view, r->RecordIndex), 1);
        EXPECT_EQ(view.Loaded(), &record);
      }
      // Only the event-table entries are not announced.
      EXPECT_GE(compared * 10, static_cast<size_t>(results.GetCount()) * 9) << compared << " of " << results.GetCount();
    }
  });
}
