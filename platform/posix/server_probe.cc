#include "platform/posix/server_probe.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "services/text_utils.h"

namespace quelmar {
namespace {

// A name with more addresses than this is tried on the first ones only.
constexpr size_t kMaxAddresses = 4;

int MillisecondsUntil(Deadline deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// In the child: the addresses of `host`, one numeric address a line, or
// "?" when the name is unknown.
std::string LookUp(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return "?";
  std::string lines;
  for (addrinfo* a = found; a; a = a->ai_next) {
    char text[INET6_ADDRSTRLEN] = "";
    const void* raw =
        a->ai_family == AF_INET
            ? static_cast<const void*>(
                  &reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr)
            : static_cast<const void*>(
                  &reinterpret_cast<sockaddr_in6*>(a->ai_addr)->sin6_addr);
    if ((a->ai_family == AF_INET || a->ai_family == AF_INET6) &&
        inet_ntop(a->ai_family, raw, text, sizeof text))
      lines.append(text).append("\n");
  }
  freeaddrinfo(found);
  return lines.empty() ? "?" : lines;
}

struct Address {
  sockaddr_storage storage{};
  socklen_t length = 0;
};

std::vector<Address> ParseAddresses(const std::string& lines) {
  std::vector<Address> addresses;
  for (const std::string_view piece : SplitFields(lines, '\n')) {
    const std::string line(piece);
    Address address;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&address.storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&address.storage);
    if (inet_pton(AF_INET, line.c_str(), &v4->sin_addr) == 1) {
      v4->sin_family = AF_INET;
      address.length = sizeof *v4;
    } else if (inet_pton(AF_INET6, line.c_str(), &v6->sin6_addr) == 1) {
      v6->sin6_family = AF_INET6;
      address.length = sizeof *v6;
    } else {
      continue;
    }
    addresses.push_back(address);
    if (addresses.size() == kMaxAddresses) break;
  }
  return addresses;
}

void SetPort(Address& address, int port) {
  if (address.storage.ss_family == AF_INET)
    reinterpret_cast<sockaddr_in*>(&address.storage)->sin_port = htons(port);
  else
    reinterpret_cast<sockaddr_in6*>(&address.storage)->sin6_port = htons(port);
}

struct Attempt {
  int socket = -1;
  size_t portIndex = 0;
  bool done = false;
};

// Starts a non-blocking connection; false (with errno) when it failed at
// once.
bool StartConnect(Address address, int port, Attempt& attempt) {
  SetPort(address, port);
  attempt.socket = socket(address.storage.ss_family,
                          SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (attempt.socket < 0) return false;
  if (connect(attempt.socket, reinterpret_cast<sockaddr*>(&address.storage),
              address.length) == 0 ||
      errno == EINPROGRESS)
    return true;
  int error = errno;
  close(attempt.socket);
  attempt.socket = -1;
  errno = error;
  return false;
}

class Connections {
 public:
  Connections(const std::vector<Address>& addresses,
              const std::vector<int>& ports)
      : ports_(ports), open_(ports.size(), false) {
    for (const Address& address : addresses)
      for (size_t p = 0; p < ports.size(); ++p) {
        Attempt attempt;
        attempt.portIndex = p;
        if (StartConnect(address, ports[p], attempt))
          attempts_.push_back(attempt);
        else
          error_ = errno;
      }
  }
  ~Connections() {
    for (Attempt& attempt : attempts_)
      if (attempt.socket >= 0) close(attempt.socket);
  }
  Connections(const Connections&) = delete;
  Connections& operator=(const Connections&) = delete;

  // Waits for the outcomes until `deadline`; after a later port opens,
  // `grace` more at most for the first one.
  void Wait(Deadline deadline, std::chrono::milliseconds grace) {
    while (!open_[0] && Pending()) {
      if (std::find(open_.begin(), open_.end(), true) != open_.end())
        deadline = std::min(deadline, firstOpen_ + grace);
      std::vector<pollfd> polled;
      for (Attempt& attempt : attempts_)
        if (!attempt.done) polled.push_back({attempt.socket, POLLOUT, 0});
      int ready =
          poll(polled.data(), polled.size(), MillisecondsUntil(deadline));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) {
        if (std::find(open_.begin(), open_.end(), true) == open_.end())
          error_ = ETIMEDOUT;
        return;
      }
      for (const pollfd& p : polled)
        if (p.revents) Settle(p.fd);
    }
  }

  std::vector<int> OpenPorts() const {
    std::vector<int> open;
    for (size_t p = 0; p < ports_.size(); ++p)
      if (open_[p]) open.push_back(ports_[p]);
    return open;
  }
  int error() const { return error_; }

 private:
  bool Pending() const {
    return std::any_of(attempts_.begin(), attempts_.end(),
                       [](const Attempt& a) { return !a.done; });
  }

  void Settle(int socket) {
    for (Attempt& attempt : attempts_) {
      if (attempt.socket != socket || attempt.done) continue;
      attempt.done = true;
      int error = 0;
      socklen_t length = sizeof error;
      getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error != 0) {
        error_ = error;
      } else if (!open_[attempt.portIndex]) {
        if (std::find(open_.begin(), open_.end(), true) == open_.end())
          firstOpen_ = std::chrono::steady_clock::now();
        open_[attempt.portIndex] = true;
      }
    }
  }

  std::vector<int> ports_;
  std::vector<bool> open_;
  std::vector<Attempt> attempts_;
  Deadline firstOpen_;
  int error_ = ECONNREFUSED;
};

}  // namespace

ProbeResult ProbeServer(const std::string& host, const std::vector<int>& ports,
                        Deadline lookupDeadline, Deadline deadline,
                        std::chrono::milliseconds grace) {
  ProbeResult result;
  ChildOutcome lookedUp =
      RunInBoundedChild([&host] { return LookUp(host); }, lookupDeadline);
  if (lookedUp.ending == ChildOutcome::Ending::kTimedOut) {
    result.outcome = ProbeResult::Outcome::kLookupTimedOut;
    return result;
  }
  std::vector<Address> addresses = ParseAddresses(lookedUp.output);
  if (addresses.empty() || ports.empty()) return result;
  result.outcome = ProbeResult::Outcome::kProbed;
  Connections connections(addresses, ports);
  connections.Wait(deadline, grace);
  result.open = connections.OpenPorts();
  result.error = result.open.empty() ? connections.error() : 0;
  return result;
}

}  // namespace quelmar
