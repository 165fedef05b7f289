// The workstation's CUPS and its print servers, read for a rehearsal with
// the requests and waits of the run, and nothing written.
#include <csignal>

#include "platform/posix/cups_workstation.h"
#include "platform/this_workstation.h"

namespace quelmar {
namespace {

// The run's own wait for a print server.
constexpr auto kPrintServerTimeout = std::chrono::seconds(5);

class CupsThisWorkstation : public ThisWorkstation {
 public:
  std::vector<std::string> InstalledPrinters() override {
    return cups_.InstalledPrinters();
  }
  std::string DefaultPrinterName() override {
    return cups_.DefaultPrinterName();
  }
  ServerListing ListServer(const std::string& server) override;
  ConnectionProbe ProbeConnection(const std::string& name) override;

 private:
  CupsWorkstation cups_;
};

ServerListing CupsThisWorkstation::ListServer(const std::string& server) {
  ServerAddress address = AddressOf(server);
  IppConnection connection(address.host, address.port,
                           HTTP_ENCRYPTION_IF_REQUESTED, kPrintServerTimeout);
  IppMessage request(ippNewRequest(IPP_OP_CUPS_GET_PRINTERS));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME,
               "requesting-user-name", nullptr, cupsUser());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD,
               "requested-attributes", nullptr, "printer-name");
  IppReply reply = connection.Send(std::move(request), "/");
  ServerListing listing;
  listing.answered = reply.answered;
  listing.error = reply.status;
  listing.text = reply.text;
  // A server that answers without a list (no printer, or an IPP server
  // that is not CUPS) lists nothing: its printers are asked one by one.
  if (!reply.succeeded()) return listing;
  for (ipp_attribute_t* a =
           ippFindAttribute(reply.response.get(), "printer-name", IPP_TAG_NAME);
       a; a = ippFindNextAttribute(reply.response.get(), "printer-name",
                                   IPP_TAG_NAME))
    listing.printers.emplace_back(ippGetString(a, 0, nullptr));
  return listing;
}

ConnectionProbe CupsThisWorkstation::ProbeConnection(const std::string& name) {
  ConnectionProbe probe;
  std::optional<SharedPrinter> printer = ParseSharedPrinter(name);
  if (!printer) {
    probe.error = IPP_STATUS_ERROR_NOT_FOUND;
    probe.text = ippErrorString(IPP_STATUS_ERROR_NOT_FOUND);
    return probe;
  }
  std::string uri;
  std::unique_ptr<IppConnection> server;
  IppReply reply = cups_.QueryPrintServer(*printer, uri, server);
  probe.offered = reply.succeeded();
  probe.spelling = printer->printer;
  probe.error = reply.status;
  probe.text = reply.text;
  return probe;
}

}  // namespace

std::unique_ptr<ThisWorkstation> CreateThisWorkstation() {
  // A server that closes its end must fail the request, not end the
  // program.
  std::signal(SIGPIPE, SIG_IGN);
  return std::make_unique<CupsThisWorkstation>();
}

}  // namespace quelmar
