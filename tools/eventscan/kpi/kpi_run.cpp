#include "kpi/kpi_run.h"

#include <set>

#include "eventmanager/event_property.h"
#include "eventmanager/outside/data_access.h"
#include "support/text_case.h"

namespace eventscan {
namespace {

std::vector<TEventListing> listing(HostLibrary& library, uint8_t network) {
  std::vector<TEventListing> events;
  if (library.EventManagerListEvents) library.EventManagerListEvents(network, events);
  return events;
}

}  // namespace

KpiFile ReadHomeKpiFile() { return ReadKpiFile(KpiFilePath(EffectiveHomeDirectory())); }

AllEventsRecorded::AllEventsRecorded(HostLibrary& library, uint8_t network) {
  for (const TEventListing& e : listing(library, network))
    if (e.Property) {
      saved_.emplace_back(e.Property, e.Property->Display);
      e.Property->Display = true;
    }
}

AllEventsRecorded::~AllEventsRecorded() {
  // In reverse, so a record listed twice ends with its first saved value.
  for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) it->first->Display = it->second;
}

KpiSampler::KpiSampler(const std::vector<KpiDefinition>& kpis, KpiWindow window) : window_(window) {
  for (const KpiDefinition& k : kpis) {
    if (k.Kind != KpiKind::Distribution) continue;
    std::string key = AsciiLowerCopy(k.Field);
    if (samples_.count(key)) continue;
    int32_t id = FieldIdByName(k.Field);
    if (id < 0) {
      unknown_.push_back(k.Field);
      continue;
    }
    fields_.push_back({id, &samples_[key], &times_[key]});
  }
}

void KpiSampler::Add(const HandsetRecord& record) {
  if (!window_.Whole() && !window_.Contains(record.Time)) return;
  if (!last_ || record.Time > *last_) last_ = record.Time;
  for (const Field& f : fields_) {
    int32_t v = record.Field(f.Id);
    if (v == NoValue) continue;
    f.Values->push_back(v);
    f.Times->push_back(record.Time);
  }
}

KpiLog CollectKpiLog(TEventsResult& results, HostLibrary& library, uint8_t network, KpiSampler&& samples,
                     bool allRecorded, const KpiWindow& window) {
  KpiLog log;
  log.Network = network;
  log.End = samples.LastTime();
  log.Samples = samples.Take();
  log.SampleTimes = samples.TakeTimes();
  std::vector<TEventListing> events = listing(library, network);
  for (const TEventListing& e : events) {
    // Test events are every network's; a page names those its log holds.
    if (e.Kind != 2) log.KnownEvents.push_back(e.Name);
    // Gates are recorded whatever their switch; hidden message and test
    // events are not.
    if (!allRecorded && e.Kind != 3 && e.Property && !e.Property->Display) log.Hidden.push_back(e.Name);
  }
  const int32_t count = results.GetCount();
  log.Results.reserve(static_cast<size_t>(count > 0 ? count : 0));
  for (int32_t i = 0; i < count; ++i) {
    TEventResult* r = results.GetResult(i);
    if (!r) continue;
    KpiResult k;
    k.Record = r->RecordIndex;
    k.Time = r->GetTime();
    if (!window.Whole() && !window.Contains(k.Time)) continue;
    r->GetEventName(k.Event);
    if (r->HasDetails() && r->Details)
      for (const TResultDetail& d : *r->Details) k.Details.push_back(d.Text);
    log.Results.push_back(std::move(k));
  }
  std::set<std::string> tested;
  for (const KpiResult& r : log.Results) tested.insert(AsciiLowerCopy(r.Event));
  for (const TEventListing& e : events)
    if (e.Kind == 2 && tested.count(AsciiLowerCopy(e.Name))) log.KnownEvents.push_back(e.Name);
  return log;
}

std::vector<KpiValue> FeedForKpiTable(HostSession& session, HostLibrary& library, LogInput& input,
                                      const KpiFile& kpis, std::vector<std::string>& unknownFields,
                                      const std::function<void(const HandsetRecord&)>& each,
                                      const KpiWindow& window) {
  return ComputeKpiTable(kpis.Kpis, FeedForKpiLog(session, library, input, kpis, unknownFields, each, window));
}

KpiLog FeedForKpiLog(HostSession& session, HostLibrary& library, LogInput& input, const KpiFile& kpis,
                     std::vector<std::string>& unknownFields,
                     const std::function<void(const HandsetRecord&)>& each, const KpiWindow& window) {
  const uint8_t network = input.Header().Network;
  // After the session: its loading links every event to its property.
  AllEventsRecorded all(library, network);
  KpiSampler sampler(kpis.Kpis, window);
  if (input.Stream) {
    session.Feed(*input.Stream, [&sampler, &each](const HandsetRecord& rec) {
      sampler.Add(rec);
      if (each) each(rec);
    });
  } else {
    session.Feed(*input.Parsed, {}, input.Restarts);
    for (const HandsetRecord& rec : input.Parsed->Records) {
      sampler.Add(rec);
      if (each) each(rec);
    }
  }
  unknownFields.insert(unknownFields.end(), sampler.Unknown().begin(), sampler.Unknown().end());
  return CollectKpiLog(session.Results(), library, network, std::move(sampler), true, window);
}

bool ShownAsRun(TEventResult& result) {
  return result.IsKind(2) || !result.Property || result.Property->Display;
}

}  // namespace eventscan
