// Windows: the spooler read in the rehearsal command's own process.
#include "base/run_error.h"
#include "platform/this_workstation.h"
#include "tools/this_workstation_snapshot.h"

namespace quelmar {

std::optional<Snapshot> SnapshotOfThisWorkstation(std::string_view scriptText,
                                                  Host&, std::string& problem) {
  try {
    return TakeSnapshot(*CreateThisWorkstation(), scriptText);
  } catch (const RunError& error) {
    problem = error.description();
    return std::nullopt;
  }
}

}  // namespace quelmar
