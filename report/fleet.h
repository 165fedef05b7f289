// The fleet as its journals show it: the last run of every workstation, a
// summary, and the failures of those last runs grouped by printer and by
// error text. Memory holds one record per workstation (with the failures of
// its last run), never the entries themselves.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "report/journal_reader.h"
#include "services/like_pattern.h"

namespace quelmar {

struct ReportFilter {
  std::optional<JournalTime> since;  // entries before it are left out
  std::string workstationPattern;    // empty: every workstation
};

struct WorkstationRun {
  JournalEntry last;  // the latest entry (the later one read on a tie)
  uint64_t order = 0;
};

struct FleetSummary {
  int workstations = 0;
  int clean = 0;         // exit class 0
  int withErrors = 0;    // exit class 1
  int notCompleted = 0;  // exit class 2
};

// Failures of one printer, or of one error text.
struct FailureGroup {
  std::string name;  // the printer as first spelled, or the error text
  int failures = 0;
  std::vector<std::string> workstations;  // in the report's order
};

// What reading cost: entries by level, lines that were not read.
struct ReadFigures {
  int64_t entriesS = 0;
  int64_t entriesC = 0;
  int64_t incompleteEntries = 0;
  int64_t unreadableLines = 0;
};

class Fleet : public JournalSink {
 public:
  explicit Fleet(ReportFilter filter);
  void OnEntry(const JournalEntry& entry) override;
  void OnUnreadableLine(size_t line) override;

  const ReadFigures& figures() const { return figures_; }
  // The workstations kept, by name without regard to case.
  std::vector<const WorkstationRun*> Workstations() const;
  FleetSummary Summary() const;
  // Most failures first, then by name.
  std::vector<FailureGroup> FailuresByPrinter() const;
  std::vector<FailureGroup> FailuresByErrorText() const;

 private:
  std::vector<FailureGroup> GroupFailures(bool byPrinter) const;

  ReportFilter filter_;
  std::optional<CaseInsensitivePattern> pattern_;
  std::unordered_map<std::string, WorkstationRun> runs_;  // by folded name
  uint64_t read_ = 0;
  ReadFigures figures_;
};

}  // namespace quelmar
