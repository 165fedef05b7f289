// This workstation read for quelmar-dryrun --this-workstation. On Windows
// the rehearsal command reads it itself; on Linux the helper program
// quelmar-snapshot does (tools/quelmar_snapshot.cc), so that the rehearsal
// command links no libcups and starts as a static program.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/workstation_snapshot.h"
#include "platform/host.h"

namespace quelmar {

// The snapshot for a rehearsal of `scriptText`, or nothing, with the reason
// in `problem`, when the workstation could not be read.
std::optional<Snapshot> SnapshotOfThisWorkstation(std::string_view scriptText,
                                                  Host& host,
                                                  std::string& problem);

}  // namespace quelmar
