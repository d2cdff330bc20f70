#include "campaign/worker_output.h"

#include <sys/wait.h>

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <simdjson.h>

namespace eventscan {
namespace {

std::string signalText(int sig) {
  const char* name = strsignal(sig);
  return fmt::format("signal {} ({})", sig, name ? name : "unknown");
}

namespace od = simdjson::ondemand;

std::optional<double> optionalDouble(od::value v) {
  if (v.is_null()) return std::nullopt;
  return v.get_double().value();
}
std::optional<int64_t> optionalInt(od::value v) {
  if (v.is_null()) return std::nullopt;
  return v.get_int64().value();
}
std::string textOf(od::value v) { return std::string(std::string_view(v.get_string().value())); }

// One KPI as KpiJsonText writes it.
CampaignKpi kpiOf(od::object fields) {
  CampaignKpi k;
  std::vector<std::string> notes;
  for (auto field : fields) {
    const std::string_view key = field.unescaped_key().value();
    od::value v = field.value();
    if (key == "name") k.Name = textOf(v);
    else if (key == "kind") k.Kind = textOf(v);
    else if (key == "value") {
      if (v.type().value() != od::json_type::array) k.Value = optionalDouble(v);
    } else if (key == "numerator") k.Numerator = optionalInt(v);
    else if (key == "denominator") k.Denominator = optionalInt(v);
    else if (key == "count" || key == "samples") k.Count = optionalInt(v);
    else if (key == "mean") k.Mean = optionalDouble(v);
    else if (key == "median") k.Median = optionalDouble(v);
    else if (key == "p90") k.P90 = optionalDouble(v);
    else if (key == "max") k.Max = optionalDouble(v);
    else if (key == "unit") k.Unit = textOf(v);
    else if (key == "counted_as") k.CountedAs = textOf(v);
    else if (key == "notes") {
      for (auto n : v.get_array()) notes.emplace_back(std::string_view(n.get_string().value()));
    } else if (key == "bins") {
      for (auto b : v.get_array()) {
        CampaignKpiBin bin;
        for (auto bf : b.get_object()) {
          const std::string_view bk = bf.unescaped_key().value();
          od::value bv = bf.value();
          if (bk == "bin") bin.Label = textOf(bv);
          else if (bk == "count") bin.Count = bv.get_int64().value();
          else if (bk == "share") bin.Share = optionalDouble(bv);
        }
        k.Bins.push_back(std::move(bin));
      }
    }
  }
  // A count's value is its count.
  if (k.Kind == "count" && k.Value) k.Count = static_cast<int64_t>(*k.Value);
  for (size_t i = 0; i < notes.size(); ++i) k.Notes += (i ? "; " : "") + notes[i];
  return k;
}

// Reads a worker's JSON lines into its log (simdjson: the coordinator parses
// every result of the campaign, and it is the one process that cannot be
// run N at a time). False when the text stops being what a worker writes.
bool parseWorkerLines(std::string_view text, CampaignJob& job, bool& ended) {
  LogOutcome& log = job.Log;
  std::string_view str;
  auto text_of = [&str](od::value v) {
    str = v.get_string().value();
    return std::string(str);
  };
  try {
    simdjson::padded_string padded(text);
    od::parser parser;
    od::document_stream docs = parser.iterate_many(padded);
    for (auto doc : docs) {
      od::object fields = doc.get_object();
      std::string type;
      CampaignResult r;
      CampaignFault f;
      std::string status, fault;
      for (auto field : fields) {
        const std::string_view key = field.unescaped_key().value();
        od::value v = field.value();
        if (key == "type") type = text_of(v);
        else if (key == "record") r.Record = static_cast<int32_t>(v.get_int64().value());
        else if (key == "time") r.Time = text_of(v);
        else if (key == "id") r.EventId = static_cast<int32_t>(v.get_int64().value());
        else if (key == "event") r.Event = text_of(v);
        else if (key == "kind") r.Kind = text_of(v);
        else if (key == "network") r.Network = text_of(v);
        else if (key == "details") {
          for (auto d : v.get_array()) r.Details.emplace_back(std::string_view(d.get_string().value()));
        } else if (key == "lat") r.Context.Latitude = v.get_double().value();
        else if (key == "lon") r.Context.Longitude = v.get_double().value();
        else if (key == "cell") r.Context.ServingCell = v.get_int64().value();
        else if (key == "signal") r.Context.ServingSignal = v.get_double().value();
        else if (key == "source") f.Source = text_of(v);
        else if (key == "line") f.Line = static_cast<int32_t>(v.get_int64().value());
        else if (key == "text") f.Text = text_of(v);
        else if (key == "status") status = text_of(v);
        else if (key == "hash") job.WorkerHash = text_of(v);
        else if (key == "size") job.WorkerSize = v.get_uint64().value();
        else if (key == "fault") fault = text_of(v);
        else if (key == "device") log.DeviceType = static_cast<int32_t>(v.get_int64().value());
        else if (key == "records") log.Records = v.get_int64().value();
        else if (key == "route_m") log.RouteMetres = v.get_double().value();
        else if (key == "first") log.FirstTime = text_of(v);
        else if (key == "last") log.LastTime = text_of(v);
        else if (key == "kpi") log.Kpis.push_back(kpiOf(v.get_object()));
        else if (key == "points") {
          for (auto p : v.get_array()) {
            double latLon[2] = {0, 0};
            size_t n = 0;
            for (auto c : p.get_array())
              if (n < 2) latLon[n++] = c.get_double().value();
            log.Route.emplace_back(latLon[0], latLon[1]);
          }
        }
      }
      if (type == "result") {
        log.Results.push_back(std::move(r));
      } else if (type == "fault") {
        log.Faults.push_back(std::move(f));
      } else if (type == "end") {
        ended = true;
        log.Status = status.empty() ? "fault" : status;
        log.Fault = fault;
        log.Network = r.Network;
      }
    }
  } catch (const simdjson::simdjson_error&) {
    return false;
  }
  return true;
}

}  // namespace

void ReadWorkerOutput(CampaignJob& job, int waitStatus, bool timedOut, double timeout) {
  LogOutcome& log = job.Log;
  bool ended = false;
  if (!parseWorkerLines(job.OutText, job, ended)) ended = false;
  std::string lastError = job.ErrText;
  while (!lastError.empty() && lastError.back() == '\n') lastError.pop_back();
  if (size_t nl = lastError.rfind('\n'); nl != std::string::npos) lastError = lastError.substr(nl + 1);
  std::string why;
  if (timedOut)
    why = fmt::format("the log took longer than the limit of {} seconds (--log-timeout); its worker was stopped",
                      timeout);
  else if (WIFSIGNALED(waitStatus))
    why = fmt::format("the worker was killed by {}", signalText(WTERMSIG(waitStatus)));
  else if (!ended)
    why = fmt::format("the worker ended with status {} before the end of the log",
                      WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1);
  if (why.empty()) return;
  log.DropRows();  // it did not end in its worker
  log.Status = timedOut ? "timeout" : "crashed";
  log.Fault = why + (lastError.empty() ? "" : ": " + lastError);
}

}  // namespace eventscan
