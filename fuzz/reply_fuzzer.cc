// Any bytes from a print server (status line, headers, chunks, IPP body)
// as the reply to a request: IppConnection::Send must come back within its
// deadline with a reply that holds together, whatever the server sent.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/fake/scripted_server.h"
#include "platform/posix/cups_connection.h"

namespace {

using std::chrono::milliseconds;

constexpr auto kDeadline = milliseconds(3000);

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  quelmar::RefusePasswordPrompts();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quelmar::ScriptedServer server(
      {{milliseconds(0),
        std::string(reinterpret_cast<const char*>(data), size)}});
  quelmar::IppConnection connection(server.path(), 0, HTTP_ENCRYPTION_NEVER,
                                    kDeadline);
  const auto start = std::chrono::steady_clock::now();
  quelmar::IppReply reply =
      connection.Send(quelmar::NewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES,
                                          "ipp://printsrv1/printers/Laser"),
                      "/");
  // The deadline holds (a retry by libcups after an authentication demand
  // starts no new deadline: it is part of the same request).
  Check(std::chrono::steady_clock::now() - start <
        kDeadline + milliseconds(500));
  // A failure always has a status and a text of its own.
  Check(reply.succeeded() || reply.status >= IPP_STATUS_ERROR_BAD_REQUEST ||
        reply.response);
  Check(reply.succeeded() || !reply.text.empty());
  Check(reply.answered || (!reply.response && !reply.succeeded() &&
                           reply.text.rfind(server.path(), 0) == 0));
  if (reply.response) {
    for (ipp_attribute_t* a = ippFirstAttribute(reply.response.get()); a;
         a = ippNextAttribute(reply.response.get()))
      (void)ippGetName(a);
  }
  return 0;
}
