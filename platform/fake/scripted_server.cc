#include "platform/fake/scripted_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace quelmar {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsUntil(Clock::time_point until) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      until - Clock::now());
  return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

bool SendAll(int socket, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n =
        send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

ScriptedServer::ScriptedServer(std::vector<ServerStep> steps, bool holdOpen)
    : steps_(std::move(steps)), holdOpen_(holdOpen) {
  char folder[] = "/tmp/quelmar-server-XXXXXX";
  if (!mkdtemp(folder) || pipe(stopPipe_) != 0)
    throw std::runtime_error("no folder or pipe for the scripted server");
  folder_ = folder;
  path_ = folder_ + "/ipp.sock";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path_.c_str());
  listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0 ||
      bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) !=
          0 ||
      listen(listener_, 8) != 0)
    throw std::runtime_error("the scripted server cannot listen");
  thread_ = std::thread([this] { Serve(); });
}

ScriptedServer::~ScriptedServer() {
  (void)!write(stopPipe_[1], "x", 1);
  thread_.join();
  close(listener_);
  close(stopPipe_[0]);
  close(stopPipe_[1]);
  unlink(path_.c_str());
  rmdir(folder_.c_str());
}

int ScriptedServer::connections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void ScriptedServer::Serve() {
  for (;;) {
    pollfd waits[2] = {{listener_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    if (poll(waits, 2, -1) < 0 || waits[1].revents) return;
    int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++connections_;
    }
    bool keepServing = Answer(client);
    close(client);
    if (!keepServing) return;
  }
}

bool ScriptedServer::Answer(int client) {
  bool clientGone = false;
  for (const ServerStep& step : steps_) {
    if (!Drain(client, Clock::now() + step.pause, clientGone)) return false;
    if (clientGone || !SendAll(client, step.bytes)) return true;
  }
  if (!holdOpen_) {
    // Lets the client read the last bytes before the connection closes.
    shutdown(client, SHUT_WR);
    return Drain(client, Clock::now() + std::chrono::milliseconds(200),
                 clientGone);
  }
  while (!clientGone)
    if (!Drain(client, Clock::now() + std::chrono::seconds(1), clientGone))
      return false;
  return true;
}

bool ScriptedServer::Drain(int client, Clock::time_point until,
                           bool& clientGone) {
  char buffer[4096];
  for (;;) {
    pollfd waits[2] = {{client, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
    int ready = poll(waits, 2, MillisecondsUntil(until));
    if (ready < 0 || waits[1].revents) return false;
    if (ready == 0) return true;
    ssize_t n = recv(client, buffer, sizeof buffer, 0);
    if (n <= 0) {
      clientGone = true;
      return true;
    }
  }
}

std::string HttpReply(const std::string& ipp, bool chunked, bool withContinue) {
  std::string reply = withContinue ? "HTTP/1.1 100 Continue\r\n\r\n" : "";
  reply += "HTTP/1.1 200 OK\r\nContent-Type: application/ipp\r\n";
  if (!chunked)
    return reply + "Content-Length: " + std::to_string(ipp.size()) +
           "\r\n\r\n" + ipp;
  char size[32];
  std::snprintf(size, sizeof size, "%zx", ipp.size());
  return reply + "Transfer-Encoding: chunked\r\n\r\n" + size + "\r\n" + ipp +
         "\r\n0\r\n\r\n";
}

}  // namespace quelmar
