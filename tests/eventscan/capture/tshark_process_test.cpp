// The tshark process as eventscan runs it, with fake tshark programs (shell
// scripts named by $EVENTSCAN_TSHARK): one that prints nothing and never
// ends is stopped at the silence limit, one killed by a signal is reported
// with the signal, and a flood of messages on its standard error becomes a
// short message with the count of the lines left out.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>

#include "capture/capture_columns.h"
#include "capture/capture_reader.h"
#include "testing/capture_pcap.h"
#include "testing/e2e_support.h"

using namespace eventscan;

namespace {

// Sets the environment for the test's time and puts it back.
class Env {
 public:
  Env(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
  ~Env() { unsetenv(name_); }

 private:
  const char* name_;
};

std::string fakeTshark(e2e::TempDir& dir, const std::string& body) {
  const auto path = dir.Path() / "tshark";
  e2e::WriteFile(path, "#!/bin/sh\n" + body + "\n");
  chmod(path.c_str(), 0755);
  return path.string();
}

std::string captureIn(e2e::TempDir& dir) {
  const auto path = dir.Path() / "c.pcap";
  e2e::GsmtapFrame f;
  f.Payload = e2e::Hex("83 2a");
  e2e::WritePcap(path, {f});
  return path.string();
}

std::string readError(const std::string& capture) {
  try {
    ReadCapture(capture);
  } catch (const CaptureError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(TsharkProcess, ATsharkThatPrintsNothingIsStoppedAtTheLimit) {
  e2e::TempDir dir;
  const std::string capture = captureIn(dir);
  Env program("EVENTSCAN_TSHARK", fakeTshark(dir, "exec sleep infinity"));
  Env limit("EVENTSCAN_TSHARK_TIMEOUT", "0.05");
  const std::string error = readError(capture);
  EXPECT_NE(error.find("tshark printed nothing for 0.05 seconds and was stopped"), std::string::npos) << error;
  EXPECT_NE(error.find("EVENTSCAN_TSHARK_TIMEOUT"), std::string::npos) << error;
}

TEST(TsharkProcess, ALineThenSilenceKeepsTheFramesReadAndReportsTheStop) {
  e2e::TempDir dir;
  const std::string capture = captureIn(dir);
  // One frame line with tshark's columns, then nothing.
  std::string line = "1\t1521877211.0\t2\t0";
  for (size_t c = 4; c < CaptureFields().size(); ++c) line += '\t';
  Env program("EVENTSCAN_TSHARK", fakeTshark(dir, "printf '" + line + "\\n'; exec sleep infinity"));
  Env limit("EVENTSCAN_TSHARK_TIMEOUT", "0.05");
  CaptureLog log = ReadCapture(capture);
  EXPECT_EQ(log.Stats.Frames, 1u);
  // The stop is the capture's damage: the frame before it is kept.
  EXPECT_NE(log.Damage.find("after frame 1: tshark printed nothing"), std::string::npos) << log.Damage;
}

TEST(TsharkProcess, ATsharkKilledByASignalIsReportedWithTheSignal) {
  e2e::TempDir dir;
  const std::string capture = captureIn(dir);
  Env program("EVENTSCAN_TSHARK", fakeTshark(dir, "kill -SEGV $$"));
  const std::string error = readError(capture);
  EXPECT_NE(error.find("tshark was ended by signal 11 (SIGSEGV"), std::string::npos) << error;
  EXPECT_EQ(error.find("no reason given"), std::string::npos) << error;
}

TEST(TsharkProcess, AFloodOfMessagesBecomesTheFirstLinesAndACount) {
  e2e::TempDir dir;
  const std::string capture = captureIn(dir);
  Env program("EVENTSCAN_TSHARK", fakeTshark(dir, "seq 1 300000 | sed 's/^/tshark: bad thing /' >&2; exit 2"));
  const std::string error = readError(capture);
  EXPECT_LT(error.size(), 1000u) << error.substr(0, 2000);
  EXPECT_NE(error.find("tshark: bad thing 1; tshark: bad thing 2"), std::string::npos) << error;
  EXPECT_NE(error.find("and 299995 more lines"), std::string::npos) << error;
}
