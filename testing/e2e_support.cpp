#include "testing/e2e_support.h"

#include <dlfcn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <gtest/gtest.h>

namespace e2e {

fs::path SourceDir() { return EVENTMANAGER_SOURCE_DIR; }
fs::path SampleDir() { return SourceDir() / "data" / "sample"; }
fs::path SampleLog(const std::string& name) { return SampleDir() / "logs" / (name + ".jsonl"); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error(path.string() + ": cannot read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

ShellResult Shell(const std::string& line, const fs::path& work) {
  const fs::path err = work / "stderr.txt";
  ShellResult c;
  FILE* pipe = popen((line + " 2>" + err.string()).c_str(), "r");
  if (!pipe) return c;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) c.Out.append(buf, n);
  const int status = pclose(pipe);
  c.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  c.Err = ReadFile(err);
  return c;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  if (!out) throw std::runtime_error(path.string() + ": cannot write");
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  path_ = fs::temp_directory_path() /
          ("eventscan_e2e_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::remove_all(path_);
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

TempHome::TempHome() {
  for (const char* file : {"EventsDefine.cfg", "EventsProperty.cfg", "Kpis.cfg"}) fs::copy_file(SampleDir() / file, Path() / file);
  fs::copy(SampleDir() / "EventBitmap", Path() / "EventBitmap", fs::copy_options::recursive);
}

LoadedLibrary::LoadedLibrary(const fs::path& home) {
  eventscan::SetHomeDirectory(home.string());
  library_ = std::make_unique<eventscan::HostLibrary>(EVENTMANAGER_LIBRARY);
}

LoadedLibrary::~LoadedLibrary() {
  library_.reset();
  unsetenv("EVENTMANAGER_HOME");
}

void InFreshProcess(const std::function<void()>& body) {
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t child = fork();
  ASSERT_GE(child, 0) << "fork failed";
  if (child == 0) {
    try {
      body();
    } catch (const std::exception& e) {
      ADD_FAILURE() << "exception: " << e.what();
    }
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(::testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
      << "the test's process " << (WIFSIGNALED(status) ? "was killed by signal " + std::to_string(WTERMSIG(status))
                                                       : "failed (see its messages above)");
}

std::vector<std::string> LoadedLibrary::Faults() {
  std::vector<std::string> faults;
  library_->EventManagerFileFaults(faults);
  return faults;
}

std::string RunToCsv(eventscan::HostLibrary& library, eventscan::ParsedLog& log) {
  eventscan::HostSession session(library, log.Header.Network);
  session.Feed(log);
  std::ostringstream out;
  eventscan::WriteCsv(out, eventscan::CollectRows(session.Results(), session.Filter()));
  return out.str();
}

}  // namespace e2e
