// FeedRecord over an in-memory log of a realistic mix (70 % measurement
// records, 25 % layer-3 messages of which most are not in the code filter,
// 5 % records with test items) with message and gate events loaded, against a
// baseline in which the host only loads each record into a record view.
// Each record carries ten fields, as real measurement records do. This
// drives the library's internals directly; the figure through the host
// session eventscan uses is eventscan_bench's HostFeed and speed_table.
// Records per second are reported by wall (items_per_second) and CPU time
// (cpu_items_per_second), with the results a record and the allocations a
// record and a result, the figures to compare first when this is set beside
// the host path (a feed costs what its results cost). The log size is
// EVENTMANAGER_BENCH_RECORDS (default one million).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <random>

#include "detection/act_events_result.h"
#include "detection/result_pool.h"
#include "eventmanager/outside/data_access.h"
#include "eventmanager/outside/message_codes.h"
#include "honest.h"
#include "platform/component_registry.h"
#include "testing/counting_allocator.h"
#include "testing/definition_set.h"
#include "testing/in_memory_host.h"
#include "testing/record_builder.h"

namespace {

size_t recordCount() { return bench::RecordCount(1000000); }

struct Log {
  std::vector<HandsetRecord> records;
  Log() {
    std::mt19937 random(7);
    size_t n = recordCount();
    records.resize(n);
    for (size_t i = 0; i < n; ++i) {
      HandsetRecord& r = records[i];
      SetRecordTime(r, i, 0.1);
      r.NetType = 0;
      unsigned kind = random() % 100;
      // Ten fields, as a measurement record has: RxLevSub (3) and
      // RxQualSub (5), which the gates read, among eight others.
      for (int16_t field = 0; field < 10; ++field) r.SetField(field, static_cast<int>(random() % 1000));
      r.SetField(3, -70 - static_cast<int>(random() % 45));
      // The serving cell (BCCH 0, BSIC 1) stays for 500 records, 50 s of a
      // drive: with these drawn at random every record was a cell
      // reselection, and the log a result per record, which no drive has.
      r.SetField(0, static_cast<int>(1 + (i / 500) % 124));
      r.SetField(1, static_cast<int>(1 + (i / 500) % 63));
      r.SetField(5, static_cast<int>(random() % 8));
      if (kind < 25) {
        // Most messages are measurement reports and system information,
        // which no event uses; a few are call control.
        static const uint32_t common[] = {gsm::MeasurementReport, gsm::SystemInformationType1,
                                          gsm::SystemInformationType2, gsm::SystemInformationType3};
        static const uint32_t used[] = {gsm::CmServiceRequest, gsm::Alerting,
                                        gsm::Connect,          gsm::Disconnect,
                                        gsm::LocationUpdatingRequest, gsm::LocationUpdatingAccept};
        r.MessageCode = kind < 22 ? common[random() % 4] : used[random() % 6];
      } else if (kind >= 95) {
        AddTestItem(r, static_cast<int16_t>(1 + random() % 60), r.Time, std::string(8, '\1'));
      }
    }
  }
};

Log& log() {
  static Log l;
  return l;
}

struct Definitions : TDefinitionSet {
  Definitions(int eventCount, int gateCount) {
    CoInitialize();
    SetNetwork(0);
    for (int i = 0; i < eventCount; ++i) {
      TMsgEvent* event = AddEvent("Call " + std::to_string(i));
      // Five events start on a CM service request; the others wait for
      // messages this log never carries, as most definitions of a real set
      // do on any one log.
      TLevelNode* request = AddLevel(event, nullptr, i < 5 ? gsm::CmServiceRequest : gsm::Prefix | (0x0700 + i));
      TLevelNode* alerting = AddLevel(event, request, gsm::Alerting, "Alerting " + std::to_string(i));
      AddLevel(event, alerting, gsm::Connect, "Connect " + std::to_string(i));
    }
    for (int i = 0; i < gateCount; ++i)
      AddExpressionGate("Low level " + std::to_string(i), "RxLevSub < " + std::to_string(-105 - i) + " and RxQualSub >= 5", 3);
    Link();
  }
};

void BM_LoadOnly(benchmark::State& state) {
  Log& l = log();
  std::unique_ptr<RecordView> view(NewHandsetFieldsInstance());
  for (auto _ : state) {
    int64_t sum = 0;
    for (size_t i = 0; i < l.records.size(); ++i) {
      bench::LoadRecord<Log>(&l, view.get(), static_cast<int32_t>(i));
      sum += view->MessageCode();
    }
    benchmark::DoNotOptimize(sum);
  }
  bench::ReportRates(state, static_cast<double>(l.records.size()));
}

void BM_FeedRecord(benchmark::State& state) {
  Log& l = log();
  Definitions defs(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  std::optional<TActEventsResult> results;
  int32_t found = 0;
  uint64_t allocations = 0, fed = 0, made = 0;
  double bytesPerResult = 0, poolBytesPerResult = 0;
  for (auto _ : state) {
    // A fresh container for every feed, built and torn down outside the
    // timing: destroying the results of a whole log costs more than feeding
    // it when most records yield one, and no host does it per record.
    state.PauseTiming();
    results.emplace();
    results->SetNetType(0);
    results->OnGetRecord = {&bench::LoadRecord<Log>, &l};
    results->OnEventFilter = {&bench::AcceptAll, nullptr};
    const uint64_t before = counting_allocator::Count.load(std::memory_order_relaxed);
    state.ResumeTiming();
    for (size_t i = 0; i < l.records.size(); ++i) {
      const HandsetRecord& r = l.records[i];
      results->FeedRecord(0, static_cast<int32_t>(i), r.MessageCode != 0, !r.Items.empty(), false, 0,
                          &defs.messages, &defs.gates, &defs.tests);
    }
    state.PauseTiming();
    allocations += counting_allocator::Count.load(std::memory_order_relaxed) - before;
    found = results->GetCount();
    // What a result costs the container: its block in the pool (detail
    // lines aside) and its place in the list; and the pool's chunks over the
    // results, which counts the blocks not yet used.
    bytesPerResult = static_cast<double>(result_pool::BlockSize() + sizeof(void*));
    if (result_pool::BlocksInUse() > 0)
      poolBytesPerResult =
          static_cast<double>(result_pool::ChunkBytes()) / static_cast<double>(result_pool::BlocksInUse());
    fed += l.records.size();
    made += static_cast<uint64_t>(found);
    results.reset();
    for (auto& r : l.records) r.Items.resize(std::min<size_t>(r.Items.size(), 1));  // drop derived items
    state.ResumeTiming();
  }
  state.counters["results"] = found;
  state.counters["bytes_per_result"] = bytesPerResult;
  state.counters["pool_bytes_per_result"] = poolBytesPerResult;
  state.counters["results_per_record"] = static_cast<double>(found) / static_cast<double>(l.records.size());
  // The same measures as speed_table's feed through the host session.
  state.counters["allocs_per_record"] = fed ? static_cast<double>(allocations) / static_cast<double>(fed) : 0;
  state.counters["allocs_per_result"] = made ? static_cast<double>(allocations) / static_cast<double>(made) : 0;
  bench::ReportRates(state, static_cast<double>(l.records.size()));
}

}  // namespace

BENCHMARK(BM_LoadOnly)->Unit(benchmark::kMillisecond)->Apply(bench::Honest);
BENCHMARK(BM_FeedRecord)
    ->Args({50, 10})
    ->Args({10, 0})
    ->Args({50, 0})
    ->Args({200, 0})
    ->Unit(benchmark::kMillisecond)
    ->Apply(bench::Honest);
int main(int argc, char** argv) { return bench::Main(argc, argv); }
