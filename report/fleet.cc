#include "report/fleet.h"

#include <algorithm>
#include <map>

#include "services/unicode.h"

namespace quelmar {

Fleet::Fleet(ReportFilter filter) : filter_(std::move(filter)) {
  if (!filter_.workstationPattern.empty())
    pattern_.emplace(filter_.workstationPattern);
}

void Fleet::OnEntry(const JournalEntry& entry) {
  ++(entry.level == 'C' ? figures_.entriesC : figures_.entriesS);
  if (!entry.completed) ++figures_.incompleteEntries;
  if (filter_.since && entry.time.Key() < filter_.since->Key()) return;
  if (pattern_ && !pattern_->Matches(entry.workstation)) return;
  WorkstationRun& run = runs_[ToLowerUtf8(entry.workstation)];
  ++read_;
  if (run.order != 0 && entry.time.Key() < run.last.time.Key()) return;
  run.last = entry;
  run.order = read_;
}

void Fleet::OnUnreadableLine(size_t) { ++figures_.unreadableLines; }

std::vector<const WorkstationRun*> Fleet::Workstations() const {
  std::vector<std::pair<const std::string*, const WorkstationRun*>> sorted;
  sorted.reserve(runs_.size());
  for (const auto& [key, run] : runs_) sorted.emplace_back(&key, &run);
  std::sort(sorted.begin(), sorted.end(),
            [](const auto& a, const auto& b) { return *a.first < *b.first; });
  std::vector<const WorkstationRun*> runs;
  runs.reserve(sorted.size());
  for (const auto& [key, run] : sorted) runs.push_back(run);
  return runs;
}

FleetSummary Fleet::Summary() const {
  FleetSummary summary;
  for (const auto& [key, run] : runs_) {
    ++summary.workstations;
    switch (ExitClass(run.last)) {
      case 0:
        ++summary.clean;
        break;
      case 1:
        ++summary.withErrors;
        break;
      default:
        ++summary.notCompleted;
    }
  }
  return summary;
}

std::vector<FailureGroup> Fleet::GroupFailures(bool byPrinter) const {
  // Printer names compare without regard to case, as the run compares them;
  // error texts exactly.
  std::map<std::string, FailureGroup> groups;
  for (const WorkstationRun* run : Workstations()) {
    for (const Failure& failure : run->last.failures) {
      const std::string& name = byPrinter ? failure.printer : failure.errorText;
      FailureGroup& group = groups[byPrinter ? ToLowerUtf8(name) : name];
      if (group.failures++ == 0) group.name = name;
      if (group.workstations.empty() ||
          group.workstations.back() != run->last.workstation)
        group.workstations.push_back(run->last.workstation);
    }
  }
  std::vector<FailureGroup> sorted;
  sorted.reserve(groups.size());
  for (auto& [key, group] : groups) sorted.push_back(std::move(group));
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const FailureGroup& a, const FailureGroup& b) {
                     return a.failures > b.failures;
                   });
  return sorted;
}

std::vector<FailureGroup> Fleet::FailuresByPrinter() const {
  return GroupFailures(true);
}

std::vector<FailureGroup> Fleet::FailuresByErrorText() const {
  return GroupFailures(false);
}

}  // namespace quelmar
