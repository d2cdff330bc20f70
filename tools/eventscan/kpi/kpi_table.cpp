#include "kpi/kpi_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include <fmt/format.h>

#include "kpi/kpi_attempts.h"
#include "kpi/kpi_window.h"
#include "log/networks.h"
#include "support/text_case.h"

namespace eventscan {
namespace {

constexpr double SecondsPerDay = 86400.0;

bool named(const std::vector<std::string>& names, const std::string& event) {
  return std::any_of(names.begin(), names.end(), [&](const std::string& n) { return EqualsIgnoringAsciiCase(n, event); });
}

// One occurrence: the results of one record (or of records merged into it)
// that a KPI's list names.
struct Occurrence {
  int32_t Record = 0;
  double Time = 0;
  std::vector<const KpiResult*> Results;
};

// The occurrences of `names` in a log. Results on one record are one
// occurrence; with `mergeWithin` seconds, a result of another name that
// follows an occurrence that closely joins it too (a handover reported both
// by its messages and by the handset's test item, a record or two apart).
// Two results of one name are never merged: they are two occurrences.
std::vector<Occurrence> occurrencesOf(const KpiLog& log, const std::vector<std::string>& names, double mergeWithin) {
  std::vector<const KpiResult*> hits;
  for (const KpiResult& r : log.Results)
    if (named(names, r.Event)) hits.push_back(&r);
  std::stable_sort(hits.begin(), hits.end(), [](const KpiResult* a, const KpiResult* b) {
    return a->Time != b->Time ? a->Time < b->Time : a->Record < b->Record;
  });
  std::vector<Occurrence> out;
  for (const KpiResult* r : hits) {
    if (!out.empty()) {
      Occurrence& last = out.back();
      bool sameRecord = std::any_of(last.Results.begin(), last.Results.end(),
                                    [&](const KpiResult* x) { return x->Record == r->Record; });
      bool nameSeen = std::any_of(last.Results.begin(), last.Results.end(),
                                  [&](const KpiResult* x) { return EqualsIgnoringAsciiCase(x->Event, r->Event); });
      bool close = mergeWithin > 0 && (r->Time - last.Time) * SecondsPerDay <= mergeWithin + 1e-9;
      if (sameRecord || (close && !nameSeen)) {
        last.Results.push_back(r);
        continue;
      }
    }
    out.push_back({r->Record, r->Time, {r}});
  }
  return out;
}

std::vector<int32_t> recordsOf(const std::vector<Occurrence>& occurrences) {
  std::vector<int32_t> out;
  for (const Occurrence& o : occurrences)
    for (const KpiResult* r : o.Results) out.push_back(r->Record);
  std::sort(out.begin(), out.end());
  return out;
}

std::string namesText(const std::vector<std::string>& names, const KpiLog& log) {
  std::vector<std::string> shown;
  for (const std::string& n : names)
    if (log.KnownEvents.empty() || named(log.KnownEvents, n)) shown.push_back(n);
  if (shown.empty()) return "(none)";
  return fmt::format("{}", fmt::join(shown, " + "));
}

// A comma followed by exactly three digits groups thousands.
bool thousands(const std::string& line, size_t comma) {
  auto digit = [&](size_t i) { return i < line.size() && line[i] >= '0' && line[i] <= '9'; };
  return digit(comma + 1) && digit(comma + 2) && digit(comma + 3) && !digit(comma + 4);
}

std::string edgeText(double v) { return fmt::format("{:g}", v); }

// The failure occurrences that share no record (or merged occurrence) with a
// success: a failure reported on a success's record is not a second answer.
std::vector<Occurrence> failuresApart(const std::vector<Occurrence>& successes, std::vector<Occurrence> failures) {
  std::vector<int32_t> successRecords = recordsOf(successes);
  std::erase_if(failures, [&](const Occurrence& f) {
    return std::any_of(f.Results.begin(), f.Results.end(), [&](const KpiResult* r) {
      return std::binary_search(successRecords.begin(), successRecords.end(), r->Record);
    });
  });
  return failures;
}

// "(A + B) / (the same + C)" keeps a long list of successes readable.
std::string successOverFailures(const std::string& success, const std::string& failure) {
  return success.find(" + ") == std::string::npos ? fmt::format("({0}) / ({0} + {1})", success, failure)
                                                  : fmt::format("({}) / (the same + {})", success, failure);
}

// The attempts of a KPI that follows them (kpi_attempts.h), from the
// occurrences of its three lists.
std::vector<KpiAttempt> followedAttempts(const KpiDefinition& d, const KpiLog& log) {
  std::vector<KpiMark> marks;
  auto add = [&](const std::vector<Occurrence>& list, KpiMark::Kind kind) {
    for (const Occurrence& o : list) marks.push_back({o.Time, o.Record, kind});
  };
  std::vector<Occurrence> successes = occurrencesOf(log, d.Success, d.MergeWithin);
  add(occurrencesOf(log, d.Attempt, d.MergeWithin), KpiMark::Kind::Attempt);
  add(failuresApart(successes, occurrencesOf(log, d.Failure, d.MergeWithin)), KpiMark::Kind::Failure);
  add(successes, KpiMark::Kind::Success);
  return FollowAttempts(std::move(marks), d.AnswerWithin, log.End);
}

std::string followedText(const KpiDefinition& d, const KpiLog& log) {
  std::string text = fmt::format("attempts {}, answered within {:g} s by {}", namesText(d.Attempt, log),
                                 d.AnswerWithin, namesText(d.Success, log));
  if (!d.Failure.empty()) text += fmt::format(" or failed by {}", namesText(d.Failure, log));
  return text;
}

std::string attemptsText(size_t n) { return n == 1 ? "1 attempt" : fmt::format("{} attempts", n); }

// Notes on the attempts that are not plain successes or failures.
void attemptNotes(const std::vector<KpiAttempt>& attempts, const KpiDefinition& d, KpiValue& v) {
  size_t unanswered = 0, waiting = 0;
  for (const KpiAttempt& a : attempts) {
    unanswered += a.How == KpiAttempt::End::Unanswered;
    waiting += a.How == KpiAttempt::End::Waiting;
  }
  if (unanswered)
    v.Notes.push_back(fmt::format("{} not answered within {:g} s", attemptsText(unanswered), d.AnswerWithin));
  if (waiting)
    v.Notes.push_back(fmt::format("{} at the end of the log, before {:g} s had passed, not counted",
                                  attemptsText(waiting), d.AnswerWithin));
}

void followedRatio(const KpiDefinition& d, const KpiLog& log, KpiValue& v) {
  std::vector<KpiAttempt> attempts = followedAttempts(d, log);
  for (const KpiAttempt& a : attempts) {
    if (a.How == KpiAttempt::End::Waiting) continue;
    ++v.Denominator;
    v.Numerator += a.How == KpiAttempt::End::Success;
  }
  v.CountedAs = fmt::format("({}) / ({})", namesText(d.Success, log), followedText(d, log));
  attemptNotes(attempts, d, v);
}

void ratio(const KpiDefinition& d, const KpiLog& log, KpiValue& v) {
  if (FollowsAttempts(d)) {
    followedRatio(d, log, v);
  } else if (!d.Attempt.empty()) {
    v.Numerator = occurrencesOf(log, d.Success, d.MergeWithin).size();
    v.Denominator = occurrencesOf(log, d.Attempt, d.MergeWithin).size();
    v.CountedAs = fmt::format("({}) / ({})", namesText(d.Success, log), namesText(d.Attempt, log));
  } else {
    std::vector<Occurrence> successes = occurrencesOf(log, d.Success, d.MergeWithin);
    v.Numerator = successes.size();
    v.Denominator = v.Numerator + failuresApart(successes, occurrencesOf(log, d.Failure, d.MergeWithin)).size();
    v.CountedAs = successOverFailures(namesText(d.Success, log), namesText(d.Failure, log));
  }
  if (v.Denominator > 0) v.Value = 100.0 * static_cast<double>(v.Numerator) / static_cast<double>(v.Denominator);
}

// The values of a statistics KPI: the detail value of each occurrence, or the
// seconds from each attempt to its success.
std::vector<double> statisticsValues(const KpiDefinition& d, const KpiLog& log, KpiValue& v) {
  std::vector<double> values;
  if (FollowsAttempts(d)) {
    std::vector<KpiAttempt> attempts = followedAttempts(d, log);
    for (const KpiAttempt& a : attempts)
      if (a.How == KpiAttempt::End::Success && a.Requested) {
        // Record times are days: each rounded to the microsecond is the time
        // written in the log, and their difference has no rounding left
        // (rounding the difference instead could miss by a microsecond).
        const double seconds = static_cast<double>(MicrosecondsOf(a.Answered) - MicrosecondsOf(a.Start)) / 1e6;
        values.push_back(seconds * d.Scale);
      }
    v.CountedAs = fmt::format("seconds from each of the {}", followedText(d, log));
    attemptNotes(attempts, d, v);
    return values;
  }
  for (const Occurrence& o : occurrencesOf(log, d.Events, d.MergeWithin)) {
    // The first result of the occurrence that gives the value stands for it.
    for (const KpiResult* r : o.Results) {
      std::optional<double> found;
      for (const std::string& line : r->Details)
        if ((found = DetailValue(line, d.Detail))) break;
      if (found) {
        values.push_back(*found * d.Scale);
        break;
      }
    }
  }
  v.CountedAs = fmt::format("\"{}\" of {}", d.Detail, namesText(d.Events, log));
  return values;
}

void statistics(const KpiDefinition& d, const KpiLog& log, KpiValue& v) {
  std::vector<double> values = statisticsValues(d, log, v);
  v.Count = values.size();
  if (values.empty()) return;
  std::sort(values.begin(), values.end());
  double sum = 0;
  for (double x : values) sum += x;
  const size_t n = values.size();
  v.Mean = sum / static_cast<double>(n);
  v.Median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  v.P90 = NearestRank(values, 90);
  v.Max = values.back();
  v.Value = v.Mean;
}

void count(const KpiDefinition& d, const KpiLog& log, KpiValue& v) {
  v.Count = occurrencesOf(log, d.Events, d.MergeWithin).size();
  v.Value = static_cast<double>(v.Count);
  v.CountedAs = namesText(d.Events, log);
}

void distribution(const KpiDefinition& d, const KpiLog& log, KpiValue& v) {
  const std::vector<double>* samples = nullptr;
  for (const auto& [field, values] : log.Samples)
    if (EqualsIgnoringAsciiCase(field, d.Field)) samples = &values;
  v.CountedAs = fmt::format("samples of {}", d.Field);
  // Bins: below the first edge, from each edge up to (not including) the
  // next, and from the last edge up.
  v.Bins.resize(d.Bins.size() + 1);
  v.Bins.front().Label = "< " + edgeText(d.Bins.front());
  for (size_t i = 1; i < d.Bins.size(); ++i)
    v.Bins[i].Label = edgeText(d.Bins[i - 1]) + " to " + edgeText(d.Bins[i]);
  v.Bins.back().Label = ">= " + edgeText(d.Bins.back());
  if (!samples) {
    v.Notes.push_back(fmt::format("the log carries no {} samples", d.Field));
    return;
  }
  for (double raw : *samples) {
    double x = raw * d.Scale;
    size_t bin = static_cast<size_t>(std::upper_bound(d.Bins.begin(), d.Bins.end(), x) - d.Bins.begin());
    ++v.Bins[bin].Count;
  }
  v.Count = samples->size();
  if (v.Count == 0) return;
  for (KpiBin& b : v.Bins) b.Share = 100.0 * static_cast<double>(b.Count) / static_cast<double>(v.Count);
}

}  // namespace

double NearestRank(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  auto rank = static_cast<size_t>(std::ceil(p / 100.0 * static_cast<double>(sorted.size())));
  return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

std::optional<double> DetailValue(const std::string& line, const std::string& name) {
  size_t at = 0;
  while (at < line.size() && line[at] == ' ') ++at;
  if (name.empty() || line.size() - at < name.size() ||
      !EqualsIgnoringAsciiCase(std::string_view(line).substr(at, name.size()), name))
    return std::nullopt;
  at += name.size();
  // The name must end there: "Delay" is not the start of "Delays".
  if (at < line.size() && line[at] != ' ' && line[at] != ':' && line[at] != '=') return std::nullopt;
  while (at < line.size() && line[at] == ' ') ++at;
  if (at < line.size() && (line[at] == ':' || line[at] == '=')) ++at;
  while (at < line.size() && line[at] == ' ') ++at;
  std::string digits;
  if (at < line.size() && (line[at] == '-' || line[at] == '+')) digits += line[at++];
  bool any = false, point = false;
  while (at < line.size()) {
    char c = line[at];
    if (c >= '0' && c <= '9') {
      digits += c;
      any = true;
    } else if (c == '.' && !point) {
      digits += c;
      point = true;
    } else if (c == ',' && any && !point && thousands(line, at)) {
      // a thousands separator: exactly three digits follow
    } else {
      break;
    }
    ++at;
  }
  if (!any) return std::nullopt;
  // from_chars reads '.' whatever locale a host has set.
  if (digits.front() == '+') digits.erase(0, 1);
  double value = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), value);
  return value;
}

