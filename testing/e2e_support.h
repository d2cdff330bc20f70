// Helpers of the tests that drive the events library as a host does:
// temporary homes (copies of the sample definitions), the library opened
// through dlopen exactly as a host opens it, and the sample logs. Only public
// headers and eventscan's rooms are used, never the library's own sources.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/host_library.h"
#include "host/host_session.h"
#include "log/log_reader.h"
#include "output/output_formats.h"

namespace e2e {

namespace fs = std::filesystem;

fs::path SourceDir();
fs::path SampleDir();                  // data/sample
fs::path SampleLog(const std::string& name);  // data/sample/logs/<name>.jsonl
std::string ReadFile(const fs::path& path);
void WriteFile(const fs::path& path, const std::string& text);

// A shell command line run to its end: its exit status (-1 when a signal
// ended it), standard output, and standard error (kept apart, through a file
// in `work`).
struct ShellResult {
  int Status = -1;
  std::string Out, Err;
};
ShellResult Shell(const std::string& line, const fs::path& work);

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

// A temporary home with copies of the sample EventsDefine.cfg,
// EventsProperty.cfg and EventBitmap/.
class TempHome : public TempDir {
 public:
  TempHome();
};

// Runs `body` in a child process and expects it to pass. The library reads
// its home directory when it is loaded, and a process cannot count on
// unloading it again (dlclose may leave it in place), so every test that
// loads the library does so in a process of its own.
void InFreshProcess(const std::function<void()>& body);

// The library loaded with `home` as its home directory (in a fresh process).
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const fs::path& home);
  ~LoadedLibrary();
  eventscan::HostLibrary& operator*() { return *library_; }
  eventscan::HostLibrary* operator->() { return library_.get(); }
  std::vector<std::string> Faults();

 private:
  std::unique_ptr<eventscan::HostLibrary> library_;
};

// Runs a parsed log through a fresh session and returns its rows as CSV.
std::string RunToCsv(eventscan::HostLibrary& library, eventscan::ParsedLog& log);

inline const char* const SampleNames[] = {"gsm", "cdma", "umts", "tdscdma"};

}  // namespace e2e
