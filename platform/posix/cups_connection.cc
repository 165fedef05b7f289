#include "platform/posix/cups_connection.h"

#include <cstring>

namespace quelmar {
namespace {

const char* NoPassword(const char*, http_t*, const char*, const char*, void*) {
  return nullptr;
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
  reply.response.reset(cupsDoRequest(http_, request.release(), resource));
  reply.status = cupsLastError();
  reply.text = cupsLastErrorString();
  if (!reply.response && httpError(http_) != 0) {
    // The connection broke or the reply did not come: libcups's status
    // text is then not about it, the socket's error is.
    reply.answered = false;
    reply.status = IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
    reply.text = std::strerror(httpError(http_));
    httpClose(http_);
    http_ = nullptr;
  }
  return reply;
}

}  // namespace quelmar
