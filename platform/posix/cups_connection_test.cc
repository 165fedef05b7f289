#include "platform/posix/cups_connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fake/ipp_bytes.h"
#include "platform/fake/scripted_server.h"

namespace quelmar {
namespace {

using std::chrono::milliseconds;

// The IPP body of a reply as cupsd writes it: status, charset, language and
// the printer's name.
std::string IppBody(ipp_status_t status, const char* printerName) {
  IppMessage message = NewReplyMessage(status);
  ippAddString(message.get(), IPP_TAG_PRINTER, IPP_TAG_NAME, "printer-name",
               nullptr, printerName);
  return IppBytes(message.get());
}

// The bytes one at a time, each after `pause`.
std::vector<ServerStep> Trickle(const std::string& bytes, milliseconds pause) {
  std::vector<ServerStep> steps;
  for (char byte : bytes) steps.push_back({pause, std::string(1, byte)});
  return steps;
}

struct Outcome {
  IppReply reply;
  milliseconds took;
};

Outcome Ask(const ScriptedServer& server,
            milliseconds deadline = milliseconds(2000)) {
  IppConnection connection(server.path(), 0, HTTP_ENCRYPTION_NEVER, deadline);
  auto start = std::chrono::steady_clock::now();
  IppReply reply = connection.Send(NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES,
                                              "ipp://printsrv1/printers/Laser"),
                                   "/");
  return {std::move(reply), std::chrono::duration_cast<milliseconds>(
                                std::chrono::steady_clock::now() - start)};
}

std::string PrinterName(const IppReply& reply) {
  ipp_attribute_t* name =
      ippFindAttribute(reply.response.get(), "printer-name", IPP_TAG_NAME);
  return name ? ippGetString(name, 0, nullptr) : "";
}

TEST(IppConnectionTest, AcceptsEveryWellFormedReply) {
  const std::string body = IppBody(IPP_STATUS_OK, "Laser");
  for (bool chunked : {false, true}) {
    for (bool withContinue : {false, true}) {
      ScriptedServer server(
          {{milliseconds(0), HttpReply(body, chunked, withContinue)}});
      Outcome outcome = Ask(server);
      EXPECT_TRUE(outcome.reply.succeeded())
          << "chunked " << chunked << ", 100 Continue " << withContinue << ": "
          << outcome.reply.text;
      EXPECT_EQ(PrinterName(outcome.reply), "Laser");
    }
  }
}

TEST(IppConnectionTest, RefusalKeepsTheServersStatusAndText) {
  ScriptedServer server(
      {{milliseconds(0),
        HttpReply(IppBody(IPP_STATUS_ERROR_NOT_FOUND, "Laser"), false)}});
  Outcome outcome = Ask(server);
  EXPECT_TRUE(outcome.reply.answered);
  EXPECT_FALSE(outcome.reply.succeeded());
  EXPECT_EQ(outcome.reply.status, IPP_STATUS_ERROR_NOT_FOUND);
  EXPECT_EQ(outcome.reply.text, "client-error-not-found");

  // The server's own text is kept; found by the reply fuzz target, an empty
  // one (here a text whose first byte is NUL) would leave a failure with no
  // text at all: the status's name stands in for it.
  for (const std::string& said : {std::string("No such printer."),
                                  std::string(), std::string("\0x", 2)}) {
    IppMessage body = NewReplyMessage(IPP_STATUS_ERROR_NOT_FOUND);
    ippAddString(body.get(), IPP_TAG_OPERATION, IPP_TAG_TEXT, "status-message",
                 nullptr, "");
    std::string bytes = IppBytes(body.get());
    // The value written by hand: libcups would stop a text at its NUL.
    bytes.erase(bytes.size() - 3);  // the empty value's length and the end tag
    bytes += static_cast<char>(said.size() >> 8);
    bytes += static_cast<char>(said.size() & 0xFF);
    bytes += said + "\x03";
    ScriptedServer saying({{milliseconds(0), HttpReply(bytes, false)}});
    outcome = Ask(saying);
    EXPECT_EQ(outcome.reply.status, IPP_STATUS_ERROR_NOT_FOUND);
    EXPECT_EQ(outcome.reply.text, said.empty() || said[0] == '\0'
                                      ? "client-error-not-found"
                                      : said);
  }

  // Found by the reply fuzz target: a status that is no value of
  // ipp_status_t is kept as a number.
  std::string strangeBody = IppBody(IPP_STATUS_OK, "Laser");
  strangeBody[2] = '\xFE';  // the status code, after the version
  ScriptedServer strange({{milliseconds(0), HttpReply(strangeBody, false)}});
  outcome = Ask(strange);
  EXPECT_TRUE(outcome.reply.answered);
  EXPECT_EQ(outcome.reply.status, 0xFE00);
  EXPECT_EQ(outcome.reply.text, "0xfe00");

  ScriptedServer forbidding(
      {{milliseconds(0),
        "HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n"}});
  outcome = Ask(forbidding);
  EXPECT_TRUE(outcome.reply.answered);
  EXPECT_EQ(outcome.reply.status, IPP_STATUS_ERROR_FORBIDDEN);
  EXPECT_EQ(outcome.reply.text, "Forbidden");
}

// A reply that stops short, or never starts, fails with its own status and
// a text about this server, whatever libcups's last error was.
TEST(IppConnectionTest, CutOrMissingRepliesFailWithTheirOwnReason) {
  const std::string whole = HttpReply(IppBody(IPP_STATUS_OK, "Laser"), false);
  const std::string chunked = HttpReply(IppBody(IPP_STATUS_OK, "Laser"), true);
  struct Case {
    const char* name;
    std::string bytes;
    ipp_status_t status;
  } cases[] = {
      {"headers and two bytes", whole.substr(0, whole.find("\r\n\r\n", 30) + 6),
       kUnreadableReply},
      {"chunked, cut in a chunk", chunked.substr(0, chunked.size() - 20),
       kUnreadableReply},
      {"not IPP",
       "HTTP/1.1 100 Continue\r\n\r\n"
       "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello",
       kUnreadableReply},
      {"not IPP, without 100 Continue",
       "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", kUnreadableReply},
      {"nothing", "", IPP_STATUS_ERROR_SERVICE_UNAVAILABLE},
      // Found by the reply fuzz target: libcups, given this request, sent it
      // again and again on new connections past any deadline.
      {"status of junk", "HTTP/1.1 1" + whole.substr(25), kUnreadableReply},
      {"status past 599", "HTTP/1.1 6100 Continue\r\n\r\n" + whole.substr(25),
       kUnreadableReply},
      {"not HTTP", "SSH-2.0-OpenSSH\r\n", IPP_STATUS_ERROR_SERVICE_UNAVAILABLE},
  };
  for (const Case& c : cases) {
    ScriptedServer server({{milliseconds(0), c.bytes}});
    Outcome outcome = Ask(server);
    EXPECT_FALSE(outcome.reply.answered) << c.name;
    EXPECT_FALSE(outcome.reply.succeeded()) << c.name;
    EXPECT_EQ(outcome.reply.status, c.status) << c.name;
    EXPECT_EQ(outcome.reply.text.rfind(server.path() + " : ", 0), 0u)
        << c.name << ": " << outcome.reply.text;
    EXPECT_LT(outcome.took.count(), 1000) << c.name;
  }
}

// libcups bounds each wait for data, not the request: every one of these
// servers would hold a request for many seconds, or for ever.
TEST(IppConnectionTest, EveryRequestEndsAtItsDeadline) {
  const std::string reply = HttpReply(IppBody(IPP_STATUS_OK, "Laser"), false);
  std::vector<ServerStep> endlessContinue(
      40, {milliseconds(100), "HTTP/1.1 100 Continue\r\n\r\n"});
  struct Case {
    const char* name;
    std::vector<ServerStep> steps;
  } cases[] = {
      {"a byte every 100 ms", Trickle(reply, milliseconds(100))},
      {"100 Continue every 100 ms", endlessContinue},
      {"silent", {}},
      {"headers, then silent", {{milliseconds(0), reply.substr(0, 60)}}},
  };
  for (const Case& c : cases) {
    ScriptedServer server(c.steps, /*holdOpen=*/true);
    Outcome outcome = Ask(server, milliseconds(1000));
    EXPECT_FALSE(outcome.reply.answered) << c.name;
    EXPECT_EQ(outcome.reply.status, IPP_STATUS_ERROR_SERVICE_UNAVAILABLE)
        << c.name;
    EXPECT_NE(outcome.reply.text.find("délai de 1 s"), std::string::npos)
        << c.name << ": " << outcome.reply.text;
    EXPECT_GE(outcome.took.count(), 950) << c.name;
    EXPECT_LT(outcome.took.count(), 1600) << c.name;
  }
}

// Found by the reply fuzz target: cupsDoRequest, asked to upgrade to TLS,
// asked again and again on new connections that the deadline did not see.
TEST(IppConnectionTest, EncryptionAskedForEverEndsAtOnce) {
  for (std::string bytes :
       {std::string("HTTP/1.1 426 Upgrade Required\r\nUpgrade: TLS/1.2\r\n"
                    "Connection: Upgrade\r\nContent-Length: 0\r\n\r\n"),
        std::string("Transfer-Encoding: chunked\r\nHTTP/0.1 426]Upwrade "
                    "Required\rUpgrade:S\r\n\0\0r\x03",
                    73)}) {
    ScriptedServer server({{milliseconds(0), bytes}});
    Outcome outcome = Ask(server);
    EXPECT_FALSE(outcome.reply.succeeded()) << outcome.reply.text;
    EXPECT_LT(outcome.took.count(), 2000);
  }
}

// Found by the reply fuzz target: libcups answers a refusal that asks for
// something else (417, or a 401 it has credentials for) by reconnecting and
// sending the request again, for as long as the server keeps refusing, past
// any deadline. Each is asked again once at most.
TEST(IppConnectionTest, RefusalsAreAnsweredOnceAtMost) {
  struct Case {
    const char* name;
    std::string bytes;
    int status;
    int connections;
  } cases[] = {
      {"417", "HTTP/1.1 417 Expectation Failed\r\nContent-Length: 0\r\n\r\n",
       IPP_STATUS_ERROR_SERVICE_UNAVAILABLE, 1},
      // A domain socket: libcups vouches for the user with its identity.
      {"401, then 401 with credentials",
       "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: PeerCred\r\n"
       "Connection: close\r\nContent-Length: 0\r\n\r\n",
       IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED, 2},
  };
  for (const Case& c : cases) {
    ScriptedServer server({{milliseconds(0), c.bytes}});
    Outcome outcome = Ask(server);
    EXPECT_FALSE(outcome.reply.succeeded()) << c.name;
    EXPECT_EQ(outcome.reply.status, c.status) << c.name;
    EXPECT_FALSE(outcome.reply.text.empty()) << c.name;
    EXPECT_EQ(server.connections(), c.connections) << c.name;
  }
}

TEST(IppConnectionTest, UnreachableServerFailsAtOnce) {
  IppConnection connection("/nonexistent/quelmar.sock", 0,
                           HTTP_ENCRYPTION_NEVER, milliseconds(1000));
  IppReply reply = connection.Send(
      NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, "ipp://x/printers/y"), "/");
  EXPECT_FALSE(reply.answered);
  EXPECT_EQ(reply.status, IPP_STATUS_ERROR_SERVICE_UNAVAILABLE);
  // The reason of this connection, not the errno libcups's clean-up left
  // ("Bad file descriptor").
  EXPECT_EQ(reply.text, std::strerror(ENOENT));

  // A port where nothing listens: a socket bound to a free port, never
  // listening.
  const int bound = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(bound, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(getsockname(bound, reinterpret_cast<sockaddr*>(&address), &length),
            0);
  IppConnection refused("127.0.0.1", ntohs(address.sin_port),
                        HTTP_ENCRYPTION_NEVER, milliseconds(1000));
  reply = refused.Send(
      NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, "ipp://x/printers/y"), "/");
  close(bound);
  EXPECT_FALSE(reply.answered);
  EXPECT_EQ(reply.text, std::strerror(ECONNREFUSED));
}

}  // namespace
}  // namespace quelmar
