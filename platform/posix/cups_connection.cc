#include "platform/posix/cups_connection.h"

#include <algorithm>
#include <cstring>

namespace quelmar {
namespace {

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

// The connection broke or the reply did not come in time: libcups's status
// text is then not about it, the socket's error is.
IppReply Unanswered(http_t* http) {
  IppReply reply;
  reply.answered = false;
  reply.status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
  int error = httpError(http);
  reply.text = error ? std::strerror(error) : cupsLastErrorString();
  return reply;
}

}  // namespace

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
                             std::chrono::milliseconds timeout)
    : host_(std::move(host)),
      port_(port),
      encryption_(encryption),
      timeout_(timeout) {}

IppConnection::~IppConnection() {
  if (http_) httpClose(http_);
}

bool IppConnection::Open(IppReply& failure) {
  if (http_) return true;
  http_ = httpConnect2(host_.c_str(), port_, nullptr, AF_UNSPEC, encryption_, 1,
                       static_cast<int>(timeout_.count()), nullptr);
  if (!http_) {
    // libcups has set its own status and text for the failure.
    failure.answered = false;
    failure.status = cupsLastError() >= IPP_STATUS_ERROR_BAD_REQUEST
                         ? cupsLastError()
                         : IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
    failure.text = cupsLastErrorString();
    return false;
  }
  // A reply that does not come within the timeout fails the request.
  httpSetTimeout(http_, static_cast<double>(timeout_.count()) / 1000.0, nullptr,
                 nullptr);
  return true;
}

IppReply IppConnection::Send(IppMessage request, const char* resource) {
  IppReply reply;
  if (!Open(reply)) return reply;
  if (std::optional<IppReply> read = SendAndReadWhole(request.get(), resource))
    reply = std::move(*read);
  else
    reply = SendThroughLibcups(std::move(request), resource);
  if (!reply.answered) {
    httpClose(http_);
    http_ = nullptr;
  }
  return reply;
}

std::optional<IppReply> IppConnection::SendAndReadWhole(ipp_t* request,
                                                        const char* resource) {
  http_status_t status =
      cupsSendRequest(http_, request, resource, ippLength(request));
  while (status == HTTP_STATUS_CONTINUE) status = httpUpdate(http_);
  if (status != HTTP_STATUS_OK && status != HTTP_STATUS_ERROR &&
      status != HTTP_STATUS_SERVICE_UNAVAILABLE) {
    httpFlush(http_);
    return std::nullopt;
  }
  std::string body;
  char buffer[32768];
  ssize_t length = 0;
  while (status == HTTP_STATUS_OK &&
         (length = httpRead2(http_, buffer, sizeof buffer)) > 0)
    body.append(buffer, static_cast<size_t>(length));
  IppReply reply;
  reply.response.reset(ippNew());
  BodyCursor cursor{body};
  if (status != HTTP_STATUS_OK || length < 0 ||
      ippReadIO(&cursor, ReadBody, 1, nullptr, reply.response.get()) !=
          IPP_STATE_DATA)
    return Unanswered(http_);
  reply.status = ippGetStatusCode(reply.response.get());
  ipp_attribute_t* message =
      ippFindAttribute(reply.response.get(), "status-message", IPP_TAG_TEXT);
  reply.text = message ? ippGetString(message, 0, nullptr)
                       : ippErrorString(reply.status);
  return reply;
}

IppReply IppConnection::SendThroughLibcups(IppMessage request,
                                           const char* resource) {
  IppReply reply;
  reply.response.reset(cupsDoRequest(http_, request.release(), resource));
  reply.status = cupsLastError();
  reply.text = cupsLastErrorString();
  if (!reply.response && httpError(http_) != 0) return Unanswered(http_);
  return reply;
}

}  // namespace quelmar
