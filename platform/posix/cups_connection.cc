#include "platform/posix/cups_connection.h"

#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace quelmar {
namespace {

using Clock = std::chrono::steady_clock;

// How long libcups waits for data before asking whether to go on waiting:
// the deadline is checked at least this often while a server is silent.
constexpr double kWaitSlice = 0.25;

const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
  return nullptr;
}

// A response body held in memory, read by ippReadIO.
struct BodyCursor {
  const std::string& body;
  size_t position = 0;
};

ssize_t ReadBody(void* context, ipp_uchar_t* buffer, size_t length) {
  auto* cursor = static_cast<BodyCursor*>(context);
  length = std::min(length, cursor->body.size() - cursor->position);
  std::memcpy(buffer, cursor->body.data() + cursor->position, length);
  cursor->position += length;
  return static_cast<ssize_t>(length);
}

// libcups's text of its last error, which it may leave null.
std::string LastErrorText(int status) {
  const char* text = cupsLastErrorString();
  return text && *text ? text : IppStatusText(status);
}

// Why a connection to `host` cannot be made. libcups closes its sockets
// before it gives up, which leaves errno to the close ("Bad file
// descriptor") and its own text to whatever failed last: the reason is
// asked once more, with a socket of our own on the first address, within
// `milliseconds`. 0 when the host has no address (libcups's text says
// why) or when it now connects.
int ConnectionError(const std::string& host, int port, int milliseconds) {
  std::unique_ptr<http_addrlist_t, void (*)(http_addrlist_t*)> addresses(
      httpAddrGetList(host.c_str(), AF_UNSPEC, std::to_string(port).c_str()),
      httpAddrFreeList);
  if (!addresses) return 0;
  http_addr_t& address = addresses->addr;
  const int socket = ::socket(httpAddrFamily(&address),
                              SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (socket < 0) return errno;
  int error = 0;
  if (connect(socket, &address.addr,
              static_cast<socklen_t>(httpAddrLength(&address))) != 0) {
    error = errno;
    if (error == EINPROGRESS) {
      pollfd wait{socket, POLLOUT, 0};
      socklen_t length = sizeof error;
      if (poll(&wait, 1, milliseconds) <= 0)
        error = ETIMEDOUT;
      else if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    }
  }
  close(socket);
  return error;
}

std::string Seconds(std::chrono::milliseconds length) {
  const auto count = length.count();
  if (count % 1000 == 0) return std::to_string(count / 1000) + " s";
  return std::to_string(count) + " ms";
}

}  // namespace

// One request's deadline: the connection's watcher shuts its socket down
// when it passes. A socket that libcups opens again during the request is
// handed to the watcher too, and the timeout callback stops a silent wait
// at the deadline.
class IppConnection::Deadline {
 public:
  Deadline(DeadlineWatcher& watcher, std::chrono::milliseconds length)
      : watcher_(watcher), end_(Clock::now() + length) {}
  ~Deadline() {
    if (watching_) watcher_.Stop();
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

  // Watches the open connection and bounds libcups's waits on it; called
  // again when the connection has been opened anew.
  void Watch(http_t* http) {
    httpSetTimeout(http, kWaitSlice, KeepWaiting, this);
    if (watching_)
      watcher_.Replace(httpGetFd(http));
    else
      watcher_.Start(end_, httpGetFd(http));
    watching_ = true;
  }
  // Stops bounding the waits of the connection, which outlives this.
  static void Release(http_t* http) {
    httpSetTimeout(http, kWaitSlice, nullptr, nullptr);
  }
  // The watcher shuts the socket down only once this is true.
  bool passed() const { return Clock::now() >= end_; }
  int MillisecondsLeft() const {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end_ - Clock::now());
    return std::max<int>(1, static_cast<int>(left.count()));
  }

 private:
  static int KeepWaiting(http_t*, void* deadline) {
    return !static_cast<Deadline*>(deadline)->passed();
  }

  DeadlineWatcher& watcher_;
  const Clock::time_point end_;
  bool watching_ = false;
};

std::string IppStatusText(int status) {
  // The range of ipp_status_t's values: a number outside it is no value of
  // the type and is never converted to it.
  if (status >= 0 && status <= 0x1FFF)
    return ippErrorString(static_cast<ipp_status_t>(status));
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", static_cast<unsigned>(status));
  return text;
}

void RefusePasswordPrompts() { cupsSetPasswordCB2(NoPassword, nullptr); }

IppMessage NewRequest(ipp_op_t operation, const std::string& printerUri) {
  IppMessage request(ippNewRequest(operation));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri",
               nullptr, printerUri.c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME,
               "requesting-user-name", nullptr, cupsUser());
  return request;
}

