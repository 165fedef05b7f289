#include "platform/posix/bounded_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace quelmar {
namespace {

int MillisecondsUntil(Deadline deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

[[noreturn]] void RunChild(int out, const std::function<std::string()>& work) {
  const std::string result = work();
  size_t written = 0;
  while (written < result.size()) {
    ssize_t n = write(out, result.data() + written, result.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) _exit(1);
    written += static_cast<size_t>(n);
  }
  // No exit handlers and no stdio flush: they belong to the parent.
  _exit(0);
}

// Reads until end of file or the deadline; false at the deadline.
bool ReadUntil(int in, Deadline deadline, std::string& output) {
  char buffer[4096];
  for (;;) {
    pollfd ready{in, POLLIN, 0};
    int polled = poll(&ready, 1, MillisecondsUntil(deadline));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return false;
    ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    output.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

ChildOutcome RunInBoundedChild(const std::function<std::string()>& work,
                               Deadline deadline) {
  ChildOutcome outcome;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return outcome;
  pid_t child = fork();
  if (child < 0) {
    close(ends[0]);
    close(ends[1]);
    return outcome;
  }
  if (child == 0) {
    close(ends[0]);
    RunChild(ends[1], work);
  }
  close(ends[1]);
  const bool finished = ReadUntil(ends[0], deadline, outcome.output);
  close(ends[0]);
  if (!finished) kill(child, SIGKILL);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!finished)
    outcome.ending = ChildOutcome::Ending::kTimedOut;
  else if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
    outcome.ending = ChildOutcome::Ending::kFinished;
  else
    outcome.output.clear();
  return outcome;
}

}  // namespace quelmar
