#include "platform/posix/server_probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace quelmar {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

// A socket on a free loopback port: listening (connections accepted by the
// kernel, never answered) or only bound (connections refused).
class LoopbackPort {
 public:
  explicit LoopbackPort(bool listening) {
    socket_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    EXPECT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), length), 0);
    if (listening) {
      EXPECT_EQ(listen(socket_, 8), 0);
    }
    EXPECT_EQ(
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length),
        0);
    port_ = ntohs(address.sin_port);
  }
  ~LoopbackPort() { close(socket_); }
  int port() const { return port_; }

 private:
  int socket_ = -1;
  int port_ = 0;
};

ProbeResult Probe(const std::vector<int>& ports) {
  const auto now = steady_clock::now();
  return ProbeServer("127.0.0.1", ports, now + milliseconds(2000),
                     now + milliseconds(3000), milliseconds(300));
}

TEST(ProbeServerTest, BothPortsTriedTheOpenOneFound) {
  LoopbackPort open(true), closed(false);
  ProbeResult result = Probe({closed.port(), open.port()});
  EXPECT_EQ(result.outcome, ProbeResult::Outcome::kProbed);
  EXPECT_EQ(result.open, std::vector<int>{open.port()});
}

TEST(ProbeServerTest, FirstPortPreferredWhenBothAnswer) {
  LoopbackPort first(true), second(true);
  ProbeResult result = Probe({first.port(), second.port()});
  ASSERT_FALSE(result.open.empty());
  EXPECT_EQ(result.open.front(), first.port());
}

TEST(ProbeServerTest, RefusedEverywhereSaysSo) {
  LoopbackPort a(false), b(false);
  const auto start = steady_clock::now();
  ProbeResult result = Probe({a.port(), b.port()});
  EXPECT_EQ(result.outcome, ProbeResult::Outcome::kProbed);
  EXPECT_TRUE(result.open.empty());
  EXPECT_EQ(result.error, ECONNREFUSED);
  EXPECT_LT(steady_clock::now() - start, milliseconds(1000));
}

TEST(ProbeServerTest, NumericAddressNeedsNoName) {
  LoopbackPort open(true);
  const auto now = steady_clock::now();
  ProbeResult result =
      ProbeServer("::1", {open.port()}, now + milliseconds(2000),
                  now + milliseconds(3000), milliseconds(0));
  // ::1 is another socket: refused, or unreachable where IPv6 is off, but
  // looked up and tried.
  EXPECT_EQ(result.outcome, ProbeResult::Outcome::kProbed);
  EXPECT_TRUE(result.open.empty());
}

}  // namespace
}  // namespace quelmar