IppConnection::IppConnection(std::string host, int port,
                             http_encryption_t encryption,
                             std::chrono::milliseconds deadline)
    : host_(std::move(host)),
      port_(port),
      encryption_(encryption),
      deadline_(deadline) {}

IppConnection::~IppConnection() { Close(); }

void IppConnection::Close() {
  if (http_) httpClose(http_);
  http_ = nullptr;
}

bool IppConnection::Open(const Deadline& deadline, IppReply& failure) {
  if (http_) return true;
  http_ = httpConnect2(host_.c_str(), port_, nullptr, AF_UNSPEC, encryption_, 1,
                       deadline.MillisecondsLeft(), nullptr);
  if (http_) return true;
  failure.answered = false;
  failure.status = cupsLastError() >= IPP_STATUS_ERROR_BAD_REQUEST
                       ? cupsLastError()
                       : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  failure.text = LastErrorText(failure.status);
  if (const int error =
          ConnectionError(host_, port_, deadline.MillisecondsLeft()))
    failure.text = std::strerror(error);
  return false;
}

IppReply IppConnection::Unanswered(int status, const std::string& what) {
  IppReply reply;
  reply.answered = false;
  reply.status = status;
  reply.text = host_ + " : " + what;
  return reply;
}

IppReply IppConnection::Send(IppMessage request, const char* resource,
                             std::string_view document) {
  Deadline deadline(watcher_, deadline_);
  IppReply reply;
  if (!Open(deadline, reply)) return reply;
  deadline.Watch(http_);
  std::optional<IppReply> read;
  // Each refusal that asks for credentials or encryption is answered here,
  // once, and the request sent again: libcups's own loops send it again
  // and again on new connections that the deadline does not see.
  bool authenticated = false;
  bool encrypted = false;
  while (!read) {
    retry_ = Retry::kNone;
    read = SendAndReadWhole(request.get(), resource, document, deadline);
    if (read) break;
    if (retry_ == Retry::kWithEncryption) {
      if (encrypted || httpEncryption(http_, HTTP_ENCRYPTION_REQUIRED) != 0)
        read = Unanswered(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                          "chiffrement demandé, impossible à établir");
      encrypted = true;
    } else {
      read = Authenticate(authenticated, resource);
      authenticated = true;
    }
  }
  reply = std::move(*read);
  if (deadline.passed())
    reply = Unanswered(
        IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
        "pas de réponse complète dans le délai de " + Seconds(deadline_));
  if (http_) Deadline::Release(http_);
  // A connection is kept for the next request only when it is ready for one.
  if (!reply.answered || !http_ || httpGetState(http_) != HTTP_STATE_WAITING ||
      !strcasecmp(httpGetField(http_, HTTP_FIELD_CONNECTION), "close"))
    Close();
  return reply;
}

std::optional<IppReply> IppConnection::Authenticate(bool alreadyTried,
                                                    const char* resource) {
  // The credentials libcups finds without asking anyone: the local
  // certificate or the peer's identity for the workstation's CUPS, a
  // Kerberos ticket. Password prompts are refused.
  if (alreadyTried || cupsDoAuthentication(http_, "POST", resource) != 0) {
    IppReply reply;
    reply.status = IPP_STATUS_ERROR_CUPS_AUTHENTICATION_CANCELED;
    reply.text = httpStatus(HTTP_STATUS_CUPS_AUTHORIZATION_CANCELED);
    Close();
    return reply;
  }
  // libcups connects anew when the request is sent again (Post).
  return std::nullopt;
}

IppReply IppConnection::Run(const std::function<void(http_t*)>& call) {
  Deadline deadline(watcher_, deadline_);
  IppReply reply;
  if (!Open(deadline, reply)) return reply;
  deadline.Watch(http_);
  call(http_);
  if (http_) Deadline::Release(http_);
  if (!deadline.passed()) return reply;
  Close();
  return Unanswered(
      IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
      "pas de réponse complète dans le délai de " + Seconds(deadline_));
}

int IppConnection::Post(ipp_t* request, const char* resource, size_t length,
                        Deadline& deadline) {
  // Without "Expect: 100-continue": a server that refuses it (417) would
  // make the request go round again, and waiting for the interim reply
  // costs a second with a server that does not send one.
  httpClearFields(http_);
  httpSetField(http_, HTTP_FIELD_CONTENT_TYPE, "application/ipp");
  httpSetLength(http_, length);
  httpSetField(http_, HTTP_FIELD_AUTHORIZATION, httpGetAuthString(http_));
  if (httpPost(http_, resource) != 0) return HTTP_STATUS_ERROR;
  // httpPost connects anew after a refusal: the deadline watches the
  // connection the request goes on.
  deadline.Watch(http_);
  ippSetState(request, IPP_STATE_IDLE);
  ipp_state_t state;
  while ((state = ippWrite(http_, request)) != IPP_STATE_DATA)
    if (state == IPP_STATE_ERROR) return HTTP_STATUS_ERROR;
  return HTTP_STATUS_CONTINUE;
}

