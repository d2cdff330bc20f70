// loggen: writes the sample drive-test logs (one per network) or a large log
// for benchmarks. Deterministic: the same options give the same bytes.
#include <fstream>
#include <iostream>

#include <CLI/CLI.hpp>

#include "log/networks.h"
#include "log_generator.h"

int main(int argc, char** argv) {
  CLI::App app{"loggen: writes deterministic drive-test logs in the eventscan log format"};
  std::string network = "GSM", output;
  loggen::GenOptions options;
  app.add_option("--network", network, "GSM, CDMA, UMTS, TD-SCDMA or LTE");
  app.add_option("--output,-o", output, "the log to write (default: stdout)");
  app.add_option("--seed", options.Seed, "random seed");
  app.add_option("--cycles", options.Cycles, "drive cycles of about a minute each");
  app.add_option("--records", options.Records, "write about this many records instead of --cycles");
  app.add_option("--start", options.Start, "start time, ISO 8601");
  CLI11_PARSE(app, argc, argv);
  auto net = eventscan::NetworkIndex(network);
  if (!net) {
    std::cerr << "--network: \"" << network << "\" is none of GSM, CDMA, UMTS, TD-SCDMA, LTE\n";
    return 1;
  }
  options.Network = *net;
  if (output.empty()) {
    loggen::WriteDriveTest(std::cout, options);
    return 0;
  }
  std::ofstream file(output, std::ios::binary | std::ios::trunc);
  if (!file) {
    std::cerr << output << ": cannot write\n";
    return 2;
  }
  size_t records = loggen::WriteDriveTest(file, options);
  file.close();
  if (!file) {
    std::cerr << output << ": write failed\n";
    return 2;
  }
  std::cerr << output << ": " << records << " records\n";
  return 0;
}
