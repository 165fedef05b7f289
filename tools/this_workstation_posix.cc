// Linux: CUPS is read by the helper program quelmar-snapshot, which alone
// links libcups and the dozen libraries behind it; the rehearsal command
// stays static and starts in a fraction of a millisecond.
#include <unistd.h>

#include <cstring>

#include "app/snapshot_encoding.h"
#include "platform/posix/helper_program.h"
#include "tools/this_workstation_snapshot.h"

namespace quelmar {
namespace {

constexpr char kHelperName[] = "quelmar-snapshot";

// Where the package installs it (QUELMAR_HELPER_FROM_BIN, relative to the
// rehearsal command's folder), or beside the rehearsal command (the build
// tree).
std::string HelperPath(Host& host) {
  const std::string folder = host.ProgramFolder() + "/";
  std::string installed = folder + QUELMAR_HELPER_FROM_BIN + "/" + kHelperName;
  if (access(installed.c_str(), X_OK) == 0) return installed;
  return folder + kHelperName;
}

}  // namespace

std::optional<Snapshot> SnapshotOfThisWorkstation(std::string_view scriptText,
                                                  Host& host,
                                                  std::string& problem) {
  const std::string helper = HelperPath(host);
  HelperOutcome outcome = RunHelperProgram(helper, scriptText);
  if (!outcome.started) {
    problem = "impossible de lancer " + helper + " (" +
              std::strerror(outcome.startError) + ")";
    return std::nullopt;
  }
  // Status 0: the snapshot; status 1: why the workstation could not be read.
  if (outcome.status == 0)
    if (std::optional<Snapshot> snapshot = DecodeSnapshot(outcome.output))
      return snapshot;
  if (outcome.status == 1 && !outcome.output.empty()) {
    problem = outcome.output;
    return std::nullopt;
  }
  problem = helper + " s'est arrêté sans relevé (état " +
            std::to_string(outcome.status) + ")";
  return std::nullopt;
}

}  // namespace quelmar
