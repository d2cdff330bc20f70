// The KPI definitions of a home (Kpis.cfg): what each KPI counts, by event
// names and networks, read from a line-based file a person edits by hand. A
// fault in one KPI is reported with the file and line and drops that KPI
// only; the others are kept. Plain values, no library object.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace eventscan {

enum class KpiKind { Ratio, Statistics, Count, Distribution };

// "ratio", "statistics", "count", "distribution".
const char* KpiKindWord(KpiKind kind);

struct KpiDefinition {
  std::string Name;
  int Line = 0;                        // of its [section] line
  uint8_t Networks = 0x0F;             // bit k = network k (0 GSM .. 3 TD-SCDMA)
  KpiKind Kind = KpiKind::Count;
  // Ratio: Success over Attempt, or Success over Success + Failure when
  // Attempt is empty; with AnswerWithin, the attempts are followed one by one
  // (kpi_attempts.h). Count: Events. Statistics: the Detail value of Events,
  // or with AnswerWithin the seconds from each attempt to its success.
  std::vector<std::string> Success, Attempt, Failure, Events;
  std::string Detail;                  // statistics: the detail line's name ("Delay")
  std::string Field;                   // distribution: the measurement field ("RSCP")
  std::vector<double> Bins;            // distribution: increasing bin edges
  double Scale = 1;                    // applied to every value read
  double MergeWithin = 0;              // seconds: events of other names this close are one occurrence
  double AnswerWithin = 0;             // seconds, the request's timer; 0: attempts are not followed
  std::string Unit;                    // shown beside statistics ("s", "ms", "kbit/s")
  std::string Reference;               // where the definition comes from, shown as a note
};

// Whether the KPI follows its attempts one by one (ratio or statistics with
// 'answer within').
inline bool FollowsAttempts(const KpiDefinition& k) { return k.AnswerWithin > 0; }

struct KpiFile {
  std::string Path;
  bool Found = false;                  // false: no such file
  std::vector<KpiDefinition> Kpis;     // the sound ones, in file order
  std::vector<std::string> Faults;     // "PATH:LINE: what is wrong"
};

KpiFile ReadKpiFile(const std::string& path);
// The same reading over text already in memory (`path` names it in faults).
KpiFile ParseKpiText(const std::string& text, const std::string& path);

// Kpis.cfg in the home directory given, which ends with a slash or is empty.
std::string KpiFilePath(const std::string& home);

}  // namespace eventscan
