// Work that may block for ever (a name look-up, a library call whose own
// timeout does not cover every wait) run in a child process that is killed
// at a deadline, so that the caller waits no longer than it chose.
#pragma once

#include <sys/types.h>

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

// A child process that answers requests one at a time and keeps its state
// between them (a library's open connections, say). It is started at the
// first request; when an answer does not come by its deadline the child is
// killed, and the next request starts a new one. The same warning as above
// applies to `handle`, which runs in the child only.
class BoundedWorker {
 public:
  using Handler = std::function<std::string(const std::string& request)>;
  explicit BoundedWorker(Handler handle);
  ~BoundedWorker();
  BoundedWorker(const BoundedWorker&) = delete;
  BoundedWorker& operator=(const BoundedWorker&) = delete;

  ChildOutcome Ask(const std::string& request, Deadline deadline);

 private:
  bool Start();
  void Stop();

  Handler handle_;
  pid_t child_ = -1;
  int socket_ = -1;
};

}  // namespace quelmar
