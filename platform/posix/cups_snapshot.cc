// The workstation's CUPS and its print servers (IPP and SMB), read for a
// rehearsal with the requests, waits and error texts of the run, and
// nothing written.
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
  ServerListing listing;
  // Found out, or given up, exactly as the run does it: the same probe and
  // wait, the same text for a server that cannot be reached, and that
  // server remembered so that its printers cost no further wait.
  std::optional<ServerKind> kind = cups_.PrintServerKind(server, listing.error);
  if (!kind) {
    listing.text = cups_.ErrorText(listing.error);
    return listing;
  }
  // An SMB server's printers are asked one by one, as the run asks them.
  if (*kind == ServerKind::kSmb) {
    listing.answered = true;
    return listing;
  }
  ServerAddress address = AddressOf(server);
  IppConnection connection(address.host, address.port,
                           HTTP_ENCRYPTION_IF_REQUESTED, kPrintServerTimeout);
  IppMessage request(ippNewRequest(IPP_OP_CUPS_GET_PRINTERS));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME,
               "requesting-user-name", nullptr, cupsUser());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD,
               "requested-attributes", nullptr, "printer-name");
  IppReply reply = connection.Send(std::move(request), "/");
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
  SpoolerResult located = cups_.LocatePrinter(*printer, uri);
  probe.offered = located.succeeded;
  probe.spelling = printer->printer;
  if (!located.succeeded) {
    probe.error = located.error;
    probe.text = cups_.ErrorText(located.error);
  }
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
