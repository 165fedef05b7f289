#include "platform/posix/cups_connection.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

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
  errno = 0;
  http_ = httpConnect2(host_.c_str(), port_, nullptr, AF_UNSPEC, encryption_, 1,
                       deadline.MillisecondsLeft(), nullptr);
  if (http_) return true;
  const int error = errno;
  failure.answered = false;
  failure.status = cupsLastError() >= IPP_STATUS_ERROR_BAD_REQUEST
                       ? cupsLastError()
                       : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  failure.text = error ? std::strerror(error) : LastErrorText(failure.status);
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
  encryptionAsked_ = false;
  std::optional<IppReply> read =
      SendAndReadWhole(request.get(), resource, document);
  if (!read && encryptionAsked_) {
    // Upgraded here rather than by cupsDoRequest, which goes on asking on
    // new connections that the deadline would not see.
    if (httpEncryption(http_, HTTP_ENCRYPTION_REQUIRED) == 0) {
      deadline.Watch(http_);
      encryptionAsked_ = false;
      read = SendAndReadWhole(request.get(), resource, document);
    }
    if (!read)
      read = Unanswered(IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
                        "chiffrement demandé, impossible à établir");
  }
  reply = read ? std::move(*read)
               : SendThroughLibcups(std::move(request), resource, document);
  if (deadline.passed())
    reply = Unanswered(
        IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
        "pas de réponse complète dans le délai de " + Seconds(deadline_));
  if (http_) Deadline::Release(http_);
  if (!reply.answered) Close();
  return reply;
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

std::optional<IppReply> IppConnection::SendAndReadWhole(
    ipp_t* request, const char* resource, std::string_view document) {
  // As an int: a server may send a status that is no value of the enum.
  int status = cupsSendRequest(http_, request, resource,
                               ippLength(request) + document.size());
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
  // Credentials are libcups's business (a local certificate for the
  // workstation's CUPS): it takes the request over. Encryption is asked
  // for by Send.
  if (status == HTTP_STATUS_UNAUTHORIZED ||
      status == HTTP_STATUS_UPGRADE_REQUIRED) {
    encryptionAsked_ = status == HTTP_STATUS_UPGRADE_REQUIRED;
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
  const char* text = message ? ippGetString(message, 0, nullptr) : nullptr;
  reply.text = text ? text : IppStatusText(reply.status);
  return reply;
}

IppReply IppConnection::SendThroughLibcups(IppMessage request,
                                           const char* resource,
                                           std::string_view document) {
  IppReply reply;
  if (document.empty()) {
    reply.response.reset(cupsDoRequest(http_, request.release(), resource));
  } else {
    // cupsDoIORequest reads the document from a file.
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::tmpfile(), std::fclose);
    if (!file ||
        std::fwrite(document.data(), 1, document.size(), file.get()) !=
            document.size() ||
        std::fflush(file.get()) != 0 || std::fseek(file.get(), 0, SEEK_SET)) {
      // Nothing was sent: the request fails here, the server is not at
      // fault.
      reply.status = IPP_STATUS_ERROR_INTERNAL;
      reply.text = std::string("fichier temporaire impossible (") +
                   std::strerror(errno) + ")";
      return reply;
    }
    reply.response.reset(cupsDoIORequest(http_, request.release(), resource,
                                         fileno(file.get()), -1));
  }
  reply.status = cupsLastError();
  if (!reply.response) {
    const int error = httpError(http_);
    if (error)
      return Unanswered(
          IPP_STATUS_ERROR_SERVICE_UNAVAILABLE,
          std::string("connexion interrompue (") + std::strerror(error) + ")");
    if (reply.status < IPP_STATUS_ERROR_BAD_REQUEST)
      reply.status = kUnreadableReply;
  }
  reply.text = LastErrorText(reply.status);
  return reply;
}

}  // namespace quelmar
