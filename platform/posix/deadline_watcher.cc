#include "platform/posix/deadline_watcher.h"

#include <sys/socket.h>
#include <unistd.h>

namespace quelmar {

DeadlineWatcher::~DeadlineWatcher() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_one();
  if (thread_.joinable()) thread_.join();
  if (socket_ >= 0) close(socket_);
}

void DeadlineWatcher::Start(Clock::time_point end, int socket) {
  bool wake = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    end_ = end;
    cut_ = false;
    KeepSocket(socket);
    // The ends of the exchanges only move later on a connection with one
    // deadline length: the thread then sleeps on until the end it knows and
    // looks again, without a wake-up per exchange.
    wake = end < wakesAt_;
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
  if (wake) changed_.notify_one();
}

void DeadlineWatcher::Replace(int socket) {
  std::lock_guard<std::mutex> lock(mutex_);
  KeepSocket(socket);
}

void DeadlineWatcher::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  end_ = Clock::time_point::max();
  KeepSocket(-1);
}

void DeadlineWatcher::KeepSocket(int socket) {
  if (socket_ >= 0) close(socket_);
  socket_ = socket >= 0 ? dup(socket) : -1;
}

void DeadlineWatcher::Watch() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    if (socket_ >= 0 && !cut_ && Clock::now() >= end_) {
      cut_ = true;
      shutdown(socket_, SHUT_RDWR);
    }
    wakesAt_ = cut_ ? Clock::time_point::max() : end_;
    if (wakesAt_ == Clock::time_point::max())
      changed_.wait(lock);
    else
      changed_.wait_until(lock, wakesAt_);
  }
}

}  // namespace quelmar
