#include "platform/posix/deadline_watcher.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace quelmar {
namespace {

using std::chrono::milliseconds;
using Clock = DeadlineWatcher::Clock;

// Two connected sockets: the watched end and the peer, which sends nothing.
struct SocketPair {
  SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
  ~SocketPair() {
    close(fds[0]);
    close(fds[1]);
  }
  int watched() const { return fds[0]; }
  int peer() const { return fds[1]; }
  int fds[2] = {-1, -1};
};

// How long a wait for data on `socket` lasts: until the peer sends or the
// socket is shut down, 3 s at most (a watcher that never cuts fails the
// test rather than holding it).
milliseconds BlockedRead(int socket) {
  const auto start = Clock::now();
  pollfd watched{socket, POLLIN, 0};
  if (poll(&watched, 1, 3000) == 1) {
    char byte;
    (void)read(socket, &byte, 1);
  }
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

// Whether the socket still carries data from its peer.
bool StillOpen(const SocketPair& sockets) {
  char byte = 'x';
  if (write(sockets.peer(), &byte, 1) != 1) return false;
  return read(sockets.watched(), &byte, 1) == 1;
}

TEST(DeadlineWatcherTest, ShutsTheSocketDownAtTheDeadline) {
  DeadlineWatcher watcher;
  SocketPair sockets;
  watcher.Start(Clock::now() + milliseconds(200), sockets.watched());
  const milliseconds took = BlockedRead(sockets.watched());
  watcher.Stop();
  EXPECT_GE(took.count(), 190);
  EXPECT_LT(took.count(), 1000);
}

// A connection's requests one after the other: each one ends at its own
// deadline, a short one after a long one included, and one that ended in
// time keeps its socket after its deadline.
TEST(DeadlineWatcherTest, EachExchangeHasItsOwnDeadline) {
  DeadlineWatcher watcher;
  SocketPair quick, slow, brief;
  watcher.Start(Clock::now() + milliseconds(100), quick.watched());
  watcher.Stop();
  std::this_thread::sleep_for(milliseconds(200));
  watcher.Start(Clock::now() + milliseconds(10000), slow.watched());
  watcher.Stop();
  watcher.Start(Clock::now() + milliseconds(200), brief.watched());
  const milliseconds took = BlockedRead(brief.watched());
  watcher.Stop();
  EXPECT_LT(took.count(), 1000);
  EXPECT_TRUE(StillOpen(quick));
  EXPECT_TRUE(StillOpen(slow));
  EXPECT_FALSE(StillOpen(brief));
}

// The connection opened anew during an exchange: the new socket is cut, and
// the old one, which its owner may have closed, is left alone.
TEST(DeadlineWatcherTest, FollowsTheSocketThatReplacedTheFirst) {
  DeadlineWatcher watcher;
  SocketPair before, after;
  watcher.Start(Clock::now() + milliseconds(200), before.watched());
  watcher.Replace(after.watched());
  const milliseconds took = BlockedRead(after.watched());
  watcher.Stop();
  EXPECT_LT(took.count(), 1000);
  EXPECT_TRUE(StillOpen(before));
}

}  // namespace
}  // namespace quelmar
