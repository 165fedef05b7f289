#include "platform/posix/helper_program.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace quelmar {
namespace {

// A channel whose ends close with it: a pipe, or a pair of sockets, to
// which a write after the reader has gone fails instead of raising SIGPIPE.
struct Channel {
  int ends[2] = {-1, -1};
  explicit Channel(bool sockets) {
    const int made =
        sockets ? socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends)
                : pipe2(ends, O_CLOEXEC);
    if (made != 0) ends[0] = ends[1] = -1;
  }
  ~Channel() {
    Close(0);
    Close(1);
  }
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;
  bool made() const { return ends[0] >= 0; }
  void Close(int end) {
    if (ends[end] >= 0) close(ends[end]);
    ends[end] = -1;
  }
};

// Writes `input` to `in` and reads `out` to its end, each as soon as it is
// ready. A program that stops reading early loses the rest of its input.
void Exchange(Channel& in, Channel& out, std::string_view input,
              std::string& output) {
  if (input.empty()) in.Close(1);
  char buffer[65536];
  while (out.ends[0] >= 0) {
    pollfd ready[2] = {{out.ends[0], POLLIN, 0}, {in.ends[1], POLLOUT, 0}};
    if (poll(ready, in.ends[1] >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (ready[1].revents) {
      ssize_t n = send(in.ends[1], input.data(), input.size(),
                       MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) input.remove_prefix(static_cast<size_t>(n));
      if ((n < 0 && errno != EAGAIN && errno != EINTR) || input.empty())
        in.Close(1);
    }
    if (ready[0].revents) {
      ssize_t n = read(out.ends[0], buffer, sizeof buffer);
      if (n > 0)
        output.append(buffer, static_cast<size_t>(n));
      else if (n == 0 || errno != EINTR)
        out.Close(0);
    }
  }
}

}  // namespace

HelperOutcome RunHelperProgram(const std::string& path,
                               std::string_view input) {
  HelperOutcome outcome;
  // Its input a socket, so that a program that has gone costs us no
  // SIGPIPE.
  Channel in(true), out(false);
  if (!in.made() || !out.made()) {
    outcome.startError = errno;
    return outcome;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in.ends[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out.ends[1], STDOUT_FILENO);
  char* const arguments[] = {const_cast<char*>(path.c_str()), nullptr};
  pid_t child = -1;
  outcome.startError =
      posix_spawn(&child, path.c_str(), &actions, nullptr, arguments, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (outcome.startError != 0) return outcome;
  outcome.started = true;
  in.Close(0);
  out.Close(1);
  Exchange(in, out, input, outcome.output);
  in.Close(1);
  out.Close(0);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) outcome.status = WEXITSTATUS(status);
  return outcome;
}

}  // namespace quelmar
