// A throw-away host directory for the property tests: EVENTMANAGER_HOME
// points at it while the object lives, the icon cache and the recorded file
// faults start empty, and the directory is removed afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "platform/xml_file.h"
#include "properties/event_bitmap_list.h"

class TempHome {
 public:
  TempHome() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::path(::testing::TempDir()) /
           (std::string("em_props_") + info->test_suite_name() + "_" + info->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_ / "EventBitmap");
    setenv("EVENTMANAGER_HOME", dir_.c_str(), 1);
    BitmapCache().Clear();
    ClearFileFaults();
  }
  ~TempHome() {
    BitmapCache().Clear();
    ClearFileFaults();
    unsetenv("EVENTMANAGER_HOME");
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }
  std::string Dir() const { return dir_.string() + "/"; }

  void Write(const std::string& relative, const std::string& bytes) const {
    std::filesystem::create_directories((dir_ / relative).parent_path());
    std::ofstream(dir_ / relative, std::ios::binary) << bytes;
  }
  // Copies an icon made by tools/make_icons.py into this home under `as`.
  void CopySampleIcon(const std::string& name, const std::string& as) const {
    Write(as, Read(SampleIcon(name)));
  }

  static std::string SampleDir() { return std::string(EVENTMANAGER_SOURCE_DIR) + "/data/sample/"; }
  static std::string SampleIcon(const std::string& name) { return SampleDir() + "EventBitmap/" + name; }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path dir_;
};
