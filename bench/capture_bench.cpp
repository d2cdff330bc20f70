// eventscan run on a GSMTAP capture (tshark as the dissector, the mapping and
// the detection run) against tshark printing the same fields alone, which is
// the least any reading of the capture costs. Prints the ratio of the two.
#include <benchmark/benchmark.h>

#include "honest.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "capture/capture_columns.h"

namespace {

namespace fs = std::filesystem;

fs::path capturePath() {
  const char* env = std::getenv("CAPTURE");
  return env && *env ? fs::path(env) : fs::path(EVENTMANAGER_CAPTURE_DIR) / "handset-2g3g-2018.pcap";
}

double tsharkSeconds = 0, eventscanSeconds = 0;

double timed(const std::string& command) {
  auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run(benchmark::State& state, const std::string& command, double& mean) {
  double total = 0;
  int64_t n = 0;
  for (auto _ : state) {
    double s = timed(command);
    if (s < 0) {
      state.SkipWithError(("failed: " + command).c_str());
      return;
    }
    total += s;
    ++n;
  }
  mean = n ? total / static_cast<double>(n) : 0;
}

void BM_TsharkFieldsAlone(benchmark::State& state) {
  std::string command = "tshark -r " + capturePath().string() + " -n -T fields -E separator=/t -E occurrence=a";
  for (const char* f : eventscan::CaptureFields()) command += std::string(" -e ") + f;
  run(state, command + " >/dev/null 2>&1", tsharkSeconds);
}

void BM_EventscanRunOnCapture(benchmark::State& state) {
  std::string command = std::string(EVENTSCAN_PROGRAM) + " run " + capturePath().string() + " --home " +
                        EVENTMANAGER_SOURCE_DIR + "/data/sample >/dev/null 2>&1";
  run(state, command, eventscanSeconds);
}

BENCHMARK(BM_TsharkFieldsAlone)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(BM_EventscanRunOnCapture)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);

}  // namespace

int main(int argc, char** argv) {
  if (!fs::exists(capturePath()) || std::system("tshark -v >/dev/null 2>&1") != 0) {
    std::printf("capture_bench: %s or tshark is missing; nothing to measure\n", capturePath().c_str());
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  bench::BothRates reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (tsharkSeconds > 0)
    std::printf("eventscan run / tshark fields alone: %.3f s / %.3f s = %.2f\n", eventscanSeconds, tsharkSeconds,
                eventscanSeconds / tsharkSeconds);
  return 0;
}
