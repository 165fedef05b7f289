// One connection to a CUPS server for IPP requests: opened with a bounded
// wait, every reply awaited for a bounded time, and never a password
// prompt, so that an unreachable or silent server costs seconds.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace quelmar {

struct IppDeleter {
  void operator()(ipp_t* message) const { ippDelete(message); }
};
using IppMessage = std::unique_ptr<ipp_t, IppDeleter>;

// The outcome of a request: the response when the server granted it;
// otherwise the IPP status and CUPS's own text for it, taken right after
// the failure.
struct IppReply {
  IppMessage response;
  ipp_status_t status = IPP_STATUS_OK;
  std::string text;
  // False when the server could not be reached or did not answer in time.
  bool answered = true;
  bool succeeded() const { return response && status < 0x0100; }
};

// Makes libcups give up instead of asking for a password.
void RefusePasswordPrompts();

// A request for the operation on the printer (or server) URI, on behalf of
// the current user.
IppMessage NewRequest(ipp_op_t operation, const std::string& printerUri);

class IppConnection {
 public:
  // `host` may also be the path of a domain socket.
  IppConnection(std::string host, int port, http_encryption_t encryption,
                std::chrono::milliseconds timeout);
  ~IppConnection();
  IppConnection(const IppConnection&) = delete;
  IppConnection& operator=(const IppConnection&) = delete;

  // Connects unless connected; false with the reason in `failure`.
  bool Open(IppReply& failure);
  // Sends the request to `resource` ("/" or "/admin/"), opening the
  // connection first when needed.
  IppReply Send(IppMessage request, const char* resource);
  // The open connection, for the libcups calls that take one; null before
  // a successful Open.
  http_t* http() const { return http_; }

 private:
  // Reads the whole response in large reads (libcups reads a response body
  // a few bytes at a time, with a poll before each read, which made the
  // lists of queues the bulk of a run's time). Nothing when the server
  // asks for more than a plain request (authentication, encryption...):
  // libcups then takes the request over.
  std::optional<IppReply> SendAndReadWhole(ipp_t* request,
                                           const char* resource);
  IppReply SendThroughLibcups(IppMessage request, const char* resource);

  std::string host_;
  int port_;
  http_encryption_t encryption_;
  std::chrono::milliseconds timeout_;
  http_t* http_ = nullptr;
};

}  // namespace quelmar
