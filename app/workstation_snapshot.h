// A snapshot of the real workstation for a rehearsal: the simulated
// workstation on which a script runs as it would run here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/workstation.h"
#include "platform/this_workstation.h"

namespace quelmar {

// The network printers that the valid lines of a script name, wildcards
// matched against `installed` as the run matches them: the printers it may
// remove, connect, connect again or make the default.
std::vector<std::string> PrintersNamedBy(
    std::string_view scriptText, const std::vector<std::string>& installed);

struct Snapshot {
  WorkstationState state;
  std::vector<std::string> comments;  // what the reading met
};

// Reads the workstation and the servers that `scriptText` names, each once
// (names compared without regard to case). A server that does not answer
// offers nothing; the printers named on it fail as a connection to it
// fails. A printer a server does not offer fails with the error and text
// the server gives for it.
Snapshot TakeSnapshot(ThisWorkstation& workstation,
                      std::string_view scriptText);

// The workstation-file format, its comments first.
std::string FormatSnapshot(const Snapshot& snapshot);

}  // namespace quelmar
