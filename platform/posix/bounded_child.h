// Work that may block for ever (a name look-up, a library call whose own
// timeout does not cover every wait) run in a child process that is killed
// at a deadline, so that the caller waits no longer than it chose.
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace quelmar {

using Deadline = std::chrono::steady_clock::time_point;

struct ChildOutcome {
  enum class Ending { kFinished, kTimedOut, kFailed };
  Ending ending = Ending::kFailed;
  // What the work returned, when it finished.
  std::string output;
};

// Runs `work` in a forked child and hands its result back through a pipe.
// The child is killed at `deadline`; kFailed when it could not be started
// or died without finishing. `work` must not touch the parent's open
// connections: the child shares their sockets.
ChildOutcome RunInBoundedChild(const std::function<std::string()>& work,
                               Deadline deadline);

}  // namespace quelmar
