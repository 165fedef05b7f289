// Finds out, with bounded waits, whether a print server's name is known and
// which of its print ports accept connections: the IPP port (631) and the
// SMB port (445) are tried at the same time.
#pragma once

#include <string>
#include <vector>

#include "platform/posix/bounded_child.h"

namespace quelmar {

constexpr int kIppPort = 631;
constexpr int kSmbPort = 445;

struct ProbeResult {
  enum class Outcome { kUnknownName, kLookupTimedOut, kProbed };
  Outcome outcome = Outcome::kUnknownName;
  // Ports that accepted a connection, in the order asked for.
  std::vector<int> open;
  // The connections that did not succeed: refused ones (ECONNREFUSED),
  // unreachable ones, or none answered in time (ETIMEDOUT).
  int error = 0;
};

// Looks `host` up (at most until `lookupDeadline`; the look-up runs in a
// child process, as the resolver has no timeout of its own), then connects
// to every port of `ports` on its addresses at once. A connection to the
// first port ends the wait; one to a later port ends it after `grace` at
// most, so that the first port is preferred when both answer. Nothing
// waits past `deadline`.
ProbeResult ProbeServer(const std::string& host, const std::vector<int>& ports,
                        Deadline lookupDeadline, Deadline deadline,
                        std::chrono::milliseconds grace);

}  // namespace quelmar