bool KpiApplies(const KpiDefinition& kpi, uint8_t network) {
  return network <= 3 ? (kpi.Networks & (1u << network)) != 0 : kpi.Networks == 0x0F;
}

std::vector<KpiValue> ComputeKpiTable(const std::vector<KpiDefinition>& kpis, const KpiLog& log) {
  std::vector<KpiValue> out;
  for (const KpiDefinition& d : kpis) {
    if (!KpiApplies(d, log.Network)) continue;
    KpiValue v;
    v.Name = d.Name;
    v.Kind = d.Kind;
    v.Unit = d.Unit;
    switch (d.Kind) {
      case KpiKind::Ratio: ratio(d, log, v); break;
      case KpiKind::Statistics: statistics(d, log, v); break;
      case KpiKind::Count: count(d, log, v); break;
      case KpiKind::Distribution: distribution(d, log, v); break;
    }
    std::vector<std::string> counted;
    for (const auto* list : {&d.Success, &d.Attempt, &d.Failure, &d.Events})
      for (const std::string& n : *list)
        if (named(log.Hidden, n) && !named(counted, n)) counted.push_back(n);
    for (const std::string& n : counted)
      v.Notes.push_back(fmt::format("'{}' is hidden (Visible off): the library recorded none, so it is not counted", n));
    v.Reference = d.Reference;
    out.push_back(std::move(v));
  }
  return out;
}

}  // namespace eventscan
