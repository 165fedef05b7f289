// Ends a blocking exchange on a socket at its deadline. libcups bounds each
// wait for data, not a request: a server that trickles a byte a second, or
// repeats "100 Continue", would hold a request for ever. One thread, started
// at the first request and kept until the watcher is destroyed, shuts the
// socket down when the current request's deadline passes, which ends any
// read or write in progress on it.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace quelmar {

class DeadlineWatcher {
 public:
  using Clock = std::chrono::steady_clock;

  DeadlineWatcher() = default;
  ~DeadlineWatcher();
  DeadlineWatcher(const DeadlineWatcher&) = delete;
  DeadlineWatcher& operator=(const DeadlineWatcher&) = delete;

  // Watches `socket` until `end` or Stop, whichever comes first; one
  // exchange at a time. The watcher works on a duplicate of the socket, so
  // that it never touches a descriptor that its owner closed and the system
  // gave to another file.
  void Start(Clock::time_point end, int socket);
  // The exchange goes on on another socket (the connection opened anew).
  void Replace(int socket);
  // Ends the watch.
  void Stop();

 private:
  void Watch();
  void KeepSocket(int socket);

  std::mutex mutex_;
  std::condition_variable changed_;
  // The current exchange: its end, and the duplicate of its socket (-1 when
  // there is none).
  Clock::time_point end_ = Clock::time_point::max();
  int socket_ = -1;
  bool cut_ = false;
  // When the thread wakes next on its own: a Start whose end comes earlier
  // wakes it, any other leaves it sleeping.
  Clock::time_point wakesAt_ = Clock::time_point::max();
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quelmar
