// A server on a local socket that answers every connection with the same
// scripted bytes, each piece after its pause: the misbehaving print server
// of the tests of the request code (a cut reply, a trickle, endless
// "100 Continue"...). What the client sends is read and kept, never
// answered for itself.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quelmar {

struct ServerStep {
  std::chrono::milliseconds pause{0};
  std::string bytes;
};

class ScriptedServer {
 public:
  // After the last step the server closes the connection, unless
  // `holdOpen`: it then keeps it open (and silent) until the client leaves.
  explicit ScriptedServer(std::vector<ServerStep> steps, bool holdOpen = false);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  // The socket's path, which libcups takes as a host name.
  const std::string& path() const { return path_; }
  // Connections accepted so far.
  int connections() const;

 private:
  void Serve();
  // Plays the steps on one connection; false when asked to stop.
  bool Answer(int client);
  // Reads what the client sends until `until` (or its end of stream);
  // false when asked to stop.
  bool Drain(int client, std::chrono::steady_clock::time_point until,
             bool& clientGone);

  std::vector<ServerStep> steps_;
  bool holdOpen_;
  std::string folder_;
  std::string path_;
  int listener_ = -1;
  int stopPipe_[2] = {-1, -1};
  mutable std::mutex mutex_;
  int connections_ = 0;
  std::thread thread_;
};

// A whole HTTP reply carrying `ipp` as its body, with a Content-Length or
// chunked; optionally after an interim "100 Continue".
std::string HttpReply(const std::string& ipp, bool chunked,
                      bool withContinue = true);

}  // namespace quelmar
