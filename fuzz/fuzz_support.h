// Shared by the fuzz targets. FuzzFail reports a broken property of the code
// under test and stops the run, so libFuzzer keeps the input. Targets whose
// entry points read files write each input to one file in a private
// directory of this process, which is also the host directory the library
// looks in; it lies under $EM_FUZZ_TMP when set (fuzz/run.sh removes that
// afterwards), else in /dev/shm.
#pragma once

#include <unistd.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

[[noreturn]] __attribute__((format(printf, 1, 2))) inline void FuzzFail(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::fputs("fuzz check failed: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
  std::abort();
}

inline const std::string& FuzzHome() {
  // Never freed: targets may still write here from exit handlers.
  static const std::string* home = [] {
    namespace fs = std::filesystem;
    const char* chosen = std::getenv("EM_FUZZ_TMP");
    fs::path base = chosen ? fs::path(chosen) : fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    fs::path dir = base / ("em-fuzz-" + std::to_string(getpid()));
    fs::create_directories(dir / "EventBitmap");
    setenv("EVENTMANAGER_HOME", dir.c_str(), 1);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*home, ec);
    });
    return new std::string(dir.string() + "/");
  }();
  return *home;
}

// Replaces `name` in the fuzz home with the input; returns its path.
inline std::string FuzzInputFile(const char* name, const uint8_t* data, size_t size) {
  std::string path = FuzzHome() + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), size);
  return path;
}

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
