// Replays the seeds and the kept regression inputs of one fuzz target through
// the target's own entry point, so that every build's ctest runs them (under
// the sanitizers in the asan preset). The seeds are one table-driven case;
// each kept regression input is a case of its own, named after its file. A
// broken check of the target aborts the case.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesIn(const char* dir) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec))
    if (entry.is_regular_file()) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

void replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  ASSERT_TRUE(in) << file;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bytes.reserve(1);  // libFuzzer never passes a null pointer, even for an empty input
  EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << file;
}

class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!LLVMFuzzerInitialize) return;
    int argc = 0;
    char** argv = nullptr;
    LLVMFuzzerInitialize(&argc, &argv);
  }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new Environment);

TEST(FuzzSeeds, EverySeedPassesTheTargetsChecks) {
  const std::vector<fs::path> seeds = filesIn(FUZZ_CORPUS_DIR);
  ASSERT_FALSE(seeds.empty()) << "no seeds in " << FUZZ_CORPUS_DIR;
  for (const fs::path& seed : seeds) {
    SCOPED_TRACE(seed.filename().string());
    replay(seed);
  }
}

class FuzzRegression : public ::testing::TestWithParam<fs::path> {};
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FuzzRegression);

TEST_P(FuzzRegression, KeptInputPassesTheTargetsChecks) { replay(GetParam()); }

std::string caseName(const ::testing::TestParamInfo<fs::path>& info) {
  std::string name = info.param.filename().string();
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegression, ::testing::ValuesIn(filesIn(FUZZ_REGRESSIONS_DIR)), caseName);

}  // namespace
