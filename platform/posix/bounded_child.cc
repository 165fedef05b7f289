#include "platform/posix/bounded_child.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace quelmar {
namespace {

int MillisecondsUntil(Deadline deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The child's standard output and error are the parent's, whose trace and
// messages they carry: what libraries print in the child (libsmbclient's
// warnings about its cache folder, say) goes nowhere instead.
void SilenceOutput() {
  int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null < 0) return;
  dup2(null, STDOUT_FILENO);
  dup2(null, STDERR_FILENO);
  close(null);
}

[[noreturn]] void RunChild(int out, const std::function<std::string()>& work) {
  SilenceOutput();
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

// A message between the worker and its parent: its length in decimal, a
// newline, then its bytes.
bool SendFrame(int socket, const std::string& message) {
  const std::string frame = std::to_string(message.size()) + "\n" + message;
  size_t sent = 0;
  while (sent < frame.size()) {
    ssize_t n =
        send(socket, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Reads one frame, waiting until `deadline` at most (for ever when it is
// the largest time point); false at end of file, on a malformed frame, or
// at the deadline with `timedOut` set.
bool ReceiveFrame(int socket, Deadline deadline, std::string& message,
                  bool& timedOut) {
  std::string header;
  size_t length = 0;
  bool inHeader = true;
  message.clear();
  timedOut = false;
  while (inHeader || message.size() < length) {
    pollfd ready{socket, POLLIN, 0};
    int wait = deadline == Deadline::max() ? -1 : MillisecondsUntil(deadline);
    int polled = poll(&ready, 1, wait);
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) timedOut = true;
    if (polled <= 0) return false;
    char c[4096];
    size_t want = inHeader ? 1 : std::min(sizeof c, length - message.size());
    ssize_t n = read(socket, c, want);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (!inHeader) {
      message.append(c, static_cast<size_t>(n));
    } else if (c[0] != '\n') {
      if (c[0] < '0' || c[0] > '9' || header.size() > 9) return false;
      header += c[0];
    } else {
      length = std::strtoul(header.c_str(), nullptr, 10);
      inHeader = false;
    }
  }
  return true;
}

[[noreturn]] void ServeRequests(int socket,
                                const BoundedWorker::Handler& handle) {
  SilenceOutput();
  std::string request;
  bool timedOut = false;
  while (ReceiveFrame(socket, Deadline::max(), request, timedOut))
    if (!SendFrame(socket, handle(request))) break;
  _exit(0);
}

// Forks a child that runs `child` on ends[1] and ends there; the parent
// keeps ends[0]. -1, both ends closed, when the fork fails.
pid_t ForkOnEnds(int ends[2], const std::function<void(int)>& child) {
  const pid_t pid = fork();
  if (pid < 0) {
    close(ends[0]);
    close(ends[1]);
    return -1;
  }
  if (pid == 0) {
    close(ends[0]);
    child(ends[1]);
    _exit(1);  // never the parent's code in the child
  }
  close(ends[1]);
  return pid;
}

}  // namespace

ChildOutcome RunInBoundedChild(const std::function<std::string()>& work,
                               Deadline deadline) {
  ChildOutcome outcome;
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return outcome;
  const pid_t child =
      ForkOnEnds(ends, [&work](int out) { RunChild(out, work); });
  if (child < 0) return outcome;
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

BoundedWorker::BoundedWorker(Handler handle) : handle_(std::move(handle)) {}

BoundedWorker::~BoundedWorker() { Stop(); }

bool BoundedWorker::Start() {
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    return false;
  child_ =
      ForkOnEnds(ends, [this](int socket) { ServeRequests(socket, handle_); });
  if (child_ < 0) return false;
  socket_ = ends[0];
  return true;
}

void BoundedWorker::Stop() {
  if (child_ <= 0) return;
  close(socket_);
  kill(child_, SIGKILL);
  while (waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
  }
  child_ = -1;
  socket_ = -1;
}

ChildOutcome BoundedWorker::Ask(const std::string& request, Deadline deadline) {
  ChildOutcome outcome;
  if (child_ <= 0 && !Start()) return outcome;
  bool timedOut = false;
  if (SendFrame(socket_, request) &&
      ReceiveFrame(socket_, deadline, outcome.output, timedOut)) {
    outcome.ending = ChildOutcome::Ending::kFinished;
    return outcome;
  }
  outcome.output.clear();
  if (timedOut) outcome.ending = ChildOutcome::Ending::kTimedOut;
  Stop();
  return outcome;
}

}  // namespace quelmar
