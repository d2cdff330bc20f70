// The LTE sample log through the library, as eventscan runs it, against the
// events a reader counts in it from its messages and measured values
// (tests/e2e/hand_counts/lte.txt, written by count_lte.py from the log
// alone): each at its record, with its detail.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "log_generator.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

// "record event | detail | detail", as the hand count writes a line.
std::string lineOf(const ResultRow& row) {
  std::string line = std::to_string(row.RecordIndex) + " " + row.Event;
  for (const std::string& detail : row.Details) line += " | " + detail;
  return line;
}

std::multiset<std::string> handCount() {
  std::multiset<std::string> counted;
  std::istringstream lines(e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "hand_counts" / "lte.txt"));
  for (std::string line; std::getline(lines, line);)
    if (!line.empty() && line[0] != '#') counted.insert(line);
  return counted;
}

// The message and gate rows of the sample LTE log run with the sample home.
std::vector<ResultRow> lteRows(std::string* csv = nullptr) {
  e2e::TempHome home;
  e2e::LoadedLibrary library(home.Path());
  ParsedLog log = ReadLog(e2e::SampleLog("lte").string());
  EXPECT_TRUE(log.Faults.empty()) << log.Faults.front().Text();
  EXPECT_EQ(log.Header.NetworkName, "LTE");
  HostSession session(*library, log.Header.Network);
  session.Feed(log);
  std::vector<ResultRow> rows = CollectRows(session.Results(), session.Filter());
  if (csv) {
    std::ostringstream out;
    WriteCsv(out, rows);
    *csv = out.str();
  }
  return rows;
}

}  // namespace

TEST(LteSample, EveryEventOfTheHandCountAtItsRecordWithItsDetail) {
  e2e::InFreshProcess([] {
    const std::multiset<std::string> counted = handCount();
    ASSERT_GT(counted.size(), 40u);
    std::multiset<std::string> found;
    for (const ResultRow& row : lteRows())
      if (row.Kind == "message" || row.Kind == "gate") {
        EXPECT_EQ(row.Network, "LTE") << row.Event;
        found.insert(lineOf(row));
      }
    // Listed apart, so that a failure names the events missing and the ones
    // too many rather than two long lists.
    std::vector<std::string> missing, extra;
    std::set_difference(counted.begin(), counted.end(), found.begin(), found.end(), std::back_inserter(missing));
    std::set_difference(found.begin(), found.end(), counted.begin(), counted.end(), std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "counted, not found: " << ::testing::PrintToString(missing);
    EXPECT_TRUE(extra.empty()) << "found, not counted: " << ::testing::PrintToString(extra);
  });
}

// Every outcome the sample definitions tell apart happens in the log, so a
// definition that stops matching shows up here by name.
TEST(LteSample, TheLogHoldsEveryOutcomeTheDefinitionsName) {
  e2e::InFreshProcess([] {
    std::map<std::string, int> byName;
    for (const ResultRow& row : lteRows()) byName[row.Event]++;
    for (const char* name :
         {"RRC Setup Success", "RRC Setup Reject", "RRC Setup No Answer", "Radio Link Failure",
          "Re-establishment Success", "Re-establishment Reject", "Attach Success", "Attach Reject", "Attach No Answer",
          "TAU Success", "TAU Reject", "Service Request Success", "Service Request Reject", "Handover Success",
          "Handover Failure", "Redirect to Other System", "CSFB Attempt", "CSFB to UMTS", "CSFB to GSM", "CSFB Failure",
          "Detach", "Weak Coverage", "Poor Quality", "Start Dial", "FTP Download Last Data"})
      EXPECT_GT(byName[name], 0) << name;
  });
}

// The rows eventscan wrote once (tests/e2e/regenerate.sh): test items and
// times included, so that a change anywhere in the run shows.
TEST(LteSample, TheRunGivesItsExpectedRows) {
  e2e::InFreshProcess([] {
    std::string csv;
    lteRows(&csv);
    EXPECT_EQ(csv, e2e::ReadFile(e2e::SourceDir() / "tests" / "e2e" / "expected" / "lte.csv"))
        << "if the change is intended, rewrite the expected files with tests/e2e/regenerate.sh";
  });
}

// The sample log is loggen's LTE drive: the same options write the same
// bytes, so the hand count stays the count of what loggen writes.
TEST(LteSample, LoggenWritesTheSampleLogAgain) {
  loggen::GenOptions options;
  options.Network = 4;
  std::ostringstream written;
  loggen::WriteDriveTest(written, options);
  EXPECT_EQ(written.str(), e2e::ReadFile(e2e::SampleLog("lte")))
      << "rewrite the sample logs with the sample_logs target, then the hand count and the expected rows";
}
