#include "kpi/kpi_file.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include <fmt/format.h>

#include "log/networks.h"
#include "support/file_io.h"
#include "support/text_case.h"

namespace eventscan {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::vector<std::string> listOf(std::string_view text) {
  std::vector<std::string> out;
  while (true) {
    size_t comma = text.find(',');
    std::string_view item = trim(text.substr(0, comma));
    if (!item.empty()) out.emplace_back(item);
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  return out;
}

// A decimal number with '.', whatever locale a host has set.
bool numberOf(std::string_view text, double& out) {
  text = trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

// One KPI while its lines are read: the faults found in it so far.
struct Pending {
  KpiDefinition Kpi;
  bool Open = false;
  bool KindSet = false;
  std::vector<std::string> Faults;
};

class Reader {
 public:
  explicit Reader(KpiFile& file) : file_(file) {}

  void Line(int number, std::string_view line) {
    line = trim(line);
    if (line.empty() || line.front() == '#' || line.front() == ';') return;
    if (line.front() == '[') {
      finish();
      if (line.back() != ']') return fault(number, "a section line ends with ']'");
      std::string_view name = trim(line.substr(1, line.size() - 2));
      if (name.empty()) return fault(number, "a KPI needs a name between '[' and ']'");
      pending_ = Pending{};
      pending_.Open = true;
      pending_.Kpi.Name = std::string(name);
      pending_.Kpi.Line = number;
      return;
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return fault(number, fmt::format("'{}' is not 'key = value'", line));
    std::string key = AsciiLowerCopy(trim(line.substr(0, eq)));
    std::string_view value = trim(line.substr(eq + 1));
    if (!pending_.Open) return fault(number, fmt::format("'{}' comes before the first [KPI name]", key));
    setKey(number, key, value);
  }

  void finish() {
    if (!pending_.Open) return;
    Pending p = std::move(pending_);
    pending_ = Pending{};
    KpiDefinition& k = p.Kpi;
    auto missing = [&](const char* what) {
      p.Faults.push_back(fmt::format("{}:{}: KPI '{}' has no '{}'", file_.Path, k.Line, k.Name, what));
    };
    auto wrong = [&](const char* what) {
      p.Faults.push_back(fmt::format("{}:{}: KPI '{}' {}", file_.Path, k.Line, k.Name, what));
    };
    const bool follows = FollowsAttempts(k);
    if (!p.KindSet) missing("kind");
    else switch (k.Kind) {
        case KpiKind::Ratio:
          if (k.Success.empty()) missing("success");
          if (k.Attempt.empty() && (follows || k.Failure.empty()))
            missing(follows ? "attempt" : "attempt' or 'failure");
          if (!follows && !k.Attempt.empty() && !k.Failure.empty())
            wrong("has both 'attempt' and 'failure'; a ratio takes one, or both with 'answer within'");
          break;
        case KpiKind::Statistics:
          if (follows) {
            // The time from each attempt to its success.
            if (k.Attempt.empty()) missing("attempt");
            if (k.Success.empty()) missing("success");
            if (!k.Events.empty() || !k.Detail.empty())
              wrong("times its attempts ('answer within'): it takes no 'events' or 'detail'");
          } else {
            if (k.Events.empty()) missing("events");
            if (k.Detail.empty()) missing("detail");
          }
          break;
        case KpiKind::Count:
          if (k.Events.empty()) missing("events");
          break;
        case KpiKind::Distribution:
          if (k.Field.empty()) missing("field");
          if (k.Bins.empty()) missing("bins");
          break;
      }
    if (p.KindSet && follows && k.Kind != KpiKind::Ratio && k.Kind != KpiKind::Statistics)
      wrong("has 'answer within', which only a ratio or statistics takes");
    for (const KpiDefinition& other : file_.Kpis)
      if (EqualsIgnoringAsciiCase(other.Name, k.Name) && (other.Networks & k.Networks))
        p.Faults.push_back(fmt::format("{}:{}: KPI '{}' is defined again for a network (first at line {})",
                                       file_.Path, k.Line, k.Name, other.Line));
    if (p.Faults.empty())
      file_.Kpis.push_back(std::move(k));
    else
      file_.Faults.insert(file_.Faults.end(), p.Faults.begin(), p.Faults.end());
  }

 private:
  void fault(int number, const std::string& what) {
    std::string text = fmt::format("{}:{}: {}", file_.Path, number, what);
    // A fault inside a KPI drops that KPI; one outside any drops nothing.
    if (pending_.Open)
      pending_.Faults.push_back(std::move(text));
    else
      file_.Faults.push_back(std::move(text));
  }

  void setKey(int number, const std::string& key, std::string_view value) {
    KpiDefinition& k = pending_.Kpi;
    if (key == "kind") {
      std::string word = AsciiLowerCopy(value);
      if (word == "ratio") k.Kind = KpiKind::Ratio;
      else if (word == "statistics") k.Kind = KpiKind::Statistics;
      else if (word == "count") k.Kind = KpiKind::Count;
      else if (word == "distribution") k.Kind = KpiKind::Distribution;
      else return fault(number, fmt::format("unknown kind '{}' (ratio, statistics, count or distribution)", value));
      pending_.KindSet = true;
    } else if (key == "networks") {
      k.Networks = 0;
      for (const std::string& n : listOf(value)) {
        if (EqualsIgnoringAsciiCase(n, "all")) {
          k.Networks = 0x0F;
          continue;
        }
        std::optional<uint8_t> index = NetworkIndex(n);
        if (!index || *index > 3) return fault(number, fmt::format("unknown network '{}'", n));
        k.Networks = static_cast<uint8_t>(k.Networks | (1u << *index));
      }
      if (k.Networks == 0) return fault(number, "'networks' names no network");
    } else if (key == "success" || key == "attempt" || key == "failure" || key == "events") {
      std::vector<std::string>& list = key == "success"   ? k.Success
                                       : key == "attempt" ? k.Attempt
                                       : key == "failure" ? k.Failure
                                                          : k.Events;
      list = listOf(value);
      if (list.empty()) return fault(number, fmt::format("'{}' names no event", key));
    } else if (key == "detail") {
      k.Detail = std::string(value);
    } else if (key == "field") {
      k.Field = std::string(value);
    } else if (key == "unit") {
      k.Unit = std::string(value);
    } else if (key == "reference") {
      k.Reference = std::string(value);
    } else if (key == "bins") {
      k.Bins.clear();
      for (const std::string& item : listOf(value)) {
        double edge = 0;
        if (!numberOf(item, edge)) return fault(number, fmt::format("bin edge '{}' is not a number", item));
        if (!k.Bins.empty() && edge <= k.Bins.back())
          return fault(number, "bin edges must increase from left to right");
        k.Bins.push_back(edge);
      }
    } else if (key == "scale" || key == "merge within" || key == "answer within") {
      double v = 0;
      if (!numberOf(value, v)) return fault(number, fmt::format("'{}' is not a number: '{}'", key, value));
      if (key == "scale") {
        if (v == 0) return fault(number, "'scale' must not be 0");
        k.Scale = v;
      } else if (key == "merge within") {
        if (v < 0) return fault(number, "'merge within' must not be negative");
        k.MergeWithin = v;
      } else {
        if (v <= 0) return fault(number, "'answer within' must be more than 0 seconds");
        k.AnswerWithin = v;
      }
    } else {
      fault(number, fmt::format("unknown key '{}'", key));
    }
  }

  KpiFile& file_;
  Pending pending_;
};

}  // namespace

const char* KpiKindWord(KpiKind kind) {
  switch (kind) {
    case KpiKind::Ratio: return "ratio";
    case KpiKind::Statistics: return "statistics";
    case KpiKind::Count: return "count";
    case KpiKind::Distribution: return "distribution";
  }
  return "count";
}

std::string KpiFilePath(const std::string& home) { return home + "Kpis.cfg"; }

KpiFile ParseKpiText(const std::string& text, const std::string& path) {
  KpiFile file;
  file.Path = path;
  file.Found = true;
  Reader reader(file);
  int number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ++number;
    reader.Line(number, std::string_view(text).substr(start, end - start));
    start = end + 1;
  }
  reader.finish();
  return file;
}

KpiFile ReadKpiFile(const std::string& path) {
  std::string bytes, reason;
  switch (ReadRegularFile(path, bytes, reason, uint64_t(16) << 20)) {
    case TFileRead::Ok: return ParseKpiText(bytes, path);
    case TFileRead::Missing: {
      KpiFile file;
      file.Path = path;
      return file;
    }
    case TFileRead::Failed: break;
  }
  KpiFile file;
  file.Path = path;
  file.Found = true;
  file.Faults.push_back(fmt::format("{}: cannot read: {}", path, reason));
  return file;
}

}  // namespace eventscan
