// eventscan's progress line: nothing for pipes or short runs, a line with
// records, percent and rate once a run takes more than a second, redrawn at
// most ten times a second, ended with a line break when the run completes.
#include <gtest/gtest.h>

#include <sstream>

#include "output/progress.h"

using eventscan::ProgressMeter;
using namespace std::chrono_literals;

namespace {

struct Step {
  std::chrono::milliseconds at;  // since the run began
  size_t done;
};

// Runs the steps on a meter with a clock that reads the steps' times.
std::string drawn(bool terminal, const std::vector<Step>& steps, size_t total) {
  std::ostringstream out;
  const ProgressMeter::Clock::time_point start{};
  ProgressMeter::Clock::time_point now = start;
  ProgressMeter meter(out, terminal, start, [&] { return now; });
  for (const Step& s : steps) {
    now = start + s.at;
    meter(s.done, total);
  }
  return out.str();
}

size_t count(const std::string& text, char c) { return static_cast<size_t>(std::count(text.begin(), text.end(), c)); }

}  // namespace

TEST(Progress, ShownOnlyOnATerminalForRunsLongerThanASecond) {
  const std::vector<Step> long_run{{300ms, 100}, {1200ms, 400}, {1250ms, 420}, {1400ms, 500}, {2000ms, 1000}};
  const std::vector<Step> short_run{{300ms, 100}, {800ms, 1000}};
  struct Case {
    const char* name;
    bool terminal;
    const std::vector<Step>& steps;
    size_t lines;  // carriage returns written
  };
  const Case cases[] = {
      {"pipe, long run", false, long_run, 0},
      {"terminal, short run", true, short_run, 0},
      {"terminal, long run: 1.2 s, 1.4 s and the end; 1.25 s is too soon", true, long_run, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string text = drawn(c.terminal, c.steps, 1000);
    EXPECT_EQ(count(text, '\r'), c.lines) << text;
    EXPECT_EQ(count(text, '\n'), c.lines ? 1u : 0u) << "the line is ended once, at the end";
    if (c.lines) {
      EXPECT_NE(text.find("400 / 1,000 records   40%"), std::string::npos) << text;
      EXPECT_NE(text.find("1,000 / 1,000 records  100%"), std::string::npos) << text;
      EXPECT_EQ(text.back(), '\n');
    }
  }
}

TEST(Progress, LineGivesRecordsPercentAndRate) {
  EXPECT_EQ(ProgressMeter::Line(1245184, 5000000, 812345.4), "  1,245,184 / 5,000,000 records   24%  812,345 records/s");
  EXPECT_EQ(ProgressMeter::Line(0, 0, 0), "          0 / 0 records  100%  0 records/s");
}

TEST(Progress, ReadingLineGivesRecordsShareOfTheLogAndRate) {
  struct Case {
    size_t records;
    uint64_t bytes, size;
    double rate;
    const char* line;
  };
  const Case cases[] = {
      {1245184, uint64_t(61) << 20, uint64_t(250) << 20, 812345.4, "  1,245,184 records   24%  812,345 records/s  61 / 250 MiB"},
      {7, 100, 0, 3, "          7 records  3 records/s  0 MiB"},  // a pipe: no size known
      {0, 0, 0, 0, "          0 records  0 records/s  0 MiB"},
      {9, 2000, 1000, 1, "          9 records  100%  1 records/s  0 / 0 MiB"},  // never past 100 %
  };
  for (const Case& c : cases) EXPECT_EQ(ProgressMeter::ReadingLine(c.records, c.bytes, c.size, c.rate), c.line);
}
