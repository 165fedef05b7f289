// One connection to a CUPS server for IPP requests. libcups writes the
// requests and reads the replies (HTTP and IPP); this file bounds the time
// and reports the failures:
// - every request has one overall deadline, whatever the server sends (a
//   trickle of bytes, endless "100 Continue"): the connection is cut when
//   it passes;
// - a failure always has its own status and a text about this request,
//   never one left from an earlier call;
// - libcups never asks for a password.
// Every reply that libcups's own cupsDoRequest accepts is accepted.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/deadline_watcher.h"

namespace quelmar {

struct IppDeleter {
  void operator()(ipp_t* message) const { ippDelete(message); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// The outcome of a request: the response when the server answered (granted
// or not: see `status`); otherwise the failure's status and its text.
struct IppReply {
  IppMessage response;
  // An int: a server may send any 16-bit number, not only the values of
  // ipp_status_t.
  int status = IPP_STATUS_OK;
  std::string text;
  // False when the server could not be reached, did not answer within the
  // deadline, or sent a reply that could not be read.
  bool answered = true;
  bool succeeded() const { return response && status < 0x0100; }
};

// The status of a reply that is cut short or cannot be read: the server's
// fault, told apart from a server that cannot be reached
// (IPP_STATUS_ERROR_SERVICE_UNAVAILABLE).
constexpr ipp_status_t kUnreadableReply = IPP_STATUS_ERROR_INTERNAL;

// CUPS's keyword for an IPP status ("client-error-not-found"...), or
// "0x...." for a number that CUPS does not name.
std::string IppStatusText(int status);

// Makes libcups give up instead of asking for a password.
void RefusePasswordPrompts();

// A request for the operation on the printer (or server) URI, on behalf of
// the current user.
IppMessage NewRequest(ipp_op_t operation, const std::string& printerUri);

class IppConnection {
 public:
  // `host` may also be the path of a domain socket. `deadline` bounds each
  // request as a whole, connection included.
  IppConnection(std::string host, int port, http_encryption_t encryption,
                std::chrono::milliseconds deadline);
  ~IppConnection();
  IppConnection(const IppConnection&) = delete;
  IppConnection& operator=(const IppConnection&) = delete;

  // Sends the request to `resource` ("/" or "/admin/"), followed by
  // `document` (a PPD for CUPS-Add-Modify-Printer...) when there is one,
  // connecting first when needed, and reads the reply, all within the
  // deadline.
  IppReply Send(IppMessage request, const char* resource,
                std::string_view document = {});

  // Runs `call` (libcups calls on the open connection) within the deadline,
  // connecting first when needed. A failure to connect or a deadline that
  // passed is returned as an unanswered reply; the call's own results are
  // its business.
  IppReply Run(const std::function<void(http_t*)>& call);

 private:
  class Deadline;

  // Connects unless connected, within the deadline; false with the reason
  // in `failure`.
  bool Open(const Deadline& deadline, IppReply& failure);
  // Writes the request's headers and IPP part; HTTP_STATUS_CONTINUE when
  // they went through.
  int Post(ipp_t* request, const char* resource, size_t length,
           Deadline& deadline);
  // Sends the request and reads the whole response in large reads (libcups
  // reads a response body a few bytes at a time, with a poll before each
  // read, which made the lists of queues the bulk of a run's time).
  // Nothing when the server asks for credentials or encryption first
  // (`retry_` says which).
  std::optional<IppReply> SendAndReadWhole(ipp_t* request, const char* resource,
                                           std::string_view document,
                                           Deadline& deadline);
  // Gets the request ready to be sent again with the credentials libcups
  // finds without a prompt; the failure when there are none, or when they
  // were already refused.
  std::optional<IppReply> Authenticate(bool alreadyTried, const char* resource);
  // The reply for a final HTTP status other than 200 OK; nothing when
  // the request must be made again (`retry_`).
  std::optional<IppReply> Refusal(int status);
  // The reply for a response read whole, or the failure when there is none.
  IppReply Answer(IppMessage response);
  // The failure of a request that got no usable reply, with the reason.
  IppReply Unanswered(int status, const std::string& what);
  void Close();

  std::string host_;
  int port_;
  http_encryption_t encryption_;
  std::chrono::milliseconds deadline_;
  http_t* http_ = nullptr;
  // One thread for the connection's requests, however many they are.
  DeadlineWatcher watcher_;
  // What the last refusal asked for before the request is sent again.
  enum class Retry { kNone, kWithCredentials, kWithEncryption };
  Retry retry_ = Retry::kNone;
};

}  // namespace quelmar
