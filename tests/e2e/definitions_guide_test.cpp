// The worked example of docs/definitions.md, read from the document itself:
// its event, gates and property records are added to a copy of the sample
// home, the sample UMTS log is run, and the rows must be those the guide
// shows (counted by hand from the log), so the guide cannot go stale.
#include <gtest/gtest.h>

#include <sstream>

#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

// The fenced block that follows the marker "<!-- worked-example: NAME -->".
std::string exampleBlock(const std::string& doc, const std::string& name) {
  const std::string marker = "<!-- worked-example: " + name + " -->";
  size_t at = doc.find(marker);
  if (at == std::string::npos) {
    ADD_FAILURE() << "docs/definitions.md has no " << marker;
    return {};
  }
  size_t open = doc.find("```", at);
  size_t start = doc.find('\n', open) + 1;
  size_t close = doc.find("\n```", start);
  return doc.substr(start, close - start + 1);
}

// Inserts `text` at the end of the element <inner> that is the first one
// after <outer> in `file`.
void insertInto(std::string& file, const std::string& outer, const std::string& inner, const std::string& text) {
  size_t from = file.find("<" + outer + ">");
  ASSERT_NE(from, std::string::npos) << outer;
  size_t open = file.find("<" + inner + ">", from);
  size_t close = file.find("</" + inner + ">", open);
  ASSERT_NE(close, std::string::npos) << inner;
  file.insert(close, text);
}

std::string trimmed(const std::string& s) {
  size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
  return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

}  // namespace

TEST(DefinitionsGuide, WorkedExampleGivesTheRowsTheGuideShows) {
  const std::string doc = e2e::ReadFile(e2e::SourceDir() / "docs" / "definitions.md");
  e2e::TempHome home;
  std::string defines = e2e::ReadFile(home.Path() / "EventsDefine.cfg");
  insertInto(defines, "Message", "UMTS", exampleBlock(doc, "message event"));
  insertInto(defines, "Gate", "UMTS", exampleBlock(doc, "gate events"));
  e2e::WriteFile(home.Path() / "EventsDefine.cfg", defines);
  std::string properties = e2e::ReadFile(home.Path() / "EventsProperty.cfg");
  const std::string records = exampleBlock(doc, "properties");
  std::string messageRecords, gateRecords;
  std::istringstream lines(records);
  for (std::string line; std::getline(lines, line);)
    (line.find("\"Weak RSCP\"") != std::string::npos || line.find("Unanswered") != std::string::npos ? gateRecords
                                                                                                      : messageRecords) +=
        line + "\n";
  insertInto(properties, "Message", "UMTS-Message", messageRecords);
  insertInto(properties, "Gate", "UMTS-Warning", gateRecords);
  e2e::WriteFile(home.Path() / "EventsProperty.cfg", properties);

  // The guide's rows: record, event, details, columns two blanks apart.
  std::vector<std::string> expected;
  std::istringstream shown(exampleBlock(doc, "rows"));
  std::string line;
  std::getline(shown, line);  // the heading
  while (std::getline(shown, line)) {
    std::string record = trimmed(line.substr(0, 7)), rest = line.substr(7);
    size_t gap = rest.find("   ", 2);
    std::string event = trimmed(rest.substr(0, gap)), details = gap == std::string::npos ? "" : trimmed(rest.substr(gap));
    expected.push_back(record + " " + event + (details.empty() ? "" : " | " + details));
  }
  ASSERT_EQ(expected.size(), 13u);

  ParsedLog log = ReadLog(e2e::SampleLog("umts").string());
  e2e::InFreshProcess([&] {
    e2e::LoadedLibrary loaded(home.Path());
    EXPECT_EQ(loaded.Faults(), std::vector<std::string>{});
    HostSession session(*loaded, 2);
    session.Feed(log);
    std::vector<std::string> got;
    for (const ResultRow& r : CollectRows(session.Results(), session.Filter())) {
      if (r.Event.rfind("Test Call", 0) != 0 && r.Event != "Weak RSCP" && r.Event != "Attach Request Unanswered")
        continue;
      std::string row = std::to_string(r.RecordIndex) + " " + r.Event;
      for (size_t i = 0; i < r.Details.size(); ++i) row += (i == 0 ? " | " : "; ") + r.Details[i];
      got.push_back(row);
    }
    EXPECT_EQ(got, expected);
  });
}
