// The message-sequence pass through FeedRecord on UMTS logs held in memory:
// - Unmatched/N: N message events and a log of which no record matches any
//   of them, though most records pass the code filter (codes that the
//   events use further down their levels, and the window's watch codes);
//   its cost should not grow with N.
// - Mix: 50 message events and 10 expression gates (or none) on a log of
//   70 % layer-3 messages, 25 % measurement records and 5 % records with
//   test items.
// Each runs with the code index (indexed) and with every message offered to
// every event (plain). Reported: records per second of CPU time
// (items_per_second) and of wall time (wall_records_per_s), and heap
// allocations per fed record (allocs_per_record, 0 under AddressSanitizer). The log size is
// EVENTMANAGER_BENCH_RECORDS (default 500000).
#include <benchmark/benchmark.h>

#include "honest.h"

#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "detection/act_events_result.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_codes.h"
#include "platform/component_registry.h"
#include "testing/definition_set.h"
#include "testing/in_memory_host.h"
#include "testing/record_builder.h"

// Every allocation of the program is counted.
#include "testing/counting_allocator.h"

namespace {

size_t recordCount() { return bench::RecordCount(500000); }

struct Log {
  std::vector<HandsetRecord> records;
  std::vector<size_t> itemCounts;  // as generated, before derived items were added
  void keepCounts() {
    itemCounts.clear();
    for (const auto& r : records) itemCounts.push_back(r.Items.size());
  }
  void dropDerivedItems() {
    for (size_t i = 0; i < records.size(); ++i) records[i].Items.resize(itemCounts[i]);
  }
};

// Mostly measurement reports, active set updates and system information;
// a few connection set-ups and releases (watch codes), no NAS messages.
Log unmatchedLog() {
  Log log;
  std::mt19937 random(11);
  const size_t n = recordCount();
  log.records.resize(n);
  static const uint32_t codes[] = {rrc::MeasurementReport,      rrc::MeasurementReport,      rrc::MeasurementReport,
                                   rrc::MeasurementReport,      rrc::ActiveSetUpdate,        rrc::SystemInformationBlock,
                                   rrc::SystemInformationBlock, rrc::SystemInformationBlock, rrc::ConnectionRequest,
                                   rrc::SignallingConnectionRelease};
  for (size_t i = 0; i < n; ++i) {
    HandsetRecord& r = log.records[i];
    SetRecordTime(r, i, 0.1);
    r.NetType = 2;
    r.Reference = static_cast<uint32_t>(i);
    if (random() % 10) r.MessageCode = codes[random() % 10];
  }
  log.keepCounts();
  return log;
}

// 70 % messages (of which the call set-up flow that the first events wait
// for), 25 % measurement records, 5 % records with test items.
Log mixLog() {
  Log log;
  std::mt19937 random(7);
  const size_t n = recordCount();
  log.records.resize(n);
  static const uint32_t common[] = {rrc::MeasurementReport,      rrc::MeasurementReport, rrc::ActiveSetUpdate,
                                    rrc::SystemInformationBlock, rrc::SystemInformationBlock,
                                    rrc::MeasurementControl,     rrc::Status};
  static const uint32_t flow[] = {rrc::ConnectionRequest, rrc::ConnectionSetup,  rrc::ConnectionSetupComplete,
                                  nas::CmServiceRequest,  rrc::RadioBearerSetup, rrc::RadioBearerSetupComplete,
                                  rrc::SignallingConnectionRelease};
  for (size_t i = 0; i < n; ++i) {
    HandsetRecord& r = log.records[i];
    SetRecordTime(r, i, 0.1);
    r.NetType = 2;
    r.Reference = static_cast<uint32_t>(i);
    r.SetField(3, -70 - static_cast<int>(random() % 45));
    r.SetField(5, static_cast<int>(random() % 8));
    unsigned kind = random() % 100;
    if (kind < 70) {
      r.MessageCode = kind < 60 ? common[random() % 7] : flow[random() % 7];
    } else if (kind >= 95) {
      AddTestItem(r, static_cast<int16_t>(1 + random() % 60), r.Time, std::string(8, '\1'));
    }
  }
  log.keepCounts();
  return log;
}

struct Definitions : TDefinitionSet {
  // `starting` of the events start on an RRC connection request that the
  // mix log carries; the others start on NAS messages that no log here
  // carries, and all wait below for messages that the logs do carry.
  Definitions(int eventCount, int starting, int gateCount) {
    CoInitialize();
    SetNetwork(2);
    static const uint32_t absent[] = {nas::LocationUpdatingRequest, nas::AuthenticationRequest,
                                      nas::IdentityRequest,         nas::ImsiDetachIndication,
                                      nas::TmsiReallocationCommand, nas::LocationUpdatingReject,
                                      nas::AuthenticationReject,    nas::AuthenticationFailure};
    for (int i = 0; i < eventCount; ++i) {
      TMsgEvent* event = AddEvent("Call " + std::to_string(i));
      TLevelNode* first = AddLevel(event, nullptr, i < starting ? rrc::ConnectionRequest : absent[i % 8]);
      TLevelNode* setup = AddLevel(event, first, rrc::ConnectionSetup);
      setup->MsgNodes->AddNode(2, rrc::MeasurementReport, 0);
      TLevelNode* complete = AddLevel(event, setup, rrc::ConnectionSetupComplete, "Connected " + std::to_string(i));
      TLevelNode* bearer = AddLevel(event, complete, rrc::RadioBearerSetup);
      bearer->MsgNodes->AddNode(2, rrc::ActiveSetUpdate, 0);
      AddLevel(event, bearer, rrc::RadioBearerSetupComplete, "Bearer " + std::to_string(i));
    }
    for (int i = 0; i < gateCount; ++i)
      AddExpressionGate("Low level " + std::to_string(i), "RxLevSub < " + std::to_string(-105 - i) + " and RxQualSub >= 5", 3);
    Link();
  }
};

void feed(benchmark::State& state, Log& log, Definitions& defs, bool plain) {
  double wall = 0;
  uint64_t allocs = 0, fed = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto results = std::make_unique<TActEventsResult>(TPassOptions{.PlainMessagePass = plain});
    results->SetNetType(2);
    results->OnGetRecord = {&bench::LoadRecord<Log>, &log};
    results->OnEventFilter = {&bench::AcceptAll, nullptr};
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    const uint64_t allocationsBefore = counting_allocator::Count;
    for (size_t i = 0; i < log.records.size(); ++i) {
      const HandsetRecord& r = log.records[i];
      results->FeedRecord(0, static_cast<int32_t>(i), r.MessageCode != 0, !r.Items.empty(), false, 2,
                          &defs.messages, &defs.gates, &defs.tests);
    }
    const uint64_t allocations = counting_allocator::Count - allocationsBefore;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    allocs += allocations;
    fed += log.records.size();
    state.PauseTiming();
    // Events and gates keep their state from one pass over the log to the
    // next, so only the first pass gives the count of a fresh start.
    if (fed == log.records.size()) state.counters["results"] = results->GetCount();
    results.reset();
    log.dropDerivedItems();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(fed));
  state.counters["wall_records_per_s"] = wall > 0 ? fed / wall : 0;
  state.counters["allocs_per_record"] = fed ? static_cast<double>(allocs) / fed : 0;
}

void BM_Unmatched(benchmark::State& state) {
  static Log log = unmatchedLog();
  Definitions defs(static_cast<int>(state.range(0)), 0, 0);
  feed(state, log, defs, state.range(1) != 0);
}

void BM_Mix(benchmark::State& state) {
  static Log log = mixLog();
  Definitions defs(50, 5, static_cast<int>(state.range(1)));
  feed(state, log, defs, state.range(0) != 0);
}

}  // namespace

// Second argument: 0 indexed, 1 plain.
BENCHMARK(BM_Unmatched)
    ->ArgNames({"events", "plain"})
    ->Args({10, 0})->Args({100, 0})->Args({1000, 0})
    ->Args({10, 1})->Args({100, 1})->Args({1000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::Honest);
// Without gates, what is left is the message side and the results made.
BENCHMARK(BM_Mix)
    ->ArgNames({"plain", "gates"})
    ->Args({0, 10})->Args({1, 10})->Args({0, 0})->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::Honest);
int main(int argc, char** argv) { return bench::Main(argc, argv); }