std::optional<IppReply> IppConnection::SendAndReadWhole(
    ipp_t* request, const char* resource, std::string_view document,
    Deadline& deadline) {
  // As an int: a server may send a status that is no value of the enum.
  int status =
      Post(request, resource, ippLength(request) + document.size(), deadline);
  if (status == HTTP_STATUS_CONTINUE && !document.empty())
    status = cupsWriteRequestData(http_, document.data(), document.size());
  if (status != HTTP_STATUS_CONTINUE) {
    if (status != HTTP_STATUS_OK && status != HTTP_STATUS_ERROR)
      return Refusal(status);
    // The server replied before the request was through (HTTP/1.1 lets it
    // skip "100 Continue"), or the connection broke: libcups reads what
    // there is, as its cupsDoRequest does.
    return Answer(IppMessage(cupsGetResponse(http_, resource)));
  }
  // Interim replies until the final one; the deadline ends a server that
  // sends nothing else.
  while (status == HTTP_STATUS_CONTINUE) status = httpUpdate(http_);
  if (status == HTTP_STATUS_ERROR) return Answer(nullptr);
  if (status != HTTP_STATUS_OK) return Refusal(status);
  std::string body;
  char buffer[32768];
  ssize_t length = 0;
  while ((length = httpRead2(http_, buffer, sizeof buffer)) > 0)
    body.append(buffer, static_cast<size_t>(length));
  IppMessage response(ippNew());
  BodyCursor cursor{body};
  if (length < 0 || ippReadIO(&cursor, ReadBody, 1, nullptr, response.get()) !=
                        IPP_STATE_DATA)
    return Unanswered(kUnreadableReply, "réponse coupée ou illisible (" +
                                            std::to_string(body.size()) +
                                            " octets reçus)");
  return Answer(std::move(response));
}

std::optional<IppReply> IppConnection::Refusal(int status) {
  // Send asks again, with credentials or encryption.
  if (status == HTTP_STATUS_UNAUTHORIZED ||
      status == HTTP_STATUS_UPGRADE_REQUIRED) {
    retry_ = status == HTTP_STATUS_UNAUTHORIZED ? Retry::kWithCredentials
                                                : Retry::kWithEncryption;
    httpFlush(http_);
    return std::nullopt;
  }
  if (status < HTTP_STATUS_BAD_REQUEST || status > 599)
    return Unanswered(kUnreadableReply,
                      "statut HTTP inattendu (" + std::to_string(status) + ")");
  // The request refused, with the status cupsDoRequest gives it.
  IppReply reply;
  switch (status) {
    case HTTP_STATUS_BAD_REQUEST:
      reply.status = IPP_STATUS_ERROR_BAD_REQUEST;
      break;
    case HTTP_STATUS_FORBIDDEN:
      reply.status = IPP_STATUS_ERROR_FORBIDDEN;
      break;
    case HTTP_STATUS_NOT_FOUND:
      reply.status = IPP_STATUS_ERROR_NOT_FOUND;
      break;
    case HTTP_STATUS_REQUEST_TOO_LARGE:
      reply.status = IPP_STATUS_ERROR_REQUEST_VALUE;
      break;
    case HTTP_STATUS_NOT_IMPLEMENTED:
      reply.status = IPP_STATUS_ERROR_OPERATION_NOT_SUPPORTED;
      break;
    case HTTP_STATUS_NOT_SUPPORTED:
      reply.status = IPP_STATUS_ERROR_VERSION_NOT_SUPPORTED;
      break;
    default:
      reply.status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  }
  reply.text = httpStatus(static_cast<http_status_t>(status));
  // The rest of the refusal is not read: the connection is not used again.
  Close();
  return reply;
}

IppReply IppConnection::Answer(IppMessage response) {
  if (!response) {
    if (const int error = httpError(http_))
      return Unanswered(
          IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
          std::string("connexion interrompue (") + std::strerror(error) + ")");
    return Unanswered(kUnreadableReply, "réponse absente, coupée ou illisible");
  }
  IppReply reply;
  reply.response = std::move(response);
  reply.status = ippGetStatusCode(reply.response.get());
  ipp_attribute_t* message =
      ippFindAttribute(reply.response.get(), "status-message", IPP_TAG_TEXT);
  // A server's empty text would leave a failure with no text at all.
  const char* text = message ? ippGetString(message, 0, nullptr) : nullptr;
  reply.text = text && *text ? text : IppStatusText(reply.status);
  return reply;
}

}  // namespace quelmar
